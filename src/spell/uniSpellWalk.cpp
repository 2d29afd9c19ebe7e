// The spell check's word walk over an editor's text.
#include "spell/uniSpellWalk.h"

#include <algorithm>
#include <string_view>

namespace {

// The characters that always end a word. The hyphen is not among them: it may stand
// inside a word ("well-known") but is skipped between words.
constexpr std::u16string_view kFixedDelimiters = u" \t0123456789<>!.;:/\\|[]{}()+_=~@&$%^*?#\"`";

class TWordWalk {
public:
    TWordWalk(TuniMemo& memo, const TSpellWords& words, TSpellChecker& checker,
              TSpellDialogHost& dialog)
        : memo_(memo), lines_(memo.Lines()), checker_(checker), dialog_(dialog) {
        // Set B ends words; set A, with the hyphen, is skipped between them. The profile's
        // delimiters join both, less their first hyphen.
        std::u16string extra = words.delimiters;
        if (const size_t hyphen = extra.find(u'-'); hyphen != std::u16string::npos) {
            extra.erase(hyphen, 1);
        }
        setB_ = std::u16string(kFixedDelimiters) + extra;
        setA_ = setB_ + u'-';
        for (const TSpellIgnorePair& pair : words.ignore) {
            if (!pair.begin.empty()) {
                ignore_.push_back({pair.begin, pair.end.empty() ? pair.begin : pair.end});
            }
        }
    }

    void Run() {
        SetRange();
        pos_ = start_;
        try {
            Walk();
        } catch (...) {
            Finish();
            throw;
        }
        Finish();
    }

private:
    bool InA(char16_t c) const { return setA_.find(c) != std::u16string::npos; }
    bool InB(char16_t c) const { return setB_.find(c) != std::u16string::npos; }

    // The ignore pair whose begin text starts at x, or null.
    const TSpellIgnorePair* IgnoreAt(const std::u16string& line, int x) const {
        for (const TSpellIgnorePair& pair : ignore_) {
            if (std::u16string_view(line).substr(static_cast<size_t>(x)).starts_with(pair.begin)) {
                return &pair;
            }
        }
        return nullptr;
    }

    static bool After(TPoint a, TPoint b) { return a.Y > b.Y || (a.Y == b.Y && a.X > b.X); }

    void SetRange() {
        if (memo_.HasSelectedText()) {
            TPoint a = memo_.SelStart().pos;
            TPoint b = memo_.SelEnd().pos;
            if (After(a, b)) {
                std::swap(a, b);
            }
            start_ = a;
            end_ = b;
        } else {
            if (memo_.Caret().X != 0) {
                memo_.WordLeft();
            }
            start_ = memo_.Caret();
            end_ = {0, lines_.Count()};
        }
        const int count = lines_.Count();
        if (start_.Y < count) {
            start_.X = std::min(start_.X, static_cast<int>(lines_.Get(start_.Y).size()));
        }
        memo_.DropSelection();
    }

    // Past the ignored text that begins at the caret: up to its pair's end text, across
    // lines, and past that. False when the walk left the range's last line.
    bool SkipIgnored(const TSpellIgnorePair& pair) {
        ++pos_.X; // the end text may equal the begin text: look for it after the begin
        while (pos_.Y <= end_.Y && pos_.Y < lines_.Count()) {
            const std::u16string& line = lines_.Get(pos_.Y);
            const size_t found =
                line.find(pair.end, std::min(static_cast<size_t>(pos_.X), line.size()));
            if (found != std::u16string::npos) {
                pos_.X = static_cast<int>(found + pair.end.size());
                return true;
            }
            pos_ = {0, pos_.Y + 1};
        }
        return false;
    }

    void Walk() {
        while (pos_.Y <= end_.Y && pos_.Y < lines_.Count()) {
            const std::u16string& line = lines_.Get(pos_.Y);
            const int len = static_cast<int>(line.size());
            while (pos_.X < len && InA(line[static_cast<size_t>(pos_.X)]) &&
                   IgnoreAt(line, pos_.X) == nullptr) {
                ++pos_.X;
            }
            if (pos_.X < len) {
                if (const TSpellIgnorePair* pair = IgnoreAt(line, pos_.X)) {
                    if (!SkipIgnored(*pair)) {
                        return;
                    }
                    continue;
                }
            }
            if (pos_.X >= len) {
                pos_ = {0, pos_.Y + 1};
                continue;
            }
            int wordEnd = pos_.X;
            while (wordEnd < len && !InB(line[static_cast<size_t>(wordEnd)])) {
                ++wordEnd;
            }
            while (wordEnd > pos_.X && line[static_cast<size_t>(wordEnd - 1)] == u'-') {
                --wordEnd;
            }
            const TPoint wordStart = pos_;
            if (After({wordEnd, pos_.Y}, end_)) {
                return;
            }
            pos_.X = wordEnd;
            // After the skipping above a word starts with none of set A, so it is never
            // empty: the walk always moves on.
            const std::u16string word = line.substr(static_cast<size_t>(wordStart.X),
                                                    static_cast<size_t>(wordEnd - wordStart.X));
            if (!Examine(word, wordStart)) {
                return;
            }
        }
    }

    // Puts a rejected word to the user and acts on the answer; false ends the walk.
    bool Examine(const std::u16string& word, TPoint start) {
        memo_.SetCaret(pos_);
        const TSpellVerdict verdict = checker_.CheckWord(word);
        if (!verdict.misspelled) {
            return true;
        }
        const auto suggestions = checker_.Suggestions();
        if (!suggestions) {
            return true;
        }
        const int wordLength = static_cast<int>(word.size());
        const int from = std::clamp(verdict.offset, 0, wordLength);
        const int to = std::clamp(from + verdict.length, from, wordLength);
        memo_.BeginCommand();
        memo_.Select({start.X + from, start.Y}, {start.X + to, start.Y});
        memo_.SetCaret(pos_);
        memo_.Repaint();
        memo_.UpdateView();
        const TSpellAnswer answer = dialog_.Ask(memo_, {verdict.word, *suggestions});
        switch (answer.result) {
        case TSpellResult::Add:
            checker_.Add(verdict.word);
            break;
        case TSpellResult::Quit:
            return false;
        case TSpellResult::Replace:
            Replace({start.X + from, start.Y}, to - from, answer.replacement);
            break;
        case TSpellResult::Accept:
            checker_.Accept(verdict.word);
            break;
        case TSpellResult::Skip:
        case TSpellResult::None:
            break;
        }
        memo_.DropSelection();
        return true;
    }

    // One undo step: the rejected part out, the replacement in; the walk goes on from the
    // replacement's start, so the speller hears it next.
    void Replace(TPoint at, int length, const std::u16string& replacement) {
        memo_.BeginCommand();
        memo_.Select(at, {at.X + length, at.Y});
        memo_.SetCaret(at);
        memo_.BeginUndoGroup();
        memo_.DeleteSelection(TUpdate::Later);
        if (!replacement.empty()) {
            memo_.SetCaret(at);
            memo_.InsertText(replacement);
        }
        memo_.EndUndoGroup();
        if (end_.Y == at.Y && end_.X >= at.X + length) {
            end_.X += static_cast<int>(replacement.size()) - length;
        }
        pos_ = at;
    }

    void Finish() {
        memo_.DropSelection();
        TPoint caret = pos_;
        if (After(caret, end_)) {
            caret = end_;
        }
        // The end of the whole text is column 0 below the last line: the caret goes to the
        // last line's end instead.
        if (const int count = lines_.Count(); count > 0 && caret.Y >= count) {
            caret = {static_cast<int>(lines_.Get(count - 1).size()), count - 1};
        }
        memo_.SetCaret(caret);
        memo_.CollapseSelection();
        memo_.Repaint();
        memo_.UpdateView();
    }

    TuniMemo& memo_;
    TWStringList& lines_;
    TSpellChecker& checker_;
    TSpellDialogHost& dialog_;
    std::u16string setA_;
    std::u16string setB_;
    std::vector<TSpellIgnorePair> ignore_;
    TPoint start_;
    TPoint end_;
    TPoint pos_;
};

} // namespace

TSpellWords SpellWordsOf(const TuniMemo& memo) {
    return {memo.Settings().delimiters, memo.Settings().spellIgnore};
}

void SpellCheckDocument(TuniMemo& memo, TSpellChecker& checker, TSpellDialogHost& dialog) {
    SpellCheckDocument(memo, SpellWordsOf(memo), checker, dialog);
}

void SpellCheckDocument(TuniMemo& memo, const TSpellWords& words, TSpellChecker& checker,
                        TSpellDialogHost& dialog) {
    TWordWalk(memo, words, checker, dialog).Run();
}
