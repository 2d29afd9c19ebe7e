// The main window's external tools: the Compiler and Filter menus of the active document's
// type, running an entry while the window waits, the message panel and following its lines.
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <atomic>
#include <thread>

#include "actions/uniKeyNames.h"
#include "actions/uniMemoActions.h"
#include "editor/uniMemo.h"
#include "platform/qt/qtConvert.h"
#include "search/RegExpr.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/PmTools.h"
#include "widgets/uniMsgDlg.h"

namespace {

// How long a run may take before the running dialog shows.
constexpr int kRunDialogDelayMs = 500;

} // namespace

void TPMMainForm::MakeToolPanel(QWidget* documents) {
    msgSplitter_ = new QSplitter(Qt::Vertical, documents->parentWidget());
    msgSplitter_->setObjectName(QStringLiteral("MsgSplitter"));
    msgSplitter_->addWidget(documents);
    toolPanel_ = new TToolMessages(msgSplitter_);
    msgSplitter_->addWidget(toolPanel_);
    msgSplitter_->setStretchFactor(0, 1);
    msgSplitter_->setStretchFactor(1, 0);
    msgSplitter_->setCollapsible(0, false);
    toolPanel_->hide();
    // Hidden by its close button, the panel comes back as high as it was.
    connect(&toolPanel_->CloseButton(), &QToolButton::clicked, this,
            [this] { msgHeight_ = toolPanel_->height(); });
    toolPanel_->List().onFollow = [this](bool keepFocus) { JumpToResult(keepFocus); };
}

void TPMMainForm::ShowToolMessages(const std::vector<std::string>& lines) {
    toolPanel_->SetLines(lines);
    if (!toolPanel_->isVisible()) {
        toolPanel_->show();
        const int height =
            msgHeight_ > 0 ? msgHeight_ : session_.Settings().window.msgPanelHeight.value_or(120);
        const int total = msgSplitter_->height();
        msgSplitter_->setSizes({std::max(total - height, 1), height});
    }
    toolPanel_->List().setFocus(Qt::OtherFocusReason);
    // Once a running dialog has gone, the window's activation gives the focus back to
    // where it was before: the list takes it again after that.
    QTimer::singleShot(0, toolPanel_,
                       [this] { toolPanel_->List().setFocus(Qt::OtherFocusReason); });
}

TToolResult TPMMainForm::RunToolWaiting(const TToolRequest& request) {
    toolRunning_ = true;
    // The tool runs on a worker; this thread waits, taking no input for a moment and
    // then showing a modal dialog whose Cancel stops the tool.
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    TToolRequest job = request;
    job.cancelled = [&cancel] { return cancel.load(); };
    TToolResult result;
    std::thread worker([&] {
        result = RunToolProcess(job);
        done = true;
    });
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QElapsedTimer waited;
    waited.start();
    while (!done && waited.elapsed() < kRunDialogDelayMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(5);
    }
    if (!done) {
        TToolRunDialog dialog(this, QStringFromUtf8(request.argv.empty() ? "" : request.argv[0]));
        dialog.onCancel = [&cancel] { cancel = true; };
        QTimer poll;
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (done) {
                dialog.accept();
            }
        });
        poll.start(20);
        if (!done) {
            dialog.exec();
        }
    }
    worker.join();
    QApplication::restoreOverrideCursor();
    toolRunning_ = false;
    return result;
}

void TPMMainForm::RunTool(TMDIChild& child, const std::string& name) {
    if (toolRunning_) {
        return; // one run at a time: a request that arrives while one waits is dropped
    }
    toolPattern_ = {};
    TuniMemo& memo = child.Memo();
    const std::optional<TCompileEntry> entry =
        ReadCompileEntry(Folder(), memo.FileTypeName(), name);
    if (!entry) {
        return;
    }
    SaveAll();
    const TCompileJob job = PrepareCompileJob(*entry, memo, Folder().Root());
    if (job.openDocument) {
        if (!job.documentFile.empty()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QStringFromUtf8(job.documentFile)));
        }
        return;
    }
    toolPattern_ = job.pattern;
    std::vector<std::string> messages;
    if (entry->show) {
        messages = RunToolWaiting(job.request).messages;
    } else if (std::string error = StartDetachedTool(job.request.argv, job.request.workDir);
               !error.empty()) {
        messages.push_back(std::move(error));
    }
    if (!messages.empty()) {
        ShowToolMessages(messages);
    }
}

void TPMMainForm::RunFilterTool(TMDIChild& child, const std::string& name) {
    if (toolRunning_) {
        return;
    }
    TuniMemo& memo = child.Memo();
    const std::optional<TFilterEntry> entry = ReadFilterEntry(Folder(), memo.FileTypeName(), name);
    if (!entry) {
        return;
    }
    const TFilterJob job = PrepareFilterJob(*entry, memo, Folder().Root());
    if (job.Empty()) {
        return;
    }
    const QPointer<TMDIChild> alive(&child);
    const TToolResult result = RunToolWaiting(job.request);
    if (alive.isNull() || child.Closed()) {
        return; // the document went while the filter ran
    }
    bool applied = false;
    child.MemoWidget().Input().RunCommand([&] { applied = ApplyFilterResult(memo, job, result); });
    if (!applied) {
        toolPattern_ = {};
        std::vector<std::string> messages = result.messages;
        if (messages.empty()) {
            messages.push_back("[the filter gave no usable result]");
        }
        ShowToolMessages(messages);
    }
}

void TPMMainForm::JumpToResult(bool keepFocus) {
    if (toolPanel_->List().count() == 0 || toolPattern_.Empty()) {
        return;
    }
    std::optional<TToolLocation> at;
    try {
        at = MatchToolLocation(toolPattern_, toolPanel_->CurrentLine());
    } catch (const ERegExpr& e) {
        UniMessageDlg(this, QStringFromUtf8(e.what()), TMsgDlgType::Error, TMsgDlgBtn::OK);
        return;
    }
    if (!at) {
        return;
    }
    TMDIChild* target = nullptr;
    if (at->file.empty()) {
        target = ActiveChild();
    } else {
        const QString wanted = QStringFromUtf8(at->file).toUpper();
        for (TMDIChild* child : Children()) {
            if (!child->Closed() && QStringFromUtf8(child->Memo().FileName()).toUpper() == wanted) {
                target = child;
                break;
            }
        }
        if (target == nullptr) {
            target = OpenDocument(at->file, {}, nullptr, 0, "-", "default");
        }
    }
    if (target == nullptr) {
        return;
    }
    mdi_->setActiveSubWindow(target);
    TuniMemo& memo = target->Memo();
    target->MemoWidget().Input().RunCommand(
        [&] { memo.GotoPosition(at->column - 1, at->line - 1); });
    if (keepFocus) {
        toolPanel_->List().setFocus(Qt::OtherFocusReason);
    } else {
        target->MemoWidget().setFocus(Qt::OtherFocusReason);
    }
}

void TPMMainForm::BuildToolMenus() {
    TMDIChild* child = ActiveChild();
    if (child == nullptr || compilerMenu_ == nullptr) {
        return;
    }
    const std::string type = child->Memo().FileTypeName();
    const TMemoController& controller = child->MemoWidget().Controller();
    const TToolEntries& tools = controller.Tools();
    // The lists are read when the document's profile is applied, which may come after
    // its type is known: a change of either builds the menus again.
    if (!toolMenusStale_ && type == toolMenuKey_ && tools.compile == toolMenuEntries_.compile &&
        tools.filter == toolMenuEntries_.filter) {
        return;
    }
    toolMenusStale_ = false;
    toolMenuKey_ = type;
    toolMenuEntries_ = tools;
    const TUniActionKeymap* keys = controller.Keymap();
    const TUniActionMap* map = controller.Map();
    const auto shortcut = [&](const std::string& action) -> QString {
        if (keys == nullptr || map == nullptr) {
            return {};
        }
        const TShortCut key = keys->KeyOf(map->Find(action));
        return key == 0 ? QString() : QStringFromUtf8(ShortCutToText(key));
    };
    const auto fill = [&](QMenu* menu, const std::vector<std::string>& entries, bool compile) {
        menu->clear();
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            const std::string& entry = entries[static_cast<size_t>(i)];
            const std::string key = ToolActionName(entry);
            QString caption = QStringFromU16(compile ? texts_.CompileCaption(type, entry)
                                                     : texts_.FilterCaption(entry));
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            const QString keyText =
                shortcut(std::string(compile ? "Compile." : "Filter.").append(key));
            if (!keyText.isEmpty()) {
                caption += QLatin1Char('\t') + keyText;
            }
            QAction* item = menu->addAction(caption);
            item->setObjectName(
                QStringLiteral("%1%2").arg(compile ? "RunItem" : "FilterItem").arg(i));
            item->setData(100 + i);
            // Run once the menu has closed, so the focus it gives back is not lost on the
            // message list.
            connect(item, &QAction::triggered, this, [this, compile, i] {
                QTimer::singleShot(0, this, [this, compile, i] { RunToolItem(compile, i); });
            });
        }
        menu->setEnabled(!entries.empty());
    };
    fill(compilerMenu_, tools.compile, true);
    fill(filterMenu_, tools.filter, false);
}

void TPMMainForm::RunToolItem(bool compile, int i) {
    TMDIChild* active = ActiveChild();
    if (active == nullptr) {
        return;
    }
    const TToolEntries& now = active->MemoWidget().Controller().Tools();
    const std::vector<std::string>& list = compile ? now.compile : now.filter;
    if (i < static_cast<int>(list.size())) {
        const std::string name = list[static_cast<size_t>(i)];
        compile ? RunTool(*active, name) : RunFilterTool(*active, name);
    }
}

void TPMMainForm::DropToolMenu(bool compile) {
    toolMenusStale_ = true;
    BuildToolMenus();
    QMenu* menu = compile ? compilerMenu_ : filterMenu_;
    if (menu != nullptr && !menu->isEmpty() && ActiveChild() != nullptr) {
        DropMenu(ToolButton(compile ? "Run" : "Filter"), menu);
    }
}
