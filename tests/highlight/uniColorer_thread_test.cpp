// Tests for the background parse: it reads the lines as they were when it started while the
// main thread goes on typing, a paint or a pair search stops it and asks for it again, and
// destroying or unloading waits for it. Run under ThreadSanitizer too (-DPELMAR_TSAN=ON).
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "colorerTesting.h"

using colorer_testing::ColorerTest;
using colorer_testing::MakeDocument;
using colorer_testing::WaitForDone;
using fake_colorer::TParseCall;

namespace {

// Holds the background parse at one line until the test lets it go on.
class TGate {
public:
    void Arrive() {
        std::unique_lock<std::mutex> lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    bool WaitReached() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return reached_; });
    }
    void Release() {
        const std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool released_ = false;
};

// Makes every background line take a while, and counts the lines it has begun.
class TSlowBackground {
public:
    TSlowBackground() {
        fake_colorer::SetLineHook([this, main = std::this_thread::get_id()](int) {
            if (std::this_thread::get_id() != main) {
                ++lines_;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~TSlowBackground() { fake_colorer::SetLineHook(nullptr); }
    TSlowBackground(const TSlowBackground&) = delete;
    TSlowBackground& operator=(const TSlowBackground&) = delete;

    // Waits until the background parse has begun `n` lines.
    bool WaitLines(int n) const {
        for (int i = 0; i < 20000 && lines_ < n; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return lines_ >= n;
    }

private:
    std::atomic<int> lines_{0};
};

std::vector<std::string> AnsiLines(const TWStringList& lines, int first, int last) {
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i) {
        out.push_back(TWStringList::AnsiForm(lines.Get(i)));
    }
    return out;
}

TParseCall LastBackgroundCall() {
    const std::vector<TParseCall> calls = fake_colorer::ParseCalls();
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (!it->mainThread) {
            return *it;
        }
    }
    return TParseCall{};
}

} // namespace

TEST_F(ColorerTest, TheBackgroundParseReadsTheLinesAsTheyWereWhenItStarted) {
    TDocument::TPtr document = MakeDocument(300, {{5, "if (a)"}});
    TWStringList& lines = document->Lines();
    const std::vector<std::string> before = AnsiLines(lines, 0, 179);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(100, 120, 20); // lines 120..179, parsed from 100
    ASSERT_TRUE(colorer.Pending());
    const bool onPair = colorer.IsOnPair(200, 200); // beyond the window: true

    TGate gate;
    fake_colorer::SetLineHook([&gate, main = std::this_thread::get_id()](int line) {
        if (std::this_thread::get_id() != main && line == 50) {
            gate.Arrive();
        }
    });
    colorer.StartBackgroundParse();
    ASSERT_TRUE(gate.WaitReached());
    EXPECT_TRUE(colorer.Busy());
    // Typing meanwhile: before, at and after the line the parse has reached.
    lines.Put(10, u"if (typed)");
    lines.Insert(0, u"int inserted");
    lines.Delete(100);
    lines.Put(60, u"late");
    lines.InsertLines(150, {u"x", u"y"});
    lines.DeleteLines(170, 3);
    EXPECT_EQ(colorer.IsOnPair(0, 6), onPair); // the buffer is not read meanwhile
    gate.Release();
    ASSERT_TRUE(WaitForDone(colorer));

    const TParseCall background = LastBackgroundCall();
    EXPECT_EQ(background.from, 0);
    EXPECT_EQ(background.lines, before);
    EXPECT_TRUE(colorer.Dirty());
    colorer.UpdateWindow(100, 120, 20);
    const TParseCall now = fake_colorer::ParseCalls().back();
    EXPECT_TRUE(now.mainThread);
    EXPECT_EQ(now.lines, AnsiLines(lines, 100, 179));
}

TEST_F(ColorerTest, TypingWhileTheBackgroundParseRunsLeavesItsSnapshotAlone) {
    TDocument::TPtr document = MakeDocument(3000);
    TWStringList& lines = document->Lines();
    const std::vector<std::string> before = AnsiLines(lines, 0, 459);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(380, 400, 20);
    const TSlowBackground slow;
    colorer.StartBackgroundParse();
    for (int i = 0; !colorer.Done() && i < 100000; ++i) {
        const int line = (i * 7919) % (lines.Count() - 1);
        switch (i % 4) {
        case 0:
            lines.Put(line, u"if (x) { int y; }");
            break;
        case 1:
            lines.Insert(line, u"/* new */");
            break;
        case 2:
            lines.Delete(line);
            break;
        default:
            colorer.IsOnPair(i % 10, line);
            break;
        }
    }
    ASSERT_TRUE(WaitForDone(colorer));
    EXPECT_EQ(LastBackgroundCall().lines, before);
    colorer.UpdateWindow(380, 400, 20);
    EXPECT_EQ(fake_colorer::ParseCalls().back().lines, AnsiLines(lines, 380, 459));
}

TEST_F(ColorerTest, TheParseFromTheTopIsToldHowManyLinesAtTheTopAreAsItLastReadThem) {
    TDocument::TPtr document = MakeDocument(600);
    TWStringList& lines = document->Lines();
    TColorerClass colorer(*document);
    const auto parseFromTop = [&colorer] {
        colorer.UpdateWindow(480, 500, 20);
        colorer.StartBackgroundParse();
        EXPECT_TRUE(WaitForDone(colorer));
        return LastBackgroundCall().sameLines;
    };
    EXPECT_EQ(parseFromTop(), INT_MAX);
    lines.Put(300, u"changed");
    lines.Insert(120, u"inserted");
    lines.Delete(450);
    EXPECT_EQ(parseFromTop(), 120);
    colorer.SetDirty(); // parsed again, nothing changed
    EXPECT_EQ(parseFromTop(), INT_MAX);

    // What changes while a parse runs counts for the next one: it read the lines before.
    TGate gate;
    fake_colorer::SetLineHook([&gate, main = std::this_thread::get_id()](int line) {
        if (std::this_thread::get_id() != main && line == 50) {
            gate.Arrive();
        }
    });
    colorer.SetDirty();
    colorer.UpdateWindow(480, 500, 20);
    colorer.StartBackgroundParse();
    ASSERT_TRUE(gate.WaitReached());
    lines.Put(200, u"typed meanwhile");
    gate.Release();
    ASSERT_TRUE(WaitForDone(colorer));
    EXPECT_EQ(LastBackgroundCall().sameLines, INT_MAX);
    fake_colorer::SetLineHook(nullptr);
    EXPECT_EQ(parseFromTop(), 200);
}

TEST_F(ColorerTest, APaintStopsTheBackgroundParseAndAsksForItAgain) {
    TDocument::TPtr document = MakeDocument(1000);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(480, 500, 20);
    const TSlowBackground slow;
    colorer.StartBackgroundParse();
    ASSERT_TRUE(slow.WaitLines(10));
    EXPECT_FALSE(colorer.Pending());
    colorer.UpdateWindow(480, 500, 20); // the same window: Busy makes it parse
    EXPECT_GE(fake_colorer::BreakCount(), 1);
    EXPECT_TRUE(LastBackgroundCall().stopped);
    EXPECT_TRUE(fake_colorer::ParseCalls().back().mainThread);
    EXPECT_FALSE(colorer.Busy());
    EXPECT_FALSE(colorer.Done());
    EXPECT_TRUE(colorer.Pending());
}

TEST_F(ColorerTest, APairSearchOrARowsRegionsStopTheBackgroundParseFirst) {
    TDocument::TPtr document = MakeDocument(1000, {{505, "{"}, {507, "}"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(480, 500, 20);
    const TSlowBackground slow;
    colorer.StartBackgroundParse();
    ASSERT_TRUE(slow.WaitLines(10));
    int x = 0, y = 505;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 507);
    EXPECT_TRUE(LastBackgroundCall().stopped);
    EXPECT_TRUE(colorer.Pending());

    colorer.StartBackgroundParse();
    ASSERT_TRUE(slow.WaitLines(30));
    const std::vector<TRowRegion> regions = colorer.RowRegions(7);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].kind, COLORER_PAIR_END);
    EXPECT_TRUE(colorer.Pending());
    EXPECT_FALSE(colorer.Busy());
}

TEST_F(ColorerTest, DestroyingOrUnloadingWaitsForTheBackgroundParse) {
    TDocument::TPtr document = MakeDocument(1000);
    const TSlowBackground slow;
    {
        TColorerClass colorer(*document);
        colorer.UpdateWindow(480, 500, 20);
        colorer.StartBackgroundParse();
        ASSERT_TRUE(slow.WaitLines(5));
    }
    EXPECT_EQ(fake_colorer::LiveObjects(), 0);
    EXPECT_TRUE(LastBackgroundCall().stopped);

    TColorerClass colorer(*document);
    colorer.UpdateWindow(480, 500, 20);
    colorer.StartBackgroundParse();
    ASSERT_TRUE(slow.WaitLines(20));
    UnloadHighlighter();
    EXPECT_EQ(fake_colorer::LiveObjects(), 0);
    document->Lines().Put(3, u"still editable");
    colorer.UpdateWindow(0, 0, 20);
    EXPECT_TRUE(colorer.RowRegions(0).empty());
}
