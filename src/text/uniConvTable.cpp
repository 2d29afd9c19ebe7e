// Conversion tables, the charset lists and the in-memory codecs by charset name.
#include "text/uniConvTable.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "base/uniCodePage.h"
#include "base/uniFileIO.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

namespace {

[[noreturn]] void IndexError(int i) {
    throw EStringListError("List index out of bounds (" + std::to_string(i) + ")");
}

// Lines of a table file longer than this are split into pieces of this size.
constexpr size_t kMaxTableLine = 8192;

void TrimRightSpaces(std::u16string& s) {
    size_t end = s.find_last_not_of(u' ');
    s.erase(end == std::u16string::npos ? 0 : end + 1);
}

void TrimLeftSpaces(std::u16string& s) {
    s.erase(0, std::min(s.find_first_not_of(u' '), s.size()));
}

// The entry whose key matches `s` at `pos`: the longest one (the first of equal length)
// or, with `firstOnly`, the first in sorted order. -1 when none does.
int MatchAt(const TTableList& list, std::u16string_view s, size_t pos, bool firstOnly) {
    const char16_t first = s[pos];
    int index = 0;
    list.Find(std::u16string_view(&first, 1), index);
    int best = -1;
    size_t bestLength = 0;
    // Keys that start with `first` sort together, beginning at the one-character key.
    for (int i = index; i < list.Count(); ++i) {
        const std::u16string& key = list.GetKey(i);
        if (key.empty() || key[0] != first) {
            break;
        }
        if (key.size() > bestLength && s.substr(pos, key.size()) == key) {
            best = i;
            bestLength = key.size();
            if (firstOnly) {
                break;
            }
        }
    }
    return best;
}

std::u16string ReplaceLongest(const TTableList& list, std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (pos < s.size()) {
        int i = MatchAt(list, s, pos, false);
        if (i < 0) {
            out.push_back(s[pos]);
            ++pos;
        } else {
            // The inserted value is not scanned again.
            out += list.GetValue(i);
            pos += list.GetKey(i).size();
        }
    }
    return out;
}

std::optional<std::string> Lookup(const std::vector<std::pair<std::string, std::string>>& list,
                                  std::string_view name) {
    for (const auto& [key, value] : list) {
        if (SameText(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

bool IsUtf8Name(std::string_view charset) {
    return SameText(charset, "UTF-8") || SameText(charset, "UTF-8 (BOM)");
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

// ---------------------------------------------------------------------------------------
// TTableList

TTableList::TTableList() = default;
TTableList::~TTableList() = default;

namespace {

int GrownCapacity(int capacity) {
    if (capacity > 64) {
        return capacity + capacity / 4;
    }
    return capacity + (capacity > 8 ? 16 : 4);
}

} // namespace

void TTableList::Grow() {
    items_.resize(static_cast<size_t>(GrownCapacity(Capacity())));
}

void TTableList::InsertPair(int index, const std::u16string& key, const std::u16string& value) {
    Changing();
    if (count_ == Capacity()) {
        Grow();
    }
    auto at = items_.begin() + index;
    std::move_backward(at, items_.begin() + count_, items_.begin() + count_ + 1);
    movedSlots_ += count_ - index;
    at->first = key;
    at->second = value;
    ++count_;
    Changed();
}

int TTableList::AddPair(const std::u16string& key, const std::u16string& value) {
    int index = count_;
    if (sorted_ && Find(key, index)) {
        switch (duplicates_) {
        case TDuplicates::Ignore:
            return index;
        case TDuplicates::Error:
            throw EStringListError("String list does not allow duplicates");
        case TDuplicates::Accept:
            break;
        }
    }
    InsertPair(index, key, value);
    return index;
}

void TTableList::AddPairs(std::vector<std::pair<std::u16string, std::u16string>> pairs) {
    if (!sorted_ || duplicates_ != TDuplicates::Ignore || pairs.size() < 2) {
        for (const auto& [key, value] : pairs) {
            AddPair(key, value);
        }
        return;
    }
    auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
    auto sameKey = [](const auto& a, const auto& b) { return a.first == b.first; };
    // The first pair of a key wins, as it would added one by one.
    std::stable_sort(pairs.begin(), pairs.end(), byKey);
    pairs.erase(std::unique(pairs.begin(), pairs.end(), sameKey), pairs.end());
    Changing();
    std::vector<std::pair<std::u16string, std::u16string>> merged;
    merged.reserve(static_cast<size_t>(count_) + pairs.size());
    auto held = items_.begin();
    const auto heldEnd = items_.begin() + count_;
    auto added = pairs.begin();
    while (held != heldEnd || added != pairs.end()) {
        if (added == pairs.end() || (held != heldEnd && held->first <= added->first)) {
            // A key already held keeps its value.
            if (added != pairs.end() && held->first == added->first) {
                ++added;
            }
            merged.push_back(std::move(*held++));
        } else {
            merged.push_back(std::move(*added++));
        }
    }
    movedSlots_ += static_cast<std::int64_t>(merged.size());
    count_ = static_cast<int>(merged.size());
    // The capacity the same pairs would have grown the list to one at a time.
    int capacity = Capacity();
    while (capacity < count_) {
        capacity = GrownCapacity(capacity);
    }
    merged.resize(static_cast<size_t>(capacity));
    items_ = std::move(merged);
    Changed();
}

const std::u16string& TTableList::GetKey(int i) const {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    return items_[static_cast<size_t>(i)].first;
}

const std::u16string& TTableList::GetValue(int i) const {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    return items_[static_cast<size_t>(i)].second;
}

void TTableList::SetValue(int i, const std::u16string& value) {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    Changing();
    items_[static_cast<size_t>(i)].second = value;
    Changed();
}

bool TTableList::Find(std::u16string_view key, int& index) const {
    bool found = false;
    int low = 0;
    int high = count_ - 1;
    while (low <= high) {
        const int i = low + (high - low) / 2;
        const int c = std::u16string_view(items_[static_cast<size_t>(i)].first).compare(key);
        if (c < 0) {
            low = i + 1;
        } else {
            high = i - 1;
            if (c == 0) {
                found = true;
                // With duplicates accepted the search goes on to the first equal key.
                if (duplicates_ != TDuplicates::Accept) {
                    low = i;
                }
            }
        }
    }
    index = low;
    return found;
}

void TTableList::QuickSort(int l, int r) {
    // Recurses into the smaller part and loops over the larger, so the depth stays
    // logarithmic whatever the input.
    while (l < r) {
        int i = l;
        int j = r;
        const std::u16string pivot = items_[static_cast<size_t>(l + (r - l) / 2)].first;
        while (i <= j) {
            while (items_[static_cast<size_t>(i)].first < pivot) {
                ++i;
            }
            while (pivot < items_[static_cast<size_t>(j)].first) {
                --j;
            }
            if (i <= j) {
                std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        }
        if (j - l < r - i) {
            QuickSort(l, j);
            l = i;
        } else {
            QuickSort(i, r);
            r = j;
        }
    }
}

void TTableList::Sort() {
    if (sorted_ || count_ < 2) {
        return;
    }
    Changing();
    QuickSort(0, count_ - 1);
    Changed();
}

void TTableList::SetSorted(bool sorted) {
    if (sorted == sorted_) {
        return;
    }
    if (sorted) {
        Sort();
    }
    sorted_ = sorted;
}

void TTableList::Clear() {
    if (count_ == 0 && items_.empty()) {
        return;
    }
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    count_ = 0;
    Changed();
}

// ---------------------------------------------------------------------------------------
// TConvTable

TConvTable::TConvTable() {
    decode_.SetSorted(true);
    decode_.SetDuplicates(TDuplicates::Ignore);
    encode_.SetSorted(true);
    encode_.SetDuplicates(TDuplicates::Ignore);
}

void TConvTable::Clear() {
    decode_.Clear();
    encode_.Clear();
}

namespace {

using TPairs = std::vector<std::pair<std::u16string, std::u16string>>;

// One line of a table file, as read (8-bit, without its line end).
void AddTableLine(TPairs& decode, TPairs& encode, std::string_view bytes) {
    std::u16string line = DecodeNumericRefs(AnsiToWide(bytes), TRefForms::Ampersand);
    if (line.empty() || line[0] == u';') {
        return;
    }
    TrimRightSpaces(line);
    size_t separator = line.find(u'=');
    if (separator == std::u16string::npos) {
        separator = line.find(u' ');
    }
    if (separator == std::u16string::npos) {
        return; // an empty key with an empty value: it could never match
    }
    std::u16string key = line.substr(0, separator);
    std::u16string value = line.substr(separator + 1);
    TrimRightSpaces(key);
    TrimLeftSpaces(value);
    if (key.empty() || value.empty()) {
        return;
    }
    decode.emplace_back(key, value);
    encode.emplace_back(std::move(value), std::move(key));
}

} // namespace

bool TConvTable::LoadFromFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(OpenStreamForReading(path));
    if (!file) {
        return false;
    }
    // Gathered and added at once: first definitions win, within the file and over the
    // tables loaded before.
    TPairs decode;
    TPairs encode;
    auto addGathered = [&] {
        decode_.AddPairs(std::move(decode));
        encode_.AddPairs(std::move(encode));
    };
    std::string line;
    bool afterCr = false;
    char buffer[16384];
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof(buffer), file.get());
        if (n == 0) {
            if (std::ferror(file.get()) != 0) {
                addGathered();
                return false; // the unfinished line may be cut short: drop it
            }
            break;
        }
        for (size_t k = 0; k < n; ++k) {
            const char c = buffer[k];
            if (afterCr) {
                afterCr = false;
                if (c == '\n') {
                    continue;
                }
            }
            if (c == '\n' || c == '\r') {
                AddTableLine(decode, encode, line);
                line.clear();
                afterCr = c == '\r';
                continue;
            }
            line.push_back(c);
            if (line.size() == kMaxTableLine) {
                AddTableLine(decode, encode, line);
                line.clear();
            }
        }
    }
    if (!line.empty()) {
        AddTableLine(decode, encode, line);
    }
    addGathered();
    return true;
}

std::u16string TConvTable::DecodeText(std::u16string_view s) const {
    if (decode_.Count() == 0) {
        return std::u16string(s);
    }
    return ReplaceLongest(decode_, s);
}

std::u16string TConvTable::EncodeText(std::u16string_view s) const {
    if (encode_.Count() == 0) {
        return std::u16string(s);
    }
    return ReplaceLongest(encode_, s);
}

std::u16string TConvTable::EncodeForFile(std::u16string_view s, char16_t substitute,
                                         std::int64_t& substituted) const {
    std::u16string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (pos < s.size()) {
        const int i = encode_.Count() == 0 ? -1 : MatchAt(encode_, s, pos, false);
        if (i >= 0) {
            out += encode_.GetValue(i);
            pos += encode_.GetKey(i).size();
            continue;
        }
        int found = 0;
        if (s[pos] >= 0x80 && decode_.Find(s.substr(pos, 1), found)) {
            out.push_back(substitute);
            ++substituted;
        } else {
            out.push_back(s[pos]);
        }
        ++pos;
    }
    return out;
}

int TConvTable::FirstEncodeMatch(std::u16string_view s, size_t pos) const {
    if (pos >= s.size() || encode_.Count() == 0) {
        return -1;
    }
    return MatchAt(encode_, s, pos, true);
}

int TConvTable::LongestEncodeMatch(std::u16string_view s, size_t pos) const {
    if (pos >= s.size() || encode_.Count() == 0) {
        return -1;
    }
    return MatchAt(encode_, s, pos, false);
}

// ---------------------------------------------------------------------------------------
// Charset lists and in-memory codecs

std::optional<std::string> TCharsetLists::CharsetFile(std::string_view name) const {
    return Lookup(charsets, name);
}

std::optional<std::string> TCharsetLists::SurrogateFile(std::string_view name) const {
    return Lookup(surrogates, name);
}

std::optional<std::string> TCharsetLists::HtmlCharset(std::string_view declared) const {
    return Lookup(htmlCharsets, declared);
}

std::optional<std::string> EncodeByCharset(std::string_view charset, std::u16string_view text) {
    if (SameText(charset, "OEM")) {
        return OemCodePage().FromWide(text);
    }
    if (IsUtf8Name(charset)) {
        return EncodeUtf8(text);
    }
    const bool le = SameText(charset, "UTF-16 (LE)");
    if (le || SameText(charset, "UTF-16 (BE)")) {
        std::string out;
        out.reserve(text.size() * 2);
        for (char16_t u : text) {
            const char lo = static_cast<char>(u & 0xFF);
            const char hi = static_cast<char>(u >> 8);
            out.push_back(le ? lo : hi);
            out.push_back(le ? hi : lo);
        }
        return out;
    }
    return std::nullopt;
}

std::optional<std::u16string> DecodeByCharset(std::string_view charset, std::string_view bytes) {
    if (SameText(charset, "OEM")) {
        return OemCodePage().ToWide(bytes);
    }
    if (IsUtf8Name(charset)) {
        return DecodeUtf8(bytes);
    }
    const bool le = SameText(charset, "UTF-16 (LE)");
    if (le || SameText(charset, "UTF-16 (BE)")) {
        std::u16string out;
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto first = static_cast<unsigned char>(bytes[i]);
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            out.push_back(le ? static_cast<char16_t>(first | (second << 8))
                             : static_cast<char16_t>((first << 8) | second));
        }
        return out;
    }
    return std::nullopt;
}

std::string EncodeForChecker(const TConvTable& table, std::u16string_view text) {
    std::u16string encoded = table.EncodeText(text);
    if (SameText(table.name, "UTF-8")) {
        return EncodeUtf8(encoded);
    }
    return WideToAnsi(encoded);
}

std::u16string DecodeFromChecker(const TConvTable& table, std::string_view bytes) {
    if (SameText(table.name, "UTF-8")) {
        return table.DecodeText(DecodeUtf8(bytes));
    }
    return table.DecodeText(AnsiToWide(bytes));
}

std::string TranslitToAnsi(std::u16string_view text) {
    struct Spelling {
        char16_t letter;
        const char* ansi;
    };
    static constexpr Spelling kEsperanto[] = {
        {0x0108, "Ch"}, {0x0109, "ch"}, {0x011C, "Gh"}, {0x011D, "gh"},
        {0x0124, "Hh"}, {0x0125, "hh"}, {0x0134, "Jh"}, {0x0135, "jh"},
        {0x015C, "Sh"}, {0x015D, "sh"}, {0x016C, "U"},  {0x016D, "u"},
    };
    const TCodePage& page = AnsiCodePage();
    std::string out;
    out.reserve(text.size());
    for (char16_t u : text) {
        const auto* spelling = std::find_if(std::begin(kEsperanto), std::end(kEsperanto),
                                            [u](const Spelling& e) { return e.letter == u; });
        if (spelling != std::end(kEsperanto)) {
            out += spelling->ansi;
        } else {
            const int b = page.ToByte(u);
            out.push_back(b < 0 ? '?' : static_cast<char>(b));
        }
    }
    return out;
}
