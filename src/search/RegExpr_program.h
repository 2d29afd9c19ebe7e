// The compiled form of a TRegExpr expression: instructions for the backtracking matcher.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "search/RegExpr.h"

namespace regexpr_detail {

// A set of UTF-16 code units: a bitmap below U+0080, sorted disjoint ranges above.
class TCharSet {
public:
    void Add(char16_t c) { AddRange(c, c); }
    void AddRange(char16_t from, char16_t to);
    void AddSet(const TCharSet& other);
    void AddComplement(const TCharSet& other);
    // Merges the ranges; call once after the last Add.
    void Finish();

    bool Contains(char16_t c) const {
        if (c < 128) {
            return (ascii_[c >> 6] >> (c & 63)) & 1u;
        }
        return ContainsWide(c);
    }
    bool Empty() const;
    // Calls f(from, to) for each range of members, in ascending order (after Finish).
    template <typename F>
    void ForEachRange(F f) const {
        for (unsigned c = 0; c < 128; ++c) {
            if (Contains(static_cast<char16_t>(c))) {
                f(static_cast<char16_t>(c), static_cast<char16_t>(c));
            }
        }
        for (const auto& [from, to] : wide_) {
            f(from, to);
        }
    }

private:
    bool ContainsWide(char16_t c) const;

    std::array<std::uint64_t, 2> ascii_{};
    std::vector<std::pair<char16_t, char16_t>> wide_;
};

// A "[...]" class, "\d", "\w" ... as the matcher tests it.
struct TCharClass {
    TCharSet set;
    bool negated = false;
    bool ignoreCase = false;
};

enum class TOp : std::uint8_t {
    Char,      // c1
    CharCI,    // c1 or c2
    Any,       // any unit
    AnyNoSep,  // any unit that is not a line separator
    Class,     // classes[a]
    Bol,       // start of input
    Eol,       // end of input
    BolM,      // start of input or just after a line separator
    EolM,      // end of input or just before a line separator
    WordB,     // word boundary
    NotWordB,  // not a word boundary
    Save,      // capture slot a := position
    Split,     // go on at a; on failure at b
    Jmp,       // go on at a
    BackRef,   // text of group a again (ignoreCase: through the case inversion)
    RepSimple, // the one-unit test in the next instruction, min..max times
    LoopInit,  // counted loop a starts
    LoopChk,   // counted loop a: another iteration (body follows) or leave for b
    LoopEnd,   // end of an iteration of loop a; its LoopChk is at b
    Match,
};

struct TInst {
    TOp op = TOp::Match;
    bool greedy = true;      // RepSimple, LoopChk
    bool possessive = false; // RepSimple: giving back units can never help what follows
    bool ignoreCase = false; // BackRef
    char16_t c1 = 0;
    char16_t c2 = 0;
    int a = 0;
    int b = 0;
    int min = 0;
    int max = 0;
};

// How candidate start positions are found before the matcher runs.
enum class TStartScan : std::uint8_t {
    Every,  // try every position
    One,    // positions holding firstChars[0]
    Two,    // positions holding firstChars[0] or firstChars[1]
    Set,    // positions whose unit is in firstSet
    Prefix, // positions where the literal prefix begins
};

struct TProgram {
    std::vector<TInst> code;
    std::vector<TCharClass> classes;
    int groupCount = 0;
    int loopCount = 0;

    // Only position 0 can start a match ("\A" or "^" without m in front).
    bool anchored = false;
    TStartScan scan = TStartScan::Every;
    char16_t firstChars[2] = {0, 0};
    std::vector<std::uint64_t> firstSet; // 65536 bits when scan == Set
    std::u16string prefix;

    // The character sets as they were at compile time.
    TCharSet words;
    TCharSet separators; // the line separators and both units of the paired separator
    TCharSet lineSeps;   // the line separators alone
    char16_t pairHead = 0;
    char16_t pairTail = 0;
    bool hasPair = false;
};

// Whether unit `c` passes the one-unit test `in` (a character, ".", or a class);
// `otherwise` for every other instruction. `invert` gives a letter's other case.
template <typename Invert>
bool PassesUnitTest(const TProgram& prog, const TInst& in, char16_t c, const Invert& invert,
                    bool otherwise) {
    switch (in.op) {
    case TOp::Char:
        return c == in.c1;
    case TOp::CharCI:
        return c == in.c1 || c == in.c2;
    case TOp::Any:
        return true;
    case TOp::AnyNoSep:
        return !prog.separators.Contains(c);
    case TOp::Class: {
        const TCharClass& cls = prog.classes[static_cast<size_t>(in.a)];
        const bool inSet = cls.set.Contains(c) || (cls.ignoreCase && cls.set.Contains(invert(c)));
        return inSet != cls.negated;
    }
    default:
        return otherwise;
    }
}

// Everything Compile needs from the engine.
struct TCompileInput {
    std::u16string_view expression;
    unsigned modifiers = 0; // bit (n - 1) for modifier n
    std::u16string_view spaceChars;
    std::u16string_view wordChars;
    std::u16string_view lineSeparators;
    std::u16string_view linePaired;
    const TRegExprInvertCase* invert = nullptr;
    // The units that the inversion changes, with their inversions (computed on demand).
    std::function<const std::vector<std::pair<char16_t, char16_t>>&()> movedByInvert;
    bool optimize = true;
};

// Thrown inside the engine; TRegExpr turns it into ERegExpr with the message.
struct TCompileFailure {
    int code;
    int pos;
};

// Raises TCompileFailure on an invalid expression.
void CompileProgram(const TCompileInput& in, TProgram& out);

// Matcher state for one search.
struct TExecLimits {
    std::uint64_t stepLimit = 0;
    std::size_t stackLimit = 0;
};

struct TExecResult {
    bool found = false;
    int error = 0; // 1014 / 1016 when a bound stopped the search
    std::array<int, 2 * (TRegExpr::kSubExprMax + 1)> caps{};
    // The units the start scan passed and the matcher's steps.
    std::int64_t work = 0;
};

enum class TFrameKind : std::uint8_t {
    Branch,       // resume at a with position b
    RestoreCap,   // capture slot a had value b
    RestoreCount, // loop a had count b
    RestoreStart, // loop a's current iteration began at b
    RepGreedy,    // RepSimple at a from position b took c units: retry with fewer
    RepLazy,      // RepSimple at a from position b took c units: retry with more
    LoopLazy,     // lazy loop whose LoopChk is at a declined an iteration at position b
};

struct TFrame {
    TFrameKind kind;
    int a;
    int b;
    int c;
};

// The matcher's working memory, kept by the engine between searches so that searching
// line after line allocates nothing.
struct TExecScratch {
    std::vector<TFrame> stack;
    std::vector<int> counts;
    std::vector<int> starts;
};

// Searches `subject` from 0-based `from` for the leftmost match starting at or before
// `last`.
TExecResult ExecProgram(const TProgram& prog, std::u16string_view subject, int from,
                        const TRegExprInvertCase& invert, const TExecLimits& limits,
                        TExecScratch& scratch, int last = INT_MAX);

} // namespace regexpr_detail
