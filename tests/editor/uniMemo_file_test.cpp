// Loading and saving through the editor: the posted load, positions requested while it is
// pending, errors, save points, and the file-type profile read from the program folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

std::u16string SystemText(int error) {
    return U16(std::strerror(error));
}

class MemoFileTest : public ::testing::Test {
protected:
    TFakeHost host;
    TempDir dir;

    std::string Numbered(int count) {
        std::string bytes;
        for (int i = 0; i < count; ++i) {
            bytes += "line " + std::to_string(i) + "\r\n";
        }
        return bytes;
    }
};

TEST_F(MemoFileTest, ThePostedLoadKeepsTheLastGotoUntilItEnds) {
    TuniMemo memo(host.Platform());
    TMemoEvents events(memo);
    const std::string name = dir.file("doc.txt");
    WriteBytes(name, Numbered(40));
    memo.OpenFile(name);
    EXPECT_TRUE(memo.LoadPending());
    EXPECT_EQ(host.queue.work.size(), 1u);
    memo.GotoPosition(3, 2);
    memo.GotoPosition(1, 30);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(memo.Lines().Count(), 0);
    host.queue.RunAll();
    EXPECT_FALSE(memo.LoadPending());
    EXPECT_EQ(memo.Lines().Count(), 41); // the final separator gives an empty last line
    EXPECT_EQ(memo.Lines().Get(30), u"line 30");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 30}));
    EXPECT_EQ(memo.TopLine(), 25);
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(memo.Codec().lineSeparator, lsCRLF);
    EXPECT_EQ(host.busy.calls, (std::vector<bool>{true, false}));
    ASSERT_FALSE(events.carets.empty());
    EXPECT_TRUE(events.carets.back().refresh);
    for (const TCaretReport& caret : events.carets) {
        if (caret.refresh) {
            EXPECT_EQ(caret.unit, 0);
        }
    }
    memo.GotoPosition(0, 5); // after the load a request applies at once
    EXPECT_EQ(memo.Caret(), (TPoint{0, 5}));
}

TEST_F(MemoFileTest, ALoadWithoutARequestStartsAtTheTop) {
    TuniMemo memo(host.Platform());
    SetText(memo, "old\ntext\nhere");
    memo.SetCaret({2, 2});
    memo.SetBookmarkAt(3, {0, 1});
    const std::string name = dir.file("doc.txt");
    WriteBytes(name, "a\nb");
    memo.OpenFile(name);
    host.queue.RunAll();
    EXPECT_EQ(Text(memo), "a\nb");
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(memo.Bookmark(3), (TPoint{-1, -1}));
    EXPECT_FALSE(memo.CanUndo());
}

TEST_F(MemoFileTest, AnEditorClosedBeforeItsLoadRunsIsLeftAlone) {
    const std::string name = dir.file("doc.txt");
    WriteBytes(name, "from the file");
    TuniMemo view(host.Platform());
    SetText(view, "shown");
    {
        TuniMemo memo(host.Platform());
        memo.SetLines(&view.Lines(), name);
        memo.OpenFile(name);
    }
    host.queue.RunAll(); // the posted load finds its editor gone and does nothing
    EXPECT_EQ(Text(view), "shown");
    EXPECT_EQ(view.Lines().RefCount(), 1);
}

TEST_F(MemoFileTest, ALoadErrorShowsTheSystemsText) {
    TuniMemo memo(host.Platform(false));
    SetText(memo, "kept");
    EXPECT_FALSE(memo.LoadFile()); // no file name yet
    ASSERT_EQ(host.messages.shown.size(), 1u);
    memo.OpenFile(dir.file("missing.txt"));
    ASSERT_EQ(host.messages.shown.size(), 2u);
    EXPECT_EQ(host.messages.shown.back().text, SystemText(ENOENT));
    EXPECT_EQ(host.messages.shown.back().kind, TMessageKind::Error);
    EXPECT_EQ(memo.FileName(), dir.file("missing.txt"));
    EXPECT_EQ(Text(memo), "kept\n\n");
    EXPECT_FALSE(memo.Loading());
    EXPECT_EQ(host.busy.calls.back(), false);
}

TEST_F(MemoFileTest, SavingWritesTheLinesAndMarksTheSavedState) {
    TuniMemo memo(host.Platform(false));
    TMemoEvents events(memo);
    const std::vector<std::string>& saved = events.saved;
    const std::string in = dir.file("doc.txt");
    WriteBytes(in, "a\r\nb\n");
    memo.OpenFile(in);
    ASSERT_EQ(Text(memo), "a\nb\n");
    memo.SetCaret({1, 1});
    Type(memo, "c");
    ASSERT_TRUE(memo.Modified());
    const std::string out = dir.file("out.txt");
    ASSERT_TRUE(memo.SaveToFile(out));
    EXPECT_EQ(ReadBytes(out), "a\r\nbc\n"); // each line keeps its own line end
    EXPECT_EQ(memo.FileName(), out);
    EXPECT_EQ(saved, std::vector<std::string>{out});
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(memo.SaveCounter(), 1);
    const TUndoRec* newest = memo.Lines().Undo().Newest();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->kind, ukSavePoint);
    EXPECT_EQ(newest->line, 1);
    EXPECT_EQ(newest->editor, &memo);
    ASSERT_TRUE(memo.SaveToFile()); // its own name now
    EXPECT_EQ(memo.SaveCounter(), 2);
    memo.Undo();
    EXPECT_EQ(Text(memo), "a\nb\n");
    EXPECT_TRUE(memo.Modified());
    memo.Redo();
    EXPECT_FALSE(memo.Modified());
}

TEST_F(MemoFileTest, AFailedSaveKeepsTheFileAndTheModifiedState) {
    TuniMemo memo(host.Platform(false));
    const std::string name = dir.file("doc.txt");
    WriteBytes(name, "original\n");
    memo.OpenFile(name);
    memo.SetCaret({0, 0});
    Type(memo, "X");
    SetWriteFaultForTesting(0, ENOSPC);
    const bool ok = memo.SaveToFile();
    SetWriteFaultForTesting(-1, 0);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(memo.Modified());
    EXPECT_EQ(ReadBytes(name), "original\n");
    ASSERT_EQ(host.messages.shown.size(), 1u);
    EXPECT_EQ(host.messages.shown[0].caption, SystemText(ENOSPC));
    EXPECT_EQ(host.messages.shown[0].text, SystemText(ENOSPC));
    EXPECT_FALSE(memo.SaveToFile(dir.file("no/such/folder/x.txt")));
    EXPECT_TRUE(memo.Modified());
}

class MemoProfileTest : public MemoFileTest {
protected:
    MemoProfileTest() : folder(dir.path().string()) {
        std::filesystem::create_directories(dir.path() / "Ini");
        std::filesystem::create_directories(dir.path() / "Indent");
        WriteBytes(folder.FilesIni(), "[*]\r\n"
                                      "TabSize=8\r\n"
                                      "HighlightLine=1\r\n"
                                      "Charset=WINDOWS\r\n"
                                      "Keys=Default\r\n"
                                      "Subst=Typo\r\n"
                                      "\r\n"
                                      "[txt]\r\n"
                                      "TabSize=2\r\n"
                                      "Wrap=1\r\n"
                                      "Delimiters=.,\r\n"
                                      "Keys=Prose\r\n"
                                      "\r\n"
                                      "[bad]\r\n"
                                      "TabSize=0\r\n"
                                      "Font=Mono\r\n"
                                      "FontSize=14\r\n");
        WriteBytes(folder.SubstIni(), "[Typo]\r\n(c)=&#169;\r\n");
        WriteBytes(folder.Path("Indent/txt.ini"), "[*]\r\nbegin=\\{\r\n");
    }

    TMemoEnvironment Environment() { return {&folder, &common, &charsetLists}; }

    TConfigFolder folder;
    TCommonSettings common;
    TCharsetLists charsetLists;
};

TEST_F(MemoProfileTest, TheFileTypesProfileIsAppliedOnLoad) {
    TuniMemo memo(host.Platform(), Environment());
    struct TProfiles final : TMemoListener {
        void ProfileApplied(TuniMemo& view, const TDocumentConfig& config) override {
            views.push_back(&view);
            types.push_back(config.type.extension);
        }
        std::vector<const TuniMemo*> views;
        std::vector<std::string> types;
    } profiles;
    memo.AddListener(profiles);
    memo.Codec().charset = std::string(kCharsetDefault);
    const std::string name = dir.file("Notes.TXT");
    WriteBytes(name, "caf\xe9\n");
    memo.OpenFile(name);
    host.queue.RunAll();
    EXPECT_EQ(memo.Lines().Get(0), u"caf\u00e9"); // read as WINDOWS, the profile's charset
    EXPECT_EQ(memo.Codec().charset, "WINDOWS");
    EXPECT_EQ(memo.Settings().tabSize, 2);
    EXPECT_EQ(memo.Lines().TabSize(), 2);
    EXPECT_TRUE(memo.WordWrap());
    EXPECT_TRUE(memo.HighlightLine());
    EXPECT_EQ(memo.Settings().delimiters, u".,");
    EXPECT_EQ(memo.Settings().keyTables, (std::vector<std::string>{"Default", "Prose"}));
    EXPECT_EQ(memo.Substitutions().GetValue(u"(c)"), u"\u00a9");
    EXPECT_EQ(memo.Settings().indent.begin, u"\\{");
    // Before the load and once more after its first line.
    EXPECT_EQ(profiles.types, (std::vector<std::string>{"txt", "txt"}));
    EXPECT_EQ(profiles.views, (std::vector<const TuniMemo*>{&memo, &memo}));
    memo.RemoveListener(profiles);
}

TEST_F(MemoProfileTest, ATabSizeBelowOneBecomesFour) {
    TuniMemo memo(host.Platform(), Environment());
    memo.ApplyProfile("bad");
    EXPECT_EQ(memo.Settings().tabSize, 4); // the type's 0 over the 8 of "*"
    memo.SetTabSize(0);
    EXPECT_EQ(memo.Settings().tabSize, 4);
    EXPECT_EQ(memo.Lines().TabSize(), 4);
}

TEST_F(MemoProfileTest, AFontChangeIsSelectedAndMeasured) {
    TuniMemo memo(host.Platform(), Environment());
    memo.ApplyProfile("bad");
    ASSERT_FALSE(host.window.fonts.empty());
    EXPECT_EQ(host.window.fonts.back(), (std::pair<std::u16string, int>{u"Mono", 14}));
    EXPECT_EQ(memo.Settings().fontName, u"Mono");
    memo.ApplyProfile("bad");
    EXPECT_EQ(host.window.fonts.size(), 1u); // unchanged: not selected again
}

} // namespace
