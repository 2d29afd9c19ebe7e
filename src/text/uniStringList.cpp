// The document's line list, its undo and redo journals, and the 8-bit adapter.
#include "text/uniStringList.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "base/uniAssert.h"
#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"

namespace {

constexpr char kShadowSubstitute = 0x7F;

[[noreturn]] void RaiseSorted() {
    throw EStringListError("Operation not allowed on sorted list");
}

[[noreturn]] void RaiseDuplicate() {
    throw EStringListError("String list does not allow duplicates");
}

[[noreturn]] void RaiseCapacity(int n) {
    throw EStringListError("List capacity out of bounds (" + std::to_string(n) + ")");
}

// Ordinal comparison of UTF-16 code units (case-sensitive, no locale).
int Compare(std::u16string_view a, std::u16string_view b) {
    return a.compare(b);
}

bool StartsWithUnit(std::u16string_view line, char16_t c) {
    return !line.empty() && line.front() == c;
}

} // namespace

// Compared a block at a time: a long line's prefix is found at memory speed.
size_t CommonPrefix(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    constexpr size_t kChunk = 4096;
    size_t i = 0;
    while (i + kChunk <= n && std::memcmp(a.data() + i, b.data() + i, kChunk * 2) == 0) {
        i += kChunk;
    }
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// ---- TUndo ----

bool TUndo::WouldMerge(TUndoKind kind, int line, bool mayMerge, const TuniAbstractMemo* editor,
                       TPoint caret) const {
    if (!mayMerge || kind != ukChangeLine || records_.empty()) {
        return false;
    }
    const TUndoRec& newest = records_.back();
    return newest.kind == ukChangeLine && newest.line == line && newest.editor == editor &&
           caret.Y == newest.caretEnd.Y && caret.X == newest.caretEnd.X + 1;
}

void TUndo::Add(TUndoKind kind, int line, bool mayMerge, const TuniAbstractMemo* editor,
                std::u16string text, TPoint caret, TLineSeparator separator) {
    // Typing along one line: the newest record already holds the text from before the first
    // character, so only its end caret moves.
    if (WouldMerge(kind, line, mayMerge, editor, caret)) {
        records_.back().caretEnd = caret;
        return;
    }
    TUndoRec rec;
    rec.line = line;
    rec.kind = kind;
    rec.caretStart = caret;
    rec.caretEnd = caret;
    rec.editor = editor;
    rec.text = std::move(text);
    rec.separator = separator;
    records_.push_back(std::move(rec));
}

TUndoEntry TUndo::Pop() {
    TUndoEntry entry;
    if (records_.empty()) {
        return entry;
    }
    TUndoRec& newest = records_.back();
    entry.kind = newest.kind;
    entry.line = newest.line;
    entry.text = std::move(newest.text);
    entry.editor = newest.editor;
    entry.caretStart = newest.caretStart;
    entry.separator = newest.separator;
    records_.pop_back();
    return entry;
}

TUndoKind TUndo::PeekKind() const {
    return records_.empty() ? ukNone : records_.back().kind;
}

int TUndo::DropOldest() {
    int removed = 0;
    int balance = 0;
    do {
        if (records_.empty()) {
            break;
        }
        const TUndoKind kind = records_.front().kind;
        if (kind == ukGroupBegin) {
            ++balance;
        } else if (kind == ukGroupEnd) {
            --balance;
        }
        records_.pop_front();
        ++removed;
    } while (balance != 0);
    return removed;
}

void TUndo::Clear() {
    // Dropping group by group would end the same way; this is one pass.
    records_.clear();
}

// ---- TStringsAdapter ----

std::string TStringsAdapter::Get(int i) const {
    return EncodeNumericRefsA(source_.ExpandTabs(source_.Get(i)));
}

int TStringsAdapter::GetCount() const {
    return source_.GetCount();
}

// ---- TAnsiShadow ----

size_t TAnsiShadow::size() const {
    return static_cast<size_t>(list_.GetCount());
}

std::string TAnsiShadow::operator[](size_t i) const {
    return TWStringList::AnsiForm(list_.Get(static_cast<int>(i)));
}

std::string TAnsiShadow::at(size_t i) const {
    if (i >= size()) {
        throw std::out_of_range("8-bit line index out of range");
    }
    return (*this)[i];
}

std::vector<std::string> TAnsiShadow::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(size());
    for (size_t i = 0; i < size(); ++i) {
        lines.push_back((*this)[i]);
    }
    return lines;
}

// ---- TWStringList ----

TWStringList::TWStringList() : undo_(std::make_unique<TUndo>()), redo_(std::make_unique<TUndo>()) {}

TWStringList::~TWStringList() {
    observer_ = nullptr;
    undo_.reset();
    redo_.reset();
    items_.clear();
    ends_.clear();
}

TWStringList* TWStringList::AddRef() {
    ++refCount_;
    return this;
}

void TWStringList::Release() {
    if (--refCount_ <= 0) {
        delete this;
    }
}

void TWStringList::SetObserver(TLineListObserver* observer) {
    if (observer != nullptr && observer_ != nullptr && observer != observer_) {
        throw EStringListError("The list belongs to another document");
    }
    observer_ = observer;
}

void TWStringList::IndexError(int i) {
    throw EStringListError("List index out of bounds (" + std::to_string(i) + ")");
}

void TWStringList::Reallocate(int n) {
    const auto slots = static_cast<size_t>(n);
    if (n >= capacity_) {
        // reserve() keeps the lines where they are if it cannot allocate. The array grows
        // at least twofold, so the lines of a long load move about once, however small
        // the growth steps of the capacity are.
        if (slots > items_.capacity()) {
            items_.reserve(std::max(slots, 2 * items_.capacity()));
        }
    } else {
        // Shrinking: the new array is allocated before any line moves.
        std::vector<std::u16string> items;
        items.reserve(slots);
        std::move(items_.begin(), items_.end(), std::back_inserter(items));
        items_.swap(items);
    }
    capacity_ = n;
}

void TWStringList::SetCapacity(int n) {
    if (n < count_) {
        RaiseCapacity(n);
    }
    if (n != capacity_) {
        Reallocate(n);
    }
}

void TWStringList::Grow() {
    Reallocate(GrownCapacity(capacity_ + 1));
}

int TWStringList::GrownCapacity(int count) const {
    int capacity = capacity_;
    while (capacity < count) {
        capacity += capacity <= 256 ? 64 : capacity / 4;
    }
    return capacity;
}

const std::u16string& TWStringList::Get(int i) const {
    static const std::u16string empty;
    if (i < 0 || i >= count_) {
        return empty;
    }
    return items_[static_cast<size_t>(i)];
}

std::string TWStringList::AnsiForm(std::u16string_view line) {
    const TCodePage& page = AnsiCodePage();
    std::string out(line.size(), kShadowSubstitute);
    for (size_t i = 0; i < line.size(); ++i) {
        const char16_t unit = line[i];
        if (page.ToByte(unit) == static_cast<int>(unit)) {
            out[i] = static_cast<char>(static_cast<unsigned char>(unit));
        }
    }
    return out;
}

void TWStringList::Put(int i, std::u16string s) {
    if (sorted_) {
        RaiseSorted();
    }
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    std::u16string& item = items_[static_cast<size_t>(i)];
    // Only an observer asks where the line changed.
    const int column = observer_ != nullptr ? static_cast<int>(CommonPrefix(item, s)) : 0;
    item = std::move(s);
    if (observer_ != nullptr) {
        observer_->LinesChanged(i, i, column);
    }
}

void TWStringList::Edit(int i, const std::function<void(std::u16string&)>& edit, int from) {
    if (sorted_) {
        RaiseSorted();
    }
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    edit(items_[static_cast<size_t>(i)]);
    if (observer_ != nullptr) {
        observer_->LinesChanged(i, i, from);
    }
}

void TWStringList::InsertItem(int i, std::u16string s) {
    if (count_ == capacity_) {
        Grow();
    }
    // The array holds capacity_ slots, so the insertion neither reallocates nor throws.
    items_.insert(items_.begin() + i, std::move(s));
    if (!ends_.empty()) {
        ends_.insert(ends_.begin() + i, lsDocument);
    }
    movedSlots_ += count_ - i;
    ++count_;
    if (observer_ != nullptr) {
        observer_->LinesInserted(i, i);
    }
}

int TWStringList::Add(std::u16string s) {
    int index = count_;
    if (sorted_) {
        if (Find(s, index)) {
            if (duplicates_ == TDuplicates::Ignore) {
                return index;
            }
            if (duplicates_ == TDuplicates::Error) {
                RaiseDuplicate();
            }
        }
    }
    InsertItem(index, std::move(s));
    return index;
}

void TWStringList::Insert(int i, std::u16string s) {
    if (sorted_) {
        RaiseSorted();
    }
    if (i < 0 || i > count_) {
        IndexError(i);
    }
    InsertItem(i, std::move(s));
}

void TWStringList::Delete(int i) {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    items_.erase(items_.begin() + i);
    if (!ends_.empty()) {
        ends_.erase(ends_.begin() + i);
    }
    movedSlots_ += count_ - i - 1;
    --count_;
    if (observer_ != nullptr) {
        observer_->LinesDeleted(i, i);
    }
}

template <class It>
void TWStringList::SpliceItems(int i, int n, It first, It last) {
    const int m = static_cast<int>(std::distance(first, last));
    const int count = count_ - n + m;
    if (count > capacity_) {
        Reallocate(GrownCapacity(count));
    }
    const auto at = items_.begin() + i;
    const int common = std::min(n, m);
    std::move(first, first + common, at);
    if (m > n) {
        items_.insert(at + common, std::make_move_iterator(first + common),
                      std::make_move_iterator(last));
    } else if (n > m) {
        items_.erase(at + common, at + n);
    }
    if (!ends_.empty()) {
        // The new lines end as the document does; TLineRun puts back the ends it carried.
        const auto end = ends_.begin() + i;
        std::fill(end, end + common, lsDocument);
        if (m > n) {
            ends_.insert(end + common, static_cast<size_t>(m - n), lsDocument);
        } else if (n > m) {
            ends_.erase(end + common, end + n);
        }
    }
    if (m != n) {
        movedSlots_ += count_ - i - n;
    }
    count_ = count;
}

void TWStringList::InsertLines(int i, std::vector<std::u16string> lines) {
    if (sorted_) {
        RaiseSorted();
    }
    if (i < 0 || i > count_) {
        IndexError(i);
    }
    if (lines.empty()) {
        return;
    }
    const int n = static_cast<int>(lines.size());
    SpliceItems(i, 0, lines.begin(), lines.end());
    if (observer_ != nullptr) {
        observer_->LinesInserted(i, i + n - 1);
    }
}

void TWStringList::DeleteLines(int i, int n, const std::function<void(std::u16string&&)>& take) {
    if (i < 0 || (n > 0 && i >= count_)) {
        IndexError(i);
    }
    if (n < 0 || n > count_ - i) {
        IndexError(i + n - 1);
    }
    if (n == 0) {
        return;
    }
    const auto first = items_.begin() + i;
    if (take) {
        for (auto it = first; it != first + n; ++it) {
            take(std::move(*it));
        }
    }
    items_.erase(first, first + n);
    if (!ends_.empty()) {
        ends_.erase(ends_.begin() + i, ends_.begin() + i + n);
    }
    movedSlots_ += count_ - i - n;
    count_ -= n;
    if (observer_ != nullptr) {
        observer_->LinesDeleted(i, i + n - 1);
    }
}

std::vector<std::u16string> TWStringList::TakeLines(int i, int n) {
    std::vector<std::u16string> taken;
    taken.reserve(static_cast<size_t>(std::clamp(n, 0, count_)));
    DeleteLines(i, n, [&](std::u16string&& s) { taken.push_back(std::move(s)); });
    return taken;
}

void TWStringList::SwapItems(int i, int j) noexcept {
    std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
    if (!ends_.empty()) {
        std::swap(ends_[static_cast<size_t>(i)], ends_[static_cast<size_t>(j)]);
    }
}

void TWStringList::Exchange(int i, int j) {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    if (j < 0 || j >= count_) {
        IndexError(j);
    }
    SwapItems(i, j);
    if (observer_ != nullptr) {
        observer_->LinesChanged(i, i, 0);
        if (j != i) {
            observer_->LinesChanged(j, j, 0);
        }
    }
}

void TWStringList::Clear() {
    if (count_ != 0) {
        const int count = count_;
        std::vector<std::u16string>().swap(items_);
        std::vector<TLineSeparator>().swap(ends_);
        count_ = 0;
        capacity_ = 0;
        if (observer_ != nullptr) {
            observer_->LinesDeleted(0, count - 1);
        }
    }
    undo_->Clear();
    redo_->Clear();
}

TLineSeparator TWStringList::Separator(int i) const {
    if (ends_.empty() || i < 0 || i >= count_) {
        return lsDocument;
    }
    return ends_[static_cast<size_t>(i)];
}

void TWStringList::SetSeparator(int i, TLineSeparator s) {
    if (i < 0 || i >= count_) {
        IndexError(i);
    }
    if (ends_.empty()) {
        if (s == lsDocument) {
            return;
        }
        ends_.assign(static_cast<size_t>(count_), lsDocument);
    }
    ends_[static_cast<size_t>(i)] = s;
}

int TWStringList::OwnSeparatorCount() const {
    return static_cast<int>(std::count_if(ends_.begin(), ends_.end(),
                                          [](TLineSeparator s) { return s != lsDocument; }));
}

void TWStringList::ClearSeparators() {
    std::vector<TLineSeparator>().swap(ends_);
}

void TWStringList::SetUpdateState(bool /*updating*/) {}

void TWStringList::SetSorted(bool sorted) {
    if (sorted) {
        Sort();
    }
    sorted_ = sorted;
}

void TWStringList::Sort() {
    if (sorted_ || count_ < 2) {
        return;
    }
    QuickSort(0, count_ - 1);
    if (observer_ != nullptr) {
        observer_->LinesChanged(0, count_ - 1, 0);
    }
}

// Hoare partition around the middle element. The pivot is followed by index rather than
// copied, so sorting allocates nothing and cannot fail half-way. The smaller part is sorted
// recursively and the larger one by the loop, which bounds the depth at log2(count).
void TWStringList::QuickSort(int l, int r) {
    while (l < r) {
        int i = l;
        int j = r;
        int p = (l + r) / 2;
        do {
            while (Compare(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(p)]) < 0) {
                ++i;
            }
            while (Compare(items_[static_cast<size_t>(j)], items_[static_cast<size_t>(p)]) > 0) {
                --j;
            }
            if (i <= j) {
                if (i != j) {
                    SwapItems(i, j);
                }
                if (p == i) {
                    p = j;
                } else if (p == j) {
                    p = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - l < r - i) {
            if (l < j) {
                QuickSort(l, j);
            }
            l = i;
        } else {
            if (i < r) {
                QuickSort(i, r);
            }
            r = j;
        }
    }
}

bool TWStringList::Find(std::u16string_view s, int& index) const {
    bool found = false;
    int l = 0;
    int h = count_ - 1;
    while (l <= h) {
        const int i = (l + h) / 2;
        const int c = Compare(items_[static_cast<size_t>(i)], s);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                found = true;
                // Accepting duplicates, keep going to the first of the equal lines.
                if (duplicates_ != TDuplicates::Accept) {
                    l = i;
                }
            }
        }
    }
    index = l;
    return found;
}

bool TWStringList::FindLongestPrefix(std::u16string_view text, int& index) const {
    if (text.empty()) {
        // Only an empty line can be a prefix of empty text.
        return Find(text, index);
    }
    const char16_t first = text.front();
    int a = 0;
    Find(text.substr(0, 1), a);
    for (int i = a; i < count_ && StartsWithUnit(items_[static_cast<size_t>(i)], first); ++i) {
        if (items_[static_cast<size_t>(i)] == text) {
            index = i;
            return true;
        }
    }
    bool found = false;
    for (int i = a; i < count_; ++i) {
        const std::u16string& line = items_[static_cast<size_t>(i)];
        if (text.starts_with(line)) {
            // Later matches are longer in sorted order.
            index = i;
            found = true;
        } else if (!StartsWithUnit(line, first)) {
            break;
        }
    }
    return found;
}

int TWStringList::IndexOf(std::u16string_view s) const {
    if (sorted_) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < count_; ++i) {
        if (items_[static_cast<size_t>(i)] == s) {
            return i;
        }
    }
    return -1;
}

int TWStringList::IndexOfName(std::u16string_view name) const {
    for (int i = 0; i < count_; ++i) {
        const std::u16string_view line = items_[static_cast<size_t>(i)];
        const size_t eq = line.find(u'=');
        if (eq != std::u16string_view::npos && line.substr(0, eq) == name) {
            return i;
        }
    }
    return -1;
}

std::u16string TWStringList::GetName(int i) const {
    const std::u16string& line = Get(i);
    const size_t eq = line.find(u'=');
    return eq == std::u16string::npos ? std::u16string() : line.substr(0, eq);
}

std::u16string TWStringList::GetValue(std::u16string_view name) const {
    const int i = IndexOfName(name);
    if (i < 0) {
        return {};
    }
    const std::u16string& line = items_[static_cast<size_t>(i)];
    return line.substr(line.find(u'=') + 1);
}

std::u16string TWStringList::ExpandTabs(std::u16string_view s) const {
    return ExpandTabsBy(s, tabSize_);
}

std::u16string TWStringList::ExpandTabsBy(std::u16string_view s, int tabSize) {
    if (s.find(u'\t') == std::u16string_view::npos) {
        return std::u16string(s);
    }
    const size_t tab = static_cast<size_t>(std::max(tabSize, 1));
    std::u16string out;
    out.reserve(s.size() + tab);
    for (const char16_t c : s) {
        if (c == u'\t') {
            out.append(tab - out.size() % tab, u' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

const TStringsAdapter& TWStringList::Adapter() const {
    if (!adapter_) {
        adapter_ = std::make_unique<TStringsAdapter>(*this);
    }
    return *adapter_;
}

// ---- TLineRun ----

int TLineRun::Count() const {
    return list_.count_ - (hi_ - lo_) + static_cast<int>(window_.size());
}

const std::u16string& TLineRun::Get(int i) const {
    if (!placed_ || i < lo_) {
        return list_.Get(i);
    }
    const int end = lo_ + static_cast<int>(window_.size());
    if (i < end) {
        return window_[static_cast<size_t>(i - lo_)];
    }
    return list_.Get(i - end + hi_);
}

std::u16string& TLineRun::Slot(int i) {
    if (!placed_ || i < lo_) {
        return list_.items_[static_cast<size_t>(i)];
    }
    const int end = lo_ + static_cast<int>(window_.size());
    if (i < end) {
        return window_[static_cast<size_t>(i - lo_)];
    }
    return list_.items_[static_cast<size_t>(i - end + hi_)];
}

void TLineRun::Check(int i, int limit) const {
    if (i < 0 || i > limit) {
        TWStringList::IndexError(i);
    }
}

void TLineRun::Open() {
    open_ = true;
}

void TLineRun::Flush() {
    TLineListObserver* observer = list_.observer_;
    if (observer != nullptr && pending_ == TPending::Inserted) {
        observer->LinesInserted(at_, at_ + n_ - 1);
    } else if (observer != nullptr && pending_ == TPending::Removed) {
        observer->LinesDeleted(at_, at_ + n_ - 1);
    }
    pending_ = TPending::None;
}

void TLineRun::Reach(int i, bool line) {
    Open();
    if (!placed_) {
        placed_ = true;
        lo_ = hi_ = i;
    }
    if (i < lo_) {
        for (int k = lo_ - 1; k >= i; --k) {
            window_.push_front(std::move(list_.items_[static_cast<size_t>(k)]));
            windowEnds_.push_front(list_.Separator(k));
        }
        list_.movedSlots_ += lo_ - i;
        lo_ = i;
    }
    // Positions past the window are the list's lines from hi_ on.
    const int end = lo_ + static_cast<int>(window_.size());
    const int need = line ? i + 1 : i;
    for (int k = end; k < need; ++k) {
        PELMAR_ASSERT(hi_ < list_.count_, "the run's window reaches no line past the list's end");
        windowEnds_.push_back(list_.Separator(hi_));
        window_.push_back(std::move(list_.items_[static_cast<size_t>(hi_++)]));
        ++list_.movedSlots_;
    }
}

void TLineRun::Insert(int i, std::u16string s, TLineSeparator end) {
    if (list_.sorted_) {
        RaiseSorted();
    }
    Check(i, Count());
    Reach(i, false);
    window_.insert(window_.begin() + (i - lo_), std::move(s));
    windowEnds_.insert(windowEnds_.begin() + (i - lo_), end);
    // An insert at or right after the pending inserts, or among them, moves the lines after
    // them as one range insert of all of them would.
    if (pending_ == TPending::Inserted && i >= at_ && i <= at_ + n_) {
        ++n_;
        return;
    }
    Flush();
    pending_ = TPending::Inserted;
    at_ = i;
    n_ = 1;
}

std::u16string TLineRun::Take(int i, TLineSeparator* end) {
    Check(i, Count() - 1);
    Reach(i, true);
    const auto at = static_cast<size_t>(i - lo_);
    std::u16string s = std::move(window_[at]);
    window_.erase(window_.begin() + static_cast<std::ptrdiff_t>(at));
    if (end != nullptr) {
        *end = windowEnds_[at];
    }
    windowEnds_.erase(windowEnds_.begin() + static_cast<std::ptrdiff_t>(at));
    // The line after the pending removals or the one before them widens the range.
    if (pending_ == TPending::Removed && (i == at_ || i == at_ - 1)) {
        at_ = std::min(at_, i);
        ++n_;
        return s;
    }
    Flush();
    pending_ = TPending::Removed;
    at_ = i;
    n_ = 1;
    return s;
}

TLineSeparator TLineRun::Separator(int i) const {
    if (!placed_ || i < lo_) {
        return list_.Separator(i);
    }
    const int end = lo_ + static_cast<int>(window_.size());
    if (i < end) {
        return windowEnds_[static_cast<size_t>(i - lo_)];
    }
    return list_.Separator(i - end + hi_);
}

// A separator changes no text: it is set where the line is kept.
void TLineRun::SetSeparator(int i, TLineSeparator end) {
    Check(i, Count() - 1);
    const int windowEnd = lo_ + static_cast<int>(window_.size());
    if (placed_ && i >= lo_ && i < windowEnd) {
        windowEnds_[static_cast<size_t>(i - lo_)] = end;
    } else {
        list_.SetSeparator(placed_ && i >= windowEnd ? i - windowEnd + hi_ : i, end);
    }
}

// A new text moves no line: it goes where the line is kept.
std::u16string TLineRun::Exchange(int i, std::u16string s) {
    if (list_.sorted_) {
        RaiseSorted();
    }
    Check(i, Count() - 1);
    Open();
    Flush();
    std::u16string& slot = Slot(i);
    const int column = list_.observer_ != nullptr ? static_cast<int>(CommonPrefix(slot, s)) : 0;
    std::swap(slot, s);
    if (list_.observer_ != nullptr) {
        list_.observer_->LinesChanged(i, i, column);
    }
    return s;
}

void TLineRun::Commit() {
    Flush();
    if (!open_) {
        return;
    }
    if (placed_) {
        PELMAR_ASSERT(window_.size() == windowEnds_.size() && lo_ <= hi_,
                      "the run's window holds one separator per line and replaces lines it took");
        list_.movedSlots_ += static_cast<std::int64_t>(window_.size());
        const int at = lo_;
        const int carried = static_cast<int>(window_.size());
        list_.SpliceItems(lo_, hi_ - lo_, window_.begin(), window_.end());
        window_.clear();
        // SpliceItems gave the window's lines the document's end; put back their own.
        const bool own = std::any_of(windowEnds_.begin(), windowEnds_.end(),
                                     [](TLineSeparator s) { return s != lsDocument; });
        if (own || !list_.ends_.empty()) {
            for (int k = 0; k < carried; ++k) {
                list_.SetSeparator(at + k, windowEnds_[static_cast<size_t>(k)]);
            }
        }
        windowEnds_.clear();
    }
    open_ = placed_ = false;
    lo_ = hi_ = 0;
}
