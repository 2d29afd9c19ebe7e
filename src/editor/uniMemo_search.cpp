// Search and replace over the document: forward and backward search from the caret,
// interactive replace with Yes/No/Cancel/All, the word at the caret and the word search.
#include <algorithm>
#include <climits>
#include <vector>

#include "editor/uniMemo.h"
#include "search/searchHistory.h"

// One code unit to one code unit: `fold` gives the case the literal search compares in,
// `invert` the other case of a letter (the expression engine's i modifier).
namespace {
struct TCaseTables {
    std::vector<char16_t> fold;
    std::vector<char16_t> invert;
};
} // namespace

struct TuniMemo::TSearchCase : TCaseTables {
    std::u16string upper;
    std::u16string lower;
};

namespace {

constexpr std::u16string_view kInfoCaption = u"Information";
constexpr std::u16string_view kNotFoundDefault = u"Pattern not found!";
constexpr std::u16string_view kReplaceDefault = u"Pattern found! Replace it?";

// The letters whose cases lie a fixed distance apart, for documents whose profile gives
// no case strings: [first upper, last upper, distance to lower, excluded unit].
struct TCaseRange {
    char16_t first;
    char16_t last;
    char16_t distance;
    char16_t except;
};
constexpr TCaseRange kSimpleCases[] = {
    {u'A', u'Z', 32, 0},          // Latin
    {0x00C0, 0x00DE, 32, 0x00D7}, // Latin-1 letters (not the multiplication sign)
    {0x0391, 0x03A9, 32, 0x03A2}, // Greek
    {0x0410, 0x042F, 32, 0},      // Cyrillic
    {0x0400, 0x040F, 80, 0},      // Cyrillic with marks
};

// Busy cursor for as long as the object lives, also when the search raises.
class TBusyScope {
public:
    explicit TBusyScope(TBusyCursor* cursor) : cursor_(cursor) {
        if (cursor_ != nullptr) {
            cursor_->SetBusy(true);
        }
    }
    ~TBusyScope() {
        if (cursor_ != nullptr) {
            cursor_->SetBusy(false);
        }
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TBusyCursor* cursor_;
};

// The matches of the configured engine in one subject, 1-based as the engine counts. A
// literal case-insensitive search compares folded copies, made once per subject; an
// expression search hands the subject to the engine once and searches it from any
// position, so enumerating the matches of a long line costs one pass, not one per match.
class TScan {
public:
    TScan(TuniSearch& engine, const std::vector<char16_t>& fold)
        : engine_(engine), fold_(fold), folding_(!engine.useRegExpr && engine.ignoreCase) {
        if (folding_) {
            Fold(engine.pattern, pattern_);
        } else {
            pattern_ = engine.pattern;
        }
    }

    // The view must stay valid while the subject is searched.
    void SetSubject(std::u16string_view text) {
        subject_ = text;
        if (engine_.useRegExpr) {
            engine_.Regex().SetInputString(text, TRegExpr::TInputEnd::WholeText);
        } else if (folding_) {
            Fold(text, folded_);
        }
    }
    // An expression's subject searched where it lies: see TRegExpr::BorrowInput.
    void BorrowSubject(std::u16string_view text) {
        subject_ = text;
        engine_.Regex().BorrowInput(text);
    }
    int Size() const { return static_cast<int>(subject_.size()); }

    // The first match at or after `pos` that passes the whole-word test; with `lastStart`
    // only one starting at or before it, and the search stops there.
    bool MatchFrom(int pos, int& matchPos, int& matchLen, int lastStart = INT_MAX) {
        const int size = Size();
        if (pos < 1 || pos > size + 1 || pos > lastStart || pattern_.empty()) {
            return false;
        }
        for (;;) {
            if (!Candidate(pos, matchPos, matchLen, lastStart)) {
                return false;
            }
            if (!engine_.wholeWord || WholeWordAt(matchPos, matchLen)) {
                return true;
            }
            pos = matchPos + 1;
            if (pos > size || pos > lastStart) {
                return false;
            }
        }
    }

    // The replacement for the match the engine found last.
    std::u16string Replacement(std::u16string_view tmpl) {
        std::u16string out;
        engine_.Substitute(tmpl, out);
        return out;
    }
    bool RegExpr() const { return engine_.useRegExpr; }

private:
    void Fold(std::u16string_view text, std::u16string& out) const {
        out.resize(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            out[i] = fold_[text[i]];
        }
    }

    bool Candidate(int pos, int& matchPos, int& matchLen, int lastStart) {
        if (engine_.useRegExpr) {
            TRegExpr& regex = engine_.Regex();
            if (!regex.ExecPos(pos, lastStart) || regex.MatchPos(0) > Size() + 1) {
                return false;
            }
            matchPos = regex.MatchPos(0);
            matchLen = regex.MatchLen(0);
            return true;
        }
        const std::u16string_view hay = folding_ ? std::u16string_view(folded_) : subject_;
        const size_t hit = hay.find(pattern_, static_cast<size_t>(pos - 1));
        if (hit == std::u16string_view::npos || hit >= static_cast<size_t>(lastStart)) {
            return false;
        }
        matchPos = static_cast<int>(hit) + 1;
        matchLen = static_cast<int>(pattern_.size());
        return true;
    }

    bool IsDelimiter(char16_t c) const {
        return c == u' ' || c == u'\t' || engine_.delimiters.find(c) != std::u16string::npos;
    }

    bool WholeWordAt(int pos, int len) const {
        if (pos > 1 && !IsDelimiter(subject_[static_cast<size_t>(pos - 2)])) {
            return false;
        }
        const size_t after = static_cast<size_t>(pos - 1 + len);
        return after >= subject_.size() || IsDelimiter(subject_[after]);
    }

    TuniSearch& engine_;
    const std::vector<char16_t>& fold_;
    const bool folding_;
    std::u16string pattern_;
    std::u16string_view subject_;
    std::u16string folded_;
};

struct TLineMatch {
    int pos = 0; // 1-based in the subject
    int len = 0;
};

// Every match start of the subject at or before `lastStart`, in order: each search starts
// one unit after the previous match's start, so overlapping candidates are all seen.
std::vector<TLineMatch> AllStarts(TScan& scan, int lastStart) {
    std::vector<TLineMatch> out;
    int pos = 1;
    TLineMatch m;
    while (pos <= scan.Size() + 1 && scan.MatchFrom(pos, m.pos, m.len) && m.pos <= lastStart) {
        out.push_back(m);
        pos = m.pos + 1;
    }
    return out;
}

// The match a backward search takes in a subject: the one starting furthest right whose end
// (0-based, exclusive) is at most `limit`; with `skipAt` >= 0 an empty match there does not
// count (it is where the previous match was).
const TLineMatch* BackwardChoice(const std::vector<TLineMatch>& starts, int limit, int skipAt) {
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        const int start = it->pos - 1;
        if (start + it->len <= limit && !(it->len == 0 && start == skipAt)) {
            return &*it;
        }
    }
    return nullptr;
}

// Character classes for the word at the caret: 0 blank (and past the line's end),
// 1 delimiter, 2 any other unit.
int ClassAt(const std::u16string& line, int x, const std::u16string& delimiters) {
    if (x < 0 || x >= static_cast<int>(line.size())) {
        return 0;
    }
    const char16_t c = line[static_cast<size_t>(x)];
    if (c == u' ' || c == u'\t') {
        return 0;
    }
    return delimiters.find(c) != std::u16string::npos ? 1 : 2;
}

void FillCaseTables(TCaseTables* c, const std::u16string& upper, const std::u16string& lower) {
    c->fold.resize(0x10000);
    c->invert.resize(0x10000);
    for (size_t u = 0; u < 0x10000; ++u) {
        c->fold[u] = c->invert[u] = static_cast<char16_t>(u);
    }
    for (const TCaseRange& r : kSimpleCases) {
        for (char16_t u = r.first; u <= r.last; ++u) {
            if (u == r.except) {
                continue;
            }
            const char16_t l = static_cast<char16_t>(u + r.distance);
            c->fold[u] = l;
            c->invert[u] = l;
            c->invert[l] = u;
        }
    }
    // The profile's strings win: a unit found in either is swapped to the other case.
    const size_t n = std::min(upper.size(), lower.size());
    for (size_t k = 0; k < n; ++k) {
        const char16_t u = upper[k];
        const char16_t l = lower[k];
        c->fold[u] = l;
        c->fold[l] = l;
        c->invert[u] = l;
        c->invert[l] = u;
    }
}

} // namespace

// --- configuration -----------------------------------------------------------------------

const TuniMemo::TSearchCase& TuniMemo::SearchCase() {
    if (!searchCase_ || searchCase_->upper != settings_.upperCase ||
        searchCase_->lower != settings_.lowerCase) {
        auto made = std::make_shared<TSearchCase>();
        made->upper = settings_.upperCase;
        made->lower = settings_.lowerCase;
        FillCaseTables(made.get(), made->upper, made->lower);
        std::shared_ptr<const TSearchCase> tables = made;
        searchCase_ = tables;
        search_->SetInvertCase([tables](char16_t c) { return tables->invert[c]; });
        search_->SetCaseMap([tables](int, std::u16string_view text, std::u16string& out) {
            out.resize(text.size());
            for (size_t i = 0; i < text.size(); ++i) {
                out[i] = tables->fold[text[i]];
            }
        });
    }
    return *searchCase_;
}

void TuniMemo::PrepareSearch(std::u16string_view pattern) {
    SearchCase();
    TuniSearch& s = *search_;
    s.pattern.assign(pattern);
    s.ignoreCase = searchOptions_.ignoreCase;
    s.wholeWord = searchOptions_.wholeWord;
    s.useRegExpr = searchOptions_.regExpr;
    s.delimiters = settings_.delimiters;
    s.startPos = 1;
    s.matchPos = s.matchLen = 0;
    if (s.useRegExpr) {
        TRegExpr& regex = s.Regex();
        regex.SetModifier(TRegExpr::kModI, s.ignoreCase);
        if (regex.Expression() != s.pattern) {
            regex.SetExpression(s.pattern);
        }
        regex.Compile(); // a bad expression raises here, before anything moved
    }
}

// A search starting where the last find left its match goes past that match, so "search
// again" moves on instead of finding the same text.
bool TuniMemo::SkipAtCaret() const {
    if (!lastFound_ || lastFound_->start != caret_) {
        return false;
    }
    if (lastFound_->start == lastFound_->end) {
        return true;
    }
    if (!selActive_ || selMode_ != TSelectionMode::Stream) {
        return false;
    }
    const TNormalSelection n = NormalSelection();
    return n.start == lastFound_->start && n.end == lastFound_->end;
}

TuniMemo::TFoundText TuniMemo::FoundAt(int line, int pos, int len, const TLineRun* run) const {
    const int count = run != nullptr ? run->Count() : lines_->Count();
    const auto size = [&](int y) {
        return static_cast<int>((run != nullptr ? run->Get(y) : lines_->Get(y)).size());
    };
    TFoundText f;
    f.start = {pos - 1, line};
    int rest = pos - 1 + len;
    int y = line;
    // Each line end inside the match counts one unit.
    while (y + 1 < count && rest > size(y)) {
        rest -= size(y) + 1;
        ++y;
    }
    f.end = {rest, y};
    return f;
}

std::optional<TuniMemo::TFoundText> TuniMemo::SearchFrom(TPoint origin, bool backward,
                                                         bool skipAtOrigin, const TLineRun* run) {
    const int count = run != nullptr ? run->Count() : lines_->Count();
    if (count == 0 || search_->pattern.empty()) {
        return std::nullopt;
    }
    const int span = SearchLineSpan(search_->pattern, search_->useRegExpr);
    TScan scan(*search_, SearchCase().fold);
    std::u16string joined;
    const auto lineAt = [&](int i) -> std::u16string_view {
        return run != nullptr ? run->Get(i) : lines_->Get(i);
    };
    const auto subjectOf = [&](int y) {
        if (span == 0) {
            scan.SetSubject(lineAt(y));
        } else {
            joined = JoinSearchLines(y, span, count, lineAt);
            scan.SetSubject(joined);
        }
    };
    const int first = std::clamp(origin.Y, 0, count - 1);
    if (!backward) {
        for (int y = first; y < count; ++y) {
            subjectOf(y);
            int from = 1;
            if (y == origin.Y) {
                from = origin.X + 1 + (skipAtOrigin ? 1 : 0);
            }
            TLineMatch m;
            if (!scan.MatchFrom(from, m.pos, m.len)) {
                continue;
            }
            // A match further on starts on a later line; it is found again from there.
            if (span > 0 && !MatchStartsOnFirstLine(m.pos, static_cast<int>(lineAt(y).size()))) {
                continue;
            }
            return FoundAt(y, m.pos, m.len, run);
        }
        return std::nullopt;
    }
    for (int y = first; y >= 0; --y) {
        subjectOf(y);
        // The starts in order, keeping the last one that counts (nothing stored: a long
        // line may have very many).
        const int lastStart = static_cast<int>(lineAt(y).size()) + 1;
        const bool caretLine = y == origin.Y;
        const int limit = caretLine ? origin.X : INT_MAX;
        const int skipAt = caretLine && skipAtOrigin ? origin.X : -1;
        std::optional<TLineMatch> m;
        TLineMatch c;
        for (int pos = 1;
             pos <= scan.Size() + 1 && scan.MatchFrom(pos, c.pos, c.len) && c.pos <= lastStart;
             pos = c.pos + 1) {
            const int start = c.pos - 1;
            if (start + c.len <= limit && !(c.len == 0 && start == skipAt)) {
                m = c;
            }
        }
        if (!m) {
            continue;
        }
        if (scan.RegExpr()) {
            // Leave the engine on the chosen match, for its replacement text.
            int pos = 0;
            int len = 0;
            scan.MatchFrom(m->pos, pos, len);
        }
        return FoundAt(y, m->pos, m->len, run);
    }
    return std::nullopt;
}

// --- showing results ---------------------------------------------------------------------

void TuniMemo::ShowFound(const TFoundText& found) {
    Select(found.end, found.start, TSelectionMode::Stream);
    tabOffset_ = 0;
    lastFound_ = found;
    // The end first, then the start: a match that fits in the window is shown whole.
    caret_ = found.end;
    KeepCaretVisible();
    caret_ = found.start;
    KeepCaretVisible();
    UpdateView();
}

void TuniMemo::ShowNotFound() {
    if (platform_.messages == nullptr) {
        return;
    }
    std::u16string text(kNotFoundDefault);
    if (environment_.texts != nullptr &&
        !environment_.texts->Text("Messages", "NotFoundMsg").empty()) {
        text = environment_.texts->Text("Messages", "NotFoundMsg");
    }
    platform_.messages->ShowMessage(kInfoCaption, text, TMessageKind::Information);
}

// --- find --------------------------------------------------------------------------------

bool TuniMemo::FindForward(std::u16string_view pattern, bool showResult, bool addToHistory) {
    return Find(pattern, showResult, addToHistory, false);
}

bool TuniMemo::FindBackward(std::u16string_view pattern, bool showResult, bool addToHistory) {
    return Find(pattern, showResult, addToHistory, true);
}

bool TuniMemo::Find(std::u16string_view pattern, bool showResult, bool addToHistory,
                    bool backward) {
    if (pattern.empty()) {
        return false;
    }
    if (addToHistory) {
        SearchHistory().Add(pattern);
    }
    std::optional<TFoundText> found;
    {
        TBusyScope busy(platform_.busyCursor);
        PrepareSearch(pattern);
        found = SearchFrom(caret_, backward, SkipAtCaret());
    }
    if (found) {
        ShowFound(*found);
        return true;
    }
    if (showResult) {
        ShowNotFound();
    }
    return false;
}

// --- replace -----------------------------------------------------------------------------

namespace {

// The replacement's lines: each line feed in it starts a new line.
std::vector<std::u16string> SplitReplacement(std::u16string_view text) {
    std::vector<std::u16string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t lf = text.find(u'\n', start);
        pieces.emplace_back(text.substr(start, lf - start));
        if (lf == std::u16string_view::npos) {
            return pieces;
        }
        start = lf + 1;
    }
}

} // namespace

// Deletes the match and inserts its replacement (the engine is on the match); returns the
// position after the inserted text. Recorded inside the caller's group.
TPoint TuniMemo::ReplaceFound(const TFoundText& found, std::u16string_view replacement) {
    std::u16string text;
    search_->Substitute(replacement, text);
    caret_ = found.start;
    if (found.start != found.end) {
        Select(found.start, found.end, TSelectionMode::Stream);
        DeleteSelection(TUpdate::Later);
    }
    caret_ = found.start;
    if (!text.empty()) {
        // Plain line splits: the replacement comes out exactly as given, without indentation.
        InsertLinesAtCaret(SplitReplacement(text), TSelectionMode::Stream);
    }
    return caret_;
}

// Replace-all of expressions that span lines: match after match, as the interactive replace
// makes them, the matches that follow one another on a line of the result in one chain
// (below), written through an edit run, so a replacement that joins or splits lines does
// not move the lines after it each time. Returns the position after the last replacement.
TPoint TuniMemo::ReplaceAllAcrossLines(TFoundText found, bool backward,
                                       std::u16string_view replacement, bool& changed) {
    return backward ? ReplaceChainBackward(found, replacement, changed)
                    : ReplaceChainForward(found, replacement, changed);
}

// The replacements made one after another on one line of the result, each match starting
// where the text before it ends in a line the replacements before it made (replacing every
// line end joins all lines into one). The result is built apart from the document and
// stored once the line has no further match, so a line that grows with every match is not
// copied for each of them.
struct TuniMemo::TReplaceChain {
    int first = 0; // the document line the chain starts on
    // Where the document's text not yet taken over begins: the chain's last line.
    int line = 0;
    int column = 0;
    std::u16string out;         // the result from the first line's start on, without breaks
    std::vector<size_t> breaks; // where in `out` each further line of the result starts
    // How the line before each break ends: as the document does after a line feed of a
    // replacement, as its document line did at a line end no match took.
    std::vector<TLineSeparator> ends;
    int matches = 0;
    // The first match and its replacement, a chain of one being stored as such.
    TFoundText single;
    std::u16string singleText;
    TPoint lastStart; // the last replacement's start and the position after it, in the result
    TPoint after;

    size_t LineStart() const { return breaks.empty() ? 0 : breaks.back(); }
    TPoint End() const {
        return {static_cast<int>(out.size() - LineStart()),
                first + static_cast<int>(breaks.size())};
    }
    // Takes the match [start, end) (document positions as they were before the chain, the
    // start on `line`) with its replacement `text`.
    void Take(const TLineRun& run, TPoint start, TPoint end, std::u16string_view text) {
        if (matches == 0) {
            single = {start, end};
            singleText.assign(text);
        }
        ++matches;
        out.append(run.Get(line), static_cast<size_t>(column),
                   static_cast<size_t>(start.X - column));
        lastStart = End();
        for (const char16_t unit : text) {
            if (unit == u'\n') {
                breaks.push_back(out.size());
                ends.push_back(lsDocument);
            } else {
                out.push_back(unit);
            }
        }
        after = End();
        line = end.Y;
        column = end.X;
    }
};

// Stores a chain over the document lines it spans: the lines both have are changed, those
// the result has more are inserted after them, those it has fewer removed, each with its
// record. A chain of one match is stored as that match is replaced alone, with its records.
// Returns the position after the chain's last replacement.
TPoint TuniMemo::CommitChain(TLineRun& run, TReplaceChain& chain) {
    const int matches = chain.matches;
    chain.matches = 0;
    if (matches == 1) {
        return ReplaceFoundIn(run, chain.single, chain.singleText);
    }
    std::u16string& out = chain.out;
    out.append(run.Get(chain.line), static_cast<size_t>(chain.column));
    const int n = chain.line - chain.first + 1;
    const int m = static_cast<int>(chain.breaks.size()) + 1;
    const TLineSeparator lastEnd = run.Separator(chain.line);
    const auto piece = [&](int i) {
        const size_t from = i == 0 ? 0 : chain.breaks[static_cast<size_t>(i - 1)];
        const size_t to = i + 1 < m ? chain.breaks[static_cast<size_t>(i)] : out.size();
        return out.substr(from, to - from);
    };
    // The last line ends as the document line its text comes from.
    const auto endOf = [&](int i) {
        return i + 1 < m ? chain.ends[static_cast<size_t>(i)] : lastEnd;
    };
    TUndo& undo = lines_->Undo();
    for (int i = 0; i < std::min(n, m); ++i) {
        const int y = chain.first + i;
        std::u16string text = piece(i);
        if (text != run.Get(y)) {
            std::u16string before = run.Exchange(y, std::move(text));
            undo.Add(ukChangeLine, y, false, this, std::move(before), caretBefore_);
            ClearRedo();
        }
        SetRunSeparator(run, y, endOf(i));
    }
    for (int i = n; i < m; ++i) {
        undo.Add(ukInsertLine, chain.first + i, false, this, std::u16string(), caretBefore_);
        ClearRedo();
        run.Insert(chain.first + i, piece(i), endOf(i));
    }
    for (int i = m; i < n; ++i) {
        TLineSeparator end = lsDocument;
        std::u16string removed = run.Take(chain.first + m, &end);
        undo.Add(ukDeleteLine, chain.first + m, false, this, std::move(removed), caretBefore_, end);
        ClearRedo();
    }
    caretBefore_ = chain.lastStart;
    return chain.after;
}

// Forward replace-all across lines in chains: the matches on a chain's line are searched in
// its line as the replacements leave it, but from a subject made of the text still to come
// (and the two units before it, all the engine and the whole-word test look back at), so
// each search and each replacement costs the text it passes, not the line built so far.
TPoint TuniMemo::ReplaceChainForward(TFoundText found, std::u16string_view replacement,
                                     bool& changed) {
    TLineRun run(*lines_);
    const int span = SearchLineSpan(search_->pattern, search_->useRegExpr);
    TScan scan(*search_, SearchCase().fold);
    TReplaceChain chain;
    const auto start = [&](const TFoundText& match) {
        chain = TReplaceChain{};
        chain.first = chain.line = match.start.Y;
        chain.Take(run, match.start, match.end, scan.Replacement(replacement));
        changed = true;
    };
    start(found);
    bool skip = found.start == found.end;
    std::u16string subject;
    try {
        for (;;) {
            // The rest of the chain's line and the lines the expression may reach.
            const std::u16string& lineText = run.Get(chain.line);
            const size_t context = std::min<size_t>(2, chain.out.size() - chain.LineStart());
            subject.assign(chain.out, chain.out.size() - context, context);
            subject.append(lineText, static_cast<size_t>(chain.column));
            const int firstLength = static_cast<int>(subject.size());
            for (int k = 1; k <= span && chain.line + k < run.Count(); ++k) {
                subject.push_back(u'\n');
                subject += run.Get(chain.line + k);
            }
            scan.SetSubject(subject);
            const int ahead = static_cast<int>(context);
            TLineMatch m;
            if (scan.MatchFrom(ahead + 1 + (skip ? 1 : 0), m.pos, m.len) &&
                MatchStartsOnFirstLine(m.pos, firstLength)) {
                // The match in the document's lines, which the chain has not changed yet.
                const TFoundText match =
                    FoundAt(chain.line, chain.column + m.pos - ahead, m.len, &run);
                skip = m.len == 0;
                chain.Take(run, match.start, match.end, scan.Replacement(replacement));
                continue;
            }
            // No further match on the line: it is stored, and the search goes on below it.
            const TPoint after = CommitChain(run, chain);
            if (after.Y + 1 >= run.Count()) {
                return after;
            }
            const std::optional<TFoundText> next = SearchFrom({0, after.Y + 1}, false, false, &run);
            if (!next) {
                return after;
            }
            start(*next);
            skip = next->start == next->end;
        }
    } catch (...) {
        // The engine gave up: what was replaced is stored.
        if (chain.matches > 0) {
            CommitChain(run, chain);
        }
        throw;
    }
}

namespace {

// Text that grows toward its front: taking a unit in front costs the same however long the
// text is. Positions are counted from the end, where they stay.
class TFrontText {
public:
    size_t Size() const { return data_.size() - front_; }
    std::u16string_view View(size_t length) const { return {data_.data() + front_, length}; }
    // Writes the parts in front of the text without taking them in, and returns them with
    // the first `length` units of the text after them.
    std::u16string_view Stage(std::initializer_list<std::u16string_view> parts, size_t length) {
        size_t n = 0;
        for (const std::u16string_view part : parts) {
            n += part.size();
        }
        Room(n);
        size_t at = front_ - n;
        for (const std::u16string_view part : parts) {
            std::copy(part.begin(), part.end(), data_.begin() + static_cast<std::ptrdiff_t>(at));
            at += part.size();
        }
        return {data_.data() + front_ - n, n + length};
    }
    // Makes the text begin `k` units before its front (units staged there) or after it.
    void Move(std::ptrdiff_t k) {
        front_ = static_cast<size_t>(static_cast<std::ptrdiff_t>(front_) + k);
    }
    void Prepend(std::u16string_view text) {
        Room(text.size());
        front_ -= text.size();
        std::copy(text.begin(), text.end(), data_.begin() + static_cast<std::ptrdiff_t>(front_));
    }

private:
    void Room(size_t n) {
        if (front_ >= n) {
            return;
        }
        const size_t size = Size();
        std::u16string grown(std::max(2 * data_.size(), size + n + 64), u' ');
        std::copy(data_.begin() + static_cast<std::ptrdiff_t>(front_), data_.end(),
                  grown.end() - static_cast<std::ptrdiff_t>(size));
        front_ = grown.size() - size;
        data_ = std::move(grown);
    }

    std::u16string data_;
    size_t front_ = 0;
};

} // namespace

// Backward replace-all across lines in chains. What lies after the matches is the result
// the replacements made: a chain keeps it, from where its next match must end on to the
// span of lines below it, in text that grows toward its front. A search writes the line it
// searches in front of that text and hands the engine the lines the interactive search
// joins, where they lie; it looks for starts only on that line (for those that end before
// the last replacement on it, up to there). So each search and each replacement cost the
// text they pass, not the lines built after them.
TPoint TuniMemo::ReplaceChainBackward(TFoundText found, std::u16string_view replacement,
                                      bool& changed) {
    TLineRun run(*lines_);
    const int span = SearchLineSpan(search_->pattern, search_->useRegExpr);
    TScan scan(*search_, SearchCase().fold);
    // The engine is handed text that lives here only.
    struct TForget {
        TRegExpr& regex;
        ~TForget() { regex.SetInputString(std::u16string_view()); }
    } forget{search_->Regex()};

    TReplaceChain chain; // its lines, replaced, when it is stored
    TFrontText rest;     // the result from the chain's next match on, and the lines below it
    // The line breaks in `rest`, counted from its end, the topmost last, and how the line
    // before each ends; the last `trailer` units are the lines below the chain (after the
    // break that ends its last line).
    std::vector<size_t> breaks;
    std::vector<TLineSeparator> ends;
    size_t trailer = 0;
    int trailerBreaks = 0;
    // The chain's first and last lines; the first line's units before `column` are the
    // document's, not replaced yet.
    int top = 0;
    int bottom = 0;
    int column = 0;

    const auto prepend = [&](std::u16string_view text, TLineSeparator end) {
        rest.Prepend(text);
        for (size_t i = text.size(); i-- > 0;) {
            if (text[i] == u'\n') {
                breaks.push_back(rest.Size() - i);
                ends.push_back(end);
            }
        }
    };
    // Takes the replacement `text` of the match starting at `start` on line `line` (top or
    // the line above it), whose end lies `cut` units into the staged subject of `staged`
    // units.
    const auto take = [&](int line, int startColumn, size_t staged, size_t cut,
                          std::u16string_view text) {
        rest.Move(static_cast<std::ptrdiff_t>(cut) - static_cast<std::ptrdiff_t>(staged));
        if (line < top) {
            // The break after the line above, when the match left it.
            const size_t lineLength = run.Get(line).size();
            if (cut <= lineLength) {
                breaks.push_back(rest.Size() - (lineLength - cut));
                ends.push_back(run.Separator(line));
            }
        }
        while (!breaks.empty() && breaks.back() > rest.Size()) {
            breaks.pop_back();
            ends.pop_back();
        }
        if (trailer > rest.Size()) {
            // The match took lines below the chain into it.
            const int left = static_cast<int>(breaks.size());
            bottom += trailerBreaks - left;
            trailerBreaks = left;
            trailer = breaks.empty() ? 0 : breaks.back();
        }
        top = line;
        column = startColumn;
        prepend(text, lsDocument);
        ++chain.matches;
        chain.lastStart = {startColumn, line};
        const size_t lf = text.rfind(u'\n');
        chain.after =
            lf == std::u16string_view::npos
                ? TPoint{startColumn + static_cast<int>(text.size()), line}
                : TPoint{static_cast<int>(text.size() - lf - 1),
                         line + static_cast<int>(std::count(text.begin(), text.end(), u'\n'))};
        changed = true;
    };
    const auto start = [&](const TFoundText& match) {
        std::u16string text = scan.Replacement(replacement);
        chain = TReplaceChain{};
        chain.single = match;
        chain.singleText = text;
        rest = TFrontText{};
        breaks.clear();
        ends.clear();
        top = match.start.Y;
        bottom = match.end.Y;
        trailerBreaks = 0;
        for (int y = std::min(bottom + span, run.Count() - 1); y > bottom; --y) {
            prepend(run.Get(y), lsDocument);
            prepend(u"\n", run.Separator(y - 1));
            ++trailerBreaks;
        }
        trailer = rest.Size();
        const std::u16string& last = run.Get(bottom);
        rest.Prepend(std::u16string_view(last).substr(static_cast<size_t>(match.end.X)));
        column = match.start.X;
        take(top, match.start.X, 0, 0, text);
        chain.matches = 1;
    };
    // The end of the subject that starts `lines` lines before the text: the lines the
    // interactive search joins.
    const auto window = [&](int lines) {
        const size_t k = static_cast<size_t>(span + 1 - lines);
        return breaks.size() > k ? rest.Size() - breaks[breaks.size() - 1 - k] : rest.Size();
    };
    // Stores the chain as the forward one is stored.
    const auto commit = [&] {
        const std::u16string& first = run.Get(top);
        chain.first = top;
        chain.out.assign(first, 0, static_cast<size_t>(column));
        const size_t prefix = chain.out.size();
        const std::u16string_view body =
            rest.View(trailer > 0 ? rest.Size() - trailer : rest.Size());
        chain.out.append(body);
        chain.breaks.clear();
        chain.ends.clear();
        for (size_t k = breaks.size(); k-- > static_cast<size_t>(trailerBreaks);) {
            const size_t at = prefix + rest.Size() - breaks[k];
            chain.breaks.push_back(at);
            chain.ends.push_back(ends[k]);
        }
        // The breaks are units of `out` here: they are taken out.
        std::u16string joined;
        joined.reserve(chain.out.size());
        size_t from = 0;
        for (size_t& at : chain.breaks) {
            joined.append(chain.out, from, at - from);
            from = at + 1;
            at = joined.size();
        }
        joined.append(chain.out, from, std::u16string::npos);
        chain.out = std::move(joined);
        chain.line = bottom;
        chain.column = static_cast<int>(run.Get(bottom).size());
        const TPoint after = chain.after;
        const TPoint lastStart = chain.lastStart;
        const int matches = chain.matches;
        const TPoint stored = CommitChain(run, chain);
        caretBefore_ = lastStart;
        return matches == 1 ? stored : after;
    };

    // The last match in `subject` starting at or before `lastStart` that `accept` takes, with
    // the engine left on it for its replacement.
    const auto lastMatch = [&](std::u16string_view subject, int lastStart,
                               const auto& accept) -> std::optional<TLineMatch> {
        scan.BorrowSubject(subject);
        std::optional<TLineMatch> chosen;
        TLineMatch c;
        for (int pos = 1; scan.MatchFrom(pos, c.pos, c.len, lastStart); pos = c.pos + 1) {
            if (accept(c)) {
                chosen = c;
            }
        }
        if (chosen) {
            const int at = chosen->pos;
            scan.MatchFrom(at, chosen->pos, chosen->len, at);
        }
        return chosen;
    };

    start(found);
    try {
        for (;;) {
            const std::u16string_view before =
                std::u16string_view(run.Get(top)).substr(0, static_cast<size_t>(column));
            // On the chain's first line, a match ending before the last replacement on it.
            if (const std::optional<TLineMatch> m = lastMatch(
                    rest.Stage({before}, window(1)), column + 1, [&](const TLineMatch& c) {
                        const int from = c.pos - 1;
                        return from + c.len <= column && !(c.len == 0 && from == column);
                    })) {
                take(top, m->pos - 1, before.size(), static_cast<size_t>(m->pos - 1 + m->len),
                     scan.Replacement(replacement));
                continue;
            }
            // On the line above it, any match starting there.
            if (top > 0) {
                const std::u16string_view above = run.Get(top - 1);
                if (const std::optional<TLineMatch> m =
                        lastMatch(rest.Stage({above, u"\n", before}, window(2)),
                                  static_cast<int>(above.size()) + 1,
                                  [](const TLineMatch&) { return true; })) {
                    take(top - 1, m->pos - 1, above.size() + 1 + before.size(),
                         static_cast<size_t>(m->pos - 1 + m->len), scan.Replacement(replacement));
                    continue;
                }
            }
            const int above = top - 2;
            const TPoint after = commit();
            if (above < 0) {
                return after;
            }
            const std::optional<TFoundText> next = SearchFrom({INT_MAX, above}, true, false, &run);
            if (!next) {
                return after;
            }
            start(*next);
        }
    } catch (...) {
        if (chain.matches > 0) {
            commit();
        }
        throw;
    }
}

// ReplaceFound through an edit run: the deletion as DeleteSelection records it (in a group of
// its own), the replacement as InsertLinesAtCaret does. The caret and the selection are left
// to the caller, which sets them once at the end.
TPoint TuniMemo::ReplaceFoundIn(TLineRun& run, const TFoundText& found, std::u16string_view text) {
    TUndo& undo = lines_->Undo();
    const auto change = [&](int y, std::u16string line, bool mergeable) {
        const bool merges = undo.WouldMerge(ukChangeLine, y, mergeable, this, caretBefore_);
        std::u16string before = run.Exchange(y, std::move(line));
        undo.Add(ukChangeLine, y, mergeable, this, merges ? std::u16string() : std::move(before),
                 caretBefore_);
        ClearRedo();
    };
    const auto remove = [&](int y) {
        TLineSeparator end = lsDocument;
        std::u16string removed = run.Take(y, &end);
        undo.Add(ukDeleteLine, y, true, this, std::move(removed), caretBefore_, end);
        ClearRedo();
    };
    const TPoint s = found.start;
    const TPoint e = found.end;
    if (s != e) {
        const int group = OpenGroup();
        if (s.Y == e.Y) {
            std::u16string line = run.Get(s.Y);
            const size_t from = std::min(static_cast<size_t>(s.X), line.size());
            const size_t to = std::min(static_cast<size_t>(e.X), line.size());
            if (from < to) {
                line.erase(from, to - from);
                change(s.Y, std::move(line), true);
            }
        } else if (s.Y < run.Count()) {
            std::u16string first = run.Get(s.Y);
            first.resize(std::min(static_cast<size_t>(s.X), first.size()));
            change(s.Y, first, true);
            for (int k = s.Y + 1; k < e.Y && s.Y + 1 < run.Count(); ++k) {
                remove(s.Y + 1);
            }
            if (s.Y + 1 < run.Count()) {
                const std::u16string& last = run.Get(s.Y + 1);
                first += last.substr(std::min(static_cast<size_t>(e.X), last.size()));
                change(s.Y, std::move(first), true);
                SetRunSeparator(run, s.Y, run.Separator(s.Y + 1));
                remove(s.Y + 1);
            }
        }
        CloseGroup(group);
        caretBefore_ = s; // DeleteSelection leaves the caret it put there
    }
    if (text.empty() || s.Y >= run.Count()) {
        return s;
    }
    const std::vector<std::u16string> pieces = SplitReplacement(text);
    std::u16string line = run.Get(s.Y);
    if (static_cast<int>(line.size()) < s.X) {
        line.resize(static_cast<size_t>(s.X), u' ');
    }
    const size_t at = static_cast<size_t>(s.X);
    if (pieces.size() == 1) {
        line.insert(at, pieces.front());
        change(s.Y, std::move(line), false);
        return {s.X + static_cast<int>(pieces.front().size()), s.Y};
    }
    const std::u16string tail = line.substr(at);
    change(s.Y, line.substr(0, at) + pieces.front(), false);
    for (size_t i = 1; i < pieces.size(); ++i) {
        const int y = s.Y + static_cast<int>(i);
        undo.Add(ukInsertLine, y, true, this, std::u16string(), caretBefore_);
        ClearRedo();
        run.Insert(y, i + 1 == pieces.size() ? pieces[i] + tail : pieces[i]);
    }
    CarryRunSeparator(run, s.Y, s.Y + static_cast<int>(pieces.size()) - 1);
    return {static_cast<int>(pieces.back().size()), s.Y + static_cast<int>(pieces.size()) - 1};
}

// Replace-all of single-line patterns, line by line: each line's matches are collected on
// the line as it stands and the line is stored once, so the work and the undo records grow
// with the lines changed, not with the matches. The lines go through an edit run, so the
// lines that line feeds in the replacement add cost no move of the lines after them. The
// records are those SetLineText and InsertLineAt would make. `first` is the match the All
// answer was given on; returns the position after the last replacement made.
TPoint TuniMemo::ReplaceAllInLines(const TFoundText& first, TPoint origin, bool skip, bool backward,
                                   std::u16string_view replacement, bool& changed) {
    TScan scan(*search_, SearchCase().fold);
    TLineRun run(*lines_);
    TPoint last = first.start;
    struct TPiece {
        TLineMatch match;
        std::u16string text;
    };
    // Stores line y with the pieces (ascending) replaced; returns how many lines it became.
    // `last` gets the position after the final replacement, or after the first one when
    // `markFirst` (going backward, the first one on a line is the last one made).
    const auto commit = [&](int y, const std::u16string& line, const std::vector<TPiece>& pieces,
                            bool markFirst) {
        std::u16string out;
        out.reserve(line.size() + pieces.size() * replacement.size());
        std::vector<size_t> splits; // where the replacements' line feeds stand in `out`
        size_t kept = 0;
        size_t mark = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const TLineMatch& m = pieces[i].match;
            out.append(line, kept, static_cast<size_t>(m.pos - 1) - kept);
            for (const char16_t unit : pieces[i].text) {
                if (unit == u'\n') {
                    splits.push_back(out.size());
                }
                out.push_back(unit);
            }
            kept = static_cast<size_t>(m.pos - 1 + m.len);
            if (!markFirst || i == 0) {
                mark = out.size();
            }
        }
        out.append(line, kept, std::u16string::npos);
        size_t from = 0;
        int row = 0;
        for (size_t k = 0; k <= splits.size(); ++k) {
            const size_t to = k < splits.size() ? splits[k] : out.size();
            if (mark >= from && mark <= to) {
                last = {static_cast<int>(mark - from), y + row};
            }
            std::u16string piece = out.substr(from, to - from);
            if (row == 0) {
                if (piece != line) {
                    std::u16string before = run.Exchange(y, std::move(piece));
                    lines_->Undo().Add(ukChangeLine, y, false, this, std::move(before),
                                       caretBefore_);
                    ClearRedo();
                    changed = true;
                }
            } else {
                lines_->Undo().Add(ukInsertLine, y + row, true, this, std::u16string(),
                                   caretBefore_);
                ClearRedo();
                run.Insert(y + row, std::move(piece));
                changed = true;
            }
            ++row;
            from = to + 1;
        }
        CarryRunSeparator(run, y, y + row - 1);
        return row;
    };

    std::vector<TPiece> pieces;
    if (!backward) {
        for (int y = first.start.Y; y < run.Count();) {
            const std::u16string& line = run.Get(y); // read before it is stored
            scan.SetSubject(line);
            pieces.clear();
            int pos = y == first.start.Y ? first.start.X + 1 : 1;
            TLineMatch m;
            while (pos <= scan.Size() + 1 && scan.MatchFrom(pos, m.pos, m.len)) {
                pieces.push_back({m, scan.Replacement(replacement)});
                // After an empty match the next one must start further on.
                pos = m.len == 0 ? m.pos + 1 : m.pos + m.len;
            }
            y += pieces.empty() ? 1 : commit(y, line, pieces, false);
        }
        return last;
    }
    for (int y = first.start.Y; y >= 0; --y) {
        const std::u16string& line = run.Get(y); // read before it is stored
        scan.SetSubject(line);
        const std::vector<TLineMatch> starts = AllStarts(scan, static_cast<int>(line.size()) + 1);
        const bool originLine = y == origin.Y;
        int limit = originLine ? origin.X : INT_MAX;
        int skipAt = originLine && skip ? origin.X : -1;
        pieces.clear();
        while (const TLineMatch* m = BackwardChoice(starts, limit, skipAt)) {
            if (scan.RegExpr()) {
                TLineMatch again;
                scan.MatchFrom(m->pos, again.pos, again.len); // the engine on this match
            }
            pieces.push_back({*m, scan.Replacement(replacement)});
            limit = skipAt = m->pos - 1;
        }
        if (!pieces.empty()) {
            std::reverse(pieces.begin(), pieces.end());
            commit(y, line, pieces, true);
        }
    }
    return last;
}

void TuniMemo::Replace(std::u16string_view pattern, std::u16string_view replacement,
                       bool backward) {
    if (pattern.empty()) {
        return;
    }
    SearchHistory().Add(pattern);
    ReplaceHistory().Add(replacement);
    TBusyScope busy(platform_.busyCursor);
    PrepareSearch(pattern);
    caretBefore_ = caret_;
    const bool singleLine = SearchLineSpan(search_->pattern, search_->useRegExpr) == 0;
    bool answered = false;
    bool all = false;
    bool changed = false;
    int group = -1;
    TPoint origin = caret_;
    bool skip = SkipAtCaret();
    if (skip && lastFound_->start != lastFound_->end &&
        (!backward || lastFound_->start.Y == lastFound_->end.Y)) {
        // The match the last find selected is the first one asked about: the user found it
        // to replace it. Going backward, the search starts from its end so that it is found.
        skip = false;
        if (backward) {
            origin = lastFound_->end;
        }
    }
    TPoint after = caret_;
    const auto finish = [&] {
        if (group >= 0) {
            CloseGroup(group);
            group = -1;
        }
        lastFound_.reset();
        if (changed) {
            caret_ = after;
            caret_.Y = std::clamp(caret_.Y, 0, std::max(lines_->Count() - 1, 0));
            tabOffset_ = 0;
            CollapseSelection();
            SetModified(true);
            fullRepaint_ = repaint_ = layoutDirty_ = true;
            UpdateView();
        }
    };
    try {
        for (;;) {
            const std::optional<TFoundText> found = SearchFrom(origin, backward, skip);
            if (!found) {
                if (!answered) {
                    ShowNotFound();
                }
                break;
            }
            if (!all) {
                ShowFound(*found);
                TReplaceAnswer answer = TReplaceAnswer::Cancel;
                if (platform_.questions != nullptr) {
                    std::u16string text(kReplaceDefault);
                    if (environment_.texts != nullptr &&
                        !environment_.texts->Text("Messages", "ReplaceMsg").empty()) {
                        text = environment_.texts->Text("Messages", "ReplaceMsg");
                    }
                    const TPoint p = CaretPixel();
                    answer = platform_.questions->AskReplace(
                        text, p.X - horzScroll_ * metrics_.charWidth + settings_.gutterWidth, p.Y,
                        metrics_.lineHeight);
                }
                answered = true;
                if (answer == TReplaceAnswer::Cancel) {
                    break;
                }
                if (answer == TReplaceAnswer::No) {
                    origin = found->start;
                    skip = true;
                    continue;
                }
                caretBefore_ = caret_;
                group = OpenGroup();
                if (answer == TReplaceAnswer::All) {
                    all = true;
                    after = singleLine
                                ? ReplaceAllInLines(*found, origin, skip, backward, replacement,
                                                    changed)
                                : ReplaceAllAcrossLines(*found, backward, replacement, changed);
                    break;
                }
            }
            after = ReplaceFound(*found, replacement);
            changed = true;
            if (backward) {
                origin = found->start;
                skip = true;
            } else {
                origin = after;
                skip = found->start == found->end;
            }
            if (!all) {
                CloseGroup(group);
                group = -1;
                finish();
                changed = false;
            }
        }
    } catch (...) {
        // The engine gave up (a bad or runaway expression): what was replaced stays, as one
        // closed undo step, and the view shows it.
        finish();
        throw;
    }
    finish();
}

// --- the word at the caret ---------------------------------------------------------------

std::u16string TuniMemo::WordAtCaret() const {
    const std::u16string& line = lines_->Get(caret_.Y);
    const std::u16string& delims = settings_.delimiters;
    const int size = static_cast<int>(line.size());
    const int x = std::clamp(caret_.X, 0, size);
    const auto runStart = [&](int at) {
        const int cls = ClassAt(line, at, delims);
        while (at > 0 && ClassAt(line, at - 1, delims) == cls) {
            --at;
        }
        return at;
    };
    const auto runEnd = [&](int at) {
        const int cls = ClassAt(line, at, delims);
        while (at < size && ClassAt(line, at, delims) == cls) {
            ++at;
        }
        return at;
    };
    int start = x;
    int end = x;
    if (ClassAt(line, x, delims) != 2) {
        // On a blank or a delimiter the run left of it is meant.
        if (x > 0) {
            start = runStart(x - 1);
        }
    } else {
        start = runStart(x);
        end = runEnd(x);
    }
    if (start == end) {
        // Nothing to the left: the next run after the blanks.
        start = x;
        while (start < size && ClassAt(line, start, delims) == 0) {
            ++start;
        }
        end = start < size ? runEnd(start) : start;
    }
    while (start < end && ClassAt(line, start, delims) != 2) {
        ++start;
    }
    while (end > start && ClassAt(line, end - 1, delims) != 2) {
        --end;
    }
    return line.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

void TuniMemo::WordSearch() {
    searchOptions_ = {true, true, false};
    const std::u16string word = WordAtCaret();
    FindForward(word, true, false);
}

void TuniMemo::WordSearchBack() {
    searchOptions_ = {true, true, false};
    const std::u16string word = WordAtCaret();
    FindBackward(word, true, false);
}

// --- counting the matches ----------------------------------------------------------------

// Each start a forward search can stop at counts once: a search again goes on from one
// unit after the match's start, so overlapping matches are all counted, as they are all
// visited. The budget is checked per line, so one line is never cut in two.
TuniMemo::TMatchCount TuniMemo::CountMatches(std::u16string_view pattern, TPoint at, int limit,
                                             std::int64_t unitBudget) {
    TMatchCount result;
    const int count = lines_->Count();
    if (pattern.empty() || count == 0) {
        return result;
    }
    PrepareSearch(pattern);
    const int span = SearchLineSpan(search_->pattern, search_->useRegExpr);
    TScan scan(*search_, SearchCase().fold);
    std::u16string joined;
    const auto lineAt = [this](int i) -> std::u16string_view { return lines_->Get(i); };
    for (int y = 0; y < count; ++y) {
        if (result.total >= limit || result.unitsExamined >= unitBudget) {
            result.complete = false;
            break;
        }
        const int length = static_cast<int>(lines_->Get(y).size());
        if (span == 0) {
            scan.SetSubject(lineAt(y));
        } else {
            joined = JoinSearchLines(y, span, count, lineAt);
            scan.SetSubject(joined);
        }
        result.unitsExamined += scan.Size() + 1;
        TLineMatch m;
        for (int pos = 1; pos <= scan.Size() + 1 && scan.MatchFrom(pos, m.pos, m.len) &&
                          MatchStartsOnFirstLine(m.pos, length);
             pos = m.pos + 1) {
            ++result.total;
            if (y == at.Y && m.pos - 1 == at.X) {
                result.index = result.total;
            }
            if (result.total >= limit) {
                break;
            }
        }
    }
    if (result.total >= limit && result.complete) {
        // Stopped at the limit: whether more follow is not known.
        result.complete = false;
    }
    return result;
}
