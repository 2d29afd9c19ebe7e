// TRegExpr: the engine's state, its operations, substitution and error messages.
#include "search/RegExpr.h"

#include <algorithm>

#include "search/RegExpr_program.h"

namespace {

constexpr unsigned ModBit(int which) {
    return 1u << (which - 1);
}

constexpr unsigned kDefaultModifiers =
    ModBit(TRegExpr::kModR) | ModBit(TRegExpr::kModS) | ModBit(TRegExpr::kModG);

} // namespace

char16_t RegExprInvertCaseDefault(char16_t c) {
    if (c >= u'a' && c <= u'z') {
        return static_cast<char16_t>(c - u'a' + u'A');
    }
    if (c >= u'A' && c <= u'Z') {
        return static_cast<char16_t>(c - u'A' + u'a');
    }
    return c;
}

TRegExpr::TRegExpr()
    : modifiers_(kDefaultModifiers), spaceChars_(u" \t\n\r\f"),
      wordChars_(u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"),
      lineSeparators_(u"\r\n\u000B\u000C()\u2026"), linePaired_(u"\r\n"),
      invert_(RegExprInvertCaseDefault),
      scratch_(std::make_unique<regexpr_detail::TExecScratch>()) {
    std::fill(std::begin(starts_), std::end(starts_), -1);
    std::fill(std::begin(ends_), std::end(ends_), -1);
}

TRegExpr::~TRegExpr() = default;

void TRegExpr::Invalidate() {
    program_.reset();
}

void TRegExpr::Fail(int code, int pos) const {
    lastError_ = code;
    std::string message = ErrorMsg(code);
    if (code < 1000) {
        message += " (pos " + std::to_string(pos) + ")";
    }
    throw ERegExpr(code, code < 1000 ? pos : -1, message);
}

void TRegExpr::SetExpression(std::u16string_view text) {
    expression_.assign(text);
    Invalidate();
}

void TRegExpr::Compile() {
    auto program = std::make_unique<regexpr_detail::TProgram>();
    regexpr_detail::TCompileInput in;
    in.expression = expression_;
    in.modifiers = modifiers_;
    in.spaceChars = spaceChars_;
    in.wordChars = wordChars_;
    in.lineSeparators = lineSeparators_;
    in.linePaired = linePaired_;
    in.invert = &invert_;
    in.movedByInvert = [this]() -> const std::vector<std::pair<char16_t, char16_t>>& {
        if (!movedValid_) {
            movedByInvert_.clear();
            for (unsigned c = 0; c <= 0xFFFF; ++c) {
                const char16_t u = static_cast<char16_t>(c);
                const char16_t inverted = invert_(u);
                if (inverted != u) {
                    movedByInvert_.emplace_back(u, inverted);
                }
            }
            movedValid_ = true;
        }
        return movedByInvert_;
    };
    in.optimize = optimize_;
    program_.reset();
    try {
        regexpr_detail::CompileProgram(in, *program);
    } catch (const regexpr_detail::TCompileFailure& failure) {
        Fail(failure.code, failure.pos);
    }
    program_ = std::move(program);
}

void TRegExpr::EnsureCompiled() {
    if (!program_) {
        Compile();
    }
}

void TRegExpr::SetModifier(int which, bool on) {
    if (which < kModI || which > kModX) {
        Fail(reeModifierUnsupported);
    }
    const unsigned next = on ? (modifiers_ | ModBit(which)) : (modifiers_ & ~ModBit(which));
    if (next != modifiers_) {
        modifiers_ = next;
        Invalidate();
    }
}

bool TRegExpr::GetModifier(int which) const {
    if (which < kModI || which > kModX) {
        return false;
    }
    return (modifiers_ & ModBit(which)) != 0;
}

void TRegExpr::SetSpaceChars(std::u16string_view chars) {
    spaceChars_.assign(chars);
    Invalidate();
}

void TRegExpr::SetWordChars(std::u16string_view chars) {
    wordChars_.assign(chars);
    Invalidate();
}

void TRegExpr::SetLineSeparators(std::u16string_view chars) {
    lineSeparators_.assign(chars);
    Invalidate();
}

void TRegExpr::SetLinePairedSeparator(std::u16string_view chars) {
    if (!(chars.empty() || (chars.size() == 2 && chars[0] != chars[1]))) {
        Fail(reeBadLinePairedSeparator, 0);
    }
    linePaired_.assign(chars);
    Invalidate();
}

void TRegExpr::SetInvertCase(TRegExprInvertCase invert) {
    invert_ = invert ? std::move(invert) : TRegExprInvertCase(RegExprInvertCaseDefault);
    movedValid_ = false;
    Invalidate();
}

void TRegExpr::SetInputString(std::u16string_view text, TInputEnd end) {
    const size_t nul = end == TInputEnd::FirstNul ? text.find(u'\0') : text.npos;
    ownInput_.assign(text.substr(0, nul));
    work_ += static_cast<std::int64_t>(ownInput_.size());
    TakeInput(ownInput_);
}

void TRegExpr::BorrowInput(std::u16string_view text) {
    ownInput_.clear();
    TakeInput(text);
}

void TRegExpr::TakeInput(std::u16string_view text) {
    input_ = text;
    hasInput_ = true;
    execDone_ = false;
    std::fill(std::begin(starts_), std::end(starts_), -1);
    std::fill(std::begin(ends_), std::end(ends_), -1);
}

std::u16string TRegExpr::InputString() const {
    if (!hasInput_) {
        Fail(reeGetInputStringWithoutInputString);
    }
    return std::u16string(input_);
}

bool TRegExpr::Exec(std::u16string_view text) {
    SetInputString(text);
    return ExecPos(1);
}

bool TRegExpr::ExecPos(int offset) {
    return ExecPos(offset, INT_MAX);
}

bool TRegExpr::ExecPos(int offset, int lastStart) {
    if (expression_.empty()) {
        Fail(reeNoExpression);
    }
    if (!hasInput_) {
        Fail(reeNoInpitStringSpecified);
    }
    if (offset < 1) {
        Fail(reeOffsetMustBeGreaterThen0);
    }
    return ExecPrim(offset, lastStart);
}

bool TRegExpr::ExecNext() {
    if (!execDone_) {
        Fail(reeExecNextWithoutExec);
    }
    if (starts_[0] < 0) {
        return false; // the last search found nothing; there is nothing after it
    }
    int offset = ends_[0] + 1;
    if (ends_[0] == starts_[0]) {
        ++offset;
    }
    return ExecPrim(offset);
}

bool TRegExpr::ExecPrim(int offset, int lastStart) {
    EnsureCompiled();
    execDone_ = true;
    std::fill(std::begin(starts_), std::end(starts_), -1);
    std::fill(std::begin(ends_), std::end(ends_), -1);
    if (offset > static_cast<int>(input_.size()) + 1) {
        return false;
    }
    regexpr_detail::TExecLimits limits;
    limits.stepLimit = stepLimit_;
    limits.stackLimit = stackLimit_;
    const regexpr_detail::TExecResult result =
        regexpr_detail::ExecProgram(*program_, input_, offset - 1, invert_, limits, *scratch_,
                                    lastStart == INT_MAX ? INT_MAX : lastStart - 1);
    work_ += result.work;
    if (scratch_->stack.capacity() > (1u << 16)) {
        scratch_->stack = {}; // give back the memory of an unusually deep search
    }
    if (result.error != 0) {
        Fail(result.error);
    }
    if (!result.found) {
        return false;
    }
    for (int n = 0; n <= kSubExprMax; ++n) {
        const int s = result.caps[static_cast<size_t>(2 * n)];
        const int e = result.caps[static_cast<size_t>(2 * n + 1)];
        if (s >= 0 && e >= s) {
            starts_[n] = s;
            ends_[n] = e;
        }
    }
    return true;
}

int TRegExpr::SubExprMatchCount() const {
    if (!hasInput_) {
        return -1;
    }
    for (int n = kSubExprMax; n >= 1; --n) {
        if (starts_[n] >= 0) {
            return n;
        }
    }
    return 0;
}

int TRegExpr::MatchPos(int n) const {
    if (n < 0 || n > kSubExprMax || starts_[n] < 0) {
        return -1;
    }
    return starts_[n] + 1;
}

int TRegExpr::MatchLen(int n) const {
    if (n < 0 || n > kSubExprMax || starts_[n] < 0) {
        return -1;
    }
    return ends_[n] - starts_[n];
}

std::u16string TRegExpr::Match(int n) const {
    if (n < 0 || n > kSubExprMax || starts_[n] < 0) {
        return {};
    }
    return std::u16string(
        input_.substr(static_cast<size_t>(starts_[n]), static_cast<size_t>(ends_[n] - starts_[n])));
}

std::u16string TRegExpr::Substitute(std::u16string_view tmpl) const {
    std::u16string out;
    out.reserve(tmpl.size());
    const size_t len = tmpl.size();
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    // Reads a group reference ("&" or digits) at k; returns its number (-1: none, 99: too
    // big to be a group) and moves k past it.
    auto readRef = [&](size_t& k) -> int {
        if (k < len && tmpl[k] == u'&') {
            ++k;
            return 0;
        }
        if (k >= len || !isDigit(tmpl[k])) {
            return -1;
        }
        int number = 0;
        while (k < len && isDigit(tmpl[k])) {
            if (number < 99) {
                number = number * 10 + (tmpl[k] - u'0');
            }
            ++k;
        }
        return std::min(number, 99);
    };
    size_t i = 0;
    while (i < len) {
        const char16_t c = tmpl[i];
        if (c == u'\\' && i + 1 < len) {
            out.push_back(tmpl[i + 1]);
            i += 2;
            continue;
        }
        if (c != u'$' || i + 1 >= len) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t k = i + 1;
        int number = -1;
        if (tmpl[k] == u'{') {
            ++k;
            number = readRef(k);
            if (number < 0 || k >= len || tmpl[k] != u'}') {
                number = -1;
            } else {
                ++k;
            }
        } else {
            number = readRef(k);
        }
        if (number < 0) {
            out.push_back(c);
            ++i;
            continue;
        }
        out += Match(number); // empty for a group that did not match or a number over 14
        i = k;
    }
    return out;
}

std::string TRegExpr::ErrorMsg(int code) {
    switch (code) {
    case reeOk:
        return "No errors";
    case reeCompNullArgument:
        return "TRegExpr(comp): Null Argument";
    case reeCompRegexpTooBig:
        return "TRegExpr(comp): Regexp Too Big";
    case reeCompParseRegTooManyBrackets:
        return "TRegExpr(comp): ParseReg Too Many ()";
    case reeCompParseRegUnmatchedBrackets:
    case reeCompParseRegUnmatchedBrackets2:
        return "TRegExpr(comp): ParseReg Unmatched ()";
    case reeCompParseRegJunkOnEnd:
        return "TRegExpr(comp): ParseReg Junk On End";
    case reePlusStarOperandCouldBeEmpty:
        return "TRegExpr(comp): *+ Operand Could Be Empty";
    case reeNestedSQP:
        return "TRegExpr(comp): Nested *?+";
    case reeBadHexDigit:
        return "TRegExpr(comp): Bad Hex Digit";
    case reeInvalidRange:
        return "TRegExpr(comp): Invalid [] Range";
    case reeParseAtomTrailingBackSlash:
        return "TRegExpr(comp): Parse Atom Trailing \\";
    case reeNoHexCodeAfterBSlashX:
        return "TRegExpr(comp): No Hex Code After \\x";
    case reeHexCodeAfterBSlashXTooBig:
        return "TRegExpr(comp): Hex Code After \\x Is Too Big";
    case reeUnmatchedSqBrackets:
        return "TRegExpr(comp): Unmatched []";
    case reeInternalUrp:
        return "TRegExpr(comp): Internal Urp";
    case reeQPSBFollowsNothing:
        return "TRegExpr(comp): ?+*{ Follows Nothing";
    case reeTrailingBackSlash:
        return "TRegExpr(comp): Trailing \\";
    case reeRarseAtomInternalDisaster:
        return "TRegExpr(comp): RarseAtom Internal Disaster";
    case reeBRACESArgTooBig:
        return "TRegExpr(comp): BRACES Argument Too Big";
    case reeBracesMinParamGreaterMax:
        return "TRegExpr(comp): BRACE Min Param Greater then Max";
    case reeUnclosedComment:
        return "TRegExpr(comp): Unclosed (?#Comment)";
    case reeComplexBracesNotImplemented:
        return "TRegExpr(comp): If you want take part in beta-testing BRACES '{min,max}' and "
               "non-greedy ops '*?', '+?', '?"
               "?' for complex cases - remove '.' from "
               "{.$DEFINE ComplexBraces}";
    case reeUrecognizedModifier:
        return "TRegExpr(comp): Urecognized Modifier";
    case reeBadLinePairedSeparator:
        return "TRegExpr(comp): LinePairedSeparator must countain two different chars or no "
               "chars at all";
    case reeRegRepeatCalledInappropriately:
        return "TRegExpr(exec): RegRepeat Called Inappropriately";
    case reeMatchPrimMemoryCorruption:
        return "TRegExpr(exec): MatchPrim Memory Corruption";
    case reeMatchPrimCorruptedPointers:
        return "TRegExpr(exec): MatchPrim Corrupted Pointers";
    case reeNoExpression:
        return "TRegExpr(exec): Not Assigned Expression Property";
    case reeCorruptedProgram:
        return "TRegExpr(exec): Corrupted Program";
    case reeNoInpitStringSpecified:
        return "TRegExpr(exec): No Inpit String Specified";
    case reeOffsetMustBeGreaterThen0:
        return "TRegExpr(exec): Offset Must Be Greater Then 0";
    case reeExecNextWithoutExec:
        return "TRegExpr(exec): ExecNext Without Exec[Pos]";
    case reeGetInputStringWithoutInputString:
        return "TRegExpr(exec): GetInputString Without InputString";
    case reeDumpCorruptedOpcode:
        return "TRegExpr(dump): Corrupted Opcode";
    case reeLoopStackExceeded:
        return "TRegExpr(exec): Loop Stack Exceeded";
    case reeLoopWithoutEntry:
        return "TRegExpr(exec): Loop Without LoopEntry !";
    case reeStepBudgetExhausted:
        return "TRegExpr(exec): Step Budget Exhausted";
    default:
        return "Unknown error";
    }
}

int TRegExpr::LastError() {
    const int code = lastError_;
    lastError_ = reeOk;
    return code;
}
