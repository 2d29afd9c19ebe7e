// The invariant check: what reaches the handler, and that a broken invariant never goes on.
#include "base/uniAssert.h"

#include <gtest/gtest.h>

#include "support/assertCatcher.h"

using testing_support::TAssertCatcher;
using testing_support::TBrokenInvariant;

namespace {

int checkLine = 0; // the line of the check in Halve

int Halve(int even) {
    checkLine = __LINE__ + 1;
    PELMAR_ASSERT(even % 2 == 0, "only even numbers are halved");
    return even / 2;
}

void ReturnAtOnce(const TAssertFailure&) {}

} // namespace

TEST(AssertTest, ABrokenInvariantReachesTheInstalledHandler) {
    TAssertCatcher catcher;
    EXPECT_EQ(Halve(8), 4);
    try {
        Halve(7);
        ADD_FAILURE() << "the check passed";
    } catch (const TBrokenInvariant& e) {
        EXPECT_EQ(e.condition, "even % 2 == 0");
        EXPECT_EQ(e.message, "only even numbers are halved");
        EXPECT_TRUE(e.file.ends_with("uniAssert_test.cpp")) << e.file;
        EXPECT_EQ(e.line, checkLine);
    }
}

TEST(AssertTest, TheConditionIsEvaluatedOnce) {
    TAssertCatcher catcher;
    int calls = 0;
    PELMAR_ASSERT(++calls == 1, "counted");
    EXPECT_EQ(calls, 1);
}

TEST(AssertTest, TheHandlerIsRestored) {
    const TAssertHandler before = SetAssertHandler(nullptr);
    SetAssertHandler(before);
    {
        TAssertCatcher catcher;
        EXPECT_THROW(Halve(1), TBrokenInvariant);
    }
    EXPECT_EQ(SetAssertHandler(before), before);
}

TEST(AssertDeathTest, TheDefaultHandlerReportsAndAborts) {
    EXPECT_DEATH(Halve(3), "uniAssert_test.cpp:[0-9]+: invariant broken: even % 2 == 0 \\(only "
                           "even numbers are halved\\)");
}

TEST(AssertDeathTest, AHandlerThatReturnsStillStopsTheProgram) {
    EXPECT_DEATH(
        {
            SetAssertHandler(&ReturnAtOnce);
            Halve(5);
        },
        "");
}
