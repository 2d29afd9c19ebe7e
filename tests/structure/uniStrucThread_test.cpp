// The structure parse thread: one pass per request over the lines copied for it, a newer
// request makes the running pass give up, results and failures come through the main
// thread's queue, and destroying the thread during a pass waits for it to give up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "structure/uniStrucParser.h"
#include "structure/uniStrucThread.h"

namespace {

// Work posted from the parse thread, run when the test says so.
class TTestQueue final : public TMainThreadQueue {
public:
    void Post(std::function<void()> work) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        work_.push_back(std::move(work));
    }
    int RunAll() {
        std::deque<std::function<void()>> work;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            work.swap(work_);
        }
        for (auto& w : work) {
            w();
        }
        return static_cast<int>(work.size());
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
};

// Names the tree after its first line, taking `delay` per line and stopping when asked;
// a first line "throw" raises.
class TSlowParser final : public TStrucParser {
public:
    explicit TSlowParser(std::chrono::milliseconds delay) : delay_(delay) {}
    std::unique_ptr<TStrucTree> ParseLines(const TStrucLines& lines, TStrucAbortFunc abort,
                                           void* data) const override {
        ++started;
        auto root = std::make_unique<TStrucTree>("root");
        for (int i = 0; i < lines.GetCount(); ++i) {
            if (abort != nullptr && abort(data)) {
                ++aborted;
                return root;
            }
            if (i == 0) {
                if (lines.Get(0) == "throw") {
                    throw std::runtime_error("bad template");
                }
                root->Name = lines.Get(0);
            }
            std::this_thread::sleep_for(delay_);
        }
        return root;
    }
    std::string GetName() const override { return "slow"; }
    mutable std::atomic<int> started{0};
    mutable std::atomic<int> aborted{0};

private:
    std::chrono::milliseconds delay_;
};

TStrucPass Pass(const TStrucParser& parser, const char16_t* first, int count) {
    TStrucPass pass;
    pass.parser = &parser;
    pass.Add(first);
    for (int i = 1; i < count; ++i) {
        pass.Add(u"\tx\u00e9");
    }
    return pass;
}

template <class F>
bool WaitFor(TTestQueue& queue, F done) {
    for (int i = 0; i < 5000 && !done(); ++i) {
        queue.RunAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

TEST(StrucThread, ANewerRequestMakesTheRunningPassGiveUpAndOnlyItsResultArrives) {
    TTestQueue queue;
    TSlowParser parser(std::chrono::milliseconds(2));
    std::vector<std::string> names;
    TStrucThread thread(
        queue, [&](std::unique_ptr<TStrucTree> tree) { names.push_back(tree->Name); },
        [](const std::string& message) { FAIL() << message; });
    thread.Restart(Pass(parser, u"first", 2000)); // about four seconds
    while (parser.started.load() == 0) {
        std::this_thread::yield();
    }
    thread.Restart(Pass(parser, u"second", 3));
    ASSERT_TRUE(WaitFor(queue, [&] { return !names.empty() && !thread.Running(); }));
    EXPECT_EQ(names, std::vector<std::string>{"second"});
    EXPECT_EQ(parser.aborted.load(), 1);
    EXPECT_EQ(thread.Passes(), 1);
}

TEST(StrucThread, TheLinesArriveAsTheParserReadsThem) {
    TTestQueue queue;
    struct TEcho final : TStrucParser {
        std::unique_ptr<TStrucTree> ParseLines(const TStrucLines& lines, TStrucAbortFunc,
                                               void*) const override {
            return std::make_unique<TStrucTree>(lines.Get(1));
        }
        std::string GetName() const override { return "echo"; }
    } echo;
    std::string seen;
    TStrucThread thread(
        queue, [&](std::unique_ptr<TStrucTree> tree) { seen = tree->Name; },
        [](const std::string&) {});
    TStrucPass pass = Pass(echo, u"x", 2);
    pass.tabSize = 4;
    thread.Restart(std::move(pass));
    ASSERT_TRUE(WaitFor(queue, [&] { return !seen.empty(); }));
    EXPECT_EQ(seen, "    x&#233;"); // the tab expanded, the letter as a reference
}

// A pass's lines sit in one string: each reads back as it was added, empty ones too, and
// a cleared pass starts empty.
TEST(StrucThread, APassKeepsItsLinesApart) {
    TStrucPass pass;
    const std::vector<std::u16string> lines = {u"", u"a\tb", u"", u"\u0436\u0436", u""};
    for (const std::u16string& line : lines) {
        pass.Add(line);
    }
    ASSERT_EQ(pass.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pass.Line(i), lines[static_cast<size_t>(i)]) << i;
    }
    EXPECT_THROW((void)pass.Line(5), std::out_of_range);
    pass.Clear();
    EXPECT_EQ(pass.Count(), 0);
    pass.Add(u"again");
    ASSERT_EQ(pass.Count(), 1);
    EXPECT_EQ(pass.Line(0), u"again");
}

TEST(StrucThread, AFailingParseIsReportedAndNoTypeGivesNoTree) {
    TTestQueue queue;
    TSlowParser parser(std::chrono::milliseconds(0));
    std::string failure;
    int trees = 0;
    bool none = false;
    TStrucThread thread(
        queue,
        [&](std::unique_ptr<TStrucTree> tree) {
            ++trees;
            none = tree == nullptr;
        },
        [&](const std::string& message) { failure = message; });
    thread.Restart(Pass(parser, u"throw", 3));
    ASSERT_TRUE(WaitFor(queue, [&] { return !failure.empty(); }));
    EXPECT_EQ(failure, "bad template");
    thread.Restart(TStrucPass{}); // a type without a template
    ASSERT_TRUE(WaitFor(queue, [&] { return trees == 1; }));
    EXPECT_TRUE(none);
}

TEST(StrucThread, DestroyingItDuringAPassWaitsForThePassToGiveUpAndDropsItsResult) {
    TTestQueue queue;
    TSlowParser parser(std::chrono::milliseconds(2));
    int results = 0;
    {
        TStrucThread thread(
            queue, [&](std::unique_ptr<TStrucTree>) { ++results; }, [](const std::string&) {});
        thread.Restart(Pass(parser, u"long", 100000));
        while (parser.started.load() == 0) {
            std::this_thread::yield();
        }
    } // the destructor asks the pass to give up and waits for it
    EXPECT_EQ(parser.aborted.load(), 1);
    queue.RunAll();
    EXPECT_EQ(results, 0);
}

} // namespace
