// The search and replace histories: 8-bit lists, most recent first, shared by the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Entries keep every character from U+0080 up as a decimal reference ("&#N;"), so a
// history is plain 8-bit text that the settings storage can keep as it is.
class TSearchHistory {
public:
    TSearchHistory() = default;
    // One list per purpose; copies would go stale.
    TSearchHistory(const TSearchHistory&) = delete;
    TSearchHistory& operator=(const TSearchHistory&) = delete;

    // Moves the text's 8-bit form to the top, inserting it there when it is new. Empty
    // text is not kept.
    void Add(std::u16string_view text);

    int Count() const { return static_cast<int>(items_.size()); }
    // The stored (8-bit) form of entry i; index 0 is the most recent. Raises
    // std::out_of_range for a bad index.
    const std::string& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
    // Entry i as the user picks it: references in the "&#" and "$#" forms decoded.
    std::u16string Text(int i) const;
    const std::vector<std::string>& Items() const { return items_; }

    // Replaces the entries (most recent first), as loaded from the settings storage.
    void Assign(std::vector<std::string> items) { items_ = std::move(items); }
    void Clear() { items_.clear(); }

private:
    std::vector<std::string> items_;
};

// The process-wide lists.
TSearchHistory& SearchHistory();
TSearchHistory& ReplaceHistory();
