// Conversion tables between file text and document text, and the in-memory codecs by charset name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/uniAscii.h"
#include "text/uniStringList.h" // TDuplicates, EStringListError

// A sorted list of (key, value) pairs of UTF-16 strings, ordered by key (ordinal).
class TTableList {
public:
    TTableList();
    virtual ~TTableList();

    int AddPair(const std::u16string& key, const std::u16string& value);
    // The same as AddPair for each pair in order. A sorted list ignoring duplicates takes
    // them in one merge, so a large batch costs n log n rather than a shift per pair.
    void AddPairs(std::vector<std::pair<std::u16string, std::u16string>> pairs);
    const std::u16string& GetKey(int i) const;
    const std::u16string& GetValue(int i) const;
    void SetValue(int i, const std::u16string& value);
    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }
    // Binary search; returns whether found, with the (insertion) index.
    virtual bool Find(std::u16string_view key, int& index) const;
    virtual void Sort();
    void Clear();
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    // The pair slots written so far by inserting (those shifted behind an insertion and
    // those a merge placed). Tests read it to tell loading work in proportion to the pairs
    // from work per pair already held.
    std::int64_t MovedSlots() const { return movedSlots_; }

protected:
    virtual void Changed() {}
    virtual void Changing() {}

private:
    void Grow();
    void InsertPair(int index, const std::u16string& key, const std::u16string& value);
    void QuickSort(int l, int r);

    std::vector<std::pair<std::u16string, std::u16string>> items_; // size() is the capacity
    int count_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::Ignore;
    std::int64_t movedSlots_ = 0;
};

// A two-way table loaded from one or more table files.
class TConvTable {
public:
    TConvTable();

    std::string name; // the charset it serves

    // Adds the pairs of a table file ("file text = document text" per line, decimal
    // references allowed); false when it cannot be opened or read (what was read so far
    // stays). A key already present keeps its first definition. A pair with an empty side
    // is not added: it would make loading or saving silently delete text.
    bool LoadFromFile(const std::string& path);
    void Clear();
    bool Empty() const { return decode_.Count() == 0 && encode_.Count() == 0; }

    // Longest-match replacement, file text -> document text and back.
    std::u16string DecodeText(std::u16string_view s) const;
    std::u16string EncodeText(std::u16string_view s) const;
    // EncodeText for a file in the table's charset: a character the table does not encode
    // and whose own byte means another character in that charset (a decode key) cannot be
    // written; it becomes `substitute` and is counted in `substituted`.
    std::u16string EncodeForFile(std::u16string_view s, char16_t substitute,
                                 std::int64_t& substituted) const;

    // The save-time matcher of the Unicode representations: the first encode entry in
    // sorted order whose key matches `s` at `pos`. Returns its index or -1.
    int FirstEncodeMatch(std::u16string_view s, size_t pos) const;
    // The matcher of EncodeForFile: the longest encode key that matches `s` at `pos`.
    // Returns its index or -1.
    int LongestEncodeMatch(std::u16string_view s, size_t pos) const;

    const TTableList& DecodeList() const { return decode_; }
    const TTableList& EncodeList() const { return encode_; }

private:
    TTableList decode_;
    TTableList encode_;
};

// The named lists of the main configuration file: [charsets], [surrogates] and
// [html-charsets], each name = value in file order. Reading them from the configuration
// belongs to the configuration module; the codec only consults them.
struct TCharsetLists {
    std::vector<std::pair<std::string, std::string>> charsets;
    std::vector<std::pair<std::string, std::string>> surrogates;
    std::vector<std::pair<std::string, std::string>> htmlCharsets;

    // Case-insensitive lookups; empty optional when the name has no entry.
    std::optional<std::string> CharsetFile(std::string_view name) const;
    std::optional<std::string> SurrogateFile(std::string_view name) const;
    // The program's charset name for a name declared inside a document.
    std::optional<std::string> HtmlCharset(std::string_view declared) const;
};

// In-memory codecs selected by charset name ("OEM", "UTF-8", "UTF-8 (BOM)", "UTF-16 (LE)",
// "UTF-16 (BE)"); empty optional for any other name (the caller then uses the ANSI page).
// "OEM" converts straight between UTF-16 and the OEM page, so characters the OEM page has
// and the ANSI page lacks (box drawing, for one) survive. UTF-8 goes through the
// byte-preserving codec of uniUtf8.h and writes no byte-order mark. UTF-16 writes two
// bytes per code unit; on decoding an odd last byte is dropped.
std::optional<std::string> EncodeByCharset(std::string_view charset, std::u16string_view text);
std::optional<std::u16string> DecodeByCharset(std::string_view charset, std::string_view bytes);

// For the spelling checker's charset: the table's encode direction, then UTF-8 when the
// table's name is "UTF-8" and the ANSI page otherwise; back the same way, so a surrogate
// table loaded into a "UTF-8" table applies in both directions.
std::string EncodeForChecker(const TConvTable& table, std::u16string_view text);
std::u16string DecodeFromChecker(const TConvTable& table, std::string_view bytes);

// Text for the 8-bit drawing functions: the twelve Esperanto letters spelled with "h"
// (and u-breve as "u"), everything else through the ANSI page.
std::string TranslitToAnsi(std::u16string_view text);
