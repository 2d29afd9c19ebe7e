// Tool entries, command templates and their macros, message locations, filters on a
// document.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/memoFakes.h"
#include "profile/uniProfile.h"
#include "search/RegExpr.h"
#include "shell/uniTools.h"
#include "support/testSupport.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

using Lines = std::vector<std::string>;

TEST(ToolMacros, ReplacedInOrderIgnoringCaseAndNeverSearchedAgain) {
    const TToolMacros m = MacrosForFile("/a/b.txt", "", "/opt/pelmar");
    EXPECT_EQ(m.file, "/a/b.txt");
    EXPECT_EQ(m.path, "/a/");
    EXPECT_EQ(m.home, "/a");
    EXPECT_EQ(ExpandToolMacros("%Name%%Ext%", m), "b.txt");
    EXPECT_EQ(ExpandToolMacros("%PATH%%name%.o %pelmar%x", m), "/a/b.o /opt/pelmar/x");
    TToolMacros tricky = m;
    // A word that spells a later macro stays as it is.
    tricky.word = "%Selected%";
    tricky.selected = "S";
    EXPECT_EQ(ExpandToolMacros("%word% %selected%", tricky), "%Selected% S");
    // The name inserted between "%Ho" and "me%" does not make a macro of them.
    tricky.name = "";
    EXPECT_EQ(ExpandToolMacros("%Ho%Name%me%", tricky), "%Home%");
    // Filters have no %Selected%.
    tricky.withSelected = false;
    EXPECT_EQ(ExpandToolMacros("%Selected%", tricky), "%Selected%");
    EXPECT_EQ(MacrosForFile("/a/b.txt", "/work", "").home, "/work");
}

TEST(ToolMacros, ValuesStayInsideTheirArgumentAndNeverReachAShell) {
    TempDir dir;
    // Had a shell seen any of these values, it would have made this file.
    const std::string marker = dir.file("marker");
    TToolMacros m = MacrosForFile(dir.file("x y\"; touch marker #.c"), "", "");
    m.selected = "$(touch marker) `touch marker` ;rm -rf ~ 'q' \"w\"";
    const std::vector<std::string> argv =
        ToolArguments("printf \"<%s>\\n\" %File% \"sel: %Selected%\" %Name%%Ext%", m);
    ASSERT_EQ(argv.size(), 5u);
    EXPECT_EQ(argv[2], m.file);
    EXPECT_EQ(argv[3], "sel: " + m.selected);
    EXPECT_EQ(argv[4], "x y\"; touch marker #.c");

    TToolRequest r;
    r.argv = argv;
    r.workDir = dir.path().string();
    const TToolResult res = RunToolProcess(r);
    EXPECT_EQ(res.messages, (Lines{"<" + argv[2] + ">", "<" + argv[3] + ">", "<" + argv[4] + ">"}));
    // The shell form: the values are positional parameters, never script text.
    r.argv = ToolArguments("sh -c \"IFS=; set -f; printf %s'|' $1 $2\" sh %File% %Selected%", m);
    EXPECT_EQ(RunToolProcess(r).messages, (Lines{m.file + "|" + m.selected + "|"}));
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(ToolEntries, CompileKeysAndFiltersOverlaidByTheCommonFile) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Compile");
    std::filesystem::create_directories(dir.path() / "Filter");
    std::filesystem::create_directories(dir.path() / "Ini");
    WriteBytes(dir.file("Compile/c.ini"), "[Syntax check]\nCmd=gcc %File%\nShow=1\n"
                                          "Pattern=^(.+):(\\d+):\nColumnPos=\n[Open]\n");
    WriteBytes(dir.file("Filter/c.ini"), "[Sort lines]\nCmd=sort\nCharset=KOI8-R\nHome=/tmp\n");
    WriteBytes(dir.file("Ini/filters.ini"), "[Sort lines]\nCmd=sort -r\n[Up]\nCmd=tr a-z A-Z\n");
    const TConfigFolder folder(dir.path().string());

    const auto compile = ReadCompileEntry(folder, "c", "Syntax_check");
    ASSERT_TRUE(compile);
    EXPECT_EQ(compile->name, "Syntax check");
    EXPECT_EQ(compile->cmd, "gcc %File%");
    EXPECT_TRUE(compile->show);
    EXPECT_EQ(compile->pattern, "^(.+):(\\d+):");
    EXPECT_EQ(compile->filePos, "$1");
    EXPECT_EQ(compile->columnPos, "");
    const auto open = ReadCompileEntry(folder, "c", "Open");
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->cmd.empty());
    EXPECT_FALSE(open->show);
    EXPECT_FALSE(ReadCompileEntry(folder, "c", "Nothing"));
    EXPECT_FALSE(ReadCompileEntry(folder, "../Ini/filters", "Up"));

    const auto sort = ReadFilterEntry(folder, "c", "Sort_lines");
    ASSERT_TRUE(sort);
    EXPECT_EQ(sort->cmd, "sort -r");    // the common file wins
    EXPECT_EQ(sort->charset, "KOI8-R"); // what it does not say stays the type's
    EXPECT_EQ(sort->home, "/tmp");
    const auto up = ReadFilterEntry(folder, "py", "Up");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->cmd, "tr a-z A-Z");
    EXPECT_FALSE(ReadFilterEntry(folder, "py", "Sort lines")->charset.size());
}

TEST(ToolLocation, TemplatesGiveFileLineAndColumn) {
    TToolPattern p;
    p.pattern = "^([^:]+):(\\d+):(\\d+): (fatal )?error";
    p.workDir = "/src/proj";
    auto at = MatchToolLocation(p, "main.c:12:5: error: expected ';'");
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, (TToolLocation{"/src/proj/main.c", 12, 5}));
    at = MatchToolLocation(p, "/abs/../x.c:3:1: fatal error: y.h");
    ASSERT_TRUE(at);
    EXPECT_EQ(at->file, "/x.c");
    EXPECT_FALSE(MatchToolLocation(p, "In function 'main':"));

    // Templates rearrange the groups; a column that is no number is 0, a line that is
    // none names no place; an empty file template means the active document.
    TToolPattern q;
    q.pattern = "line (\\w+), col (\\w*)";
    q.filePos = "";
    q.linePos = "$1";
    q.columnPos = "$2";
    EXPECT_EQ(*MatchToolLocation(q, "line 7, col x"), (TToolLocation{"", 7, 0}));
    EXPECT_FALSE(MatchToolLocation(q, "line seven, col 1"));
    q.pattern.clear();
    EXPECT_FALSE(MatchToolLocation(q, "line 7, col 1"));

    TToolPattern bad;
    bad.pattern = "(unclosed";
    EXPECT_THROW(MatchToolLocation(bad, "x"), ERegExpr);
}

TEST(ToolLocation, RealCompilerMessagesLeadToBothErrors) {
    TempDir dir;
    WriteBytes(dir.file("two.c"), "int main(void) {\n"
                                  "    int a = ;\n"
                                  "    return a + b;\n"
                                  "}\n");
    const TConfigFolder shipped(PELMAR_PROGRAM_DIR);
    const auto entry = ReadCompileEntry(shipped, "c", "Syntax check");
    ASSERT_TRUE(entry) << "Compile/c.ini has no [Syntax check]";
    TToolMacros macros = MacrosForFile(dir.file("two.c"), "", PELMAR_PROGRAM_DIR);
    TToolRequest r;
    r.argv = ToolArguments(entry->cmd, macros);
    r.workDir = ToolWorkDir(macros.home, r.argv);
    const TToolResult res = RunToolProcess(r);
    EXPECT_NE(res.exitCode, 0);
    const TToolPattern pattern{entry->pattern, entry->filePos, entry->linePos, entry->columnPos,
                               r.workDir};
    std::vector<TToolLocation> found;
    for (const std::string& line : res.messages) {
        if (auto at = MatchToolLocation(pattern, line)) {
            found.push_back(*at);
        }
    }
    // The two errors, and the note on the second one.
    const std::string file = dir.file("two.c");
    EXPECT_EQ(found, (std::vector<TToolLocation>{{file, 2, 13}, {file, 3, 16}, {file, 3, 16}}))
        << testing::PrintToString(res.messages);
}

class FilterOnMemo : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};

    bool Run(const std::string& cmd) {
        TFilterEntry entry;
        entry.cmd = cmd;
        const TFilterJob job = PrepareFilterJob(entry, memo, "");
        const TToolResult res = RunToolProcess(job.request);
        memo.BeginCommand();
        return ApplyFilterResult(memo, job, res);
    }
};

TEST_F(FilterOnMemo, OutputReplacesTheSelectionAsOneUndoStep) {
    SetText(memo, "top\ncherry\napple\nbanana\nend");
    memo.Select({0, 1}, {0, 4});
    ASSERT_TRUE(Run("sort"));
    EXPECT_EQ(Text(memo), "top\napple\nbanana\ncherry\nend");
    memo.Undo();
    EXPECT_EQ(Text(memo), "top\ncherry\napple\nbanana\nend");
    memo.Redo();
    EXPECT_EQ(Text(memo), "top\napple\nbanana\ncherry\nend");

    // A selection that does not end at a line break gets none added.
    SetText(memo, "b\na");
    memo.Select({0, 0}, {1, 1});
    ASSERT_TRUE(Run("sort"));
    EXPECT_EQ(Text(memo), "a\nb");
}

TEST_F(FilterOnMemo, ATextOnStandardErrorLeavesTheDocumentAlone) {
    SetText(memo, "keep me");
    memo.Select({0, 0}, {4, 0});
    EXPECT_FALSE(Run("sh -c 'echo out; echo broken >&2'"));
    EXPECT_FALSE(Run("pelmar-no-such-filter"));
    EXPECT_EQ(Text(memo), "keep me");
    EXPECT_FALSE(memo.Modified());
}

TEST_F(FilterOnMemo, AColumnBlockGoesBackAsABlock) {
    SetText(memo, "ab1\ncd2\nef3");
    memo.Select({0, 0}, {2, 2}, TSelectionMode::Column);
    ASSERT_TRUE(Run("tr a-z A-Z"));
    EXPECT_EQ(Text(memo), "AB1\nCD2\nEF3");
}

} // namespace
