// TuniSearch: literal and expression search, whole words, replacement text, counting,
// multi-line joining; the search histories.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/searchHistory.h"
#include "search/uniSearch.h"
#include "support/testSupport.h"

using testing_support::U16;
using testing_support::U8;

namespace {

// Every match FindNext reports from position 1 on, as "pos:len".
std::vector<std::string> Matches(TuniSearch& s) {
    std::vector<std::string> out;
    s.startPos = 1;
    while (s.FindNext()) {
        out.push_back(std::to_string(s.matchPos) + ":" + std::to_string(s.matchLen));
        s.startPos = s.matchPos + 1;
    }
    return out;
}

} // namespace

TEST(uniSearch, WholeWordUsesTheDelimiters) {
    for (bool regex : {false, true}) {
        TuniSearch s;
        s.useRegExpr = regex;
        s.wholeWord = true;
        s.pattern = u"cat";
        s.subject = u"a.cat cats";
        ASSERT_TRUE(s.FindNext()) << regex;
        EXPECT_EQ(s.matchPos, 3);
        EXPECT_EQ(s.matchLen, 3);
        s.subject = u"cats concat";
        s.startPos = 1;
        EXPECT_FALSE(s.FindNext()) << regex;
        EXPECT_EQ(s.matchPos, 0);
        s.subject = u"cats\tcat";
        s.startPos = 1;
        ASSERT_TRUE(s.FindNext());
        EXPECT_EQ(s.matchPos, 6);
        // Only space and tab remain when the delimiter string is empty.
        s.delimiters.clear();
        s.subject = u"(cat) cat";
        s.startPos = 1;
        ASSERT_TRUE(s.FindNext());
        EXPECT_EQ(s.matchPos, 7);
    }
    // A candidate at the last unit is still tried after a rejected one.
    TuniSearch s;
    s.wholeWord = true;
    s.pattern = u"-";
    s.subject = u"x--";
    ASSERT_TRUE(s.FindNext());
    EXPECT_EQ(s.matchPos, 3);
}

TEST(uniSearch, LiteralSearch) {
    TuniSearch s;
    s.pattern = u"ab";
    s.subject = u"ab xab AB";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"1:2", "5:2"}));
    // A search from the middle of the line skips earlier matches.
    s.startPos = 2;
    ASSERT_TRUE(s.FindNext());
    EXPECT_EQ(s.matchPos, 5);
    s.startPos = 11; // beyond length + 1
    EXPECT_FALSE(s.FindNext());
    s.startPos = 0;
    EXPECT_FALSE(s.FindNext());
    // Without a case map the letters A-Z are folded.
    s.ignoreCase = true;
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"1:2", "5:2", "8:2"}));
    // Regular-expression characters are plain text here.
    s.pattern = u"a.";
    EXPECT_TRUE(Matches(s).empty());
    s.pattern.clear();
    s.startPos = 1;
    EXPECT_FALSE(s.FindNext());
}

TEST(uniSearch, CaseMapAndInversionHooks) {
    // The editor's mapping: Cyrillic and Latin to lower case.
    std::vector<int> modes;
    auto lower = [&modes](int mode, std::u16string_view text, std::u16string& out) {
        modes.push_back(mode);
        out.clear();
        for (char16_t c : text) {
            if (c >= 0x410 && c <= 0x42F) {
                c = static_cast<char16_t>(c + 0x20);
            } else if (c >= u'A' && c <= u'Z') {
                c = static_cast<char16_t>(c + 0x20);
            }
            out.push_back(c);
        }
    };
    TuniSearch s;
    s.SetCaseMap(lower);
    s.ignoreCase = true;
    s.pattern = U16("\u0434\u0430");
    s.subject = U16("\u043d\u0435\u0442 \u0414\u0410 \u0434\u0430");
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"5:2", "8:2"}));
    ASSERT_FALSE(modes.empty());
    EXPECT_TRUE(std::all_of(modes.begin(), modes.end(), [](int m) { return m == 1; }));
    s.ignoreCase = false;
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"8:2"}));

    // The expression engine gets the inversion hook.
    s.useRegExpr = true;
    s.ignoreCase = true;
    s.SetInvertCase([](char16_t c) -> char16_t {
        if (c >= 0x430 && c <= 0x44F) {
            return static_cast<char16_t>(c - 0x20);
        }
        if (c >= 0x410 && c <= 0x42F) {
            return static_cast<char16_t>(c + 0x20);
        }
        return c;
    });
    s.pattern = U16("\u0434[\u0430-\u0431]");
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"5:2", "8:2"}));
    s.ignoreCase = false;
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"8:2"}));
}

TEST(uniSearch, RegularExpressionSearch) {
    TuniSearch s;
    s.useRegExpr = true;
    s.pattern = u"[0-9]+";
    s.subject = u"a12 b3 4";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"2:2", "3:1", "6:1", "8:1"}));
    s.ignoreCase = true;
    s.pattern = u"b\\d";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"5:2"}));
    s.subject = u"B3";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"1:2"}));
    // Changing the pattern between calls takes effect.
    s.pattern = u"3$";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"2:1"}));
    // Text after a U+0000 in the line is searched too.
    s.subject = std::u16string(u"a") + u'\0' + u"b3";
    s.pattern = u"\\d";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"4:1"}));
    s.pattern = u"a.b";
    EXPECT_EQ(Matches(s), (std::vector<std::string>{"1:3"}));
    // Errors reach the caller.
    s.pattern = u"(";
    s.startPos = 1;
    try {
        s.FindNext();
        FAIL();
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeCompParseRegUnmatchedBrackets);
    }
}

TEST(uniSearch, SubstituteAppliesTheNewlineRule) {
    EXPECT_EQ(ConvertNewlineEscapes(u"a\\nb"), u"a\nb");
    EXPECT_EQ(ConvertNewlineEscapes(u"a\\\\nb"), u"a\\\\nb");
    EXPECT_EQ(ConvertNewlineEscapes(u"a\\\\\\nb"), u"a\\\\\nb");
    EXPECT_EQ(ConvertNewlineEscapes(u"\\t\\"), u"\\t\\");

    TuniSearch s;
    s.pattern = u"(\\w+)=(\\w+)";
    s.subject = u"x key=value";
    std::u16string out;
    // Literal mode hands the template back as it is.
    s.Substitute(u"$2\\n$1", out);
    EXPECT_EQ(out, u"$2\\n$1");
    s.useRegExpr = true;
    ASSERT_TRUE(s.FindNext());
    s.Substitute(u"$2\\n$1", out);
    EXPECT_EQ(out, u"value\nkey");
    s.Substitute(u"$2\\\\n$1", out); // an escaped backslash, then "n"
    EXPECT_EQ(out, u"value\\nkey");
    s.Substitute(u"\\$1", out);
    EXPECT_EQ(out, u"$1");
}

TEST(uniSearch, CountMatches) {
    TuniSearch s;
    EXPECT_EQ(s.CountMatches(u"a", u"banana"), 3);
    EXPECT_EQ(s.CountMatches(u"ana", u"banana"), 2); // each search starts one further on
    EXPECT_EQ(s.CountMatches(u"a", u""), 0);
    EXPECT_EQ(s.CountMatches(u"", u"abc"), 0);
    s.useRegExpr = true;
    EXPECT_EQ(s.CountMatches(u"[an]+", u"banana"), 5);
    EXPECT_EQ(s.CountMatches(u"x*", u"bb"), 3); // an empty match at every position
    EXPECT_EQ(s.CountMatches(u"\\bna", u"na nana"), 2);
    s.wholeWord = true;
    EXPECT_EQ(s.CountMatches(u"na", u"na nana na"), 2);
    s.useRegExpr = false;
    EXPECT_EQ(s.CountMatches(u"na", u"na nana na"), 2);
    std::u16string many;
    for (int i = 0; i < 1000; ++i) {
        many += u"word ";
    }
    EXPECT_EQ(s.CountMatches(u"word", many), 1000);
}

TEST(uniSearch, MultiLinePatterns) {
    EXPECT_EQ(SearchLineSpan(u"a\\nb\\n", true), 2);
    EXPECT_EQ(SearchLineSpan(u"a\\\\nb", true), 0);
    EXPECT_EQ(SearchLineSpan(u"a\\\\\\nb", true), 1);
    EXPECT_EQ(SearchLineSpan(u"a\\nb", false), 0);

    const std::vector<std::u16string> lines = {u"x foo", u"bar y", u"z"};
    auto line = [&lines](int i) { return std::u16string_view(lines[static_cast<size_t>(i)]); };
    const int count = static_cast<int>(lines.size());
    EXPECT_EQ(JoinSearchLines(0, 1, count, line), u"x foo\nbar y");
    EXPECT_EQ(JoinSearchLines(1, 5, count, line), u"bar y\nz");
    EXPECT_EQ(JoinSearchLines(2, 0, count, line), u"z");
    EXPECT_EQ(JoinSearchLines(3, 1, count, line), u"");

    TuniSearch s;
    s.useRegExpr = true;
    s.pattern = u"foo\\nbar";
    const int span = SearchLineSpan(s.pattern, true);
    s.subject = JoinSearchLines(0, span, count, line);
    ASSERT_TRUE(s.FindNext());
    EXPECT_EQ(s.matchPos, 3);
    EXPECT_EQ(s.matchLen, 7);
    EXPECT_TRUE(MatchStartsOnFirstLine(s.matchPos, static_cast<int>(lines[0].size())));
    // A match found in the joined part belongs to a later line.
    s.pattern = u"y\\n?";
    s.subject = JoinSearchLines(0, 1, count, line);
    s.startPos = 1;
    ASSERT_TRUE(s.FindNext());
    EXPECT_FALSE(MatchStartsOnFirstLine(s.matchPos, static_cast<int>(lines[0].size())));
}

TEST(SearchHistory, MostRecentFirstWithReferences) {
    TSearchHistory h;
    h.Add(u"alpha");
    h.Add(u"beta");
    h.Add(U16("\u0434\u0430 caf\u00e9"));
    h.Add(u"alpha");
    h.Add(u"");
    ASSERT_EQ(h.Count(), 3);
    EXPECT_EQ(h.Item(0), "alpha");
    EXPECT_EQ(h.Item(1), "&#1076;&#1072; caf&#233;");
    EXPECT_EQ(h.Item(2), "beta");
    EXPECT_EQ(U8(h.Text(1)), "\u0434\u0430 caf\u00e9");
    EXPECT_THROW(h.Item(3), std::out_of_range);
    // The same text added again is found by its stored form.
    h.Add(U16("\u0434\u0430 caf\u00e9"));
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(h.Item(0), "&#1076;&#1072; caf&#233;");
    // Loaded entries may use the "$#" form too.
    h.Assign({"$#1076;x", "plain"});
    EXPECT_EQ(U8(h.Text(0)), "\u0434x");
    EXPECT_EQ(h.Text(1), u"plain");
    h.Clear();
    EXPECT_EQ(h.Count(), 0);

    SearchHistory().Clear();
    ReplaceHistory().Clear();
    SearchHistory().Add(u"find me");
    EXPECT_EQ(SearchHistory().Count(), 1);
    EXPECT_EQ(ReplaceHistory().Count(), 0);
    EXPECT_EQ(&SearchHistory(), &SearchHistory());
    SearchHistory().Clear();
}
