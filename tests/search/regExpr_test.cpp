// TRegExpr: the dialect, the operations and the error codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/RegExpr.h"
#include "support/testSupport.h"

using testing_support::U16;
using testing_support::U8;

namespace {

// The whole match of `expr` in `text` as "pos:len", or "none".
std::string Find(const std::string& expr, const std::u16string& text) {
    TRegExpr r;
    r.SetExpression(U16(expr));
    if (!r.Exec(text)) {
        return "none";
    }
    return std::to_string(r.MatchPos(0)) + ":" + std::to_string(r.MatchLen(0));
}

std::string Find(const std::string& expr, const std::string& text) {
    return Find(expr, U16(text));
}

// The error code that compiling `expr` raises (0 when it compiles).
int CompileError(const std::string& expr) {
    TRegExpr r;
    r.SetExpression(U16(expr));
    try {
        r.Compile();
    } catch (const ERegExpr& e) {
        return e.ErrorCode;
    }
    return 0;
}

// Every match of `expr` in `text` through ExecNext, as the matched texts.
std::vector<std::string> All(const std::string& expr, const std::u16string& text) {
    TRegExpr r;
    r.SetExpression(U16(expr));
    std::vector<std::string> out;
    for (bool ok = r.Exec(text); ok; ok = r.ExecNext()) {
        out.push_back(std::to_string(r.MatchPos(0)) + "=" + U8(r.Match(0)));
    }
    return out;
}

} // namespace

TEST(RegExprDialect, LiteralsAndCaseInversion) {
    EXPECT_EQ(Find("abc", "xxabcx"), "3:3");
    EXPECT_EQ(Find("abc", "ABC"), "none");
    EXPECT_EQ(Find("(?i)abc", "xABC"), "2:3");
    EXPECT_EQ(Find("(?i)a1B", "A1b"), "1:3");
    // The default inversion leaves everything from U+0080 up alone.
    EXPECT_EQ(Find("(?i)\u044f", U16("\u042f")), "none");

    TRegExpr r;
    r.SetModifier(TRegExpr::kModI, true);
    r.SetExpression(u"hello");
    EXPECT_TRUE(r.Exec(u"say HeLLo"));
    EXPECT_EQ(r.MatchPos(0), 5);

    // A caller's inversion serves literals, classes and back-references alike.
    r.SetInvertCase([](char16_t c) -> char16_t {
        if (c >= 0x430 && c <= 0x44F) {
            return static_cast<char16_t>(c - 0x20);
        }
        if (c >= 0x410 && c <= 0x42F) {
            return static_cast<char16_t>(c + 0x20);
        }
        return c;
    });
    r.SetExpression(U16("\u0434\u0430"));
    EXPECT_TRUE(r.Exec(U16("x\u0414\u0410")));
    EXPECT_EQ(r.MatchPos(0), 2);
    r.SetExpression(U16("[\u0430-\u0433]+"));
    EXPECT_TRUE(r.Exec(U16("\u0410\u0431\u0412")));
    EXPECT_EQ(r.MatchLen(0), 3);
    r.SetExpression(U16("(\u0430)\\1"));
    EXPECT_TRUE(r.Exec(U16("\u0430\u0410")));
    // With the hook installed ASCII is no longer inverted.
    r.SetExpression(u"a");
    EXPECT_FALSE(r.Exec(u"A"));
    r.SetInvertCase(nullptr);
    EXPECT_TRUE(r.Exec(u"A"));
}

TEST(RegExprDialect, Escapes) {
    EXPECT_EQ(Find("\\t\\n\\r\\f\\a\\e", U16("\t\n\r\f\a\x1B")), "1:6");
    EXPECT_EQ(Find("\\x41\\x{263A}\\x{9}", U16("A\u263A\t")), "1:3");
    EXPECT_EQ(Find("\\x{0041}", "A"), "1:1");
    EXPECT_EQ(Find("\\.\\*\\$\\\\", "a.*$\\"), "2:4");
    EXPECT_EQ(Find("\\q", "q"), "1:1");
    EXPECT_EQ(CompileError("\\x{12345}"), reeHexCodeAfterBSlashXTooBig);
    EXPECT_EQ(CompileError("\\x"), reeNoHexCodeAfterBSlashX);
    EXPECT_EQ(CompileError("\\x4"), reeNoHexCodeAfterBSlashX);
    EXPECT_EQ(CompileError("\\x{}"), reeNoHexCodeAfterBSlashX);
    EXPECT_EQ(CompileError("\\xG1"), reeBadHexDigit);
    EXPECT_EQ(CompileError("\\x{4G}"), reeBadHexDigit);
    EXPECT_EQ(CompileError("\\x{41"), reeBadHexDigit);
    EXPECT_EQ(CompileError("ab\\"), reeParseAtomTrailingBackSlash);
}

TEST(RegExprDialect, DotAndLineSeparators) {
    EXPECT_EQ(Find("a.b", "a\nb"), "1:3"); // s is on by default
    EXPECT_EQ(Find("(?-s)a.b", "a\nb"), "none");
    EXPECT_EQ(Find("(?-s)a.b", "a(b"), "none");
    EXPECT_EQ(Find("(?-s)a.b", U16("a\u2026b")), "none");
    EXPECT_EQ(Find("(?-s)a.b", U16("a\u2028b")), "1:3");
    EXPECT_EQ(Find("(?-s)a.b", "a-b"), "1:3");
    // A surrogate pair is two units; "." takes one of them.
    const std::u16string pair = U16("a\U0001F600b");
    EXPECT_EQ(pair.size(), 4u);
    EXPECT_EQ(Find("a.b", pair), "none");
    EXPECT_EQ(Find("a..b", pair), "1:4");
}

TEST(RegExprDialect, AnchorsWithAndWithoutM) {
    EXPECT_EQ(Find("^b", "a\nb"), "none");
    EXPECT_EQ(Find("(?m)^b", "a\nb"), "3:1");
    EXPECT_EQ(Find("a$", "a\nb"), "none");
    EXPECT_EQ(Find("(?m)a$", "a\nb"), "1:1");
    EXPECT_EQ(Find("(?m)^x", "(x"), "2:1"); // "(" is one of the separators
    // CR LF is one line break: no line start between its two units.
    EXPECT_EQ(All("(?m)^", U16("a\r\nb\nc")), (std::vector<std::string>{"1=", "4=", "6="}));
    EXPECT_EQ(All("(?m)$", U16("a\r\nb")), (std::vector<std::string>{"2=", "5="}));
    // Without the paired separator CR and LF are two breaks.
    TRegExpr r;
    r.SetLinePairedSeparator(u"");
    r.SetExpression(u"(?m)^");
    std::vector<int> at;
    for (bool ok = r.Exec(u"a\r\nb"); ok; ok = r.ExecNext()) {
        at.push_back(r.MatchPos(0));
    }
    EXPECT_EQ(at, (std::vector<int>{1, 3, 4}));
    // With no separators at all, m changes nothing.
    r.SetLineSeparators(u"");
    r.SetExpression(u"(?m)^b");
    EXPECT_FALSE(r.Exec(u"a\nb"));
    EXPECT_THROW(r.SetLinePairedSeparator(u"\r"), ERegExpr);
    EXPECT_THROW(r.SetLinePairedSeparator(u"\n\n"), ERegExpr);
    try {
        r.SetLinePairedSeparator(u"abc");
        FAIL();
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeBadLinePairedSeparator);
    }
}

TEST(RegExprDialect, InputAnchorsAndWordBoundaries) {
    EXPECT_EQ(Find("\\Aab", "abab"), "1:2");
    EXPECT_EQ(Find("ab\\Z", "abab"), "3:2");
    EXPECT_EQ(Find("(?m)\\Ab", "a\nb"), "none");
    EXPECT_EQ(Find("\\bcat\\b", "concat cat_s cat."), "14:3");
    EXPECT_EQ(Find("\\Bcat", "cat concat"), "8:3");
    EXPECT_EQ(Find("\\b", "  x"), "3:0");
    EXPECT_EQ(Find("x\\b", "x"), "1:1");
    TRegExpr anchored;
    anchored.SetExpression(u"^a");
    anchored.SetInputString(u"aa");
    EXPECT_FALSE(anchored.ExecPos(2));
}

TEST(RegExprDialect, ShorthandClasses) {
    EXPECT_EQ(Find("\\d+", "ab12345c"), "3:5");
    EXPECT_EQ(Find("\\D+", "12ab3"), "3:2");
    EXPECT_EQ(Find("\\s+", U16("a \t\n\r\fb")), "2:5");
    EXPECT_EQ(Find("\\S+", "  ab "), "3:2");
    EXPECT_EQ(Find("\\w+", "--a_9Z--"), "3:4");
    EXPECT_EQ(Find("\\W+", "ab-+cd"), "3:2");
    // Unicode digits and letters are not in the default sets.
    EXPECT_EQ(Find("\\w", U16("\u0430")), "none");
    EXPECT_EQ(Find("\\d", U16("\u0661")), "none");
    TRegExpr r;
    r.SetWordChars(U16("\u0430\u0431"));
    r.SetExpression(u"\\w+\\b");
    EXPECT_TRUE(r.Exec(U16("x\u0430\u0431x")));
    EXPECT_EQ(r.MatchPos(0), 2);
    EXPECT_EQ(r.MatchLen(0), 2);
}

TEST(RegExprDialect, Classes) {
    EXPECT_EQ(Find("[a-c]+", "xxabcabd"), "3:5");
    EXPECT_EQ(Find("[^a-c]+", "abxyzc"), "3:3");
    EXPECT_EQ(Find("[-a]+", "x-a-"), "2:3");
    EXPECT_EQ(Find("[a-]+", "x-a-"), "2:3");
    EXPECT_EQ(Find("[]a]+", "x]a]"), "2:3");
    EXPECT_EQ(Find("[^]a]+", "]]bc"), "3:2");
    EXPECT_EQ(Find("[\\]\\\\]+", "a]\\b"), "2:2");
    EXPECT_EQ(Find("[\\d.]+", "v1.25b"), "2:4");
    EXPECT_EQ(Find("[\\s,]+", "a , b"), "2:3");
    EXPECT_EQ(Find("[\\W]+", "ab!?c"), "3:2");
    EXPECT_EQ(Find("[\\x41-\\x43]+", "xABCD"), "2:3");
    EXPECT_EQ(Find("[\\t]", "a\tb"), "2:1");
    EXPECT_EQ(Find("[a-\\d]+", "-a5"), "1:3"); // no range: "a", "-" and the digits
    EXPECT_EQ(Find("(?i)[a-c]+", "xABCd"), "2:3");
    EXPECT_EQ(Find("(?i)[^a-c]+", "ABCdef"), "4:3");
    EXPECT_EQ(Find("[\u0100-\u0200]", U16("a\u0150")), "2:1");
    EXPECT_EQ(CompileError("[z-a]"), reeInvalidRange);
    EXPECT_EQ(CompileError("[abc"), reeUnmatchedSqBrackets);
    EXPECT_EQ(CompileError("[]"), reeUnmatchedSqBrackets);
    EXPECT_EQ(CompileError("[a\\"), reeTrailingBackSlash);
}

TEST(RegExprDialect, RussianRanges) {
    const std::u16string word = U16("\u0451\u0436"); // yo, zhe
    EXPECT_EQ(Find("[\u0430-\u044f]+", word), "1:2");
    EXPECT_EQ(Find("(?-r)[\u0430-\u044f]+", word), "2:1");
    EXPECT_EQ(Find("[\u0410-\u042f]+", U16("\u0401\u0416")), "1:2");
    EXPECT_EQ(Find("(?-r)[\u0410-\u042f]+", U16("\u0401\u0416")), "2:1");
    // Lower-case first: both alphabets.
    EXPECT_EQ(Find("[\u0430-\u042f]+", U16("x\u0401\u0451\u0416\u0436")), "2:4");
    EXPECT_EQ(CompileError("(?-r)[\u0430-\u042f]"), reeInvalidRange);
    // Other ranges are untouched by r.
    EXPECT_EQ(Find("[\u0430-\u0435]", U16("\u0451")), "none");
}

TEST(RegExprDialect, GroupsAndAlternation) {
    TRegExpr r;
    r.SetExpression(u"(a+)(b|c)(d)?");
    ASSERT_TRUE(r.Exec(u"xaacb"));
    EXPECT_EQ(r.MatchPos(1), 2);
    EXPECT_EQ(r.MatchLen(1), 2);
    EXPECT_EQ(U8(r.Match(2)), "c");
    EXPECT_EQ(r.MatchPos(3), -1);
    EXPECT_EQ(r.MatchLen(3), -1);
    EXPECT_EQ(r.Match(3), u"");
    EXPECT_EQ(r.SubExprMatchCount(), 2);
    EXPECT_EQ(r.MatchPos(15), -1);
    EXPECT_EQ(r.MatchPos(-1), -1);

    // Alternatives left to right, the leftmost start first.
    EXPECT_EQ(Find("a|ab", "ab"), "1:1");
    EXPECT_EQ(Find("ab|a", "ab"), "1:2");
    EXPECT_EQ(Find("b|ab", "ab"), "1:2");
    EXPECT_EQ(Find("x(a|b|)y", "xy"), "1:2");
    EXPECT_EQ(Find("|a", "a"), "1:0");

    // Groups set on a path that failed are unset again.
    r.SetExpression(u"(a)(b)?c|(a)bd");
    ASSERT_TRUE(r.Exec(u"abd"));
    EXPECT_EQ(r.MatchPos(1), -1);
    EXPECT_EQ(r.MatchPos(2), -1);
    EXPECT_EQ(r.MatchPos(3), 1);
    EXPECT_EQ(r.SubExprMatchCount(), 3);
    r.SetExpression(u"(x(y)?)+z");
    ASSERT_TRUE(r.Exec(u"xyxz"));
    EXPECT_EQ(U8(r.Match(1)), "x");
    EXPECT_EQ(U8(r.Match(2)), "y"); // from the earlier iteration
    r.SetExpression(u"(\\w+?)(\\d)?$");
    ASSERT_TRUE(r.Exec(u"ab1"));
    EXPECT_EQ(U8(r.Match(1)), "ab");
    EXPECT_EQ(U8(r.Match(2)), "1");

    // A repeated group keeps its last iteration.
    r.SetExpression(u"(?:x)");
    EXPECT_THROW(r.Compile(), ERegExpr);
    r.SetExpression(u"(\\w)+");
    ASSERT_TRUE(r.Exec(u"abc"));
    EXPECT_EQ(U8(r.Match(1)), "c");
    EXPECT_EQ(r.MatchPos(1), 3);

    std::string fourteen;
    for (int i = 0; i < 14; ++i) {
        fourteen += "(.)";
    }
    r.SetExpression(U16(fourteen));
    ASSERT_TRUE(r.Exec(u"abcdefghijklmn"));
    EXPECT_EQ(r.SubExprMatchCount(), 14);
    EXPECT_EQ(U8(r.Match(14)), "n");
    EXPECT_EQ(CompileError(fourteen + "(.)"), reeCompParseRegTooManyBrackets);
    EXPECT_EQ(CompileError("(ab"), reeCompParseRegUnmatchedBrackets);
    EXPECT_EQ(CompileError("((a)"), reeCompParseRegUnmatchedBrackets);
    EXPECT_EQ(CompileError("ab)"), reeCompParseRegUnmatchedBrackets2);
    EXPECT_EQ(CompileError("()"), 0);
}

TEST(RegExprDialect, SizeLimit) {
    EXPECT_EQ(CompileError(std::string(300000, 'a')), reeCompRegexpTooBig);
    std::string alternatives;
    for (int i = 0; i < 100000; ++i) {
        alternatives += "a|";
    }
    EXPECT_EQ(CompileError(alternatives + "b"), reeCompRegexpTooBig);
    // A large counted repeat is not unrolled.
    EXPECT_EQ(Find("(ab){1000}", std::u16string(3000, u'a')), "none");
    std::u16string abs;
    for (int i = 0; i < 1000; ++i) {
        abs += u"ab";
    }
    EXPECT_EQ(Find("(ab){1000}", abs), "1:2000");
    EXPECT_EQ(Find(std::string(20000, 'x') + "y", std::u16string(20000, u'x') + u"y"), "1:20001");
}

TEST(RegExprDialect, BackReferences) {
    EXPECT_EQ(Find("(a+)b\\1", "aabaaa"), "1:5");
    EXPECT_EQ(Find("(a+)b\\1\\b", "aaba"), "2:3");
    EXPECT_EQ(Find("(\\w)\\1", "abccd"), "3:2");
    EXPECT_EQ(Find("(ab)\\1", "abAB"), "none");
    EXPECT_EQ(Find("(?i)(ab)\\1", "abAB"), "1:4");
    // A reference to a group that did not take part, or does not exist, fails.
    EXPECT_EQ(Find("(a)?b\\1", "b"), "none");
    EXPECT_EQ(Find("a\\5", "a5"), "none");
    EXPECT_EQ(Find("(a)|b\\1", "b"), "none");
    // Zero-length captures repeat harmlessly.
    EXPECT_EQ(Find("(x?)\\1*y", "y"), "1:1");
}

TEST(RegExprDialect, Quantifiers) {
    EXPECT_EQ(Find("a{2,}", "aaaa"), "1:4");
    EXPECT_EQ(Find("a{2}", "aaaa"), "1:2");
    EXPECT_EQ(Find("a{2,3}", "aaaa"), "1:3");
    EXPECT_EQ(Find("ba{2,3}", "baab"), "1:3");
    EXPECT_EQ(Find("a{3}", "aab"), "none");
    EXPECT_EQ(Find("a{0}b", "ab"), "2:1");
    EXPECT_EQ(Find("xa*", "xaaa"), "1:4");
    EXPECT_EQ(Find("xa+?", "xaaa"), "1:2");
    EXPECT_EQ(Find("xa*?", "xaaa"), "1:1");
    EXPECT_EQ(Find("xa??", "xa"), "1:1");
    EXPECT_EQ(Find("xa{2,3}?", "xaaa"), "1:3");
    EXPECT_EQ(Find("<.*>", "<a><b>"), "1:6");
    EXPECT_EQ(Find("<.*?>", "<a><b>"), "1:3");
    EXPECT_EQ(Find("a.*b.*c", "a b c b"), "1:5");
    // g off makes every quantifier non-greedy.
    EXPECT_EQ(Find("(?-g)<.*>", "<a><b>"), "1:3");
    EXPECT_EQ(Find("(?-g)xa+", "xaaa"), "1:2");
    // Braces that do not make a quantifier are literal.
    EXPECT_EQ(Find("a{,2}", "a{,2}"), "1:5");
    EXPECT_EQ(Find("a{x}", "a{x}"), "1:4");
    EXPECT_EQ(Find("a{2", "a{2"), "1:3");
    EXPECT_EQ(Find("{", "x{"), "2:1");
    // Complex operands.
    EXPECT_EQ(Find("(ab){2,3}", "abababab"), "1:6");
    EXPECT_EQ(Find("(ab){2,3}?", "abababab"), "1:4");
    EXPECT_EQ(Find("(a|bc)+d", "abcabcd"), "1:7");
    EXPECT_EQ(Find("(a|bc)*?d", "abcd"), "1:4");
    EXPECT_EQ(Find("((ab){2}c){2}", "ababcababc"), "1:10");
    EXPECT_EQ(Find("(a?){3}b", "ab"), "1:2");
    EXPECT_EQ(Find("(a|b)?c", "bc"), "1:2");
    EXPECT_EQ(Find("(a|b)??b", "ab"), "1:2");
    EXPECT_EQ(Find("(\\b){2,}x", "x"), "1:1");
}

TEST(RegExprDialect, GreedyRepeatsGiveBackWhatTheRestNeeds) {
    // What follows a repeat may begin with a unit the repeat also takes, possibly after
    // optional parts; then the repeat must give units back.
    EXPECT_EQ(Find("a+a", "aaa"), "1:3");
    EXPECT_EQ(Find("\\d+5", "12345"), "1:5");
    EXPECT_EQ(Find("[a-z]+\\s*[a-z]", "abc"), "1:3");
    EXPECT_EQ(Find("\\w+ *\\d", "ab12"), "1:4");
    EXPECT_EQ(Find("(?i)a+A", "aaa"), "1:3");
    EXPECT_EQ(Find("[^x]+y?[^z]", "abc"), "1:3");
    EXPECT_EQ(Find("\\w+\\w{2}", "abcd"), "1:4");
    EXPECT_EQ(Find("x*$", "axx"), "2:2");
    EXPECT_EQ(Find("(?i)[a-c]+[A-C]", "abc"), "1:3");
    EXPECT_EQ(Find("[a-c]+(?i)[A-C]", "abc"), "1:3");
    EXPECT_EQ(Find("[a-c]+[^x]", "abc"), "1:3");
    EXPECT_EQ(Find("(?-s)[a-c]+.", "abc"), "1:3");
    EXPECT_EQ(Find("[a-c]+[c-e]", "abc"), "1:3");
    EXPECT_EQ(Find("[a-c]+[d-e]?c", "abc"), "1:3");
    // Where nothing that follows can take the units, the result is the same.
    TRegExpr r;
    r.SetExpression(u"^\\s*(\\w+)\\s*=");
    ASSERT_TRUE(r.Exec(u"  key = value"));
    EXPECT_EQ(U8(r.Match(1)), "key");
    EXPECT_EQ(r.MatchLen(0), 7);
    EXPECT_FALSE(r.Exec(u"  key value"));
    r.SetExpression(u"\\d+(\\s*)x");
    ASSERT_TRUE(r.Exec(u"12  x"));
    EXPECT_EQ(r.MatchLen(1), 2);
    EXPECT_FALSE(r.Exec(u"12  y"));
}

TEST(RegExprDialect, QuantifierErrors) {
    EXPECT_EQ(CompileError("*a"), reeQPSBFollowsNothing);
    EXPECT_EQ(CompileError("a|+"), reeQPSBFollowsNothing);
    EXPECT_EQ(CompileError("(?)"), 0);
    EXPECT_EQ(CompileError("(?i)?"), reeQPSBFollowsNothing);
    EXPECT_EQ(CompileError("({2})"), reeQPSBFollowsNothing);
    EXPECT_EQ(CompileError("(a*)*"), reePlusStarOperandCouldBeEmpty);
    EXPECT_EQ(CompileError("(a*)*b"), reePlusStarOperandCouldBeEmpty);
    EXPECT_EQ(CompileError("(a|)+"), reePlusStarOperandCouldBeEmpty);
    EXPECT_EQ(CompileError("^*"), reePlusStarOperandCouldBeEmpty);
    EXPECT_EQ(CompileError("(a?)?"), 0);
    EXPECT_EQ(CompileError("a**"), reeNestedSQP);
    EXPECT_EQ(CompileError("a*??"), reeNestedSQP);
    EXPECT_EQ(CompileError("a{2}{3}"), reeNestedSQP);
    EXPECT_EQ(CompileError("a+*"), reeNestedSQP);
    EXPECT_EQ(CompileError("a{3,2}"), reeBracesMinParamGreaterMax);
    EXPECT_EQ(CompileError("a{2147483647}"), reeBRACESArgTooBig);
    EXPECT_EQ(CompileError("a{1,99999999999999}"), reeBRACESArgTooBig);
    EXPECT_EQ(CompileError("a{2147483646}"), 0);

    TRegExpr r;
    r.SetExpression(u"a{3,2}");
    try {
        r.Compile();
        FAIL();
    } catch (const ERegExpr& e) {
        const std::string text = e.what();
        const std::string suffix = " (pos " + std::to_string(e.CompilerErrorPos) + ")";
        EXPECT_EQ(text, TRegExpr::ErrorMsg(reeBracesMinParamGreaterMax) + suffix);
        EXPECT_EQ(e.CompilerErrorPos, 6); // the closing brace
    }
    EXPECT_EQ(r.LastError(), reeBracesMinParamGreaterMax);
    EXPECT_EQ(r.LastError(), reeOk);
}

TEST(RegExprDialect, ModifiersCommentsAndExtended) {
    EXPECT_EQ(Find("a(?i)b", "aB"), "1:2");
    EXPECT_EQ(Find("a(?i)b", "AB"), "none");
    EXPECT_EQ(Find("(?i)a(?-i)b", "Ab"), "1:2");
    EXPECT_EQ(Find("(?i)a(?-i)b", "AB"), "none");
    EXPECT_EQ(Find("(?is-g)A.+", "a\nbc"), "1:2");
    EXPECT_EQ(Find("(?is-g)A.+c", "a\nbc"), "1:4");
    EXPECT_EQ(Find("(?m-s)^b.", "a\nb\nc"), "none");
    EXPECT_EQ(Find("(?m-s)^b.", "a\nbc"), "3:2");
    EXPECT_EQ(Find("a(?#any text)b", "ab"), "1:2");
    EXPECT_EQ(CompileError("(?q)"), reeUrecognizedModifier);
    EXPECT_EQ(CompileError("(?I)"), reeUrecognizedModifier);
    EXPECT_EQ(CompileError("(?i"), reeUrecognizedModifier);
    EXPECT_EQ(CompileError("a(?#b"), reeUnclosedComment);
    // x: blanks and "#" comments ignored, escaped blanks kept.
    EXPECT_EQ(Find("(?x) a b # comment\n c", "abc"), "1:3");
    EXPECT_EQ(Find("(?x)a\\ b", "a b"), "1:3");
    EXPECT_EQ(Find("(?x)a +", "aaa"), "1:3");
    EXPECT_EQ(Find("(?x)[ ]", " "), "1:1");
    TRegExpr r;
    r.SetModifier(TRegExpr::kModX, true);
    r.SetExpression(u"a b");
    EXPECT_TRUE(r.Exec(u"ab"));
    EXPECT_TRUE(r.GetModifier(TRegExpr::kModX));
    EXPECT_TRUE(r.GetModifier(TRegExpr::kModR));
    EXPECT_FALSE(r.GetModifier(TRegExpr::kModM));
    try {
        r.SetModifier(7, true);
        FAIL();
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeModifierUnsupported);
        EXPECT_STREQ(e.what(), "Unknown error");
    }
}

TEST(RegExprOperations, ExecPosExecNextAndInput) {
    TRegExpr r;
    r.SetExpression(u"a\\d");
    r.SetInputString(u"a1 a2 a3");
    ASSERT_TRUE(r.ExecPos(2));
    EXPECT_EQ(r.MatchPos(0), 4);
    ASSERT_TRUE(r.ExecNext());
    EXPECT_EQ(r.MatchPos(0), 7);
    EXPECT_FALSE(r.ExecNext());
    EXPECT_FALSE(r.ExecNext());
    EXPECT_FALSE(r.ExecPos(10)); // beyond length + 1
    EXPECT_EQ(r.MatchPos(0), -1);

    // An empty match moves the next search on by one.
    EXPECT_EQ(All("x*", u"axxb"), (std::vector<std::string>{"1=", "2=xx", "4=", "5="}));

    // The input ends at its first U+0000.
    std::u16string withNul = u"ab";
    withNul.push_back(u'\0');
    withNul += u"cd";
    r.SetExpression(u"c");
    EXPECT_FALSE(r.Exec(withNul));
    r.SetExpression(u"b$");
    EXPECT_TRUE(r.Exec(withNul));
    EXPECT_EQ(r.InputString(), u"ab");

    auto code = [](auto&& f) {
        try {
            f();
        } catch (const ERegExpr& e) {
            EXPECT_EQ(std::string(e.what()), TRegExpr::ErrorMsg(e.ErrorCode));
            EXPECT_EQ(e.CompilerErrorPos, -1);
            return e.ErrorCode;
        }
        return 0;
    };
    TRegExpr fresh;
    EXPECT_EQ(code([&] { fresh.ExecPos(1); }), reeNoExpression);
    TRegExpr noExpression;
    EXPECT_EQ(code([&] { noExpression.Exec(u"x"); }), reeNoExpression);
    fresh.SetExpression(u"x");
    EXPECT_EQ(code([&] { fresh.ExecPos(1); }), reeNoInpitStringSpecified);
    EXPECT_EQ(code([&] { fresh.ExecNext(); }), reeExecNextWithoutExec);
    EXPECT_EQ(code([&] { fresh.InputString(); }), reeGetInputStringWithoutInputString);
    EXPECT_EQ(fresh.SubExprMatchCount(), -1);
    fresh.SetInputString(u"x");
    EXPECT_EQ(fresh.SubExprMatchCount(), 0);
    EXPECT_EQ(code([&] { fresh.ExecPos(0); }), reeOffsetMustBeGreaterThen0);
    EXPECT_EQ(code([&] { fresh.ExecNext(); }), reeExecNextWithoutExec);
    EXPECT_TRUE(fresh.ExecPos(1));
    fresh.SetInputString(u"x"); // forgets the match
    EXPECT_EQ(fresh.MatchPos(0), -1);
    EXPECT_EQ(code([&] { fresh.ExecNext(); }), reeExecNextWithoutExec);

    // An empty expression compiled directly is a null argument.
    TRegExpr empty;
    try {
        empty.Compile();
        FAIL();
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeCompNullArgument);
    }
}

// A borrowed input is searched where it lies; a last start bounds where matches may start
// (not how far they reach) and how far the start scan goes, for every kind of scan.
TEST(RegExprOperations, BorrowedInputAndTheLastStart) {
    TRegExpr r;
    std::u16string text = u"ab\nab";
    r.SetExpression(u"b\\n?a?");
    r.BorrowInput(text);
    ASSERT_TRUE(r.ExecPos(1, 2));
    EXPECT_EQ(r.Match(0), u"b\na");
    EXPECT_FALSE(r.ExecPos(3, 4));
    EXPECT_TRUE(r.ExecPos(3));
    EXPECT_EQ(r.MatchPos(0), 5);
    text[4] = u'x'; // what the caller changes the engine reads
    r.SetExpression(u"x");
    ASSERT_TRUE(r.ExecPos(1));
    EXPECT_EQ(r.MatchPos(0), 5);
    EXPECT_EQ(r.Match(0), u"x");

    // A start scan stops at the last start: the work of a search whose starts are bounded
    // does not grow with the input after them.
    const std::u16string tail(100'000, u'z');
    for (const char16_t* pattern : {u"q", u"q|r", u"[qr]s", u"qrs", u".q", u"\\n"}) {
        SCOPED_TRACE(testing_support::U8(pattern));
        r.SetExpression(pattern);
        const std::u16string subject = u"ab" + tail;
        r.BorrowInput(subject);
        const std::int64_t before = r.Work();
        EXPECT_FALSE(r.ExecPos(1, 2));
        EXPECT_LT(r.Work() - before, 64);
        EXPECT_FALSE(r.ExecPos(1));
        EXPECT_GE(r.Work() - before, 100'000);
    }
}

TEST(RegExprOperations, Substitute) {
    TRegExpr r;
    r.SetExpression(u"(a)(b)(x)?");
    ASSERT_TRUE(r.Exec(u"-ab-"));
    EXPECT_EQ(r.Substitute(u"$2-$1"), u"b-a");
    EXPECT_EQ(r.Substitute(u"\\$1 costs $$1"), u"$1 costs $a");
    EXPECT_EQ(r.Substitute(u"\\\\$1"), u"\\a");
    EXPECT_EQ(r.Substitute(u"${1}0 $10"), u"a0 "); // group 10 did not match
    EXPECT_EQ(r.Substitute(u"[$&] [${&}] [$0]"), u"[ab] [ab] [ab]");
    EXPECT_EQ(r.Substitute(u"<$3> $15 $99"), u"<>  ");
    EXPECT_EQ(r.Substitute(u"$ ${x} ${1 $"), u"$ ${x} ${1 $");
    EXPECT_EQ(r.Substitute(u"end\\"), u"end\\");
    EXPECT_EQ(r.Substitute(u""), u"");
}

TEST(RegExprBounds, PathologicalPatternsStopCleanly) {
    const std::u16string as(30, u'a');
    TRegExpr r;
    r.SetExpression(u"(a|aa)+c");
    r.SetStepLimit(200000);
    try {
        r.Exec(as);
        FAIL() << "the step budget should run out";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeStepBudgetExhausted);
        EXPECT_EQ(std::string(e.what()), TRegExpr::ErrorMsg(reeStepBudgetExhausted));
    }
    // The same search with enough budget finishes (it is exponential, not endless).
    r.SetStepLimit(0);
    EXPECT_FALSE(r.Exec(std::u16string(12, u'a')));
    EXPECT_TRUE(r.Exec(std::u16string(12, u'a') + u"c"));
    EXPECT_EQ(r.MatchLen(0), 13);

    // Each group iteration leaves a backtracking entry: a small stack overflows cleanly.
    r.SetExpression(u"(ab)*c");
    r.SetStackLimit(1000);
    std::u16string abs;
    for (int i = 0; i < 2000; ++i) {
        abs += u"ab";
    }
    try {
        r.Exec(abs);
        FAIL() << "the stack bound should be hit";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeLoopStackExceeded);
        EXPECT_STREQ(e.what(), "TRegExpr(exec): Loop Stack Exceeded");
    }
    EXPECT_EQ(r.LastError(), reeLoopStackExceeded);
    r.SetStackLimit(TRegExpr::kDefaultStackLimit);
    EXPECT_TRUE(r.Exec(abs + u"c"));
    EXPECT_EQ(r.MatchLen(0), 4001);

    // Long subjects need no machine stack for single-unit repeats.
    std::u16string big(1 << 20, u'x');
    big += u"yz";
    r.SetExpression(u"^.*y(.*)$");
    ASSERT_TRUE(r.Exec(big));
    EXPECT_EQ(r.MatchPos(1), (1 << 20) + 2);
    r.SetExpression(u"x*?y");
    ASSERT_TRUE(r.Exec(big));
    EXPECT_EQ(r.MatchLen(0), (1 << 20) + 1);
}

TEST(RegExprErrors, MessageTable) {
    EXPECT_EQ(TRegExpr::ErrorMsg(0), "No errors");
    EXPECT_EQ(TRegExpr::ErrorMsg(103), TRegExpr::ErrorMsg(104));
    EXPECT_EQ(TRegExpr::ErrorMsg(110), "TRegExpr(comp): Parse Atom Trailing \\");
    EXPECT_EQ(TRegExpr::ErrorMsg(111), "TRegExpr(comp): No Hex Code After \\x");
    EXPECT_EQ(TRegExpr::ErrorMsg(126).find("'+?', '?"
                                           "?'") != std::string::npos,
              true);
    EXPECT_EQ(TRegExpr::ErrorMsg(1005), "TRegExpr(exec): No Inpit String Specified");
    EXPECT_EQ(TRegExpr::ErrorMsg(117), "Unknown error");
    EXPECT_EQ(TRegExpr::ErrorMsg(1012), "Unknown error");
    // Every compile error names its position.
    for (const char* bad : {"(", "[", "a**", "\\x{12345}", "(?z)", "*", "a{9,1}", "[b-a]"}) {
        TRegExpr r;
        r.SetExpression(U16(bad));
        try {
            r.Compile();
            ADD_FAILURE() << bad;
        } catch (const ERegExpr& e) {
            const std::string text = e.what();
            EXPECT_EQ(text, TRegExpr::ErrorMsg(e.ErrorCode) + " (pos " +
                                std::to_string(e.CompilerErrorPos) + ")")
                << bad;
            EXPECT_GE(e.CompilerErrorPos, 1) << bad;
            EXPECT_LE(e.CompilerErrorPos, static_cast<int>(std::string(bad).size())) << bad;
        }
    }
}

TEST(RegExprOptimisations, NeverChangeAMatch) {
    // Start scanning, literal prefixes and possessive repeats against the plain matcher.
    const char* const patterns[] = {
        "abc",         "(?i)abc",      "a+b",     "[a-c]+c",    "\\w+\\s*=",
        "^\\s*(\\w+)", "(?m)^b",       "x|y",     "(?i)[k-m]+", "fo+[a-z]*bar|qu[aeiou]+x",
        "\\d+\\.\\d*", "(a|b)*c",      "[^ ]+ ",  "(?-s).+$",   "\\bcat\\b",
        "a{2,}a",      "[a-z]+[0-9]?", "(?i)A+a", "(x)?y\\1",   "[\\s,]+\\w",
    };
    const char* const subjects[] = {
        "abcabc",        "xxABCabc",
        "aaab b",        "k = v,  key=val",
        "  name = 1",    "a\nb\r\nbc",
        "foooobar quux", "3.14 2. 1.5",
        "aaaa",          "cat concat cat.",
        "MLK mlk",       "yxxy xy",
        "a, b,c  ,d",    "",
        "(x)(y)",
    };
    for (const char* p : patterns) {
        for (const char* s : subjects) {
            std::vector<std::string> results;
            for (bool optimize : {true, false}) {
                TRegExpr r;
                r.SetOptimize(optimize);
                r.SetExpression(U16(p));
                std::string all;
                for (bool ok = r.Exec(U16(s)); ok; ok = r.ExecNext()) {
                    for (int n = 0; n <= r.SubExprMatchCount(); ++n) {
                        all += std::to_string(r.MatchPos(n)) + "," + std::to_string(r.MatchLen(n)) +
                               " ";
                    }
                    all += "| ";
                }
                results.push_back(all);
            }
            EXPECT_EQ(results[0], results[1]) << p << " on " << s;
        }
    }
}
