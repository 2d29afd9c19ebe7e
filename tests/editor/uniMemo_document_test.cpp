// The editor as a view of a document: a watcher registered with the document alone hears
// every change the editor makes, with its lines and revision; views share one document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// Writes down what the document tells, one entry a report; the revisions of the changes of
// lines apart.
class TRecorder final : public TDocumentWatcher {
public:
    std::vector<std::string> heard;
    std::vector<std::uint64_t> revisions;

    // What was heard since the last call.
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(heard);
        return taken;
    }

    void LinesInserted(TDocument&, const TLineChange& c) override { Lines("inserted", c); }
    void LinesDeleted(TDocument&, const TLineChange& c) override { Lines("deleted", c); }
    void LinesChanged(TDocument&, const TLineChange& c) override {
        Lines("changed", c);
        heard.back() += " @" + std::to_string(c.column);
    }
    void Loaded(TDocument&, const TFileEvent& e) override {
        heard.push_back(std::string("loaded ") + (e.ok ? "ok" : "failed"));
    }
    void Saved(TDocument&, const TFileEvent& e) override { heard.push_back("saved " + e.fileName); }
    void EncodingChanged(TDocument& document, std::uint64_t) override {
        heard.push_back("encoding " + std::string(SeparatorText(document.Codec().lineSeparator)));
    }
    void ModifiedChanged(TDocument&, const TModifiedChange& c) override {
        heard.push_back(std::string("modified ") + (c.modified ? "true" : "false"));
    }

private:
    void Lines(const char* kind, const TLineChange& c) {
        heard.push_back(std::string(kind) + " " + std::to_string(c.first) + "-" +
                        std::to_string(c.last));
        revisions.push_back(c.revision);
    }
};

class MemoDocumentTest : public ::testing::Test {
protected:
    TFakeHost host;
    TempDir dir;

    void Load(TuniMemo& memo, const std::string& name, std::string_view bytes) {
        WriteBytes(name, bytes);
        memo.OpenFile(name);
        host.queue.RunAll();
    }
};

using Heard = std::vector<std::string>;

// Two watchers that know nothing of the editor hear each of its changes.
TEST_F(MemoDocumentTest, TwoWatchersOfTheDocumentHearEveryEditOfTheEditor) {
    TuniMemo memo(host.Platform());
    const std::string name = dir.file("doc.txt");
    Load(memo, name, "one\ntwo\nthree");
    TRecorder first;
    TRecorder second;
    memo.Document().AddWatcher(first);
    memo.Document().AddWatcher(second);
    const auto expectHeard = [&](const Heard& expected) {
        EXPECT_EQ(second.heard, first.heard);
        EXPECT_EQ(first.Take(), expected);
        second.Take();
    };

    memo.SetCaret({3, 0});
    Type(memo, "!");
    expectHeard({"changed 0-0 @3", "modified true"});

    memo.BeginCommand();
    memo.InsertLinesAt(1, {u"a", u"b"});
    expectHeard({"inserted 1-2"});
    memo.BeginUndoGroup();
    memo.RemoveLinesAt(1, 2);
    memo.EndUndoGroup();
    expectHeard({"deleted 1-2"});

    memo.BeginCommand();
    memo.Undo();
    expectHeard({"inserted 1-2", "modified true"});
    memo.BeginCommand();
    memo.Redo();
    expectHeard({"deleted 1-2", "modified true"});

    const std::string saved = dir.file("saved.txt");
    ASSERT_TRUE(memo.SaveToFile(saved));
    expectHeard({"saved " + saved, "modified false"});

    memo.SetDocumentSeparator(lsCRLF);
    expectHeard({"encoding CRLF", "modified true"});

    Load(memo, name, "x\ny");
    expectHeard({"deleted 0-2", "inserted 0-1", "encoding LF", "loaded ok", "modified false"});

    // Each change of lines came with a new revision, the same for both.
    EXPECT_EQ(second.revisions, first.revisions);
    ASSERT_EQ(first.revisions.size(), 7u);
    for (size_t i = 1; i < first.revisions.size(); ++i) {
        EXPECT_GT(first.revisions[i], first.revisions[i - 1]);
    }
    EXPECT_EQ(first.revisions.back(), memo.Document().Revision());

    // Unregistered, a watcher hears nothing more; the other goes on.
    memo.Document().RemoveWatcher(first);
    memo.SetCaret({1, 0});
    Type(memo, "?");
    EXPECT_TRUE(first.heard.empty());
    EXPECT_EQ(second.Take(), (Heard{"changed 0-0 @1", "modified true"}));
    memo.Document().RemoveWatcher(second);
}

TEST_F(MemoDocumentTest, TwoViewsShowOneDocumentAndShareItsSaveCounter) {
    TuniMemo a(host.Platform());
    TuniMemo b(host.Platform());
    Load(a, dir.file("doc.txt"), "text");
    b.SetLines(&a.Lines(), a.FileName());
    EXPECT_EQ(&b.Document(), &a.Document());
    EXPECT_EQ(&b.Codec(), &a.Codec());
    EXPECT_EQ(b.FileName(), a.FileName());
    a.SetCaret({4, 0});
    Type(a, "1");
    ASSERT_TRUE(a.SaveToFile());
    EXPECT_EQ(a.SaveCounter(), 1);
    EXPECT_EQ(b.SaveCounter(), 1);
    b.SetCaret({5, 0});
    Type(b, "2");
    ASSERT_TRUE(b.SaveToFile(dir.file("other.txt")));
    EXPECT_EQ(a.SaveCounter(), 2);
    EXPECT_EQ(a.FileName(), dir.file("other.txt")); // the document's name, in every view
    b.Undo();
    EXPECT_TRUE(a.Modified());
    a.Redo();
    EXPECT_FALSE(b.Modified());
}

TEST_F(MemoDocumentTest, AViewThatShowsAnotherDocumentNoLongerHearsTheFirst) {
    TuniMemo a(host.Platform());
    TuniMemo b(host.Platform());
    TuniMemo c(host.Platform());
    SetText(a, "first");
    SetText(c, "second");
    b.SetLines(&a.Lines(), "");
    b.SetLines(&c.Lines(), "");
    EXPECT_EQ(a.Lines().RefCount(), 1);
    EXPECT_EQ(c.Lines().RefCount(), 2);
    b.UpdateView();
    ASSERT_FALSE(b.FullRepaintPending());
    a.SetCaret({5, 0});
    Type(a, "!");
    EXPECT_FALSE(b.FullRepaintPending());
    c.SetCaret({6, 0});
    Type(c, "!");
    EXPECT_TRUE(b.FullRepaintPending());
}

} // namespace
