// TRegExpr matcher: runs compiled code with an explicit, bounded backtracking stack.
#include <algorithm>
#include <vector>

#include "search/RegExpr_program.h"

namespace regexpr_detail {
namespace {

struct TStop {
    int code;
};

class TMatcher {
public:
    TMatcher(const TProgram& prog, std::u16string_view s, const TRegExprInvertCase& invert,
             const TExecLimits& limits, TExecScratch& scratch)
        : prog_(prog), code_(prog.code.data()), s_(s), len_(static_cast<int>(s.size())),
          invert_(invert), limits_(limits), stack_(scratch.stack), counts_(scratch.counts),
          starts_(scratch.starts) {
        counts_.assign(static_cast<size_t>(prog.loopCount), 0);
        starts_.assign(static_cast<size_t>(prog.loopCount), -1);
    }

    bool Run(int start);
    const std::array<int, 2 * (TRegExpr::kSubExprMax + 1)>& Caps() const { return caps_; }
    std::uint64_t Steps() const { return steps_; }

private:
    void Step(std::uint64_t n = 1) {
        steps_ += n;
        if (limits_.stepLimit != 0 && steps_ > limits_.stepLimit) {
            throw TStop{reeStepBudgetExhausted};
        }
    }
    void Push(TFrameKind kind, int a, int b, int c = 0) {
        if (stack_.size() >= limits_.stackLimit) {
            throw TStop{reeLoopStackExceeded};
        }
        stack_.push_back(TFrame{kind, a, b, c});
    }
    // Changes to state that a later failure must undo are recorded only when there is
    // something to go back to; with an empty stack a failure ends the attempt anyway.
    void SetCap(int slot, int value) {
        int& cap = caps_[static_cast<size_t>(slot)];
        if (!stack_.empty()) {
            Push(TFrameKind::RestoreCap, slot, cap);
        }
        cap = value;
    }
    void SetCount(int loop, int value) {
        int& count = counts_[static_cast<size_t>(loop)];
        if (!stack_.empty()) {
            Push(TFrameKind::RestoreCount, loop, count);
        }
        count = value;
    }
    void SetStart(int loop, int value) {
        int& start = starts_[static_cast<size_t>(loop)];
        if (!stack_.empty()) {
            Push(TFrameKind::RestoreStart, loop, start);
        }
        start = value;
    }

    bool One(const TInst& in, char16_t c) const {
        return PassesUnitTest(prog_, in, c, invert_, false);
    }
    bool IsWord(int p) const {
        return p >= 0 && p < len_ && prog_.words.Contains(s_[static_cast<size_t>(p)]);
    }
    char16_t At(int p) const { return s_[static_cast<size_t>(p)]; }
    bool LineStart(int p) const;
    bool LineEnd(int p) const;
    // Units of the RepSimple at pc that a greedy retry with `n` or fewer should try: skips
    // counts after which the following literal cannot match.
    int SkipToLiteral(int pc, int base, int n, int min) const {
        const TInst& next = code_[pc + 2];
        if (next.op != TOp::Char) {
            return n;
        }
        while (n > min && !(base + n < len_ && At(base + n) == next.c1)) {
            --n;
        }
        return n;
    }
    bool Backtrack(int& pc, int& p);

    const TProgram& prog_;
    const TInst* code_;
    std::u16string_view s_;
    int len_;
    const TRegExprInvertCase& invert_;
    const TExecLimits& limits_;
    std::vector<TFrame>& stack_;
    std::array<int, 2 * (TRegExpr::kSubExprMax + 1)> caps_{};
    std::vector<int>& counts_;
    std::vector<int>& starts_;
    std::uint64_t steps_ = 0;
};

bool TMatcher::LineStart(int p) const {
    if (p == 0) {
        return true;
    }
    const char16_t before = At(p - 1);
    if (prog_.hasPair) {
        // Between the two units of the paired separator is inside one line break.
        if (before == prog_.pairHead && p < len_ && At(p) == prog_.pairTail) {
            return false;
        }
        if (before == prog_.pairTail && p >= 2 && At(p - 2) == prog_.pairHead) {
            return true;
        }
    }
    return prog_.lineSeps.Contains(before);
}

bool TMatcher::LineEnd(int p) const {
    if (p == len_) {
        return true;
    }
    const char16_t here = At(p);
    if (prog_.hasPair) {
        if (here == prog_.pairTail && p > 0 && At(p - 1) == prog_.pairHead) {
            return false;
        }
        if (here == prog_.pairHead && p + 1 < len_ && At(p + 1) == prog_.pairTail) {
            return true;
        }
    }
    return prog_.lineSeps.Contains(here);
}

bool TMatcher::Backtrack(int& pc, int& p) {
    while (!stack_.empty()) {
        Step();
        const TFrame f = stack_.back();
        stack_.pop_back();
        switch (f.kind) {
        case TFrameKind::Branch:
            pc = f.a;
            p = f.b;
            return true;
        case TFrameKind::RestoreCap:
            caps_[static_cast<size_t>(f.a)] = f.b;
            break;
        case TFrameKind::RestoreCount:
            counts_[static_cast<size_t>(f.a)] = f.b;
            break;
        case TFrameKind::RestoreStart:
            starts_[static_cast<size_t>(f.a)] = f.b;
            break;
        case TFrameKind::RepGreedy: {
            const int min = code_[f.a].min;
            const int n = SkipToLiteral(f.a, f.b, f.c - 1, min);
            if (n > min) {
                stack_.push_back(TFrame{TFrameKind::RepGreedy, f.a, f.b, n});
            }
            pc = f.a + 2;
            p = f.b + n;
            return true;
        }
        case TFrameKind::RepLazy: {
            const TInst& rep = code_[f.a];
            const int at = f.b + f.c;
            if (f.c < rep.max && at < len_ && One(code_[f.a + 1], At(at))) {
                if (f.c + 1 < rep.max) {
                    stack_.push_back(TFrame{TFrameKind::RepLazy, f.a, f.b, f.c + 1});
                }
                pc = f.a + 2;
                p = at + 1;
                return true;
            }
            break;
        }
        case TFrameKind::LoopLazy:
            p = f.b;
            SetStart(code_[f.a].a, p);
            pc = f.a + 1;
            return true;
        }
    }
    return false;
}

bool TMatcher::Run(int start) {
    stack_.clear();
    caps_.fill(-1);
    int pc = 0;
    int p = start;
    for (;;) {
        Step();
        const TInst& in = code_[pc];
        bool ok = true;
        switch (in.op) {
        case TOp::Char:
        case TOp::CharCI:
        case TOp::Any:
        case TOp::AnyNoSep:
        case TOp::Class:
            if (p < len_ && One(in, At(p))) {
                ++p;
                ++pc;
            } else {
                ok = false;
            }
            break;
        case TOp::Bol:
            ok = p == 0;
            ++pc;
            break;
        case TOp::Eol:
            ok = p == len_;
            ++pc;
            break;
        case TOp::BolM:
            ok = LineStart(p);
            ++pc;
            break;
        case TOp::EolM:
            ok = LineEnd(p);
            ++pc;
            break;
        case TOp::WordB:
            ok = IsWord(p - 1) != IsWord(p);
            ++pc;
            break;
        case TOp::NotWordB:
            ok = IsWord(p - 1) == IsWord(p);
            ++pc;
            break;
        case TOp::Save:
            SetCap(in.a, p);
            ++pc;
            break;
        case TOp::Split:
            Push(TFrameKind::Branch, in.b, p);
            pc = in.a;
            break;
        case TOp::Jmp:
            pc = in.a;
            break;
        case TOp::BackRef: {
            const int gs = caps_[static_cast<size_t>(2 * in.a)];
            const int ge = caps_[static_cast<size_t>(2 * in.a + 1)];
            if (gs < 0 || ge < gs || ge - gs > len_ - p) {
                ok = false;
                break;
            }
            const int n = ge - gs;
            Step(static_cast<std::uint64_t>(n));
            for (int k = 0; k < n && ok; ++k) {
                const char16_t want = At(gs + k);
                const char16_t have = At(p + k);
                ok = want == have || (in.ignoreCase && invert_(want) == have);
            }
            if (ok) {
                p += n;
                ++pc;
            }
            break;
        }
        case TOp::RepSimple: {
            const TInst& unit = code_[pc + 1];
            const int room = len_ - p;
            if (in.greedy) {
                int n = 0;
                const int most = in.max < room ? in.max : room;
                if (unit.op == TOp::Any) {
                    n = most;
                } else {
                    while (n < most && One(unit, At(p + n))) {
                        ++n;
                    }
                }
                Step(static_cast<std::uint64_t>(n));
                if (n < in.min) {
                    ok = false;
                    break;
                }
                n = SkipToLiteral(pc, p, n, in.min);
                if (n > in.min && !in.possessive) {
                    Push(TFrameKind::RepGreedy, pc, p, n);
                }
                p += n;
                pc += 2;
            } else {
                if (in.min > room) {
                    ok = false;
                    break;
                }
                int n = 0;
                while (n < in.min && One(unit, At(p + n))) {
                    ++n;
                }
                Step(static_cast<std::uint64_t>(n));
                if (n < in.min) {
                    ok = false;
                    break;
                }
                if (n < in.max) {
                    Push(TFrameKind::RepLazy, pc, p, n);
                }
                p += n;
                pc += 2;
            }
            break;
        }
        case TOp::LoopInit:
            SetCount(in.a, 0);
            ++pc;
            break;
        case TOp::LoopChk: {
            const int count = counts_[static_cast<size_t>(in.a)];
            if (count < in.min) {
                SetStart(in.a, p);
                ++pc;
            } else if (count < in.max) {
                if (in.greedy) {
                    Push(TFrameKind::Branch, in.b, p);
                    SetStart(in.a, p);
                    ++pc;
                } else {
                    Push(TFrameKind::LoopLazy, pc, p);
                    pc = in.b;
                }
            } else {
                pc = in.b;
            }
            break;
        }
        case TOp::LoopEnd: {
            SetCount(in.a, counts_[static_cast<size_t>(in.a)] + 1);
            // An iteration that took nothing would take nothing again: leave the loop.
            if (p == starts_[static_cast<size_t>(in.a)]) {
                pc = code_[in.b].b;
            } else {
                pc = in.b;
            }
            break;
        }
        case TOp::Match:
            caps_[0] = start;
            caps_[1] = p;
            return true;
        }
        if (!ok && !Backtrack(pc, p)) {
            return false;
        }
    }
}

bool InSet(const std::vector<std::uint64_t>& bits, char16_t c) {
    return (bits[c >> 6] >> (c & 63)) & 1u;
}

} // namespace

TExecResult ExecProgram(const TProgram& prog, std::u16string_view subject, int from,
                        const TRegExprInvertCase& invert, const TExecLimits& limits,
                        TExecScratch& scratch, int last) {
    TExecResult result;
    result.caps.fill(-1);
    const int len = static_cast<int>(subject.size());
    if (from < 0 || from > len || prog.code.empty()) {
        return result;
    }
    TMatcher matcher(prog, subject, invert, limits, scratch);
    std::int64_t scanned = 0;
    // Every way out counts the work done.
    struct TCount {
        TExecResult& result;
        const TMatcher& matcher;
        const std::int64_t& scanned;
        ~TCount() { result.work = scanned + static_cast<std::int64_t>(matcher.Steps()); }
    } count{result, matcher, scanned};
    try {
        if (prog.anchored) {
            if (from == 0 && matcher.Run(0)) {
                result.found = true;
                result.caps = matcher.Caps();
            }
            return result;
        }
        last = std::min(last, len);
        // The units a start can be found on: a start after `last` is not looked for.
        const std::u16string_view starts = subject.substr(0, static_cast<size_t>(last) + 1);
        for (int s = from; s <= last; ++s) {
            const size_t at = static_cast<size_t>(s);
            switch (prog.scan) {
            case TStartScan::Every:
                ++scanned;
                break;
            case TStartScan::One: {
                const size_t hit = starts.find(prog.firstChars[0], at);
                scanned += static_cast<std::int64_t>(
                    (hit == std::u16string_view::npos ? starts.size() : hit + 1) - at);
                if (hit == std::u16string_view::npos) {
                    return result;
                }
                s = static_cast<int>(hit);
                break;
            }
            case TStartScan::Two: {
                size_t k = at;
                while (k < starts.size() && starts[k] != prog.firstChars[0] &&
                       starts[k] != prog.firstChars[1]) {
                    ++k;
                }
                scanned += static_cast<std::int64_t>(k - at) + 1;
                if (k == starts.size()) {
                    return result;
                }
                s = static_cast<int>(k);
                break;
            }
            case TStartScan::Set: {
                size_t k = at;
                while (k < starts.size() && !InSet(prog.firstSet, starts[k])) {
                    ++k;
                }
                scanned += static_cast<std::int64_t>(k - at) + 1;
                if (k == starts.size()) {
                    return result;
                }
                s = static_cast<int>(k);
                break;
            }
            case TStartScan::Prefix: {
                const size_t hit = subject.substr(0, static_cast<size_t>(last) + prog.prefix.size())
                                       .find(prog.prefix, at);
                scanned += static_cast<std::int64_t>(
                    (hit == std::u16string_view::npos ? starts.size() : hit + 1) - at);
                if (hit == std::u16string_view::npos) {
                    return result;
                }
                s = static_cast<int>(hit);
                break;
            }
            }
            if (s > last) {
                return result;
            }
            if (matcher.Run(s)) {
                result.found = true;
                result.caps = matcher.Caps();
                return result;
            }
        }
    } catch (const TStop& stop) {
        result.error = stop.code;
    }
    return result;
}

} // namespace regexpr_detail
