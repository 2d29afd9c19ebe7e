#include "shell/qt/Pm.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "actions/uniMemoActions.h"
#include "actions/uniStdActions.h"
#include "base/uniCodePage.h"
#include "base/uniRecovery.h"
#include "editor/uniMemo.h"
#include "lang/uniLangIni.h"
#include "platform/qt/qtConvert.h"
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtHosts.h"
#include "print/qt/uniPgSetupDialog.h"
#include "search/qt/uniSearchForms.h"
#include "shell/PmStatus.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Properties.h"
#include "shell/uniConfig.h"
#include "spell/uniSpellCheck.h"
#include "storage/PelmarStorage.h"
#include "structure/qt/uniStrucFrame.h"
#include "widgets/uniFileDialogs.h"
#include "widgets/uniMsgDlg.h"

namespace {

std::function<QString(bool, const QString&)>& FileDialogResponder() {
    static std::function<QString(bool, const QString&)> responder;
    return responder;
}

std::function<bool(TFormProperties&)>& PropertiesResponder() {
    static std::function<bool(TFormProperties&)> responder;
    return responder;
}

QStringList Names(const std::vector<std::pair<std::string, std::string>>& entries) {
    QStringList names;
    for (const auto& entry : entries) {
        names << QStringFromUtf8(entry.first);
    }
    return names;
}

bool SameName(const std::string& a, const QString& b) {
    return QStringFromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

std::string FullPath(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(name, ec);
    return ec ? name : p.lexically_normal().string();
}

} // namespace

void TPMMainForm::SetFileDialogResponder(std::function<QString(bool, const QString&)> responder) {
    FileDialogResponder() = std::move(responder);
}

void TPMMainForm::SetPropertiesResponder(std::function<bool(TFormProperties&)> responder) {
    PropertiesResponder() = std::move(responder);
}

TPMMainForm::TPMMainForm(const std::string& programFolder, QWidget* parent)
    : QMainWindow(parent), session_(programFolder) {
    setWindowTitle(QStringLiteral("Pelmar"));
    setAcceptDrops(true);
    resize(800, 600);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(central);
    tabs_->setExpanding(false);
    tabs_->setDocumentMode(true);
    tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
    tabs_->hide();
    splitter_ = new QSplitter(Qt::Horizontal, central);
    splitter_->setObjectName(QStringLiteral("StrucSplitter"));
    mdi_ = new QMdiArea(splitter_);
    strucQueue_ = std::make_unique<TQtMainThreadQueue>();
    strucFrame_ = new TStrucFrame(splitter_);
    splitter_->addWidget(mdi_);
    splitter_->addWidget(strucFrame_);
    strucFrame_->onRefresh = [this] { StructureCommand("RefreshStruc"); };
    strucFrame_->onFocusDocument = [this](TuniMemo& memo) {
        for (TMDIChild* child : Children()) {
            if (&child->Memo() == &memo) {
                mdi_->setActiveSubWindow(child);
                child->MemoWidget().setFocus();
            }
        }
    };
    layout->addWidget(tabs_);
    MakeToolPanel(splitter_);
    layout->addWidget(msgSplitter_, 1);
    setCentralWidget(central);

    // The status bar: eight panels; the first one shows the progress of long work. The
    // line separator's panel (7) stands next to the charset's (4).
    firstPanel_ = new QStackedWidget(this);
    firstPanel_->setFixedWidth(kPanelWidths[0]);
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(this);
        label->setFixedWidth(kPanelWidths[static_cast<size_t>(i)]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        if ((i >= 1 && i <= 5) || i == 7) {
            label->setAlignment(Qt::AlignCenter);
        }
        panels_[static_cast<size_t>(i)] = label;
    }
    firstPanel_->addWidget(panels_[0]);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    firstPanel_->addWidget(progress_);
    statusBar()->addWidget(firstPanel_);
    for (const int i : {1, 2, 3, 4, 7, 5, 6}) {
        statusBar()->addWidget(panels_[static_cast<size_t>(i)]);
    }
    // Where the last search stands.
    searchPanel_ = new QLabel(this);
    searchPanel_->setObjectName(QStringLiteral("SearchStatus"));
    statusBar()->addWidget(searchPanel_, 1);

    ClearStatus();
    RegisterMainCommands();
    MakeBands();
    MakePageSetup();
    LoadSettings(true);
    ApplyWindowGeometry();
    session_.LoadHighlighting();
    // The structure view's width, and whether it was collapsed, as the settings keep them.
    const TWindowSettings& window = session_.Settings().window;
    if (window.browserWidth && *window.browserWidth > 0) {
        strucWidth_ = *window.browserWidth;
    }
    SetStrucLeft(window.browserLeft.value_or(false));
    SetStrucSizes(window.browserMin.value_or(false) ? 0 : strucWidth_, width());
    MakeSearchForms();
    openDialog_ = std::make_unique<TuniOpenDialog>(this);
    saveDialog_ = std::make_unique<TuniSaveDialog>(this);
    properties_ = std::make_unique<TFormProperties>(this);
    ApplyToolkitLanguage();
    ApplyDialogTexts();
    BuildMenus();
    // A double click on the status bar, and a context click right of x = 100, open the
    // properties dialog; a context click further left the go-to-line dialog.
    statusBar()->installEventFilter(this);
    for (QWidget* panel : statusBar()->findChildren<QWidget*>()) {
        panel->installEventFilter(this);
    }

    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        for (int i = 0; i < tabs_->count(); ++i) {
            if (tabs_->tabData(i).value<QMdiSubWindow*>() == w) {
                const QSignalBlocker block(tabs_);
                tabs_->setCurrentIndex(i);
            }
        }
        if (lastActive_ != w) {
            if (auto* left = dynamic_cast<TMDIChild*>(lastActive_.data());
                left != nullptr && !left->Closed()) {
                left->Structure().Deactivated();
            }
            lastActive_ = w;
            if (auto* child = dynamic_cast<TMDIChild*>(w)) {
                child->Structure().Activated();
            }
        }
        if (auto* child = dynamic_cast<TMDIChild*>(w)) {
            child->MemoWidget().setFocus();
            child->MemoWidget().RepaintWhole();
            child->Memo().RequestRepaint();
        }
    });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0) {
            if (auto* w = tabs_->tabData(index).value<QMdiSubWindow*>()) {
                mdi_->setActiveSubWindow(w);
            }
        }
    });
    connect(tabs_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const int index = tabs_->tabAt(p);
        if (index >= 0) {
            tabs_->setCurrentIndex(index);
        }
        if (tabMenu_ != nullptr) {
            tabMenu_->popup(tabs_->mapToGlobal(p));
        }
    });
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TPMMainForm::Idle);
}

TPMMainForm::~TPMMainForm() {
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    StoreSearchHistories();
    // The document windows' controllers hold maps whose parent is the global map: the
    // windows go first, also those that are closed and wait for their deletion.
    for (TMDIChild* child : mdi_->findChildren<TMDIChild*>()) {
        delete child;
    }
}

// --- start-up ------------------------------------------------------------------------------

void TPMMainForm::RegisterMainCommands() {
    global_ = std::make_unique<TUniActionMap>();
    RegisterStandardActions(*global_);
    const TCurrentEditor active = [this](TUniAction&) -> TuniAbstractMemo* {
        return ActiveEditor();
    };
    commands_ = {
        {"Open", [this] { Open(); }},
        {"Save",
         [this] {
             if (auto* c = ActiveChild()) {
                 SaveDocument(*c);
             }
         }},
        {"SaveAs",
         [this] {
             if (auto* c = ActiveChild()) {
                 SaveDocumentAs(*c);
             }
         }},
        {"SaveAll", [this] { SaveAll(); }},
        {"New", [this] { NewDocument(); }},
        {"Close", [this] { CloseActive(); }},
        {"Exit", [this] { close(); }},
        {"Maximize", [this] { isMaximized() ? showNormal() : showMaximized(); }},
        {"ToLower", [this] { RunOnEditor([](TuniMemo& m) { m.SelectionToLower(); }); }},
        {"ToUpper", [this] { RunOnEditor([](TuniMemo& m) { m.SelectionToUpper(); }); }},
        {"KbdPrev", [this] { RunOnEditor([](TuniMemo& m) { m.KeyboardPrev(); }); }},
        {"KbdNext", [this] { RunOnEditor([](TuniMemo& m) { m.KeyboardNext(); }); }},
        {"Find", [this] { Find(); }},
        {"Replace", [this] { ReplaceText(); }},
        {"SearchAgain", [this] { SearchAgain(false); }},
        {"SearchBack", [this] { SearchAgain(true); }},
        {"GotoLine", [this] { GotoLine(); }},
        {"Clone", [this] { Clone(); }},
        {"Properties", [this] { Properties(); }},
        {"RefreshStruc", [this] { StructureCommand("RefreshStruc"); }},
        {"SyncStruc", [this] { StructureCommand("SyncStruc"); }},
        {"FindWordInStruc", [this] { StructureCommand("FindWordInStruc"); }},
        {"GoCurrentInStruc", [this] { StructureCommand("GoCurrentInStruc"); }},
        {"ReOpen", [this] { ShowReopenMenu(); }},
        {"New2", [this] { DropMenu(ToolButton("NewFile"), templateMenu_); }},
        {"TileH", [this] { mdi_->tileSubWindows(); }},
        {"TileV",
         [this] {
             // Side by side: each window the full height, the width shared.
             const auto windows = mdi_->subWindowList();
             if (windows.isEmpty()) {
                 return;
             }
             const int w = mdi_->viewport()->width() / static_cast<int>(windows.size());
             int x = 0;
             for (QMdiSubWindow* sub : windows) {
                 sub->showNormal();
                 sub->setGeometry(x, 0, w, mdi_->viewport()->height());
                 x += w;
             }
         }},
        {"Cascade", [this] { mdi_->cascadeSubWindows(); }},
        {"Run", [this] { DropToolMenu(true); }},
        {"Filter", [this] { DropToolMenu(false); }},
        {"SpellCheck", [this] { SpellCheck(); }},
        {"Help", [this] { OpenHelp(); }},
        {"PageSetup", [this] { PageSetup(); }},
        {"Print", [this] { Print(); }},
        {"ISpellLang",
         [this] {
             if (spellMenu_ != nullptr && spellMenu_->isEnabled()) {
                 spellMenu_->popup(mdi_->mapToGlobal(QPoint(0, 0)));
             }
         }},
    };
    for (const std::string_view name : MainWindowActionNames()) {
        if (name == "InsertDateTime") {
            RegisterInsertDateTime(*global_, active);
            continue;
        }
        const std::string command(name);
        global_->Add(command, std::make_unique<TUniNotifyEventAction>([this, command](TUniAction&) {
                         if (const auto it = commands_.find(command); it != commands_.end()) {
                             it->second();
                         }
                     }));
    }
}

void TPMMainForm::LoadSettings(bool startUp) {
    session_.LoadSettings();
    const TLanguageList& languages = session_.Settings().languages;
    language_.clear();
    if (languages.IndexOf(languages.defaultName) >= 0) {
        language_ = languages.defaultName;
        ApplyLanguageFile(texts_, session_.Folder().Path("Lang/" + language_ + ".ini"));
    } else if (!languages.defaultName.empty()) {
        // A language that is not listed: the texts stay, and none is chosen any more.
        TIniFile ini(session_.Folder().PelmarIni());
        if (const TWriteResult put = WriteDefaultLanguage(ini, ""); !put.ok) {
            std::fprintf(stderr, "pelmar: %s\n", put.error.c_str());
        }
    }
    if (!startUp) {
        // Keys and actions stay as loaded: the open documents' maps hold on to them.
        return;
    }
    const TCurrentEditor active = [this](TUniAction&) -> TuniAbstractMemo* {
        return ActiveEditor();
    };
    LoadGlobalActions(session_.Folder(), global_, globalKeys_, active);
    LoadSpellLanguages();
    shortcutTexts_.clear();
    if (globalKeys_) {
        for (const TMenuShortcut& s : ShowKeysInMenus(*globalKeys_, *global_)) {
            shortcutTexts_[std::string(s.name)] = s.text;
        }
    }
    LayOutBands(session_.Settings().window.tools);
}

QString TPMMainForm::Text(std::string_view section, std::string_view key) const {
    return QStringFromU16(texts_.Text(section, key));
}

QString TPMMainForm::Format(std::string_view section, std::string_view key,
                            const QString& argument) const {
    return QStringFromU16(FormatText(texts_.Text(section, key), U16FromQString(argument)));
}

QString TPMMainForm::DocumentTitle(const TuniMemo& memo) const {
    return QStringFromU16(DocumentName(memo.FileName(), texts_.Text("Messages", "NewFile")));
}

QAction* TPMMainForm::AddCommand(QMenu* menu, const std::string& command, const char* captionKey,
                                 const char* actionName, std::function<void()> run) {
    QString caption = QStringFromU16(MnemonicText(texts_.Caption(captionKey)));
    if (actionName != nullptr) {
        if (const auto it = shortcutTexts_.find(actionName);
            it != shortcutTexts_.end() && !it->second.empty()) {
            // Shown, not registered: every key goes through the keymaps.
            caption += QLatin1Char('\t') + QStringFromUtf8(it->second);
        }
    }
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    menuActions_[command] = action;
    return action;
}

QAction* TPMMainForm::MenuAction(std::string_view command) const {
    const auto it = menuActions_.find(command);
    return it == menuActions_.end() ? nullptr : it->second;
}

void TPMMainForm::RunGlobalAction(std::string_view name) {
    if (TUniAction* action = global_->Find(name)) {
        if (TMDIChild* child = ActiveChild()) {
            TMemoController& controller = child->MemoWidget().Controller();
            controller.Input().RunCommand([&] { controller.Execute(*action); });
        } else {
            action->Perform();
        }
    }
}

void TPMMainForm::RunOnEditor(const std::function<void(TuniMemo&)>& step) {
    if (TMDIChild* child = ActiveChild()) {
        TuniMemo& memo = child->Memo();
        child->MemoWidget().Input().RunCommand([&] { step(memo); });
    }
}

void TPMMainForm::BuildMenus() {
    // The menus of a previous language go once the event that may come from one of their
    // items (the language menu's) has been handled.
    for (QAction* old : menus_->actions()) {
        if (QMenu* m = old->menu()) {
            m->deleteLater();
        }
    }
    menus_->clear();
    menuActions_.clear();
    const auto menu = [this](const char* key) {
        QMenu* m = menus_->addMenu(QStringFromU16(MnemonicText(texts_.Caption(key))));
        // A menu closed with Escape leaves the menu bar holding the focus, waiting for keys;
        // they belong to the document again (unless the user went on to the next menu). The
        // menu bar leaves its key mode as it loses the focus; its own state is not touched,
        // or the next click on a title would not open the menu.
        connect(m, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (QApplication::activePopupWidget() != nullptr || focusWidget() != menus_) {
                    return;
                }
                if (TMDIChild* child = ActiveChild()) {
                    child->MemoWidget().setFocus(Qt::OtherFocusReason);
                }
            });
        });
        return m;
    };
    const auto global = [this](const char* name) {
        return [this, name] { RunGlobalAction(name); };
    };
    const auto editor = [this](void (TuniMemo::*command)()) {
        return [this, command] { RunOnEditor([command](TuniMemo& m) { (m.*command)(); }); };
    };

    fileMenu_ = menu("Files");
    AddCommand(fileMenu_, "NewFile", "NewFile", "New", global("New"));
    templateMenu_ = fileMenu_->addMenu(QStringFromU16(MnemonicText(texts_.Caption("New"))));
    templateMenu_->setObjectName(QStringLiteral("TemplateMenu"));
    menuActions_["New21"] = templateMenu_->menuAction();
    BuildTemplateMenu();
    AddCommand(fileMenu_, "Open", "Open", "Open", global("Open"));
    reopenMenu_ = fileMenu_->addMenu(QStringFromU16(MnemonicText(texts_.Caption("Reopen"))));
    menuActions_["Reopen"] = reopenMenu_->menuAction();
    AddCommand(fileMenu_, "Save", "Save", "Save", global("Save"));
    AddCommand(fileMenu_, "SaveAs", "SaveAs", "SaveAs", global("SaveAs"));
    AddCommand(fileMenu_, "SaveAll", "SaveAll", "SaveAll", global("SaveAll"));
    AddCommand(fileMenu_, "Close0", "Close", "Close", global("Close"));
    AddCommand(fileMenu_, "Properties", "Properties", "Properties", global("Properties"));
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "PageSetup", "PageSetup", "PageSetup", global("PageSetup"));
    AddCommand(fileMenu_, "Print", "Print", "Print", global("Print"));
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "Exit0", "Exit", "Exit", global("Exit"));
    fileMenuBaseCount_ = static_cast<int>(fileMenu_->actions().size());

    QMenu* edit = menu("Edit");
    AddCommand(edit, "Undo", "Undo", "Undo", editor(&TuniMemo::Undo));
    AddCommand(edit, "Redo", "Redo", "Redo", editor(&TuniMemo::Redo));
    edit->addSeparator();
    AddCommand(edit, "Cut", "Cut", "Cut", editor(&TuniMemo::CutSelection));
    AddCommand(edit, "Copy0", "Copy", "Copy", editor(&TuniMemo::CopyClipboard));
    AddCommand(edit, "Paste", "Paste", "Paste", editor(&TuniMemo::PasteClipboard));
    AddCommand(edit, "Delete0", "Delete", "Delete", editor(&TuniMemo::DeleteChar));
    AddCommand(edit, "SelectAll", "SelectAll", "MarkAll", editor(&TuniMemo::SelectAll));
    edit->addSeparator();
    AddCommand(edit, "ToLower", "ToLower", "ToLower", global("ToLower"));
    AddCommand(edit, "ToUpper", "ToUpper", "ToUpper", global("ToUpper"));
    AddCommand(edit, "To_Kbd1", "Kbd1", "KbdPrev", global("KbdPrev"));
    AddCommand(edit, "To_Kbd2", "Kbd2", "KbdNext", global("KbdNext"));
    edit->addSeparator();
    QAction* wrap = AddCommand(edit, "Wrap0", "Wrap", "Wrap", editor(&TuniMemo::ToggleWrap));
    wrap->setCheckable(true);
    AddCommand(edit, "SpellCheck", "SpellCheck", "SpellCheck", global("SpellCheck"));

    QMenu* search = menu("Search");
    AddCommand(search, "Find", "Find", "Find", global("Find"));
    AddCommand(search, "Replace", "Replace", "Replace", global("Replace"));
    AddCommand(search, "SearchAgain", "SearchAgain", "SearchAgain", global("SearchAgain"));
    AddCommand(search, "SearchBack", "SearchBack", "SearchBack", global("SearchBack"));
    search->addSeparator();
    AddCommand(search, "WordSearch", "WordSearch", "WordSearch", editor(&TuniMemo::WordSearch));
    AddCommand(search, "WordSearchBack", "WordSearchBack", "WordSearchBack",
               editor(&TuniMemo::WordSearchBack));
    AddCommand(search, "GotoLine", "GotoLine", "GotoLine", global("GotoLine"));
    AddCommand(search, "SearchPair", "SearchPair", "Bracket", editor(&TuniMemo::MatchBracket));
    QMenu* structure = search->addMenu(QStringFromU16(MnemonicText(texts_.Caption("Structure"))));
    AddCommand(structure, "RefreshStruc", "Refresh", "RefreshStruc",
               [this] { StructureCommand("RefreshStruc"); });
    AddCommand(structure, "SyncStruc", "Synchronize", "SyncStruc",
               [this] { StructureCommand("SyncStruc"); });
    AddCommand(structure, "FindWordStruc", "FindWord", "FindWordInStruc",
               [this] { StructureCommand("FindWordInStruc"); });
    structure->addSeparator();
    QAction* left = AddCommand(structure, "StrucLeft", "StrucLeft", nullptr,
                               [this] { SetStrucLeft(!StrucLeft()); });
    left->setCheckable(true);
    left->setChecked(StrucLeft());

    QMenu* run = menu("Run");
    compilerMenu_ = run->addMenu(QStringFromU16(MnemonicText(texts_.Caption("Compiler"))));
    filterMenu_ = run->addMenu(QStringFromU16(MnemonicText(texts_.Caption("Filter"))));
    menuActions_["Compiler"] = compilerMenu_->menuAction();
    menuActions_["Filter"] = filterMenu_->menuAction();
    toolMenusStale_ = true;

    QMenu* options = menu("Options");
    languageMenu_ = options->addMenu(QStringFromU16(MnemonicText(texts_.Caption("Language"))));
    languageMenu_->setObjectName(QStringLiteral("LanguageMenu"));
    menuActions_["Language"] = languageMenu_->menuAction();
    BuildLanguageMenu();
    spellMenu_ = options->addMenu(QStringFromU16(MnemonicText(texts_.Caption("SpellLanguage"))));
    spellMenu_->setObjectName(QStringLiteral("SpellLanguageMenu"));
    BuildSpellMenu();
    options->addSeparator();
    AddCommand(options, "General", "GeneralSetup", nullptr, [this] { GeneralSetup(); });
    AddCommand(options, "Files", "FilesSetup", nullptr, [this] { FilesSetup(); });
    options->addSeparator();
    BuildConfigMenu(options);

    QMenu* windows = menu("Windows");
    AddCommand(windows, "TileV", "TileVertical", nullptr, [this] { commands_["TileV"](); });
    AddCommand(windows, "TileH", "TileHorizontal", nullptr, [this] { commands_["TileH"](); });
    AddCommand(windows, "Cascade0", "Cascade", nullptr, [this] { commands_["Cascade"](); });
    AddCommand(windows, "Clone0", "Clone", nullptr, [this] { Clone(); });
    AddCommand(windows, "Maximize", "Maximize", "Maximize", global("Maximize"));

    QMenu* help = menu("Help");
    AddCommand(help, "Contents", "Contents", "Help", global("Help"));
    AddCommand(help, "About", "About", nullptr, [this] {
        UniMessageDlg(this,
                      QStringLiteral("Pelmar %1\nA multi-document Unicode text editor.")
                          .arg(QStringLiteral(PELMAR_VERSION_TEXT)),
                      TMsgDlgType::Custom, TMsgDlgBtn::OK);
    });

    delete tabMenu_;
    tabMenu_ = new QMenu(this);
    tabMenu_->addAction(MenuAction("Save"));
    tabMenu_->addAction(MenuAction("SaveAs"));
    tabMenu_->addAction(MenuAction("Close0"));
    tabMenu_->addAction(MenuAction("Print"));
    tabMenu_->addAction(MenuAction("Properties"));
    RebuildRecentMenu();
    FillBands();
}

// --- recent files --------------------------------------------------------------------------

void TPMMainForm::RebuildRecentMenu() {
    if (fileMenu_ == nullptr) {
        return;
    }
    const QList<QAction*> items = fileMenu_->actions();
    for (qsizetype i = fileMenuBaseCount_; i < items.size(); ++i) {
        fileMenu_->removeAction(items[i]);
        items[i]->deleteLater();
    }
    const TRecentFiles recent = ReadRecentFiles(session_.Folder());
    if (!recent[0].fileName.empty()) {
        fileMenu_->addSeparator();
    }
    for (int i = 0; i < static_cast<int>(recent.size()); ++i) {
        const TRecentFile& entry = recent[static_cast<size_t>(i)];
        if (entry.fileName.empty()) {
            break;
        }
        QAction* item = fileMenu_->addAction(QStringFromU16(RecentItemCaption(i, entry.fileName)));
        connect(item, &QAction::triggered, this, [this, i] { OpenRecent(i); });
    }
    // Reopen lists them too, each with the encoding it was last opened or saved in.
    if (reopenMenu_ != nullptr) {
        reopenMenu_->clear();
        for (int i = 0; i < static_cast<int>(recent.size()); ++i) {
            const TRecentFile& entry = recent[static_cast<size_t>(i)];
            if (entry.fileName.empty()) {
                break;
            }
            QString caption = QStringFromU16(RecentItemCaption(i, entry.fileName));
            if (!entry.charset.empty()) {
                caption += QLatin1Char('\t') + QStringFromUtf8(entry.charset);
            }
            QAction* item = reopenMenu_->addAction(caption);
            connect(item, &QAction::triggered, this, [this, i] { OpenRecent(i); });
        }
        reopenMenu_->setEnabled(!reopenMenu_->isEmpty());
    }
}

void TPMMainForm::ShowReopenMenu() {
    if (reopenMenu_ != nullptr && !reopenMenu_->isEmpty()) {
        DropMenu(ToolButton("Open"), reopenMenu_);
    }
}

void TPMMainForm::AddRecent(const TuniMemo& memo) {
    const TTextCodec& codec = memo.Codec();
    AddRecentFile(session_.Folder(), memo.FileName(), codec.charset, codec.surrogate,
                  static_cast<int>(codec.uniRepr));
    RebuildRecentMenu();
}

void TPMMainForm::OpenRecent(int index) {
    const TRecentFile entry = ReadRecentFiles(session_.Folder())[static_cast<size_t>(index)];
    if (entry.fileName.empty()) {
        return;
    }
    if (!FindOpenDocument(entry.fileName, entry.charset, entry.surrogate, entry.uniRepr)) {
        OpenDocument(entry.fileName, {}, nullptr, entry.uniRepr, entry.surrogate,
                     entry.charset.empty() ? std::string("Default") : entry.charset);
    }
}

// --- documents -------------------------------------------------------------------------------

TMDIChild* TPMMainForm::ActiveChild() const {
    auto* child = dynamic_cast<TMDIChild*>(mdi_->currentSubWindow());
    return child != nullptr && !child->Closed() ? child : nullptr;
}

TuniMemo* TPMMainForm::ActiveEditor() const {
    TMDIChild* child = ActiveChild();
    return child != nullptr ? &child->Memo() : nullptr;
}

std::vector<TMDIChild*> TPMMainForm::Children() const {
    std::vector<TMDIChild*> children;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        // A closed window lingers until its deletion is processed.
        if (auto* child = dynamic_cast<TMDIChild*>(w); child != nullptr && !child->Closed()) {
            children.push_back(child);
        }
    }
    return children;
}

void TPMMainForm::ApplyCodec(TuniMemo& memo, const std::string& charset,
                             const std::string& surrogate, int uniRepr) {
    // The command line can only ask for 1 or 2 (-HTML, -HEX); 0 leaves the profile's choice.
    TSession::PresetEncoding(
        memo, {charset, surrogate,
               uniRepr != 0 ? std::optional(static_cast<TUniRepr>(uniRepr)) : std::nullopt});
}

// The window itself follows its editor and the document (TMDIChild's listener).
void TPMMainForm::ConnectEditor(TMDIChild& child) {
    TuniMemo& memo = child.Memo();
    memo.SetSearchStepLimit(1'000'000);
    child.MemoWidget().Controller().AttachActionMaps(*global_, session_.Folder());
}

TMDIChild* TPMMainForm::OpenDocument(const std::string& fileName, const std::string& templateName,
                                     TuniMemo* source, int uniRepr, const std::string& surrogate,
                                     const std::string& charset) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (TMDIChild* active = ActiveChild(); active != nullptr && active->Placeholder() &&
                                           !active->Memo().Modified() &&
                                           active->Memo().FileName().empty()) {
        active->close();
    }
    const bool maximized =
        session_.Settings().window.zoom.value_or(true) && ActiveChild() == nullptr;
    auto* child = new TMDIChild(*this, session_.Environment(&texts_), globalKeys_.get());
    child->setStyle(DocumentWindowStyle());
    mdi_->addSubWindow(child);
    ConnectEditor(*child);
    TuniMemo& memo = child->Memo();
    ApplyCodec(memo, charset, surrogate, uniRepr);
    const int tab = tabs_->addTab(fileName.empty() ? QStringLiteral(" ?")
                                                   : QLatin1Char(' ') + DocumentTitle(memo));
    tabs_->setTabData(tab, QVariant::fromValue(static_cast<QMdiSubWindow*>(child)));
    tabs_->show();
    if (source != nullptr) {
        memo.SetLines(&source->Lines(), source->FileName());
        memo.ApplyProfile(memo.ProfileType());
    } else if (!fileName.empty()) {
        memo.SetFileName(TViewOf::This, FullPath(fileName));
    } else if (!templateName.empty()) {
        const bool absolute = std::filesystem::path(templateName).is_absolute();
        memo.SetFileName(TViewOf::This, absolute
                                            ? templateName
                                            : session_.Folder().Path("Templates/" + templateName));
    } else {
        memo.ApplyProfile(memo.ProfileType());
    }
    child->setWindowTitle(fileName.empty() ? QStringLiteral("?") : DocumentTitle(memo));
    if (maximized) {
        child->showMaximized();
    } else {
        child->show();
    }
    mdi_->setActiveSubWindow(child);
    child->MemoWidget().setFocus();
    if (source == nullptr && !memo.FileName().empty()) {
        // Loaded now, with the window on screen, so the progress shows.
        const bool loaded = memo.LoadFile();
        if (!templateName.empty()) {
            // Unnamed, typed by the template's extension (the profile it was loaded with).
            memo.SetTemplateExt(std::filesystem::path(templateName).extension().string());
            memo.SetFileName(TViewOf::This, {});
            memo.SetModified(false);
        } else if (loaded) {
            AddRecent(memo);
        }
    }
    RefreshTabs();
    QApplication::restoreOverrideCursor();
    return child;
}

bool TPMMainForm::FindOpenDocument(const std::string& fileName, const std::string& charset,
                                   const std::string& surrogate, int uniRepr) {
    for (TMDIChild* child : Children()) {
        TuniMemo& memo = child->Memo();
        if (memo.FileName().empty() || !SameDocumentFile(memo.FileName(), fileName)) {
            continue;
        }
        const TYesNoCancel answer =
            AskYesNoCancel(this, Text("Messages", "Confirm"),
                           Format("Messages", "AlreadyOpenMsg", QStringFromFileName(fileName)));
        if (answer == TYesNoCancel::Yes) {
            ApplyCodec(memo, charset, surrogate, uniRepr);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            memo.LoadFile();
            QApplication::restoreOverrideCursor();
            mdi_->setActiveSubWindow(child);
            AddRecent(memo);
        } else if (answer == TYesNoCancel::No) {
            const TTextCodec& codec = memo.Codec();
            OpenDocument(memo.FileName(), {}, &memo, static_cast<int>(codec.uniRepr),
                         codec.surrogate, codec.charset);
        } else {
            mdi_->setActiveSubWindow(child);
        }
        return true;
    }
    return false;
}

void TPMMainForm::OpenCommandLine(const std::vector<std::string>& args) {
    OpenCommandFiles(ParseCommandArguments(args));
}

void TPMMainForm::OpenCommandFiles(const std::vector<TCommandLineFile>& files) {
    for (const TCommandLineFile& file : files) {
        OpenDocument(file.fileName, {}, nullptr, file.uniRepr, file.surrogate, file.charset);
        // The next Open starts from what the command line asked for.
        openDialog_->SetCharSet(QStringFromUtf8(file.charset));
        openDialog_->SetSurrogate(QStringFromUtf8(file.surrogate));
        openDialog_->SetUniRepr(file.uniRepr);
    }
    if (files.empty()) {
        TMDIChild* child = OpenDocument({});
        child->SetPlaceholder(true);
    }
}

QString TPMMainForm::ChooseFile(bool save, const QString& initial) {
    if (FileDialogResponder()) {
        return FileDialogResponder()(save, initial);
    }
    TuniOpenDialog& dialog = save ? *saveDialog_ : *openDialog_;
    const QFileInfo info(initial);
    if (initial.isEmpty() || info.isDir()) {
        if (!initial.isEmpty()) {
            dialog.setDirectory(initial);
        }
        dialog.selectFile(QString());
    } else {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void TPMMainForm::ApplyDialogTexts() {
    TDialogCaptions captions;
    for (int i = 0; i < kMsgDlgButtonCount; ++i) {
        const TMsgDlgBtn button = MsgDlgButtonAt(i);
        captions.Button(button) = Text("Dialogs", MsgDlgButtonName(button));
    }
    captions.warning = Text("Messages", "Warning");
    captions.error = Text("Messages", "Error");
    captions.information = Text("Messages", "Information");
    captions.confirm = Text("Messages", "Confirm");
    SetDialogCaptions(captions);

    TFileDialogCaptions files;
    files.charset = Text("Dialogs", "Charset");
    files.surrogate = Text("Dialogs", "Surrogate");
    files.uniRepr = Text("Dialogs", "UniRepr");
    files.eol = Text("Dialogs", "EOL");
    files.folder = Text("Dialogs", "Folder");
    files.fileName = Text("Dialogs", "FileName");
    files.filter = Text("Dialogs", "Filter");
    files.cancel = captions.cancel;
    files.accept = Text("Dialogs", "Open");
    files.title = Text("Dialogs", "OpenTitle");
    if (files.title.isEmpty()) {
        files.title = QStringFromU16(texts_.Hint("Open"));
    }
    openDialog_->SetCaptions(files);
    files.accept = Text("Dialogs", "Save");
    files.title = Text("Dialogs", "SaveTitle");
    if (files.title.isEmpty()) {
        files.title = QStringFromU16(texts_.Hint("SaveAs"));
    }
    saveDialog_->SetCaptions(files);

    TPropertiesCaptions properties;
    properties.title = Text("Dialogs", "Properties");
    properties.charset = files.charset;
    properties.surrogate = files.surrogate;
    properties.uniRepr = files.uniRepr;
    properties.eol = files.eol;
    properties.syntax = Text("Dialogs", "Syntax");
    properties.ok = captions.ok;
    properties.cancel = captions.cancel;
    properties_->SetCaptions(properties);

    // The structure view's hints name the keys bound to the same commands.
    const auto hint = [this](const char* key, const char* action) {
        QString text = Text("Browser", key);
        if (const auto it = shortcutTexts_.find(action);
            it != shortcutTexts_.end() && !it->second.empty()) {
            text += QStringLiteral(" (") + QStringFromUtf8(it->second) + QLatin1Char(')');
        }
        return text;
    };
    strucFrame_->SetTexts(hint("Refresh", "RefreshStruc"), hint("Synchronize", "SyncStruc"),
                          hint("FindWord", "FindWordInStruc"), Text("Browser", "Failed"));

    const QStringList charsets = Names(session_.Settings().charsetLists.charsets);
    const QStringList surrogates = Names(session_.Settings().charsetLists.surrogates);
    openDialog_->SetConfiguredNames(charsets, surrogates);
    saveDialog_->SetConfiguredNames(charsets, surrogates);
    properties_->SetConfiguredNames(charsets, surrogates);
    ApplyInterfaceFont();
}

void TPMMainForm::Open() {
    // The save dialog starts from "Default" again.
    saveDialog_->SetCharSet(QStringLiteral("Default"));
    saveDialog_->SetSurrogate(QStringLiteral("-"));
    const std::string folder = ReadRecentFolder(session_.Folder());
    const QString name = ChooseFile(false, QStringFromFileName(folder));
    if (name.isEmpty()) {
        return;
    }
    const std::string fileName = FileNameFromQString(name);
    const std::string charset = Utf8FromQString(openDialog_->CharSet());
    const std::string surrogate = Utf8FromQString(openDialog_->Surrogate());
    const int uniRepr = openDialog_->UniRepr();
    if (!FindOpenDocument(fileName, charset, surrogate, uniRepr)) {
        OpenDocument(fileName, {}, nullptr, uniRepr, surrogate, charset);
    }
}

// --- encodings -------------------------------------------------------------------------------

TPMMainForm::TLossAnswer TPMMainForm::ConfirmLoss(TuniMemo& memo) {
    const TTextCodec& codec = memo.Codec();
    const TSaveLoss loss = codec.FindSaveLoss(memo.Lines());
    if (loss.count == 0) {
        return TLossAnswer::Save;
    }
    const std::string charset = SameName(codec.charset, QStringLiteral("Default"))
                                    ? codec.profile.defaultCharset
                                    : codec.charset;
    const QString code =
        QStringLiteral("%1").arg(static_cast<unsigned>(loss.character), 4, 16, QLatin1Char('0'));
    const QString character =
        QStringLiteral("\"%1\" (U+%2)").arg(QString::fromUcs4(&loss.character, 1), code.toUpper());
    const QString text = Text("Messages", "LossMsg")
                             .arg(loss.count)
                             .arg(QStringFromUtf8(charset), character)
                             .arg(loss.line + 1)
                             .arg(loss.column + 1);
    TMsgDlgOptions options;
    options.captions[TMsgDlgBtn::Ignore] = Text("Messages", "LossSave");
    options.captions[TMsgDlgBtn::Retry] = Text("Messages", "LossSaveAs");
    // Retry (another encoding) is the default: Enter loses nothing.
    switch (UniMessageDlg(this, text, TMsgDlgType::Warning,
                          TMsgDlgBtn::Retry | TMsgDlgBtn::Ignore | TMsgDlgBtn::Cancel, options)) {
    case TMsgDlgBtn::Ignore:
        return TLossAnswer::Save;
    case TMsgDlgBtn::Retry:
        return TLossAnswer::SaveAs;
    default:
        return TLossAnswer::Cancel;
    }
}

void TPMMainForm::Properties() {
    TMDIChild* child = ActiveChild();
    if (child == nullptr) {
        return;
    }
    TuniMemo& memo = child->Memo();
    TTextCodec& codec = memo.Codec();
    const bool named = !memo.FileName().empty();
    TFormProperties& dialog = *properties_;
    dialog.Preset(QStringFromUtf8(codec.charset), QStringFromUtf8(codec.surrogate),
                  static_cast<int>(codec.uniRepr), codec.lineSeparator, named && memo.Modified());
    QStringList syntaxTitles;
    int syntaxIndex = -1;
    if (const TColorerClass* colorer = memo.Colorer()) {
        std::vector<std::string> titles;
        syntaxIndex = colorer->ListFileTypes(titles);
        for (const std::string& title : titles) {
            syntaxTitles.append(QStringFromUtf8(title));
        }
    }
    dialog.PresetSyntax(syntaxTitles, syntaxIndex);
    bool accepted = false;
    if (const auto& responder = PropertiesResponder()) {
        dialog.PrepareLists();
        accepted = responder(dialog);
    } else {
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted) {
        return;
    }
    const std::string charset = Utf8FromQString(dialog.Charset());
    const std::string surrogate = Utf8FromQString(dialog.Surrogate());
    const auto uniRepr = static_cast<TUniRepr>(dialog.UniRepr());
    const TLineSeparator separator = SeparatorAt(dialog.LineSeparator());
    if (syntaxIndex >= 0 && dialog.Syntax() != syntaxTitles[syntaxIndex] &&
        memo.PickColorerType(Utf8FromQString(dialog.Syntax()))) {
        child->MemoWidget().RepaintWhole();
    }
    const bool encodingChanged = !SameName(codec.charset, dialog.Charset()) ||
                                 !SameName(codec.surrogate, dialog.Surrogate()) ||
                                 codec.uniRepr != uniRepr;
    if (!encodingChanged && separator == codec.lineSeparator) {
        return;
    }
    if (encodingChanged) {
        memo.Document().SetEncoding(charset, surrogate, uniRepr);
        codec.uniReprChosen = true;
        if (named && !memo.Modified()) {
            // Read again as the user now says it is written, where the caret stood.
            const TPoint caret = memo.Caret();
            QApplication::setOverrideCursor(Qt::WaitCursor);
            memo.LoadFile();
            QApplication::restoreOverrideCursor();
            memo.GotoPosition(caret.X, caret.Y);
            AddRecent(memo);
        }
    }
    if (separator != codec.lineSeparator) {
        memo.SetDocumentSeparator(separator); // one undo step, in every view
    }
    memo.UpdateView();
    child->MemoWidget().RepaintWhole();
}

bool TPMMainForm::SaveDocument(TMDIChild& child) {
    TuniMemo& memo = child.Memo();
    if (memo.FileName().empty()) {
        return SaveDocumentAs(child);
    }
    // A file another program removed is written again even from an unchanged text.
    if (!memo.Modified() && memo.Document().DiskChange() != TDiskChange::Removed) {
        return true;
    }
    switch (ConfirmLoss(memo)) {
    case TLossAnswer::SaveAs:
        return SaveDocumentAs(child);
    case TLossAnswer::Cancel:
        return false;
    case TLossAnswer::Save:
        break;
    }
    const bool saved = SaveMemo(memo, {});
    if (saved) {
        AddRecent(memo);
    }
    RefreshTabs();
    return saved;
}

bool TPMMainForm::SaveDocumentAs(TMDIChild& child) {
    TuniMemo& memo = child.Memo();
    TTextCodec& codec = memo.Codec();
    QString name;
    for (;;) {
        TuniSaveDialog& dialog = *saveDialog_;
        dialog.SetCharSet(QStringFromUtf8(codec.charset));
        dialog.SetSurrogate(QStringFromUtf8(codec.surrogate));
        dialog.SetUniRepr(static_cast<int>(codec.uniRepr));
        dialog.SetEOL(SeparatorIndex(codec.lineSeparator));
        QString initial = name;
        if (initial.isEmpty()) {
            initial = memo.FileName().empty() && !memo.TemplateExt().empty()
                          ? QLatin1Char('*') + QStringFromUtf8(memo.TemplateExt())
                          : QStringFromFileName(memo.FileName());
        }
        name = ChooseFile(true, initial);
        if (name.isEmpty()) {
            return false;
        }
        const std::string oldCharset = codec.charset;
        const std::string oldSurrogate = codec.surrogate;
        const TUniRepr oldRepr = codec.uniRepr;
        const std::string charset = Utf8FromQString(dialog.CharSet());
        const std::string surrogate = Utf8FromQString(dialog.Surrogate());
        const auto uniRepr = static_cast<TUniRepr>(dialog.UniRepr());
        // Tried on the codec for the question, set through the document once chosen.
        codec.charset = charset;
        codec.surrogate = surrogate;
        codec.uniRepr = uniRepr;
        const TLossAnswer answer = ConfirmLoss(memo);
        codec.charset = oldCharset;
        codec.surrogate = oldSurrogate;
        codec.uniRepr = oldRepr;
        if (answer == TLossAnswer::Save) {
            memo.Document().SetEncoding(charset, surrogate, uniRepr);
            if (const TLineSeparator separator = SeparatorAt(dialog.EOL());
                separator != codec.lineSeparator) {
                memo.SetDocumentSeparator(separator);
            }
            break;
        }
        if (answer == TLossAnswer::Cancel) {
            return false;
        }
    }
    const bool saved = SaveMemo(memo, FullPath(FileNameFromQString(name)));
    if (saved) {
        child.setWindowTitle(DocumentTitle(memo));
        AddRecent(memo);
    }
    RefreshTabs();
    return saved;
}

bool TPMMainForm::SaveMemo(TuniMemo& memo, const std::string& fileName) {
    if (!ConfirmDiskOverwrite(memo, fileName)) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool saved = memo.SaveToFile(fileName);
    QApplication::restoreOverrideCursor();
    if (!saved && memo.LastSave().readOnly) {
        const QString name = QStringFromFileName(fileName.empty() ? memo.FileName() : fileName);
        if (AskYesNoCancel(this, Text("Messages", "Confirm"),
                           Format("Messages", "ReadOnlyMsg", name)) == TYesNoCancel::Yes) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            saved = memo.SaveToFile(fileName, {.overwriteReadOnly = true});
            QApplication::restoreOverrideCursor();
        }
    }
    return saved;
}

void TPMMainForm::OfferRecovery() {
    for (const TLeftoverCopy& left : FindLeftoverCopies()) {
        const QString text = Format("Messages", "RecoverMsg", QStringFromFileName(left.original)) +
                             QStringLiteral("\n") + QStringFromFileName(left.copy);
        const TYesNoCancel answer = AskYesNoCancel(this, Text("Messages", "Confirm"), text);
        if (answer == TYesNoCancel::Yes) {
            if (TWriteResult put = RestoreLeftoverCopy(left); !put.ok) {
                const std::u16string error = U16FromQString(QStringFromUtf8(put.error));
                TQtMessageBox(this).ShowMessage(error, error, TMessageKind::Error);
            }
        } else if (answer == TYesNoCancel::No) {
            DiscardLeftoverCopy(left);
        }
    }
}

// Another window that shows the same text keeps it open: closing this one loses nothing.
bool TPMMainForm::OtherViewOpen(const TMDIChild& child) const {
    for (TMDIChild* other : Children()) {
        if (other != &child && &other->Memo().Lines() == &child.Memo().Lines()) {
            return true;
        }
    }
    return false;
}

void TPMMainForm::SaveAll() {
    for (TMDIChild* child : Children()) {
        if (child->Memo().FileName().empty()) {
            SaveDocumentAs(*child);
        } else if (child->Memo().Modified()) {
            SaveDocument(*child);
        }
    }
}

void TPMMainForm::CloseActive() {
    if (TMDIChild* child = ActiveChild()) {
        child->close();
    }
}

void TPMMainForm::NewDocument() {
    OpenDocument({});
}

void TPMMainForm::Clone() {
    TMDIChild* active = ActiveChild();
    if (active == nullptr) {
        return;
    }
    TuniMemo& source = active->Memo();
    const TTextCodec& codec = source.Codec();
    TMDIChild* child = OpenDocument(source.FileName(), {}, &source, static_cast<int>(codec.uniRepr),
                                    codec.surrogate, codec.charset);
    child->Memo().GotoPosition(source.Caret().X, source.Caret().Y);
    child->Timer().start();
}

int TPMMainForm::StrucWidth() const {
    const QList<int> sizes = splitter_->sizes();
    const int width = sizes.value(splitter_->indexOf(strucFrame_));
    return width > 0 ? width : strucWidth_;
}

bool TPMMainForm::StrucCollapsed() const {
    return splitter_->sizes().value(splitter_->indexOf(strucFrame_), -1) == 0;
}

bool TPMMainForm::StrucLeft() const {
    return splitter_->indexOf(strucFrame_) == 0;
}

void TPMMainForm::SetStrucSizes(int strucWidth, int total) {
    const int documents = std::max(total - strucWidth, 1);
    splitter_->setSizes(StrucLeft() ? QList<int>{strucWidth, documents}
                                    : QList<int>{documents, strucWidth});
}

void TPMMainForm::SetStrucLeft(bool left) {
    if (left != StrucLeft()) {
        const QList<int> sizes = splitter_->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        const int width = StrucCollapsed() ? 0 : StrucWidth();
        splitter_->insertWidget(left ? 0 : 1, strucFrame_);
        SetStrucSizes(width, total);
    }
    // The documents take what the window gains and can never be folded away.
    const int documents = splitter_->indexOf(mdi_);
    splitter_->setStretchFactor(documents, 1);
    splitter_->setStretchFactor(1 - documents, 0);
    splitter_->setCollapsible(documents, false);
    splitter_->setCollapsible(1 - documents, true);
    if (QAction* item = MenuAction("StrucLeft")) {
        item->setChecked(left);
    }
}

void TPMMainForm::SaveBrowserSettings() {
    TIniFile ini(session_.Folder().PelmarIni());
    if (const TWriteResult put =
            WriteBrowserSettings(ini, StrucWidth(), StrucCollapsed(), StrucLeft());
        !put.ok) {
        // The program is closing; the layout is not worth a question now.
        std::fprintf(stderr, "pelmar: %s\n", put.error.c_str());
    }
}

void TPMMainForm::StructureCommand(std::string_view name) {
    if (StrucCollapsed()) {
        const QList<int> sizes = splitter_->sizes();
        SetStrucSizes(strucWidth_, sizes.value(0) + sizes.value(1));
    }
    TMDIChild* child = ActiveChild();
    if (child == nullptr) {
        return;
    }
    if (name == "RefreshStruc") {
        child->Structure().Refresh();
    } else if (name == "SyncStruc") {
        strucFrame_->Sync();
    } else if (name == "FindWordInStruc") {
        strucFrame_->FindWord();
    } else {
        strucFrame_->JumpToSelected();
    }
    TuniMemo& memo = child->Memo();
    if (memo.SelectionActive()) {
        memo.DropSelection();
        memo.UpdateView();
    }
}

void TPMMainForm::DocumentClosing(TMDIChild& child) {
    for (int i = 0; i < tabs_->count(); ++i) {
        if (tabs_->tabData(i).value<QMdiSubWindow*>() == &child) {
            tabs_->removeTab(i);
            break;
        }
    }
    if (tabs_->count() == 0) {
        tabs_->hide();
    }
    if (Children().size() <= 1) {
        ClearStatus();
    }
}

// --- tabs and the status bar -------------------------------------------------------------------

void TPMMainForm::RefreshTabs() {
    const std::u16string newFile = texts_.Text("Messages", "NewFile");
    for (int i = 0; i < tabs_->count(); ++i) {
        auto* child = dynamic_cast<TMDIChild*>(tabs_->tabData(i).value<QMdiSubWindow*>());
        if (child == nullptr) {
            continue;
        }
        const TuniMemo& memo = child->Memo();
        const QString caption =
            QStringFromU16(TabCaption(memo.Modified(), memo.FileName(), newFile));
        if (tabs_->tabText(i) != caption) {
            tabs_->setTabText(i, caption);
        }
        const QString title = DocumentTitle(memo);
        if (child->windowTitle() != title) {
            child->setWindowTitle(title);
        }
    }
}

// A panel is as wide as its text needs in the status bar's font, and never narrower than
// its usual width, so a long position ("808702 : 123 / 1260443") shows whole.
void TPMMainForm::SetPanel(int panel, const QString& text) {
    QLabel* label = panels_[static_cast<size_t>(panel)];
    if (label->text() == text) {
        return;
    }
    label->setText(text);
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->frameWidth() +
                       2 * label->margin() + label->fontMetrics().averageCharWidth() * 2;
    const int width = std::max(kPanelWidths[static_cast<size_t>(panel)], needed);
    if (label->width() != width || label->minimumWidth() != width) {
        label->setFixedWidth(width);
        if (panel == 0) {
            firstPanel_->setFixedWidth(width);
        }
    }
}

QString TPMMainForm::StatusText(int panel) const {
    return panels_[static_cast<size_t>(panel)]->text();
}

void TPMMainForm::ClearStatus() {
    firstPanel_->setCurrentIndex(0);
    for (int i = 0; i < kStatusPanels; ++i) {
        SetPanel(i, {});
    }
    if (QAction* wrap = MenuAction("Wrap0")) {
        wrap->setChecked(false);
    }
}

void TPMMainForm::ShowInfo(TuniMemo* editor, int column, bool refresh, char16_t code, int line) {
    firstPanel_->setCurrentIndex(0);
    TuniMemo* active = ActiveEditor();
    if (searchStatusEditor_ != nullptr &&
        (active != searchStatusEditor_ ||
         (editor == active && active->Caret() != searchStatusAt_))) {
        ClearSearchStatus();
    }
    if (editor == nullptr || active == nullptr) {
        ClearStatus();
        return;
    }
    if (editor != active) {
        return;
    }
    RefreshTabs();
    BuildToolMenus();
    const TTextCodec& codec = editor->Codec();
    const auto texts = StatusPanelTexts({editor->Modified(), column, line, editor->Lines().Count(),
                                         code, editor->WordWrap(), codec.charset, codec.surrogate,
                                         static_cast<int>(codec.uniRepr), codec.lineSeparator});
    for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
        SetPanel(i, QStringFromU16(texts[static_cast<size_t>(i)]));
    }
    if (QAction* wrap = MenuAction("Wrap0")) {
        wrap->setChecked(editor->WordWrap());
    }
    if (refresh) {
        statusBar()->repaint();
    }
}

void TPMMainForm::ShowProgress(std::int64_t max, std::int64_t position) {
    // A QProgressBar counts in int: large files are shown in kilobytes.
    const int shift = max > 0x3FFFFFFF ? 10 : 0;
    progress_->setRange(0, static_cast<int>(max >> shift));
    progress_->setValue(static_cast<int>(position >> shift));
    firstPanel_->setCurrentIndex(1);
    progress_->repaint();
}

// --- idle processing ---------------------------------------------------------------------------

void TPMMainForm::Idle() {
    if (closing_) {
        return;
    }
    const Qt::KeyboardModifiers mods = QApplication::queryKeyboardModifiers();
    for (TMDIChild* child : Children()) {
        child->Memo().IdleStep((mods & Qt::ControlModifier) != 0, (mods & Qt::ShiftModifier) != 0);
    }
    UpdateEnabling();
}

void TPMMainForm::UpdateEnabling() {
    const TuniMemo* memo = ActiveEditor();
    const bool active = memo != nullptr;
    const bool selected = active && memo->HasSelectedText();
    const auto enable = [this](std::string_view command, bool on) {
        if (QAction* a = MenuAction(command); a != nullptr && a->isEnabled() != on) {
            a->setEnabled(on);
        }
    };
    for (const char* c : {"Cut", "Copy0", "Delete0"}) {
        enable(c, selected);
    }
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    enable("Paste", active && clip != nullptr && !clip->formats().isEmpty());
    for (const char* c : {"Find", "Replace", "SearchAgain", "SearchBack"}) {
        enable(c, active);
    }
    enable("Undo", active && memo->CanUndo());
    enable("Redo", active && memo->CanRedo());
    enable("Properties", active);
    enable("New21", templateMenu_ != nullptr && !templateMenu_->isEmpty());
    enable("Compiler", active && compilerMenu_ != nullptr && !compilerMenu_->isEmpty());
    enable("Filter", active && filterMenu_ != nullptr && !filterMenu_->isEmpty());
    for (const char* c :
         {"Save",       "SaveAs",     "SaveAll", "Close0", "SelectAll",  "ToLower",
          "ToUpper",    "To_Kbd1",    "To_Kbd2", "Wrap0",  "WordSearch", "WordSearchBack",
          "GotoLine",   "SearchPair", "TileH",   "TileV",  "Cascade0",   "Clone0",
          "SpellCheck", "PageSetup",  "Print"}) {
        enable(c, active);
    }
    CheckSpellLanguageItem();
    UpdateWindowBand();
}

// --- events ------------------------------------------------------------------------------------

bool TPMMainForm::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    QStatusBar* status = statusBar();
    if (widget != nullptr && (widget == status || status->isAncestorOf(widget))) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            RunGlobalAction("Properties");
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const auto* click = static_cast<QContextMenuEvent*>(event);
            const int x = widget->mapTo(status, click->pos()).x();
            RunGlobalAction(x > 100 ? "Properties" : "GotoLine");
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPMMainForm::keyPressEvent(QKeyEvent* e) {
    // Without a document the global keys still reach the main window's commands.
    // (With a document its editor has looked the key up already.)
    const int vk = VirtualKeyOf(e->key(), e->modifiers());
    if (vk != 0 && globalKeys_ && ActiveEditor() == nullptr) {
        const auto key = static_cast<TShortCut>(vk | ShiftStateOf(e->modifiers()));
        if (TUniAction* action = globalKeys_->FindBinding(key)) {
            action->Perform();
            e->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(e);
}

void TPMMainForm::closeEvent(QCloseEvent* e) {
    // A tool's run waits on this window's stack: it is stopped from its dialog first.
    if (toolRunning_) {
        e->ignore();
        return;
    }
    // Once per document, however many windows show it.
    std::vector<const TWStringList*> asked;
    for (TMDIChild* child : Children()) {
        const TWStringList* document = &child->Memo().Lines();
        if (std::find(asked.begin(), asked.end(), document) != asked.end()) {
            continue;
        }
        asked.push_back(document);
        if (child->ClosePrompt(TCloseScope::Document) == TCloseAnswer::Keep) {
            e->ignore();
            return;
        }
    }
    closing_ = true;
    StopHandOvers(); // a later start runs on its own now
    for (TMDIChild* child : Children()) {
        child->Timer().stop();
    }
    SaveBrowserSettings();
    SaveBandLayout();
    SaveWindowGeometry();
    if (spell_) {
        spell_->Stop();
    }
    e->accept();
}

void TPMMainForm::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) {
        e->acceptProposedAction();
    }
}

void TPMMainForm::dropEvent(QDropEvent* e) {
    for (const QUrl& url : e->mimeData()->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const std::string name = FileNameFromQString(url.toLocalFile());
        if (!FindOpenDocument(name, "Default", "-")) {
            OpenDocument(name);
        }
    }
    e->acceptProposedAction();
}
