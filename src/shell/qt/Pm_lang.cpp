// The main window's templates, interface languages and configuration-file commands.
#include <QActionGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTranslator>

#include <cstdio>
#include <filesystem>

#include "editor/uniMemo.h"
#include "lang/uniLangIni.h"
#include "platform/qt/qtConvert.h"
#include "search/qt/uniSearchForms.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "spell/qt/uniSpellDlg.h"
#include "widgets/uniFileDialogs.h"
#include "widgets/uniMsgDlg.h"

// --- templates -------------------------------------------------------------------------------

void TPMMainForm::BuildTemplateMenu() {
    templateMenu_->clear();
    const auto& templates = texts_.Templates();
    for (size_t i = 0; i < templates.size(); ++i) {
        const TDrawnCaption caption =
            DrawnCaption(TemplateItemCaption(static_cast<int>(i) + 1, templates[i].name));
        QAction* item = templateMenu_->addAction(QStringFromU16(MnemonicText(caption)));
        item->setData(static_cast<int>(100 + i));
        const std::string key = templates[i].key;
        connect(item, &QAction::triggered, this, [this, key] { NewFromTemplate(key); });
    }
    templateMenu_->setEnabled(!templateMenu_->isEmpty());
}

TMDIChild* TPMMainForm::NewFromTemplate(const std::string& key) {
    const TTemplateInfo info = FindTemplate(Folder(), key);
    std::error_code ec;
    if (info.path.empty() || !std::filesystem::is_regular_file(info.path, ec)) {
        const std::string named = info.path.empty() ? "Templates/templates.ini: " + key : info.path;
        UniMessageDlg(this, Format("Messages", "TemplateMissingMsg", QStringFromFileName(named)),
                      TMsgDlgType::Error, TMsgDlgBtn::OK);
        return nullptr;
    }
    const std::string charset = info.charset.empty() ? "Default" : info.charset;
    const std::string surrogate = info.surrogate.empty() ? "-" : info.surrogate;
    // The next Save As offers the template's encoding.
    SaveDialog().SetCharSet(QStringFromUtf8(charset));
    SaveDialog().SetSurrogate(QStringFromUtf8(surrogate));
    return OpenDocument({}, info.path, nullptr, 0, surrogate, charset);
}

// --- languages -------------------------------------------------------------------------------

void TPMMainForm::BuildLanguageMenu() {
    languageMenu_->clear();
    auto* group = new QActionGroup(languageMenu_);
    const TLanguageList& languages = session_.Settings().languages;
    for (size_t i = 0; i < languages.entries.size(); ++i) {
        const TLanguageEntry& entry = languages.entries[i];
        QString caption = QStringFromU16(entry.displayName);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = languageMenu_->addAction(caption);
        item->setCheckable(true);
        item->setChecked(entry.baseName == language_);
        item->setData(static_cast<int>(i));
        const QString flag = QStringFromFileName(Folder().Path("Lang/" + entry.baseName + ".png"));
        if (QFileInfo::exists(flag)) {
            item->setIcon(QIcon(flag));
        }
        group->addAction(item);
        const int index = static_cast<int>(i);
        connect(item, &QAction::triggered, this, [this, index] { SwitchLanguage(index); });
    }
    languageMenu_->setEnabled(!languageMenu_->isEmpty());
}

void TPMMainForm::SwitchLanguage(int index) {
    const TLanguageList& languages = session_.Settings().languages;
    if (index < 0 || index >= static_cast<int>(languages.entries.size())) {
        return;
    }
    const std::string base = languages.entries[static_cast<size_t>(index)].baseName;
    {
        TIniFile ini(Folder().PelmarIni());
        if (const TWriteResult put = WriteDefaultLanguage(ini, base); !put.ok) {
            // The switch still happens; only the next start will not remember it.
            UniMessageDlg(this, QStringFromUtf8(put.error), TMsgDlgType::Warning, TMsgDlgBtn::OK);
        }
    }
    const Qt::WindowStates state = windowState();
    LoadSettings(false);
    if (language_ != base) {
        // The file went missing since the list was read: the texts stay as they were.
        language_ = base;
        ApplyLanguageFile(texts_, Folder().Path("Lang/" + base + ".ini"));
    }
    BuildMenus();
    ApplyTexts();
    setWindowState(state);
}

void TPMMainForm::ApplyToolkitLanguage() {
    const QString locale = Text("Language", "Locale");
    if (locale == toolkitLocale_) {
        return;
    }
    toolkitLocale_ = locale;
    if (toolkitTranslator_ != nullptr) {
        QCoreApplication::removeTranslator(toolkitTranslator_.get());
        toolkitTranslator_.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    // English needs none; a language without the toolkit's translation keeps its English.
    if (!locale.isEmpty() && locale != QStringLiteral("en") &&
        translator->load(QStringLiteral("qtbase_") + locale,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        toolkitTranslator_ = std::move(translator);
    }
}

void TPMMainForm::ApplyTexts() {
    ApplyToolkitLanguage();
    ApplyDialogTexts();
    searchForm_->ApplyTexts(texts_);
    replaceForm_->ApplyTexts(texts_);
    gotoForm_->ApplyTexts(texts_);
    if (spellDlg_ != nullptr) {
        spellDlg_->ApplyTexts(texts_);
    }
    for (TMDIChild* child : Children()) {
        child->setWindowTitle(DocumentTitle(child->Memo()));
    }
    RefreshTabs();
    if (searchStatusText_) {
        searchPanel_->setText(searchStatusText_());
    }
}

// --- configuration files ---------------------------------------------------------------------

void TPMMainForm::BuildConfigMenu(QMenu* options) {
    QMenu* files = options->addMenu(QStringFromU16(MnemonicText(texts_.Caption("ConfigFiles"))));
    files->setObjectName(QStringLiteral("ConfigFilesMenu"));
    menuActions_["ConfigFiles"] = files->menuAction();
    struct TIniCommand {
        const char* command;
        const char* file;
    };
    static constexpr TIniCommand kIniFiles[] = {
        {"PelmarIni", "pelmar.ini"},   {"FilesIni", "files.ini"}, {"SubstIni", "subst.ini"},
        {"ActionsIni", "actions.ini"}, {"KeysIni", "keys.ini"},   {"FiltersIni", "filters.ini"},
    };
    for (const TIniCommand& c : kIniFiles) {
        const std::string file = c.file;
        AddCommand(files, c.command, c.command, nullptr, [this, file] { OpenConfigFile(file); });
    }
    files->addSeparator();
    AddCommand(files, "CompileDir", "CompileDir", nullptr,
               [this] { OpenFromConfigFolder("Compile"); });
    AddCommand(files, "StrucDir", "StrucDir", nullptr, [this] { OpenFromConfigFolder("Struc"); });
}

void TPMMainForm::OpenConfigFile(const std::string& name) {
    OpenDocument(Folder().Path("Ini/" + name), {}, nullptr, 1, "-", "Default");
}

void TPMMainForm::OpenFromConfigFolder(const std::string& folder) {
    const QString name = ChooseFile(false, QStringFromFileName(Folder().Path(folder)));
    if (name.isEmpty()) {
        return;
    }
    const std::string fileName = FileNameFromQString(name);
    if (!FindOpenDocument(fileName, "Default", "-", 0)) {
        OpenDocument(fileName, {}, nullptr, 0, "-", "Default");
    }
}
