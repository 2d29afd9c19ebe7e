// INI files read with the private-profile rules and edited in place, replaced atomically.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/uniFileIO.h"

// A section or key name. Names compare ignoring ASCII letter case, and a character
// matches its decimal reference ("Ctrl+&#1044;" names the same key as "Ctrl+Д").
// Eight-bit names are UTF-8 when valid, otherwise text in the ANSI page. Blanks around
// the name are ignored.
class TIniName {
public:
    TIniName(std::string_view name);
    TIniName(const std::string& name) : TIniName(std::string_view(name)) {}
    TIniName(const char* name) : TIniName(std::string_view(name)) {}
    TIniName(std::u16string_view name);
    TIniName(const std::u16string& name) : TIniName(std::u16string_view(name)) {}
    TIniName(const char16_t* name) : TIniName(std::u16string_view(name)) {}

    // The 7-bit form written into a file.
    const std::string& Text() const { return text_; }
    // The form compared.
    const std::string& Folded() const { return folded_; }
    bool Empty() const { return text_.empty(); }

private:
    std::string text_;
    std::string folded_;
};

// What the wide readers do with numeric references in a value.
enum class TIniRefs {
    Decode,       // "&#" references become their characters
    DecodeDollar, // "&#" and "$#" references
    Keep,         // the value as written
};

// The text encoding a file was read in; it is written back in the same one.
enum class TIniEncoding { Utf8, Utf8Bom, Ansi, Utf16LE, Utf16BE };

// One INI file. Reading follows the private-profile rules: section and key names compare
// ignoring case, the first section of a name and the first key of a name in it win,
// blanks around names and values are trimmed, one pair of enclosing quotes (double or
// single) is removed from a value, lines starting with ";" are comments, and anything
// missing or unreadable gives the caller's default. The file is UTF-8 when it is valid
// UTF-8 (a byte-order mark is allowed, and UTF-16 files with one are read too), otherwise
// text in the ANSI page. Lines holding NUL characters are not text and are ignored (one
// that starts like a header still ends the section before it). A file that cannot be read
// (or is bigger than kMaxTextFileSize) reads as empty and is never written over.
//
// Writing edits the lines in place: comments, blank lines, order and every line not
// concerned stay as they were (byte for byte), a new key goes after the last key of its
// section, a new section at the end of the file. Written text is 7-bit: characters from
// U+0080 up and control characters are written as decimal references, so a value can
// never break the line structure. Each write replaces the file atomically; between
// BeginUpdate and EndUpdate the writes are gathered and written once.
//
// The file is read when the object is made; each write (or the outermost BeginUpdate)
// reads it again first, so changes made meanwhile by others are kept.
class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }
    // Reads the file again.
    void Reload();
    // Whether the file existed and was read.
    bool Exists() const { return status_ == TReadStatus::Ok; }
    TIniEncoding Encoding() const { return encoding_; }

    // --- Reading

    bool SectionExists(const TIniName& section) const;
    bool ValueExists(const TIniName& section, const TIniName& key) const;

    // Section names (first occurrences) and the key names of a section, in file order,
    // as written in the file.
    std::vector<std::u16string> ReadSections() const;
    std::vector<std::u16string> ReadSection(const TIniName& section) const;
    // The same in 7-bit form (characters from U+0080 up as references); each of these
    // names finds its entry again.
    std::vector<std::string> ReadSectionsA() const;
    std::vector<std::string> ReadSectionA(const TIniName& section) const;

    std::u16string ReadString(const TIniName& section, const TIniName& key,
                              std::u16string_view def = {}, TIniRefs refs = TIniRefs::Decode) const;
    // The value as 8-bit text: 7-bit, with every character from U+0080 up written as a
    // decimal reference. References in the file are kept as they are.
    std::string ReadStringA(const TIniName& section, const TIniName& key,
                            std::string_view def = {}) const;
    // Decimal or "$"-hexadecimal (also "0x"), with an optional sign; a missing or malformed
    // value gives the default. Hexadecimal values use all 32 bits ("$FFFFFFFF" is -1).
    std::int32_t ReadInteger(const TIniName& section, const TIniName& key, std::int32_t def) const;
    // Integers: 0 false, anything else true.
    bool ReadBool(const TIniName& section, const TIniName& key, bool def) const;

    // --- Writing (each reports the write's outcome; inside an update, EndUpdate does)

    TWriteResult WriteString(const TIniName& section, const TIniName& key,
                             std::u16string_view value);
    // `value` is 8-bit text carrying references (kept as they are); other bytes from 0x80
    // up are UTF-8 when the value is valid UTF-8, otherwise text in the ANSI page.
    TWriteResult WriteStringA(const TIniName& section, const TIniName& key, std::string_view value);
    TWriteResult WriteInteger(const TIniName& section, const TIniName& key, std::int64_t value);
    TWriteResult WriteBool(const TIniName& section, const TIniName& key, bool value);
    // Removes the key from the section (every line of that name in every section of that
    // name, so the key reads as missing afterwards).
    TWriteResult DeleteKey(const TIniName& section, const TIniName& key);
    // Removes every section of that name with its lines.
    TWriteResult EraseSection(const TIniName& section);

    void BeginUpdate();
    TWriteResult EndUpdate();

private:
    enum class TLineKind : std::uint8_t { Other, Section, Key };
    struct TLine {
        std::u16string text; // as read, without its line end
        std::string eol;     // "\n", "\r\n", "\r" or empty (last line)
        TLineKind kind = TLineKind::Other;
        std::string folded;    // the name's compared form
        std::u16string name;   // trimmed name
        std::u16string value;  // trimmed, enclosing quotes removed
        size_t valueStart = 0; // where the value's text starts in `text`
    };
    struct TSection {
        size_t header = 0;                            // line index of the header
        size_t end = 0;                               // one past its last line
        std::unordered_map<std::string, size_t> keys; // first line of each key
        std::vector<size_t> keyOrder;                 // those lines in file order
    };

    void Parse(std::u16string_view text);
    void Index();
    const TLine* FindKey(const TIniName& section, const TIniName& key) const;
    TWriteResult Write(const TIniName& section, const TIniName& key, std::string encoded);
    TWriteResult Remove(const TIniName& section, const TIniName* key);
    TWriteResult PrepareChange();
    TWriteResult FinishChange();
    std::string Serialise() const;
    std::string DefaultEol() const;
    static TLine ParseLine(std::u16string text, std::string eol);

    std::string fileName_;
    TReadStatus status_ = TReadStatus::Missing;
    std::string readError_;
    TIniEncoding encoding_ = TIniEncoding::Utf8;
    std::vector<TLine> lines_;
    std::vector<TSection> sections_; // first occurrence of each name, in file order
    std::unordered_map<std::string, size_t> sectionIndex_;
    int updateDepth_ = 0;
    bool dirty_ = false;
    TWriteResult pending_;
};

// Parses an integer as ReadInteger does; empty when malformed or out of range.
std::optional<std::int32_t> ParseIniInteger(std::u16string_view text);

// The 7-bit form of text written as a value: characters from U+0080 up and control
// characters as decimal references; with `escapeRefs`, a literal "&#" or "$#" is written
// as "&#38;#" / "&#36;#" so that decoding gives the text back exactly.
std::string IniEncodeText(std::u16string_view text, bool escapeRefs);

// Eight-bit text to wide: UTF-8 when valid, otherwise the ANSI page.
std::u16string IniWideFrom8(std::string_view text);

// Values whose absence means something. A text value as UTF-8 (references decoded), `def`
// when the key is missing.
std::string ReadUtf8(const TIniFile& ini, const TIniName& section, const TIniName& key,
                     std::string_view def = {});
// An integer or a flag; empty when the key is missing or the integer is malformed.
std::optional<int> ReadOptionalInt(const TIniFile& ini, const TIniName& section,
                                   const TIniName& key);
std::optional<bool> ReadOptionalBool(const TIniFile& ini, const TIniName& section,
                                     const TIniName& key);
