// TRegExpr: the program's backtracking regular-expression engine on UTF-16 text.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Error codes of the engine. Compile errors are below 1000; run-time errors from 1000 up.
enum TRegExprError : int {
    reeOk = 0,
    reeCompNullArgument = 100,
    reeCompRegexpTooBig = 101,
    reeCompParseRegTooManyBrackets = 102,
    reeCompParseRegUnmatchedBrackets = 103,
    reeCompParseRegUnmatchedBrackets2 = 104,
    reeCompParseRegJunkOnEnd = 105,
    reePlusStarOperandCouldBeEmpty = 106,
    reeNestedSQP = 107,
    reeBadHexDigit = 108,
    reeInvalidRange = 109,
    reeParseAtomTrailingBackSlash = 110,
    reeNoHexCodeAfterBSlashX = 111,
    reeHexCodeAfterBSlashXTooBig = 112,
    reeUnmatchedSqBrackets = 113,
    reeInternalUrp = 114,
    reeQPSBFollowsNothing = 115,
    reeTrailingBackSlash = 116,
    reeRarseAtomInternalDisaster = 119,
    reeBRACESArgTooBig = 122,
    reeBracesMinParamGreaterMax = 124,
    reeUnclosedComment = 125,
    reeComplexBracesNotImplemented = 126,
    reeUrecognizedModifier = 127,
    reeBadLinePairedSeparator = 128,
    reeRegRepeatCalledInappropriately = 1000,
    reeMatchPrimMemoryCorruption = 1001,
    reeMatchPrimCorruptedPointers = 1002,
    reeNoExpression = 1003,
    reeCorruptedProgram = 1004,
    reeNoInpitStringSpecified = 1005,
    reeOffsetMustBeGreaterThen0 = 1006,
    reeExecNextWithoutExec = 1007,
    reeGetInputStringWithoutInputString = 1008,
    reeDumpCorruptedOpcode = 1011,
    reeModifierUnsupported = 1013,
    reeLoopStackExceeded = 1014,
    reeLoopWithoutEntry = 1015,
    // Our own: the caller's step budget ran out before the search was decided.
    reeStepBudgetExhausted = 1016,
};

// Raised by every engine error. For compile errors `CompilerErrorPos` is the 1-based position
// in the expression of the character at which the error was found; for run-time errors it
// is -1 and the message has no position suffix.
class ERegExpr : public std::runtime_error {
public:
    ERegExpr(int code, int pos, const std::string& message)
        : std::runtime_error(message), ErrorCode(code), CompilerErrorPos(pos) {}

    int ErrorCode;
    int CompilerErrorPos;
};

// The case inversion used by the i modifier: a character to "the same letter in the other
// case", or to itself.
using TRegExprInvertCase = std::function<char16_t(char16_t)>;

// Default inversion: below U+0080 upper-cases, or lower-cases when upper-casing changes
// nothing; everything from U+0080 up is returned unchanged.
char16_t RegExprInvertCaseDefault(char16_t c);

namespace regexpr_detail {
struct TProgram;
struct TExecScratch;
} // namespace regexpr_detail

class TRegExpr {
public:
    // Modifier numbers for SetModifier/GetModifier.
    static constexpr int kModI = 1; // case-insensitive
    static constexpr int kModR = 2; // Russian ranges in classes
    static constexpr int kModS = 3; // "." matches line separators too
    static constexpr int kModG = 4; // quantifiers greedy by default
    static constexpr int kModM = 5; // "^" and "$" at line separators
    static constexpr int kModX = 6; // extended syntax (blanks and "#" comments ignored)

    // Groups 1..14 plus the whole match.
    static constexpr int kSubExprMax = 14;

    static constexpr std::uint64_t kDefaultStepLimit = 100'000'000;
    static constexpr std::size_t kDefaultStackLimit = 4u << 20;

    TRegExpr();
    ~TRegExpr();
    // The compiled program and match state belong to one engine; copying one is never needed.
    TRegExpr(const TRegExpr&) = delete;
    TRegExpr& operator=(const TRegExpr&) = delete;

    // Stores the expression; it is compiled on first use or by Compile.
    void SetExpression(std::u16string_view text);
    const std::u16string& Expression() const { return expression_; }
    // Compiles now; raises the compile error, if any. An empty expression raises 100.
    void Compile();

    // which = kModI..kModX; any other number raises 1013.
    void SetModifier(int which, bool on);
    bool GetModifier(int which) const;

    // Character sets the dialect depends on (their defaults are the documented ones).
    void SetSpaceChars(std::u16string_view chars);
    void SetWordChars(std::u16string_view chars);
    void SetLineSeparators(std::u16string_view chars);
    // Zero or two different characters; anything else raises 128.
    void SetLinePairedSeparator(std::u16string_view chars);
    const std::u16string& SpaceChars() const { return spaceChars_; }
    const std::u16string& WordChars() const { return wordChars_; }
    const std::u16string& LineSeparators() const { return lineSeparators_; }
    const std::u16string& LinePairedSeparator() const { return linePaired_; }

    // An empty function restores the default inversion.
    void SetInvertCase(TRegExprInvertCase invert);

    // Bounds on one search (one Exec/ExecPos/ExecNext call): the number of matcher steps
    // (0 = unlimited; exhaustion raises 1016) and the number of backtracking entries
    // (exceeding it raises 1014).
    void SetStepLimit(std::uint64_t steps) { stepLimit_ = steps; }
    std::uint64_t StepLimit() const { return stepLimit_; }
    void SetStackLimit(std::size_t entries) { stackLimit_ = entries == 0 ? 1 : entries; }
    std::size_t StackLimit() const { return stackLimit_; }

    // Start-position scanning and possessive repeats (on by default); switched off only to
    // check them against the plain matcher.
    void SetOptimize(bool on) {
        optimize_ = on;
        Invalidate();
    }

    // Keeps a copy up to the first U+0000 and forgets the previous match. With
    // TInputEnd::WholeText a U+0000 is an ordinary unit (lines of documents may hold one).
    enum class TInputEnd : std::uint8_t { FirstNul, WholeText };
    void SetInputString(std::u16string_view text, TInputEnd end = TInputEnd::FirstNul);
    // Searches `text` where it lies, without a copy (as TInputEnd::WholeText): the caller
    // keeps it alive and unchanged until the next input is given.
    void BorrowInput(std::u16string_view text);
    // Raises 1008 without an input string.
    std::u16string InputString() const;
    // The engine's work so far: the units of the input strings it copied, the units its
    // start scans passed and its matcher's steps. Tests count a search's work with it.
    std::int64_t Work() const { return work_; }

    bool Exec(std::u16string_view text);
    // Searches the input string from the 1-based offset; with `lastStart` only for a match
    // that starts at or before that 1-based position (the search stops there).
    bool ExecPos(int offset);
    bool ExecPos(int offset, int lastStart);
    // Continues after the last match; an empty last match advances by one.
    bool ExecNext();

    int SubExprMatchCount() const;
    int MatchPos(int n) const;
    int MatchLen(int n) const;
    std::u16string Match(int n) const;

    // Expands "$n", "$&", "${n}", "${&}" and "\x" escapes in the template.
    std::u16string Substitute(std::u16string_view tmpl) const;

    static std::string ErrorMsg(int code);
    // The code of the last error, which is cleared by reading it.
    int LastError();

private:
    void Invalidate();
    void EnsureCompiled();
    [[noreturn]] void Fail(int code, int pos = -1) const;
    bool ExecPrim(int offset, int lastStart = INT_MAX);
    // Makes `text` the input, with no match found in it yet.
    void TakeInput(std::u16string_view text);

    std::u16string expression_;
    unsigned modifiers_;
    std::u16string spaceChars_;
    std::u16string wordChars_;
    std::u16string lineSeparators_;
    std::u16string linePaired_;
    TRegExprInvertCase invert_;
    // Units the inversion changes, paired with their inversions; built when first needed.
    std::vector<std::pair<char16_t, char16_t>> movedByInvert_;
    bool movedValid_ = false;

    std::unique_ptr<regexpr_detail::TProgram> program_;
    std::unique_ptr<regexpr_detail::TExecScratch> scratch_;

    std::u16string ownInput_;
    std::u16string_view input_; // ownInput_, or a borrowed text
    std::int64_t work_ = 0;
    bool hasInput_ = false;
    bool execDone_ = false;
    // Start and end (0-based, end exclusive) of each group of the last match; -1 when unset.
    int starts_[kSubExprMax + 1];
    int ends_[kSubExprMax + 1];

    std::uint64_t stepLimit_ = kDefaultStepLimit;
    std::size_t stackLimit_ = kDefaultStackLimit;
    mutable int lastError_ = 0;
    bool optimize_ = true;
};
