// Tests for the document: its references, what its watchers hear of each change, watchers
// that come and go while being told, and that telling costs the same however long the
// document is.
#include "document/uniDocument.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

// Writes down everything it hears, one entry a report: the kind, the lines and the revision.
class TRecorder final : public TDocumentWatcher {
public:
    std::vector<std::string> heard;
    std::vector<std::uint64_t> revisions; // of the changes of lines, in order

    void LinesInserted(TDocument&, const TLineChange& c) override { Lines("inserted", c); }
    void LinesDeleted(TDocument&, const TLineChange& c) override { Lines("deleted", c); }
    void LinesChanged(TDocument&, const TLineChange& c) override {
        Lines("changed", c);
        heard.back() += " @" + std::to_string(c.column);
    }
    void LoadProgressed(TDocument&, const TLoadProgress& p) override {
        heard.push_back("progress " + std::to_string(p.lines));
    }
    void Loaded(TDocument&, const TFileEvent& e) override {
        heard.push_back(std::string("loaded ") + (e.ok ? "ok" : "failed"));
    }
    void Saved(TDocument&, const TFileEvent& e) override { heard.push_back("saved " + e.fileName); }
    void EncodingChanged(TDocument& document, std::uint64_t revision) override {
        EXPECT_EQ(revision, document.Revision());
        heard.push_back("encoding " + document.Codec().charset + " " +
                        std::string(SeparatorText(document.Codec().lineSeparator)));
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

// Counts the reports of lines and the lines they cover.
class TCounter : public TDocumentWatcher {
public:
    virtual ~TCounter() = default;
    int reports = 0;
    int inserted = 0; // lines
    void LinesInserted(TDocument&, const TLineChange& c) override {
        ++reports;
        inserted += c.last - c.first + 1;
    }
    void LinesDeleted(TDocument&, const TLineChange&) override { ++reports; }
    void LinesChanged(TDocument&, const TLineChange&) override { ++reports; }
};

// A load or a save that asks nothing and is told nothing.
class TQuietCodecObserver final : public TCodecObserver {};

std::string NumberedLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    return text;
}

class DocumentTest : public ::testing::Test {
protected:
    TDocument::TPtr document = TDocument::New();
    TWStringList& lines = document->Lines();
    TQuietCodecObserver quiet;
    TempDir dir;
};

TEST_F(DocumentTest, TwoWatchersHearEveryChangeWithItsLinesAndARevision) {
    TRecorder first;
    TRecorder second;
    document->AddWatcher(first);
    document->AddWatcher(second);
    document->AddWatcher(first); // twice changes nothing
    lines.Add(u"a");
    lines.InsertLines(1, {u"b", u"c", u"d"});
    lines.Put(2, u"cc");
    lines.Edit(
        0, [](std::u16string& s) { s += u"!"; }, 1);
    lines.DeleteLines(1, 2);
    lines.Delete(0);
    document->SetModified(true, nullptr);
    document->SetEncoding("WINDOWS", "-", urNone);
    document->SetEncoding("WINDOWS", "-", urNone); // no change: nothing told
    document->SetLineSeparator(lsCRLF);
    const std::string name = dir.file("doc.txt");
    WriteBytes(name, "x\ny");
    document->SetFileName(name);
    ASSERT_TRUE(document->Load(quiet, nullptr).ok);
    document->Lines().Put(1, u"z");
    ASSERT_TRUE(document->Save(dir.file("out.txt"), {}, quiet, nullptr).ok);
    EXPECT_EQ(document->FileName(), dir.file("out.txt"));

    const std::vector<std::string> expected = {
        "inserted 0-0", "inserted 1-3", "changed 2-2 @1", "changed 0-0 @1", "deleted 1-2",
        "deleted 0-0", "modified true", "encoding WINDOWS LF", "encoding WINDOWS CRLF",
        // The load empties the document, appends the file's lines and takes its separator.
        "deleted 0-0", "inserted 0-1", "encoding WINDOWS LF", "loaded ok", "changed 1-1 @0",
        "saved " + dir.file("out.txt")};
    EXPECT_EQ(first.heard, expected);
    EXPECT_EQ(second.heard, first.heard);
    EXPECT_EQ(second.revisions, first.revisions);
    // Every change of lines makes a new revision.
    ASSERT_EQ(first.revisions.size(), 9u);
    for (size_t i = 0; i < first.revisions.size(); ++i) {
        EXPECT_EQ(first.revisions[i], i + 1);
    }
    EXPECT_EQ(document->Revision(), 9u);
}

TEST_F(DocumentTest, AWatcherThatLeavesHearsNoMore) {
    TRecorder staying;
    TRecorder leaving;
    document->AddWatcher(staying);
    document->AddWatcher(leaving);
    lines.Add(u"a");
    document->RemoveWatcher(leaving);
    document->RemoveWatcher(leaving); // not registered any more: nothing happens
    lines.Add(u"b");
    document->SetModified(true, nullptr);
    EXPECT_EQ(leaving.heard, std::vector<std::string>{"inserted 0-0"});
    EXPECT_EQ(staying.heard,
              (std::vector<std::string>{"inserted 0-0", "inserted 1-1", "modified true"}));
}

// A watcher that sends itself or others away, or brings one in, while it is being told.
class TMover final : public TCounter {
public:
    TDocument* document = nullptr;
    std::vector<TDocumentWatcher*> away;
    TDocumentWatcher* in = nullptr;
    void LinesInserted(TDocument& d, const TLineChange& c) override {
        TCounter::LinesInserted(d, c);
        for (TDocumentWatcher* w : away) {
            document->RemoveWatcher(*w);
        }
        away.clear();
        if (in != nullptr) {
            document->AddWatcher(*in);
            in = nullptr;
        }
    }
};

TEST_F(DocumentTest, WatchersMayComeAndGoWhileTheyAreTold) {
    TMover mover;
    TCounter before;
    TCounter after;
    TCounter newcomer;
    document->AddWatcher(before);
    document->AddWatcher(mover);
    document->AddWatcher(after);
    mover.document = document.get();
    // The mover sends away the one told before it, the one after it, and itself, and
    // brings in a newcomer: the one after it is not told any more, the newcomer from the
    // next change on.
    mover.away = {&before, &after, &mover};
    mover.in = &newcomer;
    lines.Add(u"a");
    EXPECT_EQ(before.reports, 1);
    EXPECT_EQ(mover.reports, 1);
    EXPECT_EQ(after.reports, 0);
    EXPECT_EQ(newcomer.reports, 0);
    lines.Add(u"b");
    EXPECT_EQ(before.reports, 1);
    EXPECT_EQ(mover.reports, 1);
    EXPECT_EQ(after.reports, 0);
    EXPECT_EQ(newcomer.reports, 1);
    // Gone means gone: adding the mover again makes it hear once, not twice.
    document->AddWatcher(mover);
    lines.Add(u"c");
    EXPECT_EQ(mover.reports, 2);
    EXPECT_EQ(newcomer.reports, 2);
}

// The same edits on a document of n lines and on one of 2n: the watchers are told the same
// number of times, whatever the length.
TEST_F(DocumentTest, TellingAChangeCostsTheSameWhateverTheDocumentsLength) {
    const auto reports = [](int n) {
        TDocument::TPtr doc = TDocument::New();
        TWStringList& list = doc->Lines();
        for (int i = 0; i < n; ++i) {
            list.Add(U16("line " + std::to_string(i)));
        }
        TCounter counter;
        doc->AddWatcher(counter);
        list.Insert(0, u"top");
        list.Put(n / 2, u"middle");
        list.Edit(1, [](std::u16string& s) { s += u"!"; });
        list.InsertLines(n / 3, {u"x", u"y", u"z"});
        list.DeleteLines(n / 4, 10);
        list.Delete(list.Count() - 1);
        {
            TLineRun run(list);
            run.Insert(5, u"a");
            run.Insert(6, u"b");
            run.Exchange(n / 2, u"c");
            run.Take(n - 20);
        }
        doc->SetModified(true, nullptr);
        return counter.reports;
    };
    const int small = reports(20000);
    EXPECT_EQ(small, 9); // the run's two inserts are one range
    EXPECT_EQ(reports(40000), small);
}

// A load appends line by line; its watchers hear the lines in ranges, which cover each line
// once, and a view's progress points see every line read so far told.
TEST_F(DocumentTest, ALoadTellsItsLinesInRanges) {
    struct TLoadingView final : TCodecObserver {
        TDocument* document = nullptr;
        TCounter* counter = nullptr;
        int checks = 0;
        void LinesLoaded(const TLoadProgress& progress) override {
            ++checks;
            EXPECT_EQ(counter->inserted, progress.lines);
            EXPECT_EQ(document->Lines().Count(), progress.lines);
        }
    };
    const auto load = [&](int n) {
        const std::string name = dir.file("lines" + std::to_string(n) + ".txt");
        WriteBytes(name, NumberedLines(n));
        TDocument::TPtr doc = TDocument::New();
        doc->Lines().Add(u"old");
        doc->SetFileName(name);
        TCounter counter;
        doc->AddWatcher(counter);
        TLoadingView view;
        view.document = doc.get();
        view.counter = &counter;
        EXPECT_TRUE(doc->Load(view, nullptr).ok);
        EXPECT_GT(view.checks, 0);
        EXPECT_EQ(doc->Lines().Count(), n + 1); // the empty line after the last separator
        EXPECT_EQ(counter.inserted, n + 1);
        return counter.reports;
    };
    const int small = load(10000);
    const int large = load(20000);
    EXPECT_LE(small, 10000 / kLoadProgressEvery + 4);
    EXPECT_LE(large, 2 * small);
}

// A track of the list's life, to see when the last reference lets go of it.
class TTrackedList final : public TWStringList {
public:
    explicit TTrackedList(bool& destroyed) : destroyed_(destroyed) {}
    ~TTrackedList() override { destroyed_ = true; }

private:
    bool& destroyed_;
};

TEST(DocumentReferences, ADocumentLivesAsLongAsItsListHasOwners) {
    bool destroyed = false;
    auto* list = new TTrackedList(destroyed);
    TDocument& document = TDocument::Of(*list); // takes over the list's one reference
    EXPECT_EQ(&TDocument::Of(*list), &document);
    EXPECT_EQ(document.AddRef(), &document);
    EXPECT_EQ(list->RefCount(), 2);
    document.Release();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(list->RefCount(), 1);
    document.Release();
    EXPECT_TRUE(destroyed);
}

} // namespace

TEST_F(DocumentTest, ChangesOnDiskAreSeenOnceAndTheDocumentsOwnSaveIsNoChange) {
    const std::string name = dir.file("watched.txt");
    WriteBytes(name, "one\n");
    document->SetFileName(name);
    EXPECT_EQ(document->DiskChange(), TDiskChange::None); // never loaded: nothing to compare
    ASSERT_TRUE(document->Load(quiet, nullptr).ok);
    EXPECT_EQ(document->DiskChange(), TDiskChange::None);

    // Its own save, even a quick second one, is no change.
    lines.Add(u"two");
    ASSERT_TRUE(document->Save(name, {}, quiet, nullptr).ok);
    ASSERT_TRUE(document->Save(name, {}, quiet, nullptr).ok);
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::None);

    // Another program appends: told once, and again only after a further change.
    WriteBytes(name, testing_support::ReadBytes(name) + "three\n");
    EXPECT_EQ(document->DiskChange(), TDiskChange::Changed);
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::Changed);
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::None);
    EXPECT_EQ(document->DiskChange(), TDiskChange::Changed); // still, for a save to ask
    WriteBytes(name, "rewritten\n");
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::Changed);

    // Replaced by another file of the same size and time: the inode tells.
    ASSERT_TRUE(document->Load(quiet, nullptr).ok);
    const std::string other = dir.file("other.txt");
    WriteBytes(other, "REWRITTEN\n");
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, other.c_str(), times, 0);
    std::filesystem::rename(other, name);
    EXPECT_EQ(document->DiskChange(), TDiskChange::Changed);

    // Removed; a save writes it again and settles it.
    ASSERT_TRUE(document->Load(quiet, nullptr).ok);
    std::filesystem::remove(name);
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::Removed);
    EXPECT_EQ(document->NewDiskChange(), TDiskChange::None);
    ASSERT_TRUE(document->Save(name, {}, quiet, nullptr).ok);
    EXPECT_EQ(document->DiskChange(), TDiskChange::None);
    EXPECT_EQ(testing_support::ReadBytes(name), "REWRITTEN\n");

    // A file that appears where the load found none is a change too.
    TDocument::TPtr fresh = TDocument::New();
    fresh->SetFileName(dir.file("later.txt"));
    fresh->Load(quiet, nullptr);
    EXPECT_EQ(fresh->DiskChange(), TDiskChange::None);
    WriteBytes(dir.file("later.txt"), "made elsewhere\n");
    EXPECT_EQ(fresh->DiskChange(), TDiskChange::Changed);
}
