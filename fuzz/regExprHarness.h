// One fuzz case for the expression engine: compile, search, substitute, check the results.
// Shared by the libFuzzer target and the test that replays the saved corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "search/RegExpr.h"
#include "search/uniSearch.h"

namespace regexpr_fuzz {

// Input: one byte of modifier bits, then pattern, subject and template separated by zero
// bytes. Bytes from 0x80 up stand for units that ASCII cannot give (Cyrillic letters,
// separators, a surrogate pair's halves, ...).
inline char16_t Unit(std::uint8_t b) {
    static constexpr char16_t kWide[16] = {0x0430, 0x044F, 0x0451, 0x0410, 0x042F, 0x0401,
                                           0x2026, 0xD83D, 0xDE00, 0xFFFF, 0x00A0, 0x2028,
                                           0x0100, 0xFEFF, 0x0080, 0x0000};
    return b < 0x80 ? char16_t{b} : kWide[b & 15];
}

// The first match of `expr` in `subject` with every group, or "error" / "none".
inline std::string Outcome(const std::u16string& expr, const std::u16string& subject, unsigned mods,
                           bool optimize) {
    TRegExpr r;
    r.SetOptimize(optimize);
    r.SetStepLimit(50000);
    r.SetStackLimit(20000);
    for (int m = TRegExpr::kModI; m <= TRegExpr::kModX; ++m) {
        r.SetModifier(m, ((mods >> (m - 1)) & 1u) != 0);
    }
    r.SetExpression(expr);
    try {
        if (!r.Exec(subject)) {
            return "none";
        }
    } catch (const ERegExpr&) {
        return "error";
    }
    std::string out;
    for (int n = 0; n <= TRegExpr::kSubExprMax; ++n) {
        out += std::to_string(r.MatchPos(n)) + "," + std::to_string(r.MatchLen(n)) + ";";
    }
    return out;
}

// Returns an empty string when every check held, else what went wrong.
inline std::string RunCase(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 8192) {
        return {};
    }
    const unsigned mods = data[0];
    std::u16string parts[3];
    int part = 0;
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0 && part < 2) {
            ++part;
            continue;
        }
        parts[part].push_back(Unit(data[i]));
    }
    const std::u16string& pattern = parts[0];
    const std::u16string& subject = parts[1];
    const std::u16string& tmpl = parts[2];

    TRegExpr r;
    r.SetStepLimit(50000);
    r.SetStackLimit(20000);
    for (int m = TRegExpr::kModI; m <= TRegExpr::kModX; ++m) {
        r.SetModifier(m, ((mods >> (m - 1)) & 1u) != 0);
    }
    if (mods & 0x80u) {
        r.SetLinePairedSeparator(u"");
    }
    r.SetExpression(pattern);
    try {
        if (!r.Exec(subject)) {
            return {};
        }
        const int len = static_cast<int>(r.InputString().size());
        for (int round = 0; round < 32; ++round) {
            for (int n = 0; n <= TRegExpr::kSubExprMax; ++n) {
                const int pos = r.MatchPos(n);
                const int mlen = r.MatchLen(n);
                if (pos == -1) {
                    if (mlen != -1 || !r.Match(n).empty() || n == 0) {
                        return "unset group " + std::to_string(n) + " has a length or text";
                    }
                    continue;
                }
                if (pos < 1 || mlen < 0 || pos + mlen - 1 > len) {
                    return "group " + std::to_string(n) + " outside the input";
                }
                if (r.Match(n).size() != static_cast<std::size_t>(mlen)) {
                    return "group text and length disagree";
                }
            }
            if (r.SubExprMatchCount() < 0 || r.SubExprMatchCount() > TRegExpr::kSubExprMax) {
                return "SubExprMatchCount out of range";
            }
            (void)r.Substitute(tmpl);
            const int before = r.MatchPos(0) + r.MatchLen(0);
            if (!r.ExecNext()) {
                break;
            }
            if (r.MatchPos(0) < before || (r.MatchLen(0) == 0 && r.MatchPos(0) == before - 1)) {
                return "ExecNext did not move on";
            }
        }
    } catch (const ERegExpr& e) {
        const std::string text = e.what();
        if (text.empty() || e.ErrorCode == 0) {
            return "an error without code or text";
        }
        if ((e.ErrorCode < 1000) != (e.CompilerErrorPos >= 0)) {
            return "error position does not fit the code";
        }
        if (e.ErrorCode < 1000 &&
            (e.CompilerErrorPos < 1 || e.CompilerErrorPos > static_cast<int>(pattern.size()))) {
            return "compile error position outside the expression";
        }
        return {};
    }

    // Start scanning and possessive repeats must never change a match.
    if ((mods & 0x80u) == 0) {
        const std::string fast = Outcome(pattern, subject, mods, true);
        const std::string plain = Outcome(pattern, subject, mods, false);
        if (fast != "error" && plain != "error" && fast != plain) {
            return "an optimisation changed the match: " + fast + " vs " + plain;
        }
    }

    // The search engine on top: whole words and counting must end and stay in range.
    TuniSearch s;
    s.Regex().SetStepLimit(20000);
    s.useRegExpr = (mods & 0x40u) == 0;
    s.wholeWord = true;
    s.ignoreCase = (mods & 1u) != 0;
    try {
        const int count = s.CountMatches(pattern, subject.substr(0, 256));
        if (count < 0 || count > 258) {
            return "CountMatches out of range";
        }
        std::u16string out;
        s.Substitute(tmpl, out);
    } catch (const ERegExpr&) {
    }
    return {};
}

} // namespace regexpr_fuzz
