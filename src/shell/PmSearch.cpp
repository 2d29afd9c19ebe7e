// The search commands' rules that need no toolkit.
#include "shell/PmSearch.h"

#include <algorithm>

#include "search/searchHistory.h"
#include "storage/PelmarStorage.h"

void LoadSearchHistories(TPelmarStorage& storage) {
    std::vector<std::string> items = SearchHistory().Items();
    storage.SearchHistory().LoadStrings(items);
    SearchHistory().Assign(std::move(items));
    items = ReplaceHistory().Items();
    storage.ReplaceHistory().LoadStrings(items);
    ReplaceHistory().Assign(std::move(items));
}

void SaveSearchHistories(TPelmarStorage& storage) {
    storage.SearchHistory().SaveStrings(SearchHistory().Items());
    storage.ReplaceHistory().SaveStrings(ReplaceHistory().Items());
}

bool GotoKeyAccepted(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == 8 || c == 13 || c == 27;
}

void AddGotoItem(std::vector<std::u16string>& items, std::u16string_view text) {
    if (text.empty()) {
        return;
    }
    const auto it = std::find(items.begin(), items.end(), text);
    if (it != items.end()) {
        items.erase(it);
    }
    items.emplace_back(text);
}

std::optional<int> GotoLineNumber(std::u16string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    long long n = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        n = n * 10 + (c - u'0');
        if (n > 0x7FFFFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<int>(n);
}

namespace {

std::u16string Number(int n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

std::u16string MatchCountText(const TuniMemo::TMatchCount& count, std::u16string_view of) {
    const std::u16string total = Number(count.total) + (count.complete ? u"" : u"+");
    std::u16string text = count.index > 0 ? Number(count.index) : std::u16string(u"?");
    text += u' ';
    text += of;
    text += u' ';
    text += total;
    return text;
}
