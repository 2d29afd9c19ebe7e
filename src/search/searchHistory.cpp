// The search and replace histories.
#include "search/searchHistory.h"

#include <algorithm>

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"

void TSearchHistory::Add(std::u16string_view text) {
    if (text.empty()) {
        return;
    }
    std::string entry = EncodeNumericRefsA(text);
    auto it = std::find(items_.begin(), items_.end(), entry);
    if (it != items_.end()) {
        items_.erase(it);
    }
    items_.insert(items_.begin(), std::move(entry));
}

std::u16string TSearchHistory::Text(int i) const {
    return DecodeNumericRefs(AnsiToWide(Item(i)), TRefForms::AmpersandOrDollar);
}

TSearchHistory& SearchHistory() {
    static TSearchHistory history;
    return history;
}

TSearchHistory& ReplaceHistory() {
    static TSearchHistory history;
    return history;
}
