// The editor commands: movement, deletion, new lines with smart indentation, indentation,
// case and keyboard conversion, selections, bookmarks, the clipboard, typed-text
// substitution and the requests the editor passes to its owner.
#include <algorithm>
#include <charconv>
#include <climits>

#include "base/uniCodePage.h"
#include "editor/uniMemo.h"
#include "editor/uniMemoText.h"
#include "search/RegExpr.h"

using memo_text::IsBlank;
using memo_text::Spaces;
using memo_text::UnitSpans;

namespace {

// The leading spaces and TABs of a line; all of it when it has no other character.
std::u16string LeadingWhitespace(const std::u16string& s) {
    size_t n = 0;
    while (n < s.size() && IsBlank(s[n])) {
        ++n;
    }
    return s.substr(0, n);
}

bool IsBlankLine(const std::u16string& s) {
    return std::all_of(s.begin(), s.end(), IsBlank);
}

// A code typed into the code entry box: decimal, or hexadecimal after "$", "x" or "0x".
std::optional<char32_t> ParseCode(std::u16string_view text) {
    std::string ascii;
    for (const char16_t c : text) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        if (c != u' ') {
            ascii.push_back(static_cast<char>(c));
        }
    }
    int base = 10;
    std::string_view digits = ascii;
    if (digits.starts_with('$') || digits.starts_with('x') || digits.starts_with('X')) {
        base = 16;
        digits.remove_prefix(1);
    } else if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    unsigned long value = 0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value == 0 ||
        value > 0x10FFFF) {
        return std::nullopt;
    }
    return static_cast<char32_t>(value);
}

} // namespace

// --- character classes and runs ----------------------------------------------------------

int TuniMemo::CharClass(const std::u16string& line, int x) const {
    if (x < 0 || x >= static_cast<int>(line.size())) {
        return 0;
    }
    const char16_t c = line[static_cast<size_t>(x)];
    if (IsBlank(c)) {
        return 0;
    }
    return settings_.delimiters.find(c) != std::u16string::npos ? 1 : 2;
}

int TuniMemo::RunEnd(const std::u16string& line, int x) const {
    const int len = static_cast<int>(line.size());
    if (x >= len) {
        return x;
    }
    const int cls = CharClass(line, x);
    while (x < len && CharClass(line, x) == cls) {
        ++x;
    }
    return x;
}

int TuniMemo::RunStart(const std::u16string& line, int x) const {
    const int cls = CharClass(line, x);
    while (x > 0 && CharClass(line, x - 1) == cls) {
        --x;
    }
    return x;
}

int TuniMemo::WordLeftOf(const std::u16string& line, int x) const {
    x = std::min(x, static_cast<int>(line.size()));
    while (x > 0 && CharClass(line, x - 1) == 0) {
        --x;
    }
    return x > 0 ? RunStart(line, x - 1) : 0;
}

void TuniMemo::MoveCaretCommand(TPoint caret) {
    PlaceCaretAfterEdit(caret);
    caretMoved_ = true;
}

// Editing commands place the caret without the caret-moved flag: Shift held with them does
// not make a selection.
void TuniMemo::PlaceCaretAfterEdit(TPoint caret) {
    caret_ = caret;
    tabOffset_ = 0;
}

// --- inserting and new lines -------------------------------------------------------------

void TuniMemo::InsertText(std::u16string_view text) {
    if (macroTyping_ > 0 && !text.empty()) {
        InsertTypedText(text);
        return;
    }
    const int group = OpenGroup();
    if (selMode_ != TSelectionMode::Column) {
        DeleteSelection(TUpdate::Later);
    }
    if (caret_.Y >= lines_->Count()) {
        caret_.Y = lines_->Count();
        InsertLineAt(caret_.Y, std::u16string());
    }
    std::u16string line = lines_->Get(caret_.Y);
    if (static_cast<int>(line.size()) < caret_.X) {
        line.resize(static_cast<size_t>(caret_.X), u' ');
    }
    if (tabOffset_ > 0) {
        line.insert(static_cast<size_t>(caret_.X), Spaces(tabOffset_));
        caret_.X += tabOffset_;
    }
    line.insert(static_cast<size_t>(caret_.X), text);
    SetLineText(caret_.Y, std::move(line), TMerge::No);
    CloseGroup(group);
    PlaceCaretAfterEdit({caret_.X + static_cast<int>(text.size()), caret_.Y});
    CollapseSelection();
    SetModified(true);
    repaint_ = true;
}

std::u16string TuniMemo::OuterIndent(int line, int width) const {
    for (int y = std::min(line, lines_->Count()) - 1; y >= 0; --y) {
        const std::u16string& text = lines_->Get(y);
        if (IsBlankLine(text)) {
            continue;
        }
        std::u16string ws = LeadingWhitespace(text);
        if (static_cast<int>(ws.size()) < width) {
            return ws;
        }
    }
    return {};
}

bool TuniMemo::IndentMatches(const std::u16string& pattern, const std::u16string& line) const {
    if (pattern.empty()) {
        return false;
    }
    TuniSearch search;
    search.pattern = pattern;
    search.subject = line;
    search.startPos = 1;
    search.useRegExpr = true;
    search.ignoreCase = false;
    search.wholeWord = true;
    search.delimiters = settings_.delimiters;
    try {
        return search.FindNext();
    } catch (const ERegExpr&) {
        // A broken pattern in an indentation file must not make Enter fail: it never
        // matches.
        return false;
    }
}

// The indentation of the line that follows `y` (the caret line after the split); may
// re-indent line `y` itself.
std::u16string TuniMemo::SmartIndent(int y) {
    const TIndentRules& r = settings_.indent;
    const std::u16string cur = lines_->Get(y);
    const std::u16string prev = y > 0 ? lines_->Get(y - 1) : std::u16string();
    const std::u16string wsCur = LeadingWhitespace(cur);
    const std::u16string wsPrev = LeadingWhitespace(prev);
    const auto outer = [&] { return OuterIndent(y - 1, static_cast<int>(wsPrev.size())); };
    const auto reindent = [&](const std::u16string& ws) {
        std::u16string text = ws + cur.substr(wsCur.size());
        if (text != cur) {
            SetLineText(y, text, TMerge::No);
        }
        return ws;
    };
    const auto matches = [&](const std::u16string& pattern, const std::u16string& line) {
        return IndentMatches(pattern, line);
    };
    if (matches(r.continue2, cur)) {
        if (matches(r.end, prev) || matches(r.cont, prev)) {
            return wsCur + u'\t';
        }
        if (matches(r.begin2, prev)) {
            return reindent(wsPrev) + u'\t';
        }
        reindent(outer());
        return wsPrev;
    }
    if (matches(r.begin2, cur)) {
        return wsCur + u'\t';
    }
    if (matches(r.cont, cur)) {
        if (matches(r.begin, prev)) {
            return reindent(wsPrev) + u'\t';
        }
        reindent(outer());
        return wsPrev;
    }
    if (matches(r.begin, cur)) {
        return wsCur + u'\t';
    }
    if (!matches(r.end, cur)) {
        return wsCur;
    }
    if (matches(r.begin, prev) || matches(r.cont, prev)) {
        return reindent(wsPrev);
    }
    return reindent(outer());
}

void TuniMemo::SplitCaretLine(bool smart) {
    const int group = OpenGroup();
    if (smart) {
        DeleteSelection(TUpdate::Later);
    }
    if (caret_.Y >= lines_->Count()) {
        caret_.Y = lines_->Count();
        InsertLineAt(caret_.Y, std::u16string());
    }
    const int y = caret_.Y;
    const std::u16string line = lines_->Get(y);
    const size_t at = std::min(static_cast<size_t>(caret_.X), line.size());
    const std::u16string head = line.substr(0, at);
    const std::u16string tail = line.substr(at);
    if (head != line) {
        SetLineText(y, head, TMerge::No);
    }
    std::u16string indent;
    if (smart) {
        indent = SmartIndent(y);
        if (indent.empty() && settings_.autoIndent) {
            indent = LeadingWhitespace(lines_->Get(y));
        }
    } else if (!IsBlankLine(head)) {
        indent = LeadingWhitespace(head);
    }
    InsertLineAt(y + 1, indent + tail);
    CarrySeparator(y, y + 1);
    CloseGroup(group);
    PlaceCaretAfterEdit({static_cast<int>(indent.size()), y + 1});
    CollapseSelection();
    SetModified(true);
    repaint_ = true;
}

void TuniMemo::NewLine() {
    if (!wantReturns_) {
        keyHandled_ = false;
        return;
    }
    SplitCaretLine(true);
}

void TuniMemo::NewLineIndent() {
    if (!wantReturns_) {
        keyHandled_ = false;
        return;
    }
    SplitCaretLine(false);
}

void TuniMemo::InsertTab() {
    if (!wantTabs_) {
        keyHandled_ = false;
        return;
    }
    TypeChar(u'\t');
}

// --- deleting ----------------------------------------------------------------------------

void TuniMemo::Backspace() {
    if (HasSelectedText()) {
        DeleteSelection(TUpdate::Later);
        return;
    }
    const int count = lines_->Count();
    tabOffset_ = 0;
    if (caret_.X > 0) {
        if (caret_.Y >= count) {
            PlaceCaretAfterEdit({caret_.X - 1, caret_.Y});
            return;
        }
        std::u16string line = lines_->Get(caret_.Y);
        const int len = static_cast<int>(line.size());
        const size_t before = std::min(static_cast<size_t>(caret_.X), line.size());
        const bool inLeading = IsBlankLine(line.substr(0, before));
        if (settings_.autoIndent && inLeading) {
            std::u16string indent = OuterIndent(caret_.Y, caret_.X);
            line.replace(0, before, indent);
            SetLineText(caret_.Y, std::move(line), TMerge::No);
            PlaceCaretAfterEdit({static_cast<int>(indent.size()), caret_.Y});
            SetModified(true);
        } else if (caret_.X > len) {
            PlaceCaretAfterEdit({caret_.X - 1, caret_.Y});
        } else {
            line.erase(static_cast<size_t>(caret_.X - 1), 1);
            SetLineText(caret_.Y, std::move(line), TMerge::Yes);
            PlaceCaretAfterEdit({caret_.X - 1, caret_.Y});
            SetModified(true);
        }
        repaint_ = true;
        return;
    }
    if (caret_.Y == 0) {
        return;
    }
    if (caret_.Y >= count) {
        PlaceCaretAfterEdit({static_cast<int>(lines_->Get(count - 1).size()), count - 1});
        return;
    }
    const int y = caret_.Y;
    const std::u16string& above = lines_->Get(y - 1);
    const int joinAt = static_cast<int>(above.size());
    const int group = OpenGroup();
    SetLineText(y - 1, above + lines_->Get(y), TMerge::No);
    SetLineSeparator(y - 1, lines_->Separator(y));
    RemoveLineAt(y);
    CloseGroup(group);
    PlaceCaretAfterEdit({joinAt, y - 1});
    SetModified(true);
    repaint_ = true;
}

void TuniMemo::DeleteChar() {
    if (HasSelectedText()) {
        DeleteSelection(TUpdate::Later);
        return;
    }
    const int y = caret_.Y;
    if (y >= lines_->Count()) {
        return;
    }
    std::u16string line = lines_->Get(y);
    if (caret_.X < static_cast<int>(line.size())) {
        line.erase(static_cast<size_t>(caret_.X), 1);
        SetLineText(y, std::move(line), TMerge::Yes);
    } else if (y + 1 < lines_->Count()) {
        line.resize(static_cast<size_t>(caret_.X), u' ');
        line += lines_->Get(y + 1);
        const int group = OpenGroup();
        SetLineText(y, std::move(line), TMerge::No);
        SetLineSeparator(y, lines_->Separator(y + 1));
        RemoveLineAt(y + 1);
        CloseGroup(group);
    } else {
        return;
    }
    SetModified(true);
    repaint_ = true;
}

void TuniMemo::DeleteLine() {
    if (!wantReturns_) {
        keyHandled_ = false;
        return;
    }
    const int count = lines_->Count();
    const int y = caret_.Y;
    if (y >= count) {
        return;
    }
    const auto removeWholeLine = [&] {
        if (y == count - 1) {
            if (!lines_->Get(y).empty()) {
                SetLineText(y, std::u16string(), TMerge::No);
            }
        } else {
            RemoveLineAt(y);
        }
    };
    if (!wordWrap_) {
        removeWholeLine();
        caret_.X =
            VirtualSpace() ? caret_.X : std::min(caret_.X, static_cast<int>(lines_->Get(y).size()));
        tabOffset_ = 0;
    } else {
        const TPoint pixel = CaretPixel();
        MoveCaretToPixel({0, pixel.Y}, false);
        const TPoint rowStart = caret_;
        MoveCaretToPixel({INT_MAX / 2, pixel.Y}, false);
        const std::u16string& line = lines_->Get(y);
        int end = caret_.X;
        // Every row but a line's last ends where the next one starts.
        if (end < static_cast<int>(line.size()) && end > rowStart.X) {
            const TPoint below =
                map_.PixelToPos({0, pixel.Y + metrics_.lineHeight}, firstRow_, false, metrics_);
            if (topLine_ + below.Y == y && below.X > end) {
                end = below.X;
            }
        }
        caret_ = {rowStart.X, y};
        if (rowStart.Y != y || (rowStart.X == 0 && end >= static_cast<int>(line.size()))) {
            removeWholeLine();
        } else {
            std::u16string text = line;
            text.erase(static_cast<size_t>(rowStart.X), static_cast<size_t>(end - rowStart.X));
            SetLineText(y, std::move(text), TMerge::No);
        }
        layoutDirty_ = true;
        MoveCaretToPixel(pixel, true);
    }
    DropSelection();
    SetModified(true);
    fullRepaint_ = repaint_ = true;
}

void TuniMemo::DeleteWord() {
    if (HasSelectedText()) {
        DeleteSelection(TUpdate::Later);
        return;
    }
    if (caret_.Y >= lines_->Count()) {
        return;
    }
    std::u16string line = lines_->Get(caret_.Y);
    const int end = RunEnd(line, caret_.X);
    if (end <= caret_.X) {
        return;
    }
    line.erase(static_cast<size_t>(caret_.X), static_cast<size_t>(end - caret_.X));
    SetLineText(caret_.Y, std::move(line), TMerge::No);
    SetModified(true);
    repaint_ = true;
}

void TuniMemo::DeleteWordBack() {
    if (caret_.Y >= lines_->Count()) {
        return;
    }
    std::u16string line = lines_->Get(caret_.Y);
    const int from = WordLeftOf(line, caret_.X);
    const int to = std::min(caret_.X, static_cast<int>(line.size()));
    if (from < to) {
        line.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
        SetLineText(caret_.Y, std::move(line), TMerge::No);
        SetModified(true);
    }
    PlaceCaretAfterEdit({from, caret_.Y});
    repaint_ = true;
}

void TuniMemo::CutSelection() {
    if (!HasSelectedText()) {
        return;
    }
    CopyClipboard();
    DeleteSelection(TUpdate::Later);
}

// --- indentation -------------------------------------------------------------------------

// The existing lines of the selection (one that ends at column 0 leaves its last line
// out), or the caret line.
std::pair<int, int> TuniMemo::CommandLines() const {
    int first = caret_.Y;
    int last = caret_.Y;
    if (HasSelectedText()) {
        const TNormalSelection n = NormalSelection();
        first = n.start.Y;
        last = n.end.Y;
        if (n.mode == TSelectionMode::Stream && n.end.X == 0 && last > first) {
            --last;
        }
    }
    return {first, std::min(last, lines_->Count() - 1)};
}

void TuniMemo::IndentSelection() {
    const auto [first, last] = CommandLines();
    if (first > last) {
        return;
    }
    const int group = OpenGroup();
    for (int y = first; y <= last; ++y) {
        SetLineText(y, u'\t' + lines_->Get(y), TMerge::No);
    }
    CloseGroup(group);
    SetModified(true);
    fullRepaint_ = repaint_ = true;
}

void TuniMemo::UnindentSelection() {
    const auto [first, last] = CommandLines();
    const int group = OpenGroup();
    bool changed = false;
    for (int y = first; y <= last; ++y) {
        const std::u16string& line = lines_->Get(y);
        if (!line.empty() && line.front() == u'\t') {
            SetLineText(y, line.substr(1), TMerge::No);
            changed = true;
        }
    }
    CloseGroup(group);
    if (changed) {
        SetModified(true);
    }
    fullRepaint_ = repaint_ = true;
}

void TuniMemo::BackIndent() {
    if (caret_.Y >= lines_->Count()) {
        return;
    }
    const std::u16string line = lines_->Get(caret_.Y);
    const std::u16string ws = LeadingWhitespace(line);
    const int width = ws.size() == line.size() ? caret_.X : static_cast<int>(ws.size());
    const std::u16string indent = OuterIndent(caret_.Y, width);
    std::u16string text = indent + line.substr(ws.size());
    const int group = OpenGroup();
    if (text != line) {
        SetLineText(caret_.Y, std::move(text), TMerge::No);
        SetModified(true);
    }
    CloseGroup(group);
    PlaceCaretAfterEdit({static_cast<int>(indent.size()), caret_.Y});
    repaint_ = true;
}

// --- case and keyboard tables ------------------------------------------------------------

void TuniMemo::ConvertSelection(const std::u16string& from, const std::u16string& to) {
    const size_t n = std::min(from.size(), to.size());
    const auto convert = [&](char16_t c) {
        const size_t i = from.find(c);
        return i < n ? to[i] : c;
    };
    // The document is marked modified once: the owner refreshes every view of it then.
    bool converted = false;
    const auto convertRange = [&](int y, int begin, int end, const std::vector<bool>* pick) {
        std::u16string text = lines_->Get(y);
        begin = std::clamp(begin, 0, static_cast<int>(text.size()));
        end = std::clamp(end, begin, static_cast<int>(text.size()));
        bool changed = false;
        for (int x = begin; x < end; ++x) {
            if (pick != nullptr && !(*pick)[static_cast<size_t>(x)]) {
                continue;
            }
            char16_t& c = text[static_cast<size_t>(x)];
            const char16_t d = convert(c);
            changed = changed || d != c;
            c = d;
        }
        if (changed) {
            SetLineText(y, std::move(text), TMerge::No);
            converted = true;
        }
    };
    const int group = OpenGroup();
    if (HasSelectedText()) {
        const TNormalSelection s = NormalSelection();
        for (int y = s.start.Y; y <= s.end.Y && y < lines_->Count(); ++y) {
            if (s.mode == TSelectionMode::Column) {
                const std::u16string& text = lines_->Get(y);
                const auto spans = UnitSpans(text, *platform_.measurer, metrics_.charWidth,
                                             std::max(settings_.tabSize, 1));
                std::vector<bool> pick(text.size());
                for (size_t i = 0; i < spans.size(); ++i) {
                    pick[i] = spans[i].start >= s.start.X && spans[i].start < s.end.X;
                }
                convertRange(y, 0, static_cast<int>(text.size()), &pick);
            } else {
                convertRange(y, y == s.start.Y ? s.start.X : 0, y == s.end.Y ? s.end.X : INT_MAX,
                             nullptr);
            }
        }
    } else if (caret_.Y < lines_->Count()) {
        const std::u16string& text = lines_->Get(caret_.Y);
        int begin = std::min(caret_.X, static_cast<int>(text.size()));
        int end = begin;
        while (begin > 0 && !IsBlank(text[static_cast<size_t>(begin - 1)])) {
            --begin;
        }
        while (end < static_cast<int>(text.size()) && !IsBlank(text[static_cast<size_t>(end)])) {
            ++end;
        }
        convertRange(caret_.Y, begin, end, nullptr);
    }
    CloseGroup(group);
    if (converted) {
        SetModified(true);
    }
    fullRepaint_ = repaint_ = true;
}

void TuniMemo::SelectionToUpper() {
    ConvertSelection(settings_.lowerCase, settings_.upperCase);
}

void TuniMemo::SelectionToLower() {
    ConvertSelection(settings_.upperCase, settings_.lowerCase);
}

void TuniMemo::KeyboardPrev() {
    ConvertSelection(settings_.kbd2, settings_.kbd1);
}

void TuniMemo::KeyboardNext() {
    ConvertSelection(settings_.kbd1, settings_.kbd2);
}

// --- selections --------------------------------------------------------------------------

void TuniMemo::SelectAll() {
    const int last = std::max(lines_->Count() - 1, 0);
    const TPoint end{static_cast<int>(lines_->Get(last).size()), last};
    Select({0, 0}, end, TSelectionMode::Stream);
    caret_ = end;
    tabOffset_ = 0;
}

void TuniMemo::Unselect() {
    CollapseSelection();
}

void TuniMemo::SelectWord() {
    selMode_ = TSelectionMode::Stream;
    const std::u16string& line = lines_->Get(caret_.Y);
    const int x = std::min(caret_.X, static_cast<int>(line.size()));
    int start = x;
    int end = x;
    if (CharClass(line, x) != 2) {
        // On a blank or a delimiter the run left of it is meant.
        if (x > 0) {
            start = RunStart(line, x - 1);
            end = x;
        }
    } else {
        start = RunStart(line, x);
        end = RunEnd(line, x);
    }
    if (start == end) {
        // Nothing to the left: the next run after the blanks.
        start = x;
        while (start < static_cast<int>(line.size()) && CharClass(line, start) == 0) {
            ++start;
        }
        end = RunEnd(line, start);
    }
    Select({start, caret_.Y}, {end, caret_.Y}, TSelectionMode::Stream);
    caret_ = {end, caret_.Y};
    tabOffset_ = 0;
}

void TuniMemo::SelectLine() {
    const int y = std::min(caret_.Y, std::max(lines_->Count() - 1, 0));
    const TPoint end = y + 1 < lines_->Count() ? TPoint{0, y + 1}
                                               : TPoint{static_cast<int>(lines_->Get(y).size()), y};
    Select({0, y}, end, TSelectionMode::Stream);
    caret_ = end;
    tabOffset_ = 0;
}

// --- movement ----------------------------------------------------------------------------

void TuniMemo::CaretRight() {
    // Stops at the end of the text, or kMaxVirtualColumn past it in virtual space.
    const int limit = LimitColumn(INT_MAX, caret_.Y, VirtualSpace());
    MoveCaretCommand({caret_.X < limit ? caret_.X + 1 : caret_.X, caret_.Y});
}

void TuniMemo::CaretLeft() {
    if (tabOffset_ > 0) {
        MoveCaretCommand(caret_); // from inside a TAB's expansion to its start
    } else if (caret_.X > 0) {
        MoveCaretCommand({caret_.X - 1, caret_.Y});
    } else if (caret_.Y > 0) {
        const int y = std::min(caret_.Y - 1, std::max(lines_->Count() - 1, 0));
        MoveCaretCommand({static_cast<int>(lines_->Get(y).size()), y});
    }
}

void TuniMemo::WordRight() {
    const std::u16string& line = lines_->Get(caret_.Y);
    const int len = static_cast<int>(line.size());
    int x = caret_.X;
    if (x < len) {
        x = RunEnd(line, x);
        while (x < len && CharClass(line, x) == 0) {
            ++x;
        }
    }
    MoveCaretCommand({x, caret_.Y});
}

void TuniMemo::WordLeft() {
    MoveCaretCommand({WordLeftOf(lines_->Get(caret_.Y), caret_.X), caret_.Y});
}

void TuniMemo::CaretDown() {
    TPoint p = CaretPixel();
    p.Y += metrics_.lineHeight;
    MoveCaretToPixel(p, true);
    caretMoved_ = true;
}

void TuniMemo::CaretUp() {
    TPoint p = CaretPixel();
    p.Y -= metrics_.lineHeight;
    MoveCaretToPixel(p, true);
    caretMoved_ = true;
}

void TuniMemo::ScrollDown() {
    EnsureLayout();
    const int n = VisibleRows();
    const int lastLine = lines_->Count() - 1;
    // The last visible row is the document's last row: there is nothing to scroll to.
    const int bottom = firstRow_ + n;
    const bool rowBelow =
        bottom < map_.RowCount() ? topLine_ + map_.RowLine(bottom) <= lastLine : false;
    if (!rowBelow) {
        CaretDown();
        return;
    }
    const TPoint p = CaretPixel();
    MoveCaretToPixel({p.X, n * metrics_.lineHeight}, true);
    MoveCaretToPixel(p, true);
    caretMoved_ = true;
}

void TuniMemo::ScrollUp() {
    if (topLine_ == 0 && firstRow_ == 0) {
        CaretUp();
        return;
    }
    const TPoint p = CaretPixel();
    MoveCaretToPixel({p.X, -metrics_.lineHeight}, true);
    MoveCaretToPixel(p, true);
    caretMoved_ = true;
}

void TuniMemo::LineHome() {
    const TPoint p = CaretPixel();
    MoveCaretToPixel({0, p.Y}, false);
    caretMoved_ = true;
}

void TuniMemo::LineEnd() {
    const std::u16string& line = lines_->Get(caret_.Y);
    if (!wordWrap_) {
        MoveCaretCommand({static_cast<int>(line.size()), caret_.Y});
        return;
    }
    const TPoint p = CaretPixel();
    MoveCaretToPixel({INT_MAX / 2, p.Y}, false);
    const std::u16string& text = lines_->Get(caret_.Y);
    const size_t x = static_cast<size_t>(caret_.X);
    // A wrapped row that ends in a blank: the caret stays on that row, before the blank.
    if (x > 0 && x < text.size() && IsBlank(text[x - 1])) {
        --caret_.X;
    }
    caretMoved_ = true;
}

void TuniMemo::TextTop() {
    MoveCaretCommand({0, 0});
    topLine_ = 0;
    firstRow_ = 0;
    RebuildMap();
    repaint_ = true;
}

void TuniMemo::TextBottom() {
    const int last = std::max(lines_->Count() - 1, 0);
    MoveCaretCommand({static_cast<int>(lines_->Get(last).size()), last});
    firstRow_ = 0;
    layoutDirty_ = true;
    repaint_ = true;
}

void TuniMemo::PageUp() {
    Page(TPageDirection::Up);
    caretMoved_ = true;
    repaint_ = true;
}

void TuniMemo::PageDown() {
    if (Page(TPageDirection::Down) == TPageResult::ReachedEnd) {
        TextBottom();
    }
    caretMoved_ = true;
    repaint_ = true;
}

// --- bookmarks, modes and requests -------------------------------------------------------

void TuniMemo::SetBookmark(int n) {
    SetBookmarkAt(n, caret_);
}

void TuniMemo::GotoBookmark(int n) {
    const TPoint mark = Bookmark(n);
    if (mark.Y >= 0) {
        MoveCaretCommand(mark);
    }
}

void TuniMemo::MatchBracket() {
    if (colorer_ == nullptr) {
        return;
    }
    UpdateColorerWindow();
    if (!colorer_->IsOnPair(caret_.X, caret_.Y)) {
        return;
    }
    TPoint partner = caret_;
    colorer_->FindPair(partner.X, partner.Y);
    if (partner != caret_) {
        MoveCaretCommand(partner);
    }
    fullRepaint_ = repaint_ = layoutDirty_ = true;
}

void TuniMemo::ToggleOverwrite() {
    overwrite_ = !overwrite_;
    repaint_ = true;
}

void TuniMemo::ToggleWrap() {
    SetWordWrap(!wordWrap_);
    horzScroll_ = 0;
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    UpdateView();
}

void TuniMemo::ToggleMaximize() {
    listeners_.TellAll([&](TMemoListener& l) { l.MaximizeToggleRequested(*this); });
}

void TuniMemo::RunCompiler(const std::string& name) {
    listeners_.TellAll([&](TMemoListener& l) { l.CompileRequested(*this, name); });
}

void TuniMemo::RunFilter(const std::string& name) {
    listeners_.TellAll([&](TMemoListener& l) { l.FilterRequested(*this, name); });
}

void TuniMemo::EnterUnicode() {
    if (platform_.questions == nullptr) {
        return;
    }
    const TPoint p = CaretPixel();
    const int x = p.X - horzScroll_ * metrics_.charWidth + settings_.gutterWidth;
    const std::optional<std::u16string> text =
        platform_.questions->EnterCode(x, p.Y - 1, std::max(settings_.fontSize - 1, 1));
    if (!text) {
        return;
    }
    const std::optional<char32_t> code = ParseCode(*text);
    if (!code) {
        return;
    }
    if (*code <= 0xFFFF) {
        TypeChar(static_cast<char16_t>(*code));
    } else {
        const char32_t v = *code - 0x10000;
        TypeChar(static_cast<char16_t>(0xD800 + (v >> 10)));
        TypeChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    }
}

// --- the clipboard -----------------------------------------------------------------------

std::vector<std::u16string> TuniMemo::SelectionLines(bool padColumns) const {
    std::vector<std::u16string> texts;
    if (!selActive_) {
        return texts;
    }
    const TNormalSelection n = NormalSelection();
    for (int y = n.start.Y; y <= n.end.Y && y < lines_->Count(); ++y) {
        texts.push_back(SelectedPart(n, y, padColumns));
    }
    return texts;
}

// Lines end in LF, the platform's own separator: other programs take the text as they
// take their own.
std::u16string TuniMemo::SelectionAsText() const {
    std::u16string text;
    if (!HasSelectedText()) {
        return text;
    }
    const std::vector<std::u16string> lines = SelectionLines(true);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += u'\n';
        }
        text += lines[i];
    }
    return text;
}

void TuniMemo::CopyClipboard() {
    if (platform_.clipboard == nullptr || !HasSelectedText()) {
        return;
    }
    const std::u16string text = SelectionAsText();
    if (text.empty()) {
        return;
    }
    platform_.clipboard->SetText(text, WideToAnsi(text), selMode_ == TSelectionMode::Column);
}

void TuniMemo::PasteClipboard() {
    if (platform_.clipboard == nullptr) {
        return;
    }
    const std::optional<TClipboardText> content = platform_.clipboard->GetText();
    if (!content || (!content->utf16 && !content->ansi)) {
        return;
    }
    PasteText(content->utf16 ? *content->utf16 : AnsiToWide(*content->ansi),
              content->columnBlock ? TSelectionMode::Column : TSelectionMode::Stream);
}

void TuniMemo::PasteText(const std::u16string& text, TSelectionMode block) {
    if (text.empty()) {
        return;
    }
    // CR LF, CR and LF each end a line.
    std::vector<std::u16string> pieces(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    const TSelectionMode mode = block == TSelectionMode::Column && !wordWrap_ && !proportional_
                                    ? TSelectionMode::Column
                                    : TSelectionMode::Stream;
    const int group = OpenGroup();
    DeleteSelection(TUpdate::Later);
    if (tabOffset_ > 0 && mode == TSelectionMode::Stream) {
        // Inside a TAB's expansion: the text goes where the caret is drawn.
        InsertLinesAtCaret({Spaces(tabOffset_)}, TSelectionMode::Stream);
    }
    tabOffset_ = 0;
    InsertLinesAtCaret(pieces, mode);
    CloseGroup(group);
    SetModified(true);
    CollapseSelection();
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    UpdateView();
}

// --- typed-text substitution -------------------------------------------------------------

void TuniMemo::BuildSubstitutionKeys(const TSubstitutions& substitutions) {
    substKeys_->Clear();
    substValues_.clear();
    substMaxKey_ = 0;
    std::vector<std::u16string> keys;
    for (const auto& [typed, replacement] : substitutions.pairs) {
        if (typed.empty()) {
            continue;
        }
        std::u16string reversed(typed.rbegin(), typed.rend());
        // The first table line of a key wins.
        if (substValues_.emplace(reversed, replacement).second) {
            keys.push_back(std::move(reversed));
            substMaxKey_ = std::max(substMaxKey_, static_cast<int>(typed.size()));
        }
    }
    AddSortedLines(*substKeys_, std::move(keys));
}

void TuniMemo::CopySubstitutions(const TuniMemo& from) {
    if (&from == this) {
        return;
    }
    substitutions_->Clear();
    std::vector<std::u16string> lines;
    for (int i = 0; i < from.substitutions_->Count(); ++i) {
        lines.push_back(from.substitutions_->Get(i));
    }
    AddSortedLines(*substitutions_, std::move(lines));
    substKeys_->Clear();
    std::vector<std::u16string> keys;
    for (int i = 0; i < from.substKeys_->Count(); ++i) {
        keys.push_back(from.substKeys_->Get(i));
    }
    AddSortedLines(*substKeys_, std::move(keys));
    substValues_ = from.substValues_;
    substMaxKey_ = from.substMaxKey_;
}

void TuniMemo::Substitute() {
    if (substMaxKey_ == 0 || caret_.Y >= lines_->Count()) {
        return;
    }
    std::u16string line = lines_->Get(caret_.Y);
    const int x = std::min(caret_.X, static_cast<int>(line.size()));
    const int n = std::min(substMaxKey_, x);
    const std::u16string before(line.rbegin() + (static_cast<int>(line.size()) - x),
                                line.rbegin() + (static_cast<int>(line.size()) - x + n));
    int index = -1;
    if (!substKeys_->FindLongestPrefix(before, index)) {
        return;
    }
    const std::u16string& key = substKeys_->Get(index);
    const auto it = substValues_.find(key);
    if (it == substValues_.end() || it->second.empty()) {
        return;
    }
    const int keyLength = static_cast<int>(key.size());
    line.replace(static_cast<size_t>(x - keyLength), static_cast<size_t>(keyLength), it->second);
    caret_.X += static_cast<int>(it->second.size()) - keyLength;
    SetLineText(caret_.Y, std::move(line), TMerge::No);
    SetSelStart(caret_);
    SetSelEnd(caret_);
    repaint_ = true;
}
