// The built-in English interface texts, by language-file section and key.
#include "lang/uniLang.h"

namespace {

constexpr TLangTextKind kText = TLangTextKind::Text;
constexpr TLangTextKind kCaption = TLangTextKind::Caption;
constexpr TLangTextKind kInfo = TLangTextKind::Info;

} // namespace

const std::vector<TLangTextDef>& TUniLangTexts::Definitions() {
    static const std::vector<TLangTextDef> defs = {
        {"Language", "Name", kText, "English"},
        // The language's code, for the toolkit's own texts (the file dialog's columns).
        {"Language", "Locale", kText, "en"},

        // The main menu, in the order the texts are applied. The hint of each command is
        // the plain text of its caption. The underlined letters are distinct within each
        // menu of this layout:
        //   File:    NewFile New Open Reopen Save SaveAs SaveAll Close Properties
        //            PageSetup Print Exit
        //   Edit:    Undo Redo Cut Copy Paste Delete SelectAll ToLower ToUpper Kbd1 Kbd2
        //            Wrap SpellCheck
        //   Search:  Find Replace SearchAgain SearchBack WordSearch WordSearchBack GotoLine
        //            SearchPair Structure (Refresh Synchronize FindWord StrucLeft)
        //   Run:     Compiler Filter
        //   Options: Language GeneralSetup FilesSetup SpellLanguage
        //            ConfigFiles (PelmarIni FilesIni SubstIni ActionsIni KeysIni FiltersIni
        //            CompileDir StrucDir)
        //   Windows: TileVertical TileHorizontal Cascade Clone Maximize
        //   Help:    Contents About
        {"Menus", "Options", kCaption, "&Options"},
        {"Menus", "Run", kCaption, "&Run"},
        {"Menus", "Search", kCaption, "&Search"},
        {"Menus", "Edit", kCaption, "&Edit"},
        {"Menus", "Files", kCaption, "&File"},
        {"Menus", "NewFile", kCaption, "&New"},
        {"Menus", "New", kCaption, "New from &template"},
        {"Menus", "Open", kCaption, "&Open..."},
        {"Menus", "Save", kCaption, "&Save"},
        {"Menus", "SaveAs", kCaption, "Save &as..."},
        {"Menus", "SaveAll", kCaption, "Save a&ll"},
        {"Menus", "Close", kCaption, "&Close"},
        {"Menus", "PageSetup", kCaption, "Page set&up..."},
        {"Menus", "Print", kCaption, "&Print..."},
        {"Menus", "Exit", kCaption, "E&xit"},
        {"Menus", "Cut", kCaption, "Cu&t"},
        {"Menus", "Copy", kCaption, "&Copy"},
        {"Menus", "Paste", kCaption, "&Paste"},
        {"Menus", "SelectAll", kCaption, "Select &all"},
        {"Menus", "Delete", kCaption, "&Delete"},
        {"Menus", "Undo", kCaption, "&Undo"},
        {"Menus", "Redo", kCaption, "&Redo"},
        {"Menus", "ToLower", kCaption, "To &lower case"},
        {"Menus", "ToUpper", kCaption, "To upper cas&e"},
        {"Menus", "Kbd1", kCaption, "Keyboard table &backward"},
        {"Menus", "Kbd2", kCaption, "Keyboard table &forward"},
        {"Menus", "Wrap", kCaption, "&Word wrap"},
        {"Menus", "SpellCheck", kCaption, "Spell c&heck"},
        {"Menus", "Find", kCaption, "&Find..."},
        {"Menus", "Replace", kCaption, "&Replace..."},
        {"Menus", "SearchAgain", kCaption, "Search &again"},
        {"Menus", "SearchBack", kCaption, "Search &back"},
        {"Menus", "WordSearch", kCaption, "&Word search forward"},
        {"Menus", "WordSearchBack", kCaption, "W&ord search backward"},
        {"Menus", "GotoLine", kCaption, "&Go to line..."},
        {"Menus", "SearchPair", kCaption, "Search &pair"},
        {"Menus", "Compiler", kCaption, "&Compiler"},
        {"Menus", "Filter", kCaption, "&Filter"},
        {"Menus", "Structure", kCaption, "S&tructure"},
        {"Menus", "Refresh", kCaption, "&Refresh"},
        {"Menus", "Synchronize", kCaption, "&Synchronize"},
        {"Menus", "FindWord", kCaption, "&Find word"},
        {"Menus", "StrucLeft", kCaption, "View on the &left"},
        {"Menus", "Language", kCaption, "&Language"},
        {"Menus", "GeneralSetup", kCaption, "&General setup..."},
        {"Menus", "FilesSetup", kCaption, "&Files setup..."},
        {"Menus", "Windows", kCaption, "&Windows"},
        {"Menus", "TileVertical", kCaption, "Tile &vertically"},
        {"Menus", "TileHorizontal", kCaption, "Tile &horizontally"},
        {"Menus", "Cascade", kCaption, "&Cascade"},
        {"Menus", "Clone", kCaption, "C&lone"},
        {"Menus", "Help", kCaption, "&Help"},
        {"Menus", "Contents", kCaption, "&Contents"},
        {"Menus", "About", kCaption, "&About..."},
        {"Menus", "Properties", kCaption, "P&roperties..."},
        // Items that have a caption but no place in older language files.
        {"Menus", "Reopen", kCaption, "R&eopen"},
        {"Menus", "Maximize", kCaption, "&Maximize"},
        {"Menus", "Minimize", kCaption, "Mi&nimize"},
        {"Menus", "SpellLanguage", kCaption, "&Spell language"},
        {"Menus", "ConfigFiles", kCaption, "&Configuration files"},
        {"Menus", "PelmarIni", kCaption, "&pelmar.ini..."},
        {"Menus", "FilesIni", kCaption, "&files.ini..."},
        {"Menus", "SubstIni", kCaption, "&subst.ini..."},
        {"Menus", "ActionsIni", kCaption, "&actions.ini..."},
        {"Menus", "KeysIni", kCaption, "&keys.ini..."},
        {"Menus", "FiltersIni", kCaption, "fil&ters.ini..."},
        {"Menus", "CompileDir", kCaption, "&Compile\\*.ini..."},
        {"Menus", "StrucDir", kCaption, "St&ruc\\*.struc..."},

        // Hints of the structure view's buttons.
        {"Browser", "Refresh", kText, "Refresh"},
        {"Browser", "Synchronize", kText, "Synchronize"},
        {"Browser", "FindWord", kText, "Find current word"},
        {"Browser", "Failed", kText, "No structure for this document:"},

        // The open and save dialogs; an empty text leaves the file dialog's own one.
        {"Dialogs", "Charset", kText, "C&harset"},
        {"Dialogs", "Surrogate", kText, "&Surrogate"},
        {"Dialogs", "UniRepr", kText, "&Unicode representation"},
        {"Dialogs", "EOL", kText, "&Line separator"},
        {"Dialogs", "Folder", kText, ""},
        {"Dialogs", "FileName", kText, ""},
        {"Dialogs", "Filter", kText, ""},
        {"Dialogs", "Open", kText, ""},
        {"Dialogs", "OpenTitle", kText, ""},
        {"Dialogs", "Save", kText, ""},
        {"Dialogs", "SaveTitle", kText, ""},
        // Buttons of the message dialog and of every dialog's OK and Cancel.
        {"Dialogs", "Yes", kText, "Yes"},
        {"Dialogs", "No", kText, "No"},
        {"Dialogs", "OK", kText, "OK"},
        {"Dialogs", "Cancel", kText, "Cancel"},
        {"Dialogs", "Abort", kText, "Abort"},
        {"Dialogs", "Retry", kText, "Retry"},
        {"Dialogs", "Ignore", kText, "Ignore"},
        {"Dialogs", "All", kText, "All"},
        {"Dialogs", "NoToAll", kText, "No to all"},
        {"Dialogs", "YesToAll", kText, "Yes to all"},
        {"Dialogs", "Help", kText, "Help"},
        // The file properties dialog.
        {"Dialogs", "Properties", kText, "File properties"},
        {"Dialogs", "Syntax", kText, "S&yntax"},

        {"Messages", "Warning", kText, "Warning"},
        {"Messages", "Error", kText, "Error"},
        {"Messages", "Information", kText, "Information"},
        {"Messages", "Confirm", kText, "Confirm"},
        {"Messages", "NotFoundMsg", kText, "Pattern not found!"},
        {"Messages", "ReplaceMsg", kText, "Pattern found! Replace it?"},
        {"Messages", "NotSavedMsg", kText, "File \"%s\" is not saved. Save it?"},
        {"Messages", "AlreadyOpenMsg", kText, "This file is already open. Reload it?"},
        {"Messages", "ReadOnlyMsg", kText, "File \"%s\" is read-only. Replace it anyway?"},
        {"Messages", "RecoverMsg", kText,
         "A save of \"%s\" was cut short. Put back its previous contents (No: throw the "
         "copy away, Cancel: ask again next time)?"},
        // Before a save that would write characters as "?": %1 how many, %2 the charset,
        // %3 the first of them, %4 and %5 its line and column.
        {"Messages", "LossMsg", kText,
         "%1 characters of this document cannot be saved in %2: they would be written as "
         "\"?\". The first is %3 at line %4, column %5."},
        {"Messages", "LossSave", kText, "&Save anyway"},
        {"Messages", "LossSaveAs", kText, "&Another encoding..."},
        // Bytes a load could not decode: %s how many.
        {"Messages", "EscapedBytesMsg", kText,
         "%s bytes of this file cannot be read in its charset. They are kept and written "
         "back unchanged."},
        {"Messages", "ReopenAsMsg", kText, "Reopen in another charset..."},
        {"Messages", "MixedEndsMsg", kText,
         "The lines of this file do not all end alike: %s of them end otherwise than the "
         "first. They are kept as they are."},
        {"Messages", "MakeUniform", kText, "End every line with %s"},
        {"Messages", "MarkAddedMsg", kText,
         "This file has no byte order mark: saving it in %s adds one."},
        // Another program changed or removed a document's file.
        {"Messages", "DiskChangedMsg", kText,
         "Another program has changed this file since it was opened or saved here."},
        {"Messages", "DiskRemovedMsg", kText,
         "Another program has removed this file. Saving the text writes it again."},
        {"Messages", "DiskReload", kText, "Reload"},
        {"Messages", "DiskKeep", kText, "Keep my text"},
        {"Messages", "DiskOverwriteMsg", kText,
         "Another program has changed \"%s\" since it was opened or saved here. Overwrite "
         "its changes with this text?"},
        {"Messages", "DiskOverwrite", kText, "&Overwrite"},
        {"Messages", "NewFile", kText, "New"},
        {"Messages", "NoHelpMsg", kText, "The help file \"%s\" is missing."},
        {"Messages", "HelpOpenMsg", kText, "No program could open the help file \"%s\"."},
        {"Messages", "TemplateMissingMsg", kText, "The template file \"%s\" cannot be found."},

        // The general setup dialog.
        {"Setup", "GeneralSetupTitle", kText, "General Setup"},
        {"Setup", "Fonts", kText, "Fonts"},
        {"Setup", "Colors", kText, "Colors"},
        {"Setup", "Syntax", kText, "Syntax"},
        {"Setup", "View", kText, "View"},
        {"Setup", "FixedFont", kText, "&Fixed font:"},
        {"Setup", "ProportionalFont", kText, "&Proportional font:"},
        {"Setup", "SaveGeometry", kText, "&Save window size and position"},
        {"Setup", "GutterWidth", kText, "Gutter width:"},
        {"Setup", "Example", kText, "Example"},
        {"Setup", "Bold", kText, "Bold"},
        {"Setup", "Italic", kText, "Italic"},
        {"Setup", "Underline", kText, "Underline"},
        {"Setup", "Strikeout", kText, "Strikeout"},
        {"Setup", "Foreground", kText, "&Foreground:"},
        {"Setup", "Background", kText, "&Background:"},
        {"Setup", "Txt", kText, "Text &foreground"},
        {"Setup", "Bkg", kText, "Text &background"},
        {"Setup", "Hgl", kText, "&Highlighted text background"},
        {"Setup", "GutterFg", kText, "Gutter foreground"},
        {"Setup", "GutterFg2", kText, "Gutter foreground 2"},
        {"Setup", "GutterBg", kText, "Gutter background"},
        // The file-type setup dialog.
        {"Setup", "FilesSetupTitle", kText, "Files setup"},
        {"Setup", "Add", kText, "&Add"},
        {"Setup", "Delete", kText, "&Delete"},
        {"Setup", "Edit", kText, "Edit"},
        {"Setup", "Charsets", kText, "Charsets"},
        {"Setup", "Keyboard", kText, "Keyboard"},
        {"Setup", "ISpell", kText, "ISpell"},
        {"Setup", "EditFont", kText, "Font"},
        {"Setup", "Fixed", kText, "fixed"},
        {"Setup", "Proportional", kText, "proportional"},
        {"Setup", "Other", kText, "other:"},
        {"Setup", "EditFontSize", kText, "Size:"},
        {"Setup", "ExampleText", kInfo, "AaBbCc XxYyZz 0123456789\\n(){}[]<> .,;:!? +-*/="},
        {"Setup", "ProportionalInfo", kInfo,
         "Proportional font:\\n\\nno vertical blocks\\nno column highlighting"},
        {"Setup", "FixedInfo", kInfo,
         "Fixed font:\\n\\nvertical blocks OK\\ncolumn highlighting OK"},
        {"Setup", "TabSize", kText, "&Tab size:"},
        {"Setup", "CreateBackup", kText, "Create bac&kup file"},
        {"Setup", "HighlightLine", kText, "Highlight &line"},
        {"Setup", "HighlightColumn", kText, "Highlight &column"},
        {"Setup", "SyntaxHighlight", kText, "&Syntax highlight"},
        {"Setup", "BackLines", kText, "&Back:"},
        {"Setup", "WordWrap", kText, "&Word wrap"},
        {"Setup", "UniRepr", kText, "Default &Unicode representation:"},
        {"Setup", "AutoIndent", kText, "Auto &Indent"},
        {"Setup", "Autodetect", kText, "A&utodetect charset"},
        {"Setup", "Subst", kText, "Groups of substitutions:"},
        {"Setup", "Macros", kText, "Groups of macros:"},
        {"Setup", "Kbd", kText, "Keyboard:"},
        {"Setup", "Charset", kText, "Default &charset:"},
        {"Setup", "Surrogate", kText, "Default &surrogate:"},
        {"Setup", "Delimiters", kText, "Deli&miters:"},
        {"Setup", "ISpellIgnore", kText, "Ignore:"},
        {"Setup", "ISpellLanguage", kText, "Ispell language:"},
        {"Setup", "UpperLower", kText, "Lower case/upper case:"},
        {"Setup", "DeleteSectionMsg", kText, "Delete this section?"},

        {"Search", "Pattern", kText, "&Text to find:"},
        {"Search", "SearchTitle", kText, "Search"},
        {"Search", "CaseSensitive", kText, "&Case sensitive"},
        {"Search", "WholeWord", kText, "&Whole word"},
        {"Search", "Regexp", kText, "&Regular expressions"},
        {"Search", "ReplaceBy", kText, "Replace &with:"},
        {"Search", "ReplaceTitle", kText, "Replace"},
        // The status bar after a search: "3 of 17", or where it stopped.
        {"Search", "Of", kText, "of"},
        {"Search", "EndReached", kText, "End reached"},
        {"Search", "StartReached", kText, "Beginning reached"},
        {"Search", "Matches", kText, "%s matches"},

        {"Goto", "Goto", kText, "Go to line"},

        {"Spell", "SpellChecking", kText, "Spell checking"},
        {"Spell", "SpellSkip", kText, "&Skip"},
        {"Spell", "SpellAccept", kText, "&Accept"},
        {"Spell", "SpellReplace", kText, "&Replace"},
        {"Spell", "SpellAdd", kText, "A&dd"},
        {"Spell", "SpellQuit", kText, "Quit"},

        {"About", "Author", kText, "Author:"},
        {"About", "EMail", kText, "E-mail:"},
        {"About", "WWW", kText, "Web site:"},
        {"About", "Libraries", kText, "Libraries:"},

        // The run button's hint; the section's other keys caption compile entries.
        {"Compile", "Run", kCaption, "Run"},
    };
    return defs;
}
