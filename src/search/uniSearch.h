// TSearchClass and TuniSearch: finding a pattern in one string, literally or as an expression.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "search/RegExpr.h"

// The search engine's two operations, in this order.
class TSearchClass {
public:
    virtual ~TSearchClass() = default;
    // Searches from the start position; sets the match position and length.
    virtual bool FindNext() = 0;
    // The replacement text for the last match.
    virtual void Substitute(std::u16string_view tmpl, std::u16string& result) = 0;
};

// Maps a string to one case (mode 1 is the one the search uses); the owner is captured.
using TCaseMapFunc =
    std::function<void(int mode, std::u16string_view text, std::u16string& result)>;

class TuniSearch : public TSearchClass {
public:
    // The 27 default word delimiters (space and tab are always delimiters as well).
    static constexpr std::u16string_view kDefaultDelimiters = u".,;:!?\"'()[]{}/\\*+-=`<>#^&|";

    TuniSearch() = default;
    // Owns its engine and caches; a search object belongs to one editor.
    TuniSearch(const TuniSearch&) = delete;
    TuniSearch& operator=(const TuniSearch&) = delete;

    // The search's settings and subject, set by the editor before each FindNext.
    std::u16string pattern;
    std::u16string subject;
    int startPos = 1; // 1-based
    bool ignoreCase = false;
    bool useRegExpr = false;
    bool wholeWord = false;
    std::u16string delimiters{kDefaultDelimiters};

    // The last match: 1-based start (0 when none) and length.
    int matchPos = 0;
    int matchLen = 0;

    // Handed to the expression engine for the i modifier; empty: the engine's default.
    void SetInvertCase(TRegExprInvertCase invert);
    // Maps the pattern and the subject for a case-insensitive literal search. Without one,
    // the literal search folds the letters A-Z.
    void SetCaseMap(TCaseMapFunc caseMap);

    TRegExpr& Regex() { return regex_; }

    bool FindNext() override;
    void Substitute(std::u16string_view tmpl, std::u16string& result) override;

    // Matches of `pattern` in `text` with the current settings, each search starting one
    // position after the previous match.
    int CountMatches(std::u16string_view pattern, std::u16string_view text);

private:
    bool FindRegExpr();
    bool FindLiteral();
    bool IsDelimiter(char16_t c) const;
    bool WholeWordAt(int pos, int len) const;
    struct TMappedText {
        bool valid = false;
        std::u16string source;
        std::u16string mapped;
    };
    const std::u16string& Mapped(const std::u16string& text, TMappedText& cache);

    TRegExpr regex_;
    TCaseMapFunc caseMap_;
    bool inputSet_ = false;
    // Case-mapped copies, reused while the pattern or the subject stays the same.
    TMappedText mappedPattern_;
    TMappedText mappedSubject_;
};

// Turns each backslash-n pair in a replacement template into a line feed. A doubled
// backslash is an escaped backslash and stays as it is, so "\\n" keeps its "n".
std::u16string ConvertNewlineEscapes(std::u16string_view tmpl);

// Multi-line searching: the number of backslash-n pairs in an expression (doubled
// backslashes skipped) is how many following lines each searched line is joined with.
// A literal pattern never spans lines, so it gives 0.
int SearchLineSpan(std::u16string_view pattern, bool useRegExpr);

// Line `index` joined with up to `following` next lines (fewer at the end), separated by
// line feeds. `line(i)` returns line i of `lineCount` lines.
std::u16string JoinSearchLines(int index, int following, int lineCount,
                               const std::function<std::u16string_view(int)>& line);

// Whether a match at 1-based `matchPos` in a joined subject belongs to its first line (it
// starts in that line or at its end); a match further on is found again from its own line.
inline bool MatchStartsOnFirstLine(int matchPos, int firstLineLength) {
    return matchPos >= 1 && matchPos <= firstLineLength + 1;
}
