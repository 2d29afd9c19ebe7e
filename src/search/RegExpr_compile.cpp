// TRegExpr compiler: parses the dialect into a tree, checks it, and emits matcher code.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/uniNumRefs.h"
#include "search/RegExpr_program.h"

namespace regexpr_detail {

// ---- TCharSet ---------------------------------------------------------------------------

void TCharSet::AddRange(char16_t from, char16_t to) {
    if (from > to) {
        std::swap(from, to);
    }
    unsigned c = from;
    for (; c <= to && c < 128; ++c) {
        ascii_[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    if (c <= to) {
        wide_.emplace_back(static_cast<char16_t>(c), to);
    }
}

void TCharSet::AddSet(const TCharSet& other) {
    ascii_[0] |= other.ascii_[0];
    ascii_[1] |= other.ascii_[1];
    wide_.insert(wide_.end(), other.wide_.begin(), other.wide_.end());
}

void TCharSet::AddComplement(const TCharSet& other) {
    ascii_[0] |= ~other.ascii_[0];
    ascii_[1] |= ~other.ascii_[1];
    TCharSet copy = other;
    copy.Finish();
    unsigned next = 128;
    for (const auto& [from, to] : copy.wide_) {
        if (from > next) {
            wide_.emplace_back(static_cast<char16_t>(next), static_cast<char16_t>(from - 1));
        }
        next = static_cast<unsigned>(to) + 1;
    }
    if (next <= 0xFFFF) {
        wide_.emplace_back(static_cast<char16_t>(next), char16_t{0xFFFF});
    }
}

void TCharSet::Finish() {
    if (wide_.empty()) {
        return;
    }
    std::sort(wide_.begin(), wide_.end());
    std::vector<std::pair<char16_t, char16_t>> merged;
    merged.push_back(wide_.front());
    for (size_t i = 1; i < wide_.size(); ++i) {
        auto& last = merged.back();
        if (static_cast<unsigned>(wide_[i].first) <= static_cast<unsigned>(last.second) + 1) {
            last.second = std::max(last.second, wide_[i].second);
        } else {
            merged.push_back(wide_[i]);
        }
    }
    wide_ = std::move(merged);
}

bool TCharSet::ContainsWide(char16_t c) const {
    auto it = std::upper_bound(wide_.begin(), wide_.end(), c,
                               [](char16_t v, const auto& r) { return v < r.first; });
    if (it == wide_.begin()) {
        return false;
    }
    --it;
    return c <= it->second;
}

bool TCharSet::Empty() const {
    return ascii_[0] == 0 && ascii_[1] == 0 && wide_.empty();
}

namespace {

constexpr unsigned Bit(int modifier) {
    return 1u << (modifier - 1);
}

constexpr int kMaxCount = 2147483646;
// Far above what a search box or a template holds; keeps a compile's memory modest.
constexpr size_t kMaxProgram = 1u << 18;

enum class TKind : std::uint8_t {
    Nothing, // an inline modifier or comment: no node at all
    Empty,
    Char,
    Any,
    AnyNoSep,
    Class,
    Assert,
    Group,
    Concat,
    Alt,
    Repeat,
    BackRef,
};

struct TNode {
    TKind kind = TKind::Empty;
    TOp assertOp = TOp::Bol;
    bool flag = false; // Repeat: greedy; BackRef: ignore case
    char16_t c1 = 0;
    char16_t c2 = 0;
    int a = 0; // Class: class index; Group/BackRef: group number
    int min = 0;
    int max = 0;
    std::vector<int> kids;
};

class TCompiler {
public:
    TCompiler(const TCompileInput& in, TProgram& out)
        : in_(in), e_(in.expression), out_(out), flags_(in.modifiers) {}

    void Run();

private:
    [[noreturn]] void Fail(int code) const {
        const int len = static_cast<int>(e_.size());
        int pos = static_cast<int>(i_) + 1;
        if (pos > len) {
            pos = len;
        }
        throw TCompileFailure{code, pos < 1 ? 1 : pos};
    }
    bool On(int modifier) const { return (flags_ & Bit(modifier)) != 0; }
    bool AtEnd() const { return i_ >= e_.size(); }
    char16_t Peek() const { return i_ < e_.size() ? e_[i_] : char16_t{0}; }
    void SkipExtended();

    int NewNode(TKind kind) {
        nodes_.emplace_back();
        nodes_.back().kind = kind;
        return static_cast<int>(nodes_.size() - 1);
    }
    int CharNode(char16_t c);
    int ClassNode(const TCharSet& set, bool negated);

    int ParseReg();
    int ParseBranch();
    int ParsePiece();
    int ParseAtom();
    int ParseEscape();
    int ParseClass();
    int ParseGroupOrModifier();
    bool ReadBraces(int& min, int& max, size_t& end) const;
    char16_t ReadHexEscape(); // after "\x"
    // One member of a class; returns false for a set escape (added to `set` directly).
    bool ReadClassItem(char16_t& c, TCharSet& set);

    bool Nullable(int n) const;
    bool Simple(int n) const;
    void Emit(int n);
    int Add(TInst inst) {
        if (out_.code.size() >= kMaxProgram) {
            throw TCompileFailure{reeCompRegexpTooBig, static_cast<int>(e_.size())};
        }
        out_.code.push_back(inst);
        return static_cast<int>(out_.code.size() - 1);
    }
    bool EmitOneUnitTest(int n);

    // First-unit analysis: adds the units that can begin a match of node n to `bits`;
    // returns false when any unit could (or the node can match empty: `nullable`).
    bool First(int n, std::vector<std::uint64_t>& bits, bool& nullable) const;
    void ChooseScan(int root);
    void MarkPossessive();
    bool UnitTest(const TInst& in, char16_t c) const;
    bool Overlap(const TInst& a, const TInst& b) const;

    char16_t Invert(char16_t c) const { return (*in_.invert)(c); }

    const TCompileInput& in_;
    std::u16string_view e_;
    TProgram& out_;
    unsigned flags_;
    size_t i_ = 0;
    std::vector<TNode> nodes_;
    TCharSet spaces_;
};

void TCompiler::SkipExtended() {
    if (!On(TRegExpr::kModX)) {
        return;
    }
    while (i_ < e_.size()) {
        const char16_t c = e_[i_];
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
            ++i_;
        } else if (c == u'#') {
            while (i_ < e_.size() && e_[i_] != u'\n') {
                ++i_;
            }
        } else {
            break;
        }
    }
}

int TCompiler::CharNode(char16_t c) {
    const int n = NewNode(TKind::Char);
    nodes_[n].c1 = c;
    nodes_[n].c2 = On(TRegExpr::kModI) ? Invert(c) : c;
    return n;
}

int TCompiler::ClassNode(const TCharSet& set, bool negated) {
    TCharClass cls;
    cls.set = set;
    cls.set.Finish();
    cls.negated = negated;
    cls.ignoreCase = On(TRegExpr::kModI);
    out_.classes.push_back(std::move(cls));
    const int n = NewNode(TKind::Class);
    nodes_[n].a = static_cast<int>(out_.classes.size() - 1);
    return n;
}

// Reads "{n}", "{n,}" or "{n,m}" at i_ without consuming; false when it is not one.
bool TCompiler::ReadBraces(int& min, int& max, size_t& end) const {
    size_t p = i_;
    if (p >= e_.size() || e_[p] != u'{') {
        return false;
    }
    ++p;
    auto readNumber = [&](std::int64_t& value) {
        const size_t start = p;
        value = 0;
        while (p < e_.size() && e_[p] >= u'0' && e_[p] <= u'9') {
            if (value <= kMaxCount) {
                value = value * 10 + (e_[p] - u'0');
            }
            ++p;
        }
        return p > start;
    };
    std::int64_t lo = 0;
    std::int64_t hi = 0;
    if (!readNumber(lo)) {
        return false;
    }
    if (p < e_.size() && e_[p] == u'}') {
        hi = lo;
    } else if (p < e_.size() && e_[p] == u',') {
        ++p;
        if (!readNumber(hi)) {
            hi = kMaxCount;
        }
        if (p >= e_.size() || e_[p] != u'}') {
            return false;
        }
    } else {
        return false;
    }
    end = p; // at the "}"
    min = static_cast<int>(std::min<std::int64_t>(lo, kMaxCount + std::int64_t{1}));
    max = static_cast<int>(std::min<std::int64_t>(hi, kMaxCount + std::int64_t{1}));
    return true;
}

void TCompiler::Run() {
    spaces_ = TCharSet();
    for (char16_t c : in_.spaceChars) {
        spaces_.Add(c);
    }
    spaces_.Finish();
    for (char16_t c : in_.wordChars) {
        out_.words.Add(c);
    }
    out_.words.Finish();
    for (char16_t c : in_.lineSeparators) {
        out_.lineSeps.Add(c);
        out_.separators.Add(c);
    }
    out_.hasPair = in_.linePaired.size() == 2;
    if (out_.hasPair) {
        out_.pairHead = in_.linePaired[0];
        out_.pairTail = in_.linePaired[1];
        out_.separators.Add(out_.pairHead);
        out_.separators.Add(out_.pairTail);
    }
    out_.lineSeps.Finish();
    out_.separators.Finish();

    const int root = ParseReg();
    if (!AtEnd()) {
        // ParseReg stops only at the end or at a ")" without its "(".
        Fail(e_[i_] == u')' ? reeCompParseRegUnmatchedBrackets2 : reeCompParseRegJunkOnEnd);
    }
    Emit(root);
    TInst match;
    match.op = TOp::Match;
    Add(match);
    if (in_.optimize) {
        ChooseScan(root);
        MarkPossessive();
    }
}

int TCompiler::ParseReg() {
    const int first = ParseBranch();
    if (AtEnd() || e_[i_] != u'|') {
        return first;
    }
    const int alt = NewNode(TKind::Alt);
    nodes_[alt].kids.push_back(first);
    while (!AtEnd() && e_[i_] == u'|') {
        ++i_;
        const int next = ParseBranch();
        nodes_[alt].kids.push_back(next);
    }
    return alt;
}

int TCompiler::ParseBranch() {
    const int cat = NewNode(TKind::Concat);
    for (;;) {
        SkipExtended();
        if (AtEnd() || e_[i_] == u'|' || e_[i_] == u')') {
            break;
        }
        const int piece = ParsePiece();
        if (nodes_[piece].kind != TKind::Nothing) {
            nodes_[cat].kids.push_back(piece);
        }
    }
    if (nodes_[cat].kids.size() == 1) {
        return nodes_[cat].kids[0];
    }
    return cat;
}

int TCompiler::ParsePiece() {
    const int atom = ParseAtom();
    SkipExtended();
    if (AtEnd()) {
        return atom;
    }
    int min = 0;
    int max = 0;
    size_t braceEnd = 0;
    const char16_t c = e_[i_];
    if (c == u'*') {
        min = 0;
        max = kMaxCount;
    } else if (c == u'+') {
        min = 1;
        max = kMaxCount;
    } else if (c == u'?') {
        min = 0;
        max = 1;
    } else if (ReadBraces(min, max, braceEnd)) {
        i_ = braceEnd;
        if (min > kMaxCount || max > kMaxCount) {
            Fail(reeBRACESArgTooBig);
        }
        if (max < min) {
            Fail(reeBracesMinParamGreaterMax);
        }
    } else {
        return atom;
    }
    if (nodes_[atom].kind == TKind::Nothing) {
        Fail(reeQPSBFollowsNothing);
    }
    if ((c == u'*' || c == u'+') && Nullable(atom)) {
        Fail(reePlusStarOperandCouldBeEmpty);
    }
    ++i_;
    bool greedy = On(TRegExpr::kModG);
    SkipExtended();
    if (!AtEnd() && e_[i_] == u'?') {
        greedy = false;
        ++i_;
        SkipExtended();
    }
    if (!AtEnd()) {
        int m1 = 0;
        int m2 = 0;
        size_t end = 0;
        const char16_t d = e_[i_];
        if (d == u'*' || d == u'+' || d == u'?' || ReadBraces(m1, m2, end)) {
            Fail(reeNestedSQP);
        }
    }
    if (min == 1 && max == 1) {
        return atom;
    }
    const int rep = NewNode(TKind::Repeat);
    nodes_[rep].kids.push_back(atom);
    nodes_[rep].min = min;
    nodes_[rep].max = max;
    nodes_[rep].flag = greedy;
    return rep;
}

int TCompiler::ParseAtom() {
    const char16_t c = e_[i_];
    switch (c) {
    case u'^': {
        ++i_;
        const int n = NewNode(TKind::Assert);
        const bool multi = On(TRegExpr::kModM) && !out_.separators.Empty();
        nodes_[n].assertOp = multi ? TOp::BolM : TOp::Bol;
        return n;
    }
    case u'$': {
        ++i_;
        const int n = NewNode(TKind::Assert);
        const bool multi = On(TRegExpr::kModM) && !out_.separators.Empty();
        nodes_[n].assertOp = multi ? TOp::EolM : TOp::Eol;
        return n;
    }
    case u'.':
        ++i_;
        return NewNode(On(TRegExpr::kModS) ? TKind::Any : TKind::AnyNoSep);
    case u'(':
        return ParseGroupOrModifier();
    case u'[':
        return ParseClass();
    case u'\\':
        return ParseEscape();
    case u'*':
    case u'+':
    case u'?':
        Fail(reeQPSBFollowsNothing);
    case u'{': {
        int min = 0;
        int max = 0;
        size_t end = 0;
        if (ReadBraces(min, max, end)) {
            Fail(reeQPSBFollowsNothing);
        }
        ++i_;
        return CharNode(c);
    }
    default:
        ++i_;
        return CharNode(c);
    }
}

int TCompiler::ParseGroupOrModifier() {
    ++i_; // "("
    if (!AtEnd() && e_[i_] == u'?') {
        ++i_;
        if (!AtEnd() && e_[i_] == u'#') {
            while (!AtEnd() && e_[i_] != u')') {
                ++i_;
            }
            if (AtEnd()) {
                Fail(reeUnclosedComment);
            }
            ++i_;
            return NewNode(TKind::Nothing);
        }
        bool on = true;
        unsigned flags = flags_;
        for (;;) {
            if (AtEnd()) {
                Fail(reeUrecognizedModifier);
            }
            const char16_t m = e_[i_];
            if (m == u')') {
                ++i_;
                break;
            }
            int which = 0;
            switch (m) {
            case u'i':
                which = TRegExpr::kModI;
                break;
            case u'r':
                which = TRegExpr::kModR;
                break;
            case u's':
                which = TRegExpr::kModS;
                break;
            case u'g':
                which = TRegExpr::kModG;
                break;
            case u'm':
                which = TRegExpr::kModM;
                break;
            case u'x':
                which = TRegExpr::kModX;
                break;
            case u'-':
                on = false;
                break;
            default:
                Fail(reeUrecognizedModifier);
            }
            if (which != 0) {
                flags = on ? (flags | Bit(which)) : (flags & ~Bit(which));
            }
            ++i_;
        }
        flags_ = flags;
        return NewNode(TKind::Nothing);
    }
    if (out_.groupCount >= TRegExpr::kSubExprMax) {
        Fail(reeCompParseRegTooManyBrackets);
    }
    const int number = ++out_.groupCount;
    const int inner = ParseReg(); // nesting is bounded by the group limit
    if (AtEnd() || e_[i_] != u')') {
        Fail(reeCompParseRegUnmatchedBrackets);
    }
    ++i_;
    const int n = NewNode(TKind::Group);
    nodes_[n].a = number;
    nodes_[n].kids.push_back(inner);
    return n;
}

char16_t TCompiler::ReadHexEscape() {
    if (AtEnd()) {
        Fail(reeNoHexCodeAfterBSlashX);
    }
    unsigned value = 0;
    if (e_[i_] == u'{') {
        ++i_;
        int digits = 0;
        for (;;) {
            if (AtEnd()) {
                Fail(reeBadHexDigit);
            }
            if (e_[i_] == u'}') {
                break;
            }
            const int d = HexDigitValue(e_[i_]);
            if (d < 0) {
                Fail(reeBadHexDigit);
            }
            if (++digits > 4) {
                Fail(reeHexCodeAfterBSlashXTooBig);
            }
            value = value * 16 + static_cast<unsigned>(d);
            ++i_;
        }
        if (digits == 0) {
            Fail(reeNoHexCodeAfterBSlashX);
        }
        ++i_; // "}"
        return static_cast<char16_t>(value);
    }
    for (int k = 0; k < 2; ++k) {
        if (AtEnd()) {
            Fail(reeNoHexCodeAfterBSlashX);
        }
        const int d = HexDigitValue(e_[i_]);
        if (d < 0) {
            Fail(reeBadHexDigit);
        }
        value = value * 16 + static_cast<unsigned>(d);
        ++i_;
    }
    return static_cast<char16_t>(value);
}

int TCompiler::ParseEscape() {
    ++i_; // backslash
    if (AtEnd()) {
        --i_;
        Fail(reeParseAtomTrailingBackSlash);
    }
    const char16_t c = e_[i_++];
    TCharSet set;
    switch (c) {
    case u't':
        return CharNode(u'\t');
    case u'n':
        return CharNode(u'\n');
    case u'r':
        return CharNode(u'\r');
    case u'f':
        return CharNode(u'\f');
    case u'a':
        return CharNode(u'\a');
    case u'e':
        return CharNode(u'\x1B');
    case u'x':
        return CharNode(ReadHexEscape());
    case u'd':
    case u'D':
        set.AddRange(u'0', u'9');
        return ClassNode(set, c == u'D');
    case u's':
    case u'S':
        return ClassNode(spaces_, c == u'S');
    case u'w':
    case u'W':
        return ClassNode(out_.words, c == u'W');
    case u'A':
    case u'Z':
    case u'b':
    case u'B': {
        const int n = NewNode(TKind::Assert);
        nodes_[n].assertOp = c == u'A'   ? TOp::Bol
                             : c == u'Z' ? TOp::Eol
                             : c == u'b' ? TOp::WordB
                                         : TOp::NotWordB;
        return n;
    }
    default:
        break;
    }
    if (c >= u'1' && c <= u'9') {
        const int n = NewNode(TKind::BackRef);
        nodes_[n].a = c - u'0';
        nodes_[n].flag = On(TRegExpr::kModI);
        return n;
    }
    return CharNode(c);
}

bool TCompiler::ReadClassItem(char16_t& c, TCharSet& set) {
    if (e_[i_] != u'\\') {
        c = e_[i_++];
        return true;
    }
    ++i_;
    if (AtEnd()) {
        --i_;
        Fail(reeTrailingBackSlash);
    }
    const char16_t e = e_[i_++];
    TCharSet digits;
    switch (e) {
    case u't':
        c = u'\t';
        return true;
    case u'n':
        c = u'\n';
        return true;
    case u'r':
        c = u'\r';
        return true;
    case u'f':
        c = u'\f';
        return true;
    case u'a':
        c = u'\a';
        return true;
    case u'e':
        c = u'\x1B';
        return true;
    case u'x':
        c = ReadHexEscape();
        return true;
    case u'd':
        set.AddRange(u'0', u'9');
        return false;
    case u'D':
        digits.AddRange(u'0', u'9');
        set.AddComplement(digits);
        return false;
    case u's':
        set.AddSet(spaces_);
        return false;
    case u'S':
        set.AddComplement(spaces_);
        return false;
    case u'w':
        set.AddSet(out_.words);
        return false;
    case u'W':
        set.AddComplement(out_.words);
        return false;
    default:
        c = e;
        return true;
    }
}

int TCompiler::ParseClass() {
    ++i_; // "["
    bool negated = false;
    if (!AtEnd() && e_[i_] == u'^') {
        negated = true;
        ++i_;
    }
    TCharSet set;
    bool first = true;
    const bool russian = On(TRegExpr::kModR);
    for (;;) {
        if (AtEnd()) {
            Fail(reeUnmatchedSqBrackets);
        }
        if (e_[i_] == u']' && !first) {
            ++i_;
            break;
        }
        first = false;
        char16_t from = 0;
        if (!ReadClassItem(from, set)) {
            continue;
        }
        // A range needs "-" followed by something other than the closing "]".
        if (i_ + 1 < e_.size() && e_[i_] == u'-' && e_[i_ + 1] != u']') {
            ++i_;
            char16_t to = 0;
            TCharSet extra;
            if (!ReadClassItem(to, extra)) {
                // "a-\d": no range; the "-" is a member.
                set.Add(from);
                set.Add(u'-');
                set.AddSet(extra);
                continue;
            }
            if (russian && from == u'\u0430' && to == u'\u042F') {
                set.AddRange(u'\u0410', u'\u044F');
                set.Add(u'\u0401');
                set.Add(u'\u0451');
                continue;
            }
            if (to < from) {
                --i_;
                Fail(reeInvalidRange);
            }
            set.AddRange(from, to);
            if (russian && from == u'\u0430' && to == u'\u044F') {
                set.Add(u'\u0451');
            } else if (russian && from == u'\u0410' && to == u'\u042F') {
                set.Add(u'\u0401');
            }
            continue;
        }
        set.Add(from);
    }
    return ClassNode(set, negated);
}

// ---- checks -------------------------------------------------------------------------------

bool TCompiler::Nullable(int n) const {
    const TNode& node = nodes_[n];
    switch (node.kind) {
    case TKind::Nothing:
    case TKind::Empty:
    case TKind::Assert:
        return true;
    case TKind::Char:
    case TKind::Any:
    case TKind::AnyNoSep:
    case TKind::Class:
    case TKind::BackRef: // may match empty at run time; the loops guard against that
        return false;
    case TKind::Group:
        return Nullable(node.kids[0]);
    case TKind::Concat:
        return std::all_of(node.kids.begin(), node.kids.end(),
                           [this](int k) { return Nullable(k); });
    case TKind::Alt:
        return std::any_of(node.kids.begin(), node.kids.end(),
                           [this](int k) { return Nullable(k); });
    case TKind::Repeat:
        return node.min == 0 || Nullable(node.kids[0]);
    }
    return true;
}

bool TCompiler::Simple(int n) const {
    const TKind k = nodes_[n].kind;
    return k == TKind::Char || k == TKind::Any || k == TKind::AnyNoSep || k == TKind::Class;
}

// ---- code generation --------------------------------------------------------------------

bool TCompiler::EmitOneUnitTest(int n) {
    const TNode& node = nodes_[n];
    TInst inst;
    switch (node.kind) {
    case TKind::Char:
        inst.op = node.c1 == node.c2 ? TOp::Char : TOp::CharCI;
        inst.c1 = node.c1;
        inst.c2 = node.c2;
        break;
    case TKind::Any:
        inst.op = TOp::Any;
        break;
    case TKind::AnyNoSep:
        inst.op = TOp::AnyNoSep;
        break;
    case TKind::Class:
        inst.op = TOp::Class;
        inst.a = node.a;
        break;
    default:
        return false;
    }
    Add(inst);
    return true;
}

void TCompiler::Emit(int n) {
    const TNode& node = nodes_[n]; // nodes_ does not change while code is emitted
    switch (node.kind) {
    case TKind::Nothing:
    case TKind::Empty:
        return;
    case TKind::Char:
    case TKind::Any:
    case TKind::AnyNoSep:
    case TKind::Class:
        EmitOneUnitTest(n);
        return;
    case TKind::Assert: {
        TInst inst;
        inst.op = node.assertOp;
        Add(inst);
        return;
    }
    case TKind::BackRef: {
        TInst inst;
        inst.op = TOp::BackRef;
        inst.a = node.a;
        inst.ignoreCase = node.flag;
        Add(inst);
        return;
    }
    case TKind::Group: {
        TInst save;
        save.op = TOp::Save;
        save.a = 2 * node.a;
        Add(save);
        Emit(node.kids[0]);
        save.a = 2 * node.a + 1;
        Add(save);
        return;
    }
    case TKind::Concat:
        for (int k : node.kids) {
            Emit(k);
        }
        return;
    case TKind::Alt: {
        std::vector<int> jumps;
        for (size_t k = 0; k < node.kids.size(); ++k) {
            if (k + 1 < node.kids.size()) {
                TInst split;
                split.op = TOp::Split;
                const int at = Add(split);
                out_.code[at].a = at + 1;
                Emit(node.kids[k]);
                TInst jmp;
                jmp.op = TOp::Jmp;
                jumps.push_back(Add(jmp));
                out_.code[at].b = static_cast<int>(out_.code.size());
            } else {
                Emit(node.kids[k]);
            }
        }
        for (int j : jumps) {
            out_.code[j].a = static_cast<int>(out_.code.size());
        }
        return;
    }
    case TKind::Repeat: {
        const int kid = node.kids[0];
        if (node.max == 0) {
            return;
        }
        if (Simple(kid)) {
            TInst rep;
            rep.op = TOp::RepSimple;
            rep.min = node.min;
            rep.max = node.max;
            rep.greedy = node.flag;
            Add(rep);
            EmitOneUnitTest(kid);
            return;
        }
        if (node.min == 0 && node.max == 1) {
            TInst split;
            split.op = TOp::Split;
            const int at = Add(split);
            Emit(kid);
            const int end = static_cast<int>(out_.code.size());
            out_.code[at].a = node.flag ? at + 1 : end;
            out_.code[at].b = node.flag ? end : at + 1;
            return;
        }
        const int slot = out_.loopCount++;
        TInst init;
        init.op = TOp::LoopInit;
        init.a = slot;
        Add(init);
        TInst chk;
        chk.op = TOp::LoopChk;
        chk.a = slot;
        chk.min = node.min;
        chk.max = node.max;
        chk.greedy = node.flag;
        const int chkAt = Add(chk);
        Emit(kid);
        TInst end;
        end.op = TOp::LoopEnd;
        end.a = slot;
        end.b = chkAt;
        Add(end);
        out_.code[chkAt].b = static_cast<int>(out_.code.size());
        return;
    }
    }
}

// ---- start-position scanning ------------------------------------------------------------

bool TCompiler::First(int n, std::vector<std::uint64_t>& bits, bool& nullable) const {
    const TNode& node = nodes_[n];
    auto set = [&bits](unsigned c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); };
    nullable = false;
    switch (node.kind) {
    case TKind::Nothing:
    case TKind::Empty:
    case TKind::Assert:
        nullable = true;
        return true;
    case TKind::Char:
        set(node.c1);
        set(node.c2);
        return true;
    case TKind::Any:
    case TKind::BackRef:
        return false;
    case TKind::AnyNoSep:
        return false; // nearly every unit: scanning would not pay
    case TKind::Class: {
        const TCharClass& cls = out_.classes[static_cast<size_t>(node.a)];
        if (cls.negated) {
            return false;
        }
        cls.set.ForEachRange([&](char16_t from, char16_t to) {
            for (unsigned c = from; c <= to; ++c) {
                set(c);
            }
        });
        if (cls.ignoreCase) {
            // Also every unit whose inversion is a member (the inversion need not be its
            // own inverse, so the members' inversions would not do).
            for (const auto& [c, inverted] : in_.movedByInvert()) {
                if (cls.set.Contains(inverted)) {
                    set(c);
                }
            }
        }
        return true;
    }
    case TKind::Group:
        return First(node.kids[0], bits, nullable);
    case TKind::Repeat: {
        if (!First(node.kids[0], bits, nullable)) {
            return false;
        }
        nullable = nullable || node.min == 0;
        return true;
    }
    case TKind::Concat:
        nullable = true;
        for (int k : node.kids) {
            bool kidNullable = false;
            if (!First(k, bits, kidNullable)) {
                return false;
            }
            if (!kidNullable) {
                nullable = false;
                break;
            }
        }
        return true;
    case TKind::Alt:
        for (int k : node.kids) {
            bool kidNullable = false;
            if (!First(k, bits, kidNullable)) {
                return false;
            }
            nullable = nullable || kidNullable;
        }
        return true;
    }
    return false;
}

void TCompiler::ChooseScan(int root) {
    // Leading literal units (case-sensitive) and a leading start-of-input anchor.
    const TNode& top = nodes_[root];
    std::vector<int> leading;
    if (top.kind == TKind::Concat) {
        leading = top.kids;
    } else {
        leading.push_back(root);
    }
    if (!leading.empty() && nodes_[leading[0]].kind == TKind::Assert &&
        nodes_[leading[0]].assertOp == TOp::Bol) {
        out_.anchored = true;
        return;
    }
    std::u16string prefix;
    for (int k : leading) {
        const TNode& node = nodes_[k];
        if (node.kind != TKind::Char || node.c1 != node.c2) {
            break;
        }
        prefix.push_back(node.c1);
    }
    if (prefix.size() >= 2) {
        out_.scan = TStartScan::Prefix;
        out_.prefix = std::move(prefix);
        return;
    }
    std::vector<std::uint64_t> bits(65536 / 64, 0);
    bool nullable = false;
    if (!First(root, bits, nullable) || nullable) {
        return;
    }
    int count = 0;
    char16_t found[2] = {0, 0};
    for (unsigned w = 0; w < bits.size() && count <= 2; ++w) {
        std::uint64_t word = bits[w];
        while (word != 0 && count <= 2) {
            const int bit = __builtin_ctzll(word);
            word &= word - 1;
            if (count < 2) {
                found[count] = static_cast<char16_t>(w * 64 + static_cast<unsigned>(bit));
            }
            ++count;
        }
    }
    if (count == 0) {
        // Nothing can start a match; the set scan finds no position.
        out_.scan = TStartScan::Set;
        out_.firstSet = std::move(bits);
    } else if (count == 1) {
        out_.scan = TStartScan::One;
        out_.firstChars[0] = found[0];
    } else if (count == 2) {
        out_.scan = TStartScan::Two;
        out_.firstChars[0] = found[0];
        out_.firstChars[1] = found[1];
    } else {
        out_.scan = TStartScan::Set;
        out_.firstSet = std::move(bits);
    }
}

// ---- possessive repeats ------------------------------------------------------------------

bool TCompiler::UnitTest(const TInst& in, char16_t c) const {
    // Anything but a one-unit test might accept the unit.
    return PassesUnitTest(
        out_, in, c, [this](char16_t u) { return Invert(u); }, true);
}

// Whether one unit can pass both tests (true when unsure).
bool TCompiler::Overlap(const TInst& a, const TInst& b) const {
    for (const TInst* chars : {&a, &b}) {
        if (chars->op == TOp::Char || chars->op == TOp::CharCI) {
            const TInst& other = chars == &a ? b : a;
            return UnitTest(other, chars->c1) || UnitTest(other, chars->c2);
        }
    }
    // Both are classes (or "." without s): walk the members of a side that lists them.
    auto members = [this](const TInst& in) -> const TCharSet* {
        if (in.op != TOp::Class) {
            return nullptr;
        }
        const TCharClass& cls = out_.classes[static_cast<size_t>(in.a)];
        // A case-insensitive class also takes units outside its set.
        return cls.negated || cls.ignoreCase ? nullptr : &cls.set;
    };
    const TInst* listed = &a;
    const TInst* other = &b;
    if (members(a) == nullptr) {
        std::swap(listed, other);
    }
    const TCharSet* set = members(*listed);
    if (set == nullptr) {
        return true; // two negated sets always share something in practice
    }
    constexpr unsigned kMostUnits = 8192;
    unsigned units = 0;
    bool overlap = false;
    set->ForEachRange([&](char16_t from, char16_t to) {
        for (unsigned c = from; c <= to && !overlap; ++c) {
            if (++units > kMostUnits || UnitTest(*other, static_cast<char16_t>(c))) {
                overlap = true;
            }
        }
    });
    return overlap;
}

// A greedy one-unit repeat need not keep a retry point when nothing that can follow it
// starts with a unit it takes: "\w+\s*=" gives nothing back to find the "=".
void TCompiler::MarkPossessive() {
    std::vector<TInst>& code = out_.code;
    for (size_t pc = 0; pc + 2 < code.size(); ++pc) {
        if (code[pc].op != TOp::RepSimple || !code[pc].greedy) {
            continue;
        }
        const TInst& unit = code[pc + 1];
        bool possessive = false;
        size_t j = pc + 2;
        for (;;) {
            const TInst& next = code[j];
            if (next.op == TOp::Save) {
                ++j;
                continue;
            }
            if (next.op == TOp::Match || next.op == TOp::Eol) {
                possessive = true;
                break;
            }
            if (next.op == TOp::RepSimple) {
                if (Overlap(unit, code[j + 1])) {
                    break;
                }
                if (next.min == 0) {
                    j += 2;
                    continue;
                }
                possessive = true;
                break;
            }
            if (next.op == TOp::Char || next.op == TOp::CharCI || next.op == TOp::Any ||
                next.op == TOp::AnyNoSep || next.op == TOp::Class) {
                possessive = !Overlap(unit, next);
            }
            break;
        }
        code[pc].possessive = possessive;
        ++pc; // skip the operand
    }
}

} // namespace

void CompileProgram(const TCompileInput& in, TProgram& out) {
    out = TProgram();
    if (in.expression.empty()) {
        throw TCompileFailure{reeCompNullArgument, 0};
    }
    if (in.expression.size() > kMaxProgram) {
        throw TCompileFailure{reeCompRegexpTooBig, static_cast<int>(kMaxProgram)};
    }
    TCompiler compiler(in, out);
    compiler.Run();
}

} // namespace regexpr_detail
