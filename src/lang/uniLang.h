// Interface texts: the built-in English captions, hints, titles and messages, the
// overrides a language file gives, and the caption markup rules of menus and templates.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// ---- Caption markup ----
//
// A menu caption is kept in its stored form: "&" or "^" before the underlined character,
// "&&" for a literal ampersand, references written "$#" (so that "&#" is never taken for
// an accelerator), and an optional four-character prefix "[&x]" naming the accelerator
// when the underlined character was given by a reference.

// A caption ready to draw: its characters, the index of the underlined character in
// `text` (-1 for none), and the shortcut text that followed a TAB.
struct TDrawnCaption {
    std::u16string text;
    int accelerator = -1;
    std::u16string shortcut;

    bool operator==(const TDrawnCaption&) const = default;
};

// A "Menus" value of a language file as a stored caption. When the accelerator is a
// character given by a reference ("&&#1060;"), its "&" becomes "^" and the prefix "[&x]"
// is put in front, x being that character in lower case ("?" when the ANSI code page
// cannot hold it).
std::u16string MenuStoredCaption(std::u16string_view value);

// The stored caption of the template menu item at `position` (counted from 1): "&" and
// the position, a blank, then the name, whose ampersands never set an accelerator.
std::u16string TemplateItemCaption(int position, std::u16string_view name);

// A stored caption decoded for drawing: the prefix dropped, references decoded, the
// markup turned into the accelerator index, the text after a TAB split off.
TDrawnCaption DrawnCaption(std::u16string_view stored);

// The drawn caption in the mnemonic notation of menu toolkits: "&" before the underlined
// character and every literal "&" doubled; the shortcut is not included.
std::u16string MnemonicText(const TDrawnCaption& caption);

// The plain text of a stored caption (hints, tool-bar labels, compile and filter
// captions): no prefix, no markup, no shortcut, references decoded, literal ampersands kept.
std::u16string CaptionPlainText(std::u16string_view stored);

// A setup info or example value: the two characters "\n" stand for a line break (CR LF).
std::u16string InfoText(std::u16string_view value);

// A message text with its one string argument: every "%s" becomes `argument`, "%%"
// becomes "%", any other "%" stays as it is (a translated text can never make the
// formatting read arguments that are not there).
std::u16string FormatText(std::u16string_view text, std::u16string_view argument);

// ---- The text table ----

// How a language file's value becomes the kept text.
enum class TLangTextKind {
    Text,    // references decoded ("&" mnemonics stay for the toolkit)
    Caption, // a stored caption (MenuStoredCaption); read it with Caption() or Hint()
    Info,    // "\n" as line breaks, then references decoded
};

// One text of the table: where a language file gives it, how it is read, and its
// built-in English value written as a language file would write it (UTF-8 here).
struct TLangTextDef {
    const char* section;
    const char* key;
    TLangTextKind kind;
    const char* value;
};

// What a language file offers the table: the raw value of a key (nullopt when the file,
// section or key is missing; references not yet decoded; an empty value is a value), and
// the key names of a section in file order (for the sections whose keys are free:
// "templates", "Compile", "Filter"). Either may be left empty.
struct TLangSource {
    std::function<std::optional<std::u16string>(std::string_view section, std::string_view key)>
        value;
    std::function<std::vector<std::string>(std::string_view section)> keys;
};

// The interface texts in use. Starts with the built-in English texts; every Apply lays a
// language file over the current texts, and a key the file lacks keeps its current text
// (the one the previous language gave it, not the built-in one).
class TUniLangTexts {
public:
    TUniLangTexts();

    // Every fixed text, grouped by section in language-file order.
    static const std::vector<TLangTextDef>& Definitions();

    void Apply(const TLangSource& source);

    // The kept text of a fixed key (section and key ignore letter case); an empty text
    // for a key the table does not know.
    const std::u16string& Text(std::string_view section, std::string_view key) const;
    bool Knows(std::string_view section, std::string_view key) const;

    // A "Menus" caption ready to draw, and the hint of its command (its plain text).
    TDrawnCaption Caption(std::string_view menuKey) const;
    std::u16string Hint(std::string_view menuKey) const;

    // The document templates of the "templates" section, in its order: the template key
    // and the translated name as written (use TemplateItemCaption for the menu item).
    struct TTemplateEntry {
        std::string key;
        std::u16string name;
    };
    const std::vector<TTemplateEntry>& Templates() const { return templates_; }

    // The caption of a compile entry of a file type: the "Compile" value of
    // type + "." + key, else of the entry's name, else the name itself; markup removed.
    // `key` is the name with blanks turned into "_".
    std::u16string CompileCaption(std::string_view typeName, std::string_view name) const;
    // The caption of a filter entry: the "Filter" value of its key, else the name.
    std::u16string FilterCaption(std::string_view name) const;
    // The run button's hint: the "Compile" value of "Run" without markup.
    std::u16string RunHint() const;

private:
    static std::string Slot(std::string_view section, std::string_view key);
    static std::u16string FromValue(TLangTextKind kind, std::u16string_view value);
    void ApplyFree(const TLangSource& source, std::string_view section,
                   std::unordered_map<std::string, std::u16string>& into);
    std::optional<std::u16string>
    FreeValue(const std::unordered_map<std::string, std::u16string>& from,
              std::string_view key) const;

    std::vector<std::u16string> texts_; // parallel to Definitions()
    std::unordered_map<std::string, size_t> index_;
    std::vector<TTemplateEntry> templates_;
    std::unordered_map<std::string, std::u16string> compile_; // lower-case key -> raw value
    std::unordered_map<std::string, std::u16string> filter_;
};
