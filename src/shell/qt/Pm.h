// The main window: the document windows with their tab row, the menus, the status bar,
// the start-up sequence, opening, saving and closing documents, the recent files.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions/uniActions.h"
#include "actions/uniKeymap.h"
#include "detect/uniDetect.h"
#include "lang/uniLang.h"
#include "search/uniSearch.h"
#include "shell/PmCommandLine.h"
#include "shell/PmSearch.h"
#include "shell/uniConfig.h"
#include "shell/uniInstance.h"
#include "shell/uniSession.h"
#include "shell/uniTools.h"
#include "spell/uniSpellLang.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QMenuBar;
class QStackedWidget;
class QStyle;
class QTabBar;
class QToolBar;
class QTranslator;
class QToolButton;
class TMDIChild;
class TuniMemo;
class TFormGoto;
class TformReplace;
class TformSearch;
class TFormProperties;
class TuniOpenDialog;
class TuniSaveDialog;
class QSplitter;
class TStrucFrame;
class TMainThreadQueue;
class TToolMessages;
class TSpellDlg;
class TSpellSession;
class TuniPageSetupDialog;
class QPrinter;
class THandOverListener;
class TfrmGeneralSetup;
class TfrmFilesSetup;

class TPMMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanels = 8;
    // The panels' usual widths; a longer text widens its panel.
    static constexpr std::array<int, kStatusPanels> kPanelWidths{130, 60, 60, 60, 85, 80, 50, 60};

    // Reads the settings, the interface texts, the global actions and keys and the
    // detection tables of the program folder.
    explicit TPMMainForm(const std::string& programFolder, QWidget* parent = nullptr);
    ~TPMMainForm() override;

    // --- documents ---------------------------------------------------------------------
    // Opens the files of a command line (the arguments after the program); without any,
    // the empty placeholder document.
    void OpenCommandLine(const std::vector<std::string>& args);
    void OpenCommandFiles(const std::vector<TCommandLineFile>& files);
    // A new document window: the file loaded, or a template, or empty, or a second view
    // of `source`'s document.
    TMDIChild* OpenDocument(const std::string& fileName, const std::string& templateName = {},
                            TuniMemo* source = nullptr, int uniRepr = 0,
                            const std::string& surrogate = "-",
                            const std::string& charset = "Default");
    // The already-open question; true when it dealt with the file.
    bool FindOpenDocument(const std::string& fileName, const std::string& charset,
                          const std::string& surrogate, int uniRepr = 0);
    bool SaveDocument(TMDIChild& child);
    bool SaveDocumentAs(TMDIChild& child);
    // At start-up: for each copy that a save cut short left in the recovery folder, asks
    // whether to put it back (Yes), throw it away (No) or ask again next time (Cancel).
    void OfferRecovery();
    // Whether another open window shows the document of `child`.
    bool OtherViewOpen(const TMDIChild& child) const;
    // Saves the document to `fileName` (empty: its own), asking before a read-only file
    // is replaced.
    bool SaveMemo(TuniMemo& memo, const std::string& fileName);
    // Before a save over the document's own file that another program changed since the
    // last load or save (Pm_disk.cpp): Overwrite (true), Reload (the file is read again,
    // false) or Cancel (false).
    bool ConfirmDiskOverwrite(TuniMemo& memo, const std::string& fileName);
    void SaveAll();
    void CloseActive();
    void NewDocument();
    void Clone();
    TMDIChild* ActiveChild() const;
    TuniMemo* ActiveEditor() const;
    std::vector<TMDIChild*> Children() const;
    QMdiArea& MdiArea() { return *mdi_; }
    QTabBar& Tabs() { return *tabs_; }
    // The structure view beside the documents, and the queue its passes report through.
    TStrucFrame& StrucFrame() { return *strucFrame_; }
    TMainThreadQueue& StrucQueue() { return *strucQueue_; }
    QSplitter& StrucSplitter() { return *splitter_; }
    // The structure view's width when shown (BrowserWidth), and whether it is collapsed.
    int StrucWidth() const;
    bool StrucCollapsed() const;
    // Whether the view stands left of the documents; moving it keeps its width.
    bool StrucLeft() const;
    void SetStrucLeft(bool left);
    // The structure view's commands: each shows a collapsed view again first, and clears
    // the active editor's selection after.
    void StructureCommand(std::string_view name);

    // --- what the document windows call ------------------------------------------------
    void DocumentClosing(TMDIChild& child);
    void RunGlobalAction(std::string_view name);
    void ShowInfo(TuniMemo* editor, int column, bool refresh, char16_t code, int line);
    void ShowProgress(std::int64_t max, std::int64_t position);
    // Idle processing: each document's idle step, then the menu commands' enabling.
    void Idle();

    // --- external tools (Pm_tools.cpp) ----------------------------------------------------
    // Runs the compile entry or filter `name` ("_" for blanks) of the document's type.
    void RunTool(TMDIChild& child, const std::string& name);
    void RunFilterTool(TMDIChild& child, const std::string& name);
    // Follows the message panel's current line to the place it names.
    void JumpToResult(bool keepFocus = false);
    // The Compiler and Filter menus for the active document's type (only when it changed).
    void BuildToolMenus();
    // The Run and Filter commands: the list of the active document's entries drops down.
    void DropToolMenu(bool compile);
    // Runs entry `i` of the active document's compile or filter list.
    void RunToolItem(bool compile, int i);
    TToolMessages& ToolPanel() { return *toolPanel_; }
    QMenu* CompilerMenu() const { return compilerMenu_; }
    QMenu* FilterMenu() const { return filterMenu_; }

    // --- help (Pm_help.cpp) ------------------------------------------------------------------
    // Help > Contents and F1: the manual of the interface language, Help/<language>/index.html
    // (the English one when that language has none), opened with the desktop's handler; a
    // message names the file when there is no manual or nothing could open it.
    void OpenHelp();
    // The manual OpenHelp opens, from the program folder or else from the installed copy of
    // the shipped data (a per-user folder seeded before the manuals shipped has none); empty
    // when there is none.
    std::string HelpFile() const;
    // Tests take the file instead of the desktop's handler; they return whether it opened.
    // Null: the desktop's handler.
    static void SetHelpOpener(std::function<bool(const QString& file)> opener);

    // --- later starts (Pm_instance.cpp) ---------------------------------------------------
    // Takes the command lines of later starts through `server` until the window closes.
    void ListenForHandOvers(std::unique_ptr<TInstanceServer> server);
    void StopHandOvers();
    // A later start's command line: its files open as the start-up's would (relative names
    // from the sender's folder), and the window comes to the front, restored if minimized.
    void ReceiveHandOver(const THandOver& message);

    // --- texts ----------------------------------------------------------------------------
    QString Text(std::string_view section, std::string_view key) const;
    QString Format(std::string_view section, std::string_view key, const QString& argument) const;
    QString DocumentTitle(const TuniMemo& memo) const;
    QString StatusText(int panel) const;
    const TUniLangTexts& Texts() const { return texts_; }
    const TConfigFolder& Folder() const { return session_.Folder(); }
    const TUniActionMap& GlobalActions() const { return *global_; }
    const TUniActionKeymap* GlobalKeys() const { return globalKeys_.get(); }
    QAction* MenuAction(std::string_view command) const;
    QMenu* FileMenu() const { return fileMenu_; }
    // The main menu; it stands in the first tool-bar band.
    QMenuBar* MenuBar() const { return menus_; }

    // --- templates, languages, configuration files (Pm_lang.cpp) -------------------------
    // A new unnamed document from the template of the language file's "templates" key
    // `key`: the text of its file in Templates/, its charset and surrogate, and its type.
    TMDIChild* NewFromTemplate(const std::string& key);
    QMenu* TemplateMenu() const { return templateMenu_; }
    // Switches the interface to the language at `index` of the language list: every text
    // of the menus, tool bars, tabs, status bar and dialogs follows at once, and the choice
    // goes into pelmar.ini.
    void SwitchLanguage(int index);
    // The base name of the language in use; empty for the built-in texts.
    const std::string& CurrentLanguage() const { return language_; }
    QMenu* LanguageMenu() const { return languageMenu_; }
    // Opens Ini/<name> of the program folder as a document (references decoded).
    void OpenConfigFile(const std::string& name);
    // The open dialog in a folder of the program folder ("Compile", "Struc"); the chosen
    // file is opened after the already-open check.
    void OpenFromConfigFolder(const std::string& folder);

    // --- tool bars (Pm_bands.cpp) --------------------------------------------------------
    // The band of `number` (1 menu, 2 file, 3 edit, 4 search, 5 run, 0 the window band).
    QToolBar* Band(int number) const;
    // The bands as they stand now, in the form of the "Tools" setting ("1,*2,3,4,5").
    std::string BandLayout() const;
    // Lays the bands out from a "Tools" value.
    void LayOutBands(const std::string& tools);
    // The tool button of a menu command on its band, if it has one.
    QToolButton* ToolButton(std::string_view command) const;

    // --- search ---------------------------------------------------------------------------
    // The Find, Replace and Go to line dialogs and the repeat commands, on the active
    // document; nothing while a dialog is open.
    void Find();
    void ReplaceText();
    void SearchAgain(bool backward);
    void GotoLine();
    TformSearch& SearchForm() const { return *searchForm_; }
    TformReplace& ReplaceForm() const { return *replaceForm_; }
    TFormGoto& GotoForm() const { return *gotoForm_; }
    // Where the last search stands ("3 of 17", the end reached); empty once the caret left
    // the match.
    QString SearchStatus() const;
    // The work the last status count did, in code units read.
    std::int64_t LastCountWork() const { return lastCountWork_; }

    // Tests answer the file dialogs: return the chosen name, or empty for Cancel. The
    // dialog's encoding values (OpenDialog(), SaveDialog()) are taken as they stand.
    static void SetFileDialogResponder(std::function<QString(bool save, const QString& initial)>);

    // --- encodings ------------------------------------------------------------------------
    TuniOpenDialog& OpenDialog() const { return *openDialog_; }
    TuniSaveDialog& SaveDialog() const { return *saveDialog_; }
    TFormProperties& PropertiesDialog() const { return *properties_; }
    // The properties dialog for the active document (Alt+Enter, the tab menu, the status
    // bar); an unmodified named document is read again with the chosen encoding.
    void Properties();
    // Tests answer the properties dialog: true for OK, after setting its values.
    static void SetPropertiesResponder(std::function<bool(TFormProperties&)> responder);
    // Before a save that would write characters as "?": how to go on.
    enum class TLossAnswer { Save, SaveAs, Cancel };
    TLossAnswer ConfirmLoss(TuniMemo& memo);

    // --- spell checking -------------------------------------------------------------------
    // The active document's words through the speller of its spell language, with the spell
    // dialog for each rejected word; nothing when the language is not configured. The
    // speller keeps running for the next check.
    void SpellCheck();
    // The languages of ISpell/*/ispell.ini and the spell language menu built from them.
    void LoadSpellLanguages();
    const TSpellLanguages& SpellLanguages() const { return spellLanguages_; }
    // The menu's choice: the active document's spell language becomes `name`; a change
    // stops the speller, and the next check starts the new language's.
    void SpellLangClick(const std::string& name);
    QMenu* SpellLanguageMenu() const { return spellMenu_; }
    TSpellDlg& SpellDialog();
    TSpellSession& Speller() { return *spell_; }

    // --- printing (Pm_print.cpp) -----------------------------------------------------------
    // The page setup dialog; the print dialog, then the active document printed (its
    // selection's lines, if any) within the page setup's margins.
    void PageSetup();
    void Print();
    TuniPageSetupDialog& PageSetupDialog() { return *pageSetup_; }
    // Tests answer the print dialog: they set the printer up (a PDF file) and return true
    // for Print.
    static void SetPrintResponder(std::function<bool(QPrinter&)> responder);

    // --- setup (Pm_setup.cpp) -------------------------------------------------------------
    // The general setup: on OK the scheme is read again, the fonts, colours and gutter
    // width (and, when asked, the window's layout) go into pelmar.ini, and every document
    // takes them at once.
    void GeneralSetup();
    // The file-type setup: on OK files.ini is written and every document applies its
    // profile again.
    void FilesSetup();
    // Every document applies its profile anew and repaints.
    void ReapplyProfiles();
    TfrmGeneralSetup* GeneralSetupDialog() const { return generalSetup_; }
    // The font of menus and dialogs (InterfaceFont and its size), and putting it on every
    // dialog the window has made.
    QFont InterfaceFont() const;
    void ApplyInterfaceFont();
    TfrmFilesSetup* FilesSetupDialog() const { return filesSetup_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* e) override;
    // Coming to the front checks the active document's file (Pm_disk.cpp).
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void RegisterMainCommands();
    // `startUp`: also the window geometry, which is read once.
    void LoadSettings(bool startUp = false);
    // The place, size and maximized state of the settings (Pm_window.cpp), at start-up only.
    void ApplyWindowGeometry();
    // At exit: the geometry when the settings keep it, and the message panel's height.
    void SaveWindowGeometry();
    void BuildMenus();
    void BuildTemplateMenu();
    void BuildLanguageMenu();
    void BuildConfigMenu(QMenu* options);
    // Every text that is not rebuilt with the menus: dialogs, tabs, status bar.
    void ApplyTexts();
    // The toolkit's own texts (file dialog columns, context menus) in the language's locale.
    void ApplyToolkitLanguage();
    // Makes the bands once; FillBands puts the menu commands' actions on them.
    void MakeBands();
    void FillBands();
    void UpdateWindowBand();
    // Shows a band button's drop-down, or the menu at the documents' corner when the band
    // is hidden.
    void DropMenu(QToolButton* button, QMenu* menu);
    void SaveBandLayout();
    // A tool button's icon: the desktop theme's of that name, else Icons/<name>.svg.
    QIcon BandIcon(const char* name) const;
    // The style of the document windows: no title bar while maximized.
    QStyle* DocumentWindowStyle();
    QAction* AddCommand(QMenu* menu, const std::string& command, const char* captionKey,
                        const char* actionName, std::function<void()> run);
    void RebuildRecentMenu();
    void AddRecent(const TuniMemo& memo);
    void OpenRecent(int index);
    void Open();
    void ConnectEditor(TMDIChild& child);
    void RefreshTabs();
    void ClearStatus();
    void SetPanel(int panel, const QString& text);
    void UpdateEnabling();
    void ApplyCodec(TuniMemo& memo, const std::string& charset, const std::string& surrogate,
                    int uniRepr);
    QString ChooseFile(bool save, const QString& initial);
    void ApplyDialogTexts();
    void ShowReopenMenu();
    void RunOnEditor(const std::function<void(TuniMemo&)>& step);
    void MakeSearchForms();
    void RunSearch(TMDIChild& child, TLastSearch command, bool backward, bool addToHistory);
    void OpenSearchForm(TformSearch& form, TLastSearch command);
    void ShowSearchStatus(TuniMemo& memo, const std::u16string& pattern, bool found, bool backward);
    void ClearSearchStatus();
    void StoreSearchHistories();
    // The structure view gets `strucWidth` of the splitter's `total`, the documents the rest.
    void SetStrucSizes(int strucWidth, int total);
    // The view's width, fold and side go into pelmar.ini when the window closes.
    void SaveBrowserSettings();
    void MakeToolPanel(QWidget* documents);
    void ShowToolMessages(const std::vector<std::string>& lines);
    // Runs a captured tool on a worker thread while this one waits; after a moment a modal
    // dialog with Cancel shows.
    TToolResult RunToolWaiting(const TToolRequest& request);
    void BuildSpellMenu();
    // The page setup the main window prints with: A4, no minimum margins.
    void MakePageSetup();
    // The item of the active document's spell language is checked.
    void CheckSpellLanguageItem();
    // The settings every editor borrows (the destructor deletes the windows first).
    TSession session_;
    TUniLangTexts texts_;
    std::unique_ptr<TUniActionMap> global_;
    std::unique_ptr<TUniActionKeymap> globalKeys_;
    std::map<std::string, std::function<void()>, std::less<>> commands_;
    // Where the structure passes hand their trees over; goes after the windows.
    std::unique_ptr<TMainThreadQueue> strucQueue_;

    QMdiArea* mdi_ = nullptr;
    QSplitter* splitter_ = nullptr; // the documents | the structure view
    TStrucFrame* strucFrame_ = nullptr;
    QPointer<QMdiSubWindow> lastActive_; // for the structure view's saved selection
    int strucWidth_ = 220;               // the view's width before it was collapsed
    QSplitter* msgSplitter_ = nullptr;   // the documents over the tool messages
    TToolMessages* toolPanel_ = nullptr;
    QMenu* compilerMenu_ = nullptr;
    QMenu* filterMenu_ = nullptr;
    std::string toolMenuKey_;      // the type the tool menus were built for
    bool toolMenusStale_ = true;   // built for no type yet, or to be built again
    TToolEntries toolMenuEntries_; // the entries they were built from
    TToolPattern toolPattern_;     // of the last compile run
    bool toolRunning_ = false;     // a tool runs and this thread waits for it
    int msgHeight_ = 0;            // the panel's height when it was last hidden
    QTabBar* tabs_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* tabMenu_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    QMenu* templateMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    std::string language_; // base name of the language in use
    QString toolkitLocale_;
    std::unique_ptr<QTranslator> toolkitTranslator_;
    QMenuBar* menus_ = nullptr;
    std::array<QToolBar*, 6> bands_{}; // by band number; 0 is the window band
    std::string laidOutBands_;         // the Tools value they were last laid out from
    std::map<std::string, QToolButton*, std::less<>> toolButtons_;
    QStyle* documentStyle_ = nullptr; // a Qt child of this window
    QAction* winMinimize_ = nullptr;
    QAction* winMaximize_ = nullptr;
    QAction* winClose_ = nullptr;
    // Made once, so their lists are filled once.
    std::unique_ptr<TuniOpenDialog> openDialog_;
    std::unique_ptr<TuniSaveDialog> saveDialog_;
    std::unique_ptr<TFormProperties> properties_;
    int fileMenuBaseCount_ = -1;
    std::map<std::string, QAction*, std::less<>> menuActions_;
    std::map<std::string, std::string, std::less<>> shortcutTexts_;
    std::array<QLabel*, kStatusPanels> panels_{};
    QStackedWidget* firstPanel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool closing_ = false;

    // The search dialogs, made once so they keep their texts and options. Owned by the
    // window (Qt parents).
    TformSearch* searchForm_ = nullptr;
    TformReplace* replaceForm_ = nullptr;
    TFormGoto* gotoForm_ = nullptr;
    TLastSearch lastSearch_ = TLastSearch::None;
    QLabel* searchPanel_ = nullptr;
    // The match the search panel speaks of: the panel clears once the caret leaves it.
    const TuniMemo* searchStatusEditor_ = nullptr;
    TPoint searchStatusAt_;
    std::function<QString()> searchStatusText_; // says the panel's text in the current language
    std::int64_t lastCountWork_ = 0;

    // Spell checking: the languages, the menu of them, the dialog (a Qt child, made at the
    // first check) and the speller kept between checks.
    TSpellLanguages spellLanguages_;
    QMenu* spellMenu_ = nullptr;
    TSpellDlg* spellDlg_ = nullptr;
    std::unique_ptr<TSpellSession> spell_;

    // Paper and margins for printing, kept for the run.
    std::unique_ptr<TuniPageSetupDialog> pageSetup_;

    THandOverListener* handOvers_ = nullptr; // a Qt child

    // The setup dialogs, made at their first use (Qt children).
    TfrmGeneralSetup* generalSetup_ = nullptr;
    TfrmFilesSetup* filesSetup_ = nullptr;
};
