// Tests of the shipped smart-indentation rules against lines of their languages, matched
// the way the editor matches them.
#include <filesystem>
#include <gtest/gtest.h>

#include "base/uniIni.h"
#include "search/uniSearch.h"
#include "support/testSupport.h"

using testing_support::U8;

namespace {

const std::string kData = PELMAR_SOURCE_DATA_DIR;

struct TIndentRules {
    std::u16string begin, end, cont, begin2, continue2, comment;
};

TIndentRules RulesOf(const std::string& type) {
    std::string file = kData + "/Indent/" + type + ".ini";
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
    TIniFile ini(file);
    return {ini.ReadString("*", "begin"),     ini.ReadString("*", "end"),
            ini.ReadString("*", "continue"),  ini.ReadString("*", "begin2"),
            ini.ReadString("*", "continue2"), ini.ReadString("*", "comment")};
}

// Whether an indentation rule matches a line the way the editor tries it: a regular
// expression, case-sensitive, with the whole-word test, from the first position.
bool RuleMatches(const std::u16string& rule, std::u16string_view line) {
    if (rule.empty()) {
        return false;
    }
    TuniSearch search;
    search.pattern = rule;
    search.subject = std::u16string(line);
    search.useRegExpr = true;
    search.wholeWord = true;
    return search.FindNext();
}

// The rules a line matches, as a string of their initials in the order b e c B C.
std::string Matching(const TIndentRules& rules, std::u16string_view line) {
    std::string out;
    for (auto [rule, mark] : {std::pair{&rules.begin, 'b'},
                              {&rules.end, 'e'},
                              {&rules.cont, 'c'},
                              {&rules.begin2, 'B'},
                              {&rules.continue2, 'C'}}) {
        if (RuleMatches(*rule, line)) {
            out.push_back(mark);
        }
    }
    return out;
}

} // namespace

TEST(ShippedProfiles, IndentRulesRecogniseTheirLanguagesLines) {
    for (const char* type : {"c", "cpp", "h", "java", "js", "rs", "go", "css"}) {
        TIndentRules c = RulesOf(type);
        EXPECT_EQ(Matching(c, u"int main() {"), "b") << type;
        EXPECT_EQ(Matching(c, u"    call(a,"), "") << type;
        EXPECT_EQ(Matching(c, u"    call("), "b") << type;
        EXPECT_EQ(Matching(c, u"  } else {"), "be") << type;
        EXPECT_EQ(Matching(c, u"};"), "e") << type;
        EXPECT_EQ(Matching(c, u"\tcase 'x':"), "c") << type;
        EXPECT_EQ(Matching(c, u"public:"), "c") << type;
        EXPECT_EQ(Matching(c, u"  for (int i = 0; i < n; ++i)"), "B") << type;
        EXPECT_EQ(Matching(c, u"  if (x) {"), "b") << type;
        EXPECT_EQ(Matching(c, u"  else"), "C") << type;
        EXPECT_EQ(Matching(c, u"  x = f(y);"), "") << type;
        EXPECT_EQ(U8(c.comment), "//");
    }
    for (const char* type : {"pas", "dpr"}) {
        TIndentRules p = RulesOf(type);
        EXPECT_EQ(Matching(p, u"begin"), "b") << type;
        EXPECT_EQ(Matching(p, u"  case Key of"), "b") << type;
        EXPECT_EQ(Matching(p, u"  TForm1 = class(TForm)"), "") << type;
        EXPECT_EQ(Matching(p, u"  TItem = record"), "b") << type;
        EXPECT_EQ(Matching(p, u"  End;"), "e") << type;
        EXPECT_EQ(Matching(p, u"until Done;"), "e") << type;
        EXPECT_EQ(Matching(p, u"  except"), "c") << type;
        EXPECT_EQ(Matching(p, u"  if A > B then"), "B") << type;
        EXPECT_EQ(Matching(p, u"  while not Eof(F) do"), "B") << type;
        EXPECT_EQ(Matching(p, u"  else"), "BC") << type;
        EXPECT_EQ(Matching(p, u"  Writeln(Sender);"), "") << type;
    }
}
