// The main window's tool bars: the menu band, the file, edit, search and run bands, and the
// window band with the active document's minimize, maximize and close buttons.
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <algorithm>
#include <cstdio>

#include "platform/qt/qtConvert.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/uniConfig.h"

namespace {

// A band's buttons: the menu command, its icon's name in the desktop's icon theme (a file
// of that name in the program folder's Icons/ stands in when the theme has none), and the
// menu it drops down, if any.
struct TBandButton {
    const char* command;
    const char* icon;
};

constexpr TBandButton kFileBand[] = {
    {"NewFile", "document-new"},      {"Open", "document-open"},    {"Save", "document-save"},
    {"SaveAll", "document-save-all"}, {"Close0", "document-close"}, {"Print", "document-print"},
};
constexpr TBandButton kEditBand[] = {
    {"Undo", "edit-undo"},  {"Redo", "edit-redo"},   {"Cut", "edit-cut"},
    {"Copy0", "edit-copy"}, {"Paste", "edit-paste"}, {"Wrap0", "format-text-wrap"},
};
constexpr TBandButton kSearchBand[] = {
    {"Find", "edit-find"},   {"Replace", "edit-find-replace"}, {"SearchAgain", "go-down-search"},
    {"GotoLine", "go-jump"}, {"RefreshStruc", "view-refresh"},
};
constexpr TBandButton kRunBand[] = {
    {"Compiler", "system-run"},
    {"Filter", "view-filter"},
    {"SpellCheck", "tools-check-spelling"},
};

// The band titles are the plain captions of the menus the bands go with.
constexpr const char* kBandTitle[] = {"Windows", nullptr, "Files", "Edit", "Search", "Run"};

// A maximized document window has no title bar: the window band holds its buttons.
class TDocumentWindowStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TitleBarHeight && widget != nullptr && widget->isMaximized() &&
            qobject_cast<const QMdiSubWindow*>(widget) != nullptr) {
            return 0;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

QStyle* TPMMainForm::DocumentWindowStyle() {
    if (documentStyle_ == nullptr) {
        documentStyle_ = new TDocumentWindowStyle;
        documentStyle_->setParent(this);
    }
    return documentStyle_;
}

void TPMMainForm::MakeBands() {
    setContextMenuPolicy(Qt::NoContextMenu); // the bands are laid out by the Tools setting
    for (size_t n = 0; n < bands_.size(); ++n) {
        auto* band = new QToolBar(this);
        band->setObjectName(n == 0 ? QStringLiteral("WindowBand")
                                   : QStringLiteral("Band%1").arg(n));
        band->setMinimumHeight(26);
        band->setIconSize(QSize(16, 16));
        band->setFloatable(false);
        band->setAllowedAreas(Qt::TopToolBarArea);
        bands_[n] = band;
    }
    menus_ = new QMenuBar(bands_[1]);
    menus_->setNativeMenuBar(false); // it stays in its band
    bands_[1]->addWidget(menus_);

    const auto windowButton = [this](const char* icon, auto slot) {
        QAction* action = bands_[0]->addAction(BandIcon(icon), QString());
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    winMinimize_ = windowButton("window-minimize", [this] {
        if (QMdiSubWindow* w = mdi_->activeSubWindow()) {
            w->isMinimized() ? w->showNormal() : w->showMinimized();
        }
    });
    winMaximize_ = windowButton("window-maximize", [this] {
        if (QMdiSubWindow* w = mdi_->activeSubWindow()) {
            w->isMaximized() ? w->showNormal() : w->showMaximized();
        }
    });
    winClose_ = windowButton("window-close", [this] { CloseActive(); });
    bands_[0]->setMovable(false);
}

QIcon TPMMainForm::BandIcon(const char* name) const {
    const QString file = QStringFromFileName(Folder().Path(std::string("Icons/") + name + ".svg"));
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QFileInfo::exists(file) ? QIcon(file) : QIcon());
}

QToolBar* TPMMainForm::Band(int number) const {
    return number >= 0 && number < static_cast<int>(bands_.size())
               ? bands_[static_cast<size_t>(number)]
               : nullptr;
}

void TPMMainForm::LayOutBands(const std::string& tools) {
    std::vector<TToolBand> bands = ParseToolBands(tools);
    // Without its band the menu could not be reached at all.
    if (std::none_of(bands.begin(), bands.end(),
                     [](const TToolBand& b) { return b.number == 1; })) {
        bands.insert(bands.begin(), TToolBand{1, false});
    }
    for (QToolBar* band : bands_) {
        removeToolBarBreak(band);
        removeToolBar(band);
    }
    bool first = true;
    for (const TToolBand& b : ToolBandLayout(bands)) {
        QToolBar* band = bands_[static_cast<size_t>(b.number)];
        if (b.newRow && !first) {
            addToolBarBreak(Qt::TopToolBarArea);
        }
        addToolBar(Qt::TopToolBarArea, band);
        band->show();
        first = false;
    }
    laidOutBands_ = FormatToolBands(bands);
}

std::string TPMMainForm::BandLayout() const {
    struct TPlaced {
        int number;
        QRect at;
    };
    std::vector<TPlaced> placed;
    for (int n = 1; n < static_cast<int>(bands_.size()); ++n) {
        QToolBar* band = bands_[static_cast<size_t>(n)];
        if (!band->isHidden() && toolBarArea(band) == Qt::TopToolBarArea) {
            placed.push_back({n, band->geometry()});
        }
    }
    // Before the window is laid out the bands have no places yet: they stand as set.
    if (std::all_of(placed.begin(), placed.end(),
                    [](const TPlaced& p) { return p.at.isEmpty(); })) {
        return laidOutBands_;
    }
    std::sort(placed.begin(), placed.end(), [](const TPlaced& a, const TPlaced& b) {
        return a.at.top() != b.at.top() ? a.at.top() < b.at.top() : a.at.left() < b.at.left();
    });
    std::vector<TToolBand> bands;
    for (size_t i = 0; i < placed.size(); ++i) {
        const bool newRow = i > 0 && placed[i].at.top() != placed[i - 1].at.top();
        bands.push_back({placed[i].number, newRow});
    }
    return FormatToolBands(bands);
}

void TPMMainForm::SaveBandLayout() {
    const std::string layout = BandLayout();
    if (layout == session_.Settings().window.tools) {
        return;
    }
    TIniFile ini(Folder().PelmarIni());
    ini.BeginUpdate();
    ini.WriteStringA(kCommonSection, "Tools", layout);
    if (const TWriteResult put = ini.EndUpdate(); !put.ok) {
        std::fprintf(stderr, "pelmar: %s\n", put.error.c_str());
    }
}

QToolButton* TPMMainForm::ToolButton(std::string_view command) const {
    const auto it = toolButtons_.find(command);
    return it == toolButtons_.end() ? nullptr : it->second;
}

void TPMMainForm::FillBands() {
    for (auto& [command, button] : toolButtons_) {
        for (QToolBar* band : bands_) {
            for (QAction* action : band->actions()) {
                if (auto* holder = qobject_cast<QWidgetAction*>(action);
                    holder != nullptr && holder->defaultWidget() == button) {
                    band->removeAction(holder);
                    delete holder; // and the button it holds
                }
            }
        }
    }
    toolButtons_.clear();
    const auto fill = [&](int number, const auto& buttons) {
        QToolBar* band = bands_[static_cast<size_t>(number)];
        for (const TBandButton& b : buttons) {
            QAction* action = MenuAction(b.command);
            if (action == nullptr) {
                continue;
            }
            action->setIcon(BandIcon(b.icon));
            auto* button = new QToolButton(band);
            button->setObjectName(QString::fromLatin1(b.command));
            button->setAutoRaise(true);
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            button->setDefaultAction(action);
            // The hint: the caption's plain text and the key bound to the command.
            QString hint = action->text();
            const qsizetype tab = hint.indexOf(QLatin1Char('\t'));
            const QString key = tab >= 0 ? hint.mid(tab + 1) : QString();
            hint = hint.left(tab >= 0 ? tab : hint.size());
            hint.remove(QRegularExpression(QStringLiteral("&(?!&)")));
            hint.replace(QStringLiteral("&&"), QStringLiteral("&"));
            if (!key.isEmpty()) {
                hint += QStringLiteral(" (") + key + QLatin1Char(')');
            }
            button->setToolTip(hint);
            if (action->menu() != nullptr) {
                button->setPopupMode(QToolButton::InstantPopup);
            }
            band->addWidget(button);
            toolButtons_[b.command] = button;
        }
    };
    fill(2, kFileBand);
    fill(3, kEditBand);
    fill(4, kSearchBand);
    fill(5, kRunBand);
    // New and Open drop their template and recent-file lists down beside the button.
    if (QToolButton* button = ToolButton("NewFile")) {
        button->setMenu(templateMenu_);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    if (QToolButton* button = ToolButton("Open")) {
        button->setMenu(reopenMenu_);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    if (QToolButton* button = ToolButton("Compiler")) {
        toolButtons_["Run"] = button;
        button->setToolTip(QStringFromU16(texts_.RunHint()));
    }
    for (size_t n = 0; n < bands_.size(); ++n) {
        if (kBandTitle[n] != nullptr) {
            bands_[n]->setWindowTitle(QStringFromU16(texts_.Hint(kBandTitle[n])));
        }
    }
    winMinimize_->setToolTip(QStringFromU16(texts_.Hint("Minimize")));
    winMaximize_->setToolTip(QStringFromU16(texts_.Hint("Maximize")));
    winClose_->setToolTip(QStringFromU16(texts_.Hint("Close")));
}

void TPMMainForm::UpdateWindowBand() {
    const bool any = !mdi_->subWindowList().isEmpty();
    for (QAction* a : {winMinimize_, winMaximize_, winClose_}) {
        if (a->isEnabled() != any) {
            a->setEnabled(any);
        }
    }
}

void TPMMainForm::DropMenu(QToolButton* button, QMenu* menu) {
    if (menu == nullptr || menu->isEmpty()) {
        return;
    }
    if (button != nullptr && button->isVisible()) {
        button->showMenu();
    } else {
        menu->popup(mdi_->mapToGlobal(QPoint(0, 0)));
    }
}
