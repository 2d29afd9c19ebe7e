// A played macro's typed items in the undo journal: merged like typing, undone as one step.
#include <gtest/gtest.h>

#include <memory>

#include "actions/uniActions.h"
#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;

namespace {

struct TJournalSize {
    int records = 0;
    size_t textUnits = 0;
};

TJournalSize Measure(const TUndo& undo) {
    TJournalSize size;
    size.records = undo.Count();
    for (int i = 0; i < undo.Count(); ++i) {
        size.textUnits += undo.Record(i).text.size();
    }
    return size;
}

// `items` typed items, alternately one character and two, after one move to the line end.
std::unique_ptr<TuniMemoMacroAction> TypingMacro(int items) {
    auto macro = std::make_unique<TuniMemoMacroAction>();
    for (int i = 0; i < items; ++i) {
        macro->Add(std::make_unique<TuniInsertAction>(i % 2 == 0 ? u"x" : u"yz", TCurrentEditor{}));
    }
    return macro;
}

class MacroUndoTest : public ::testing::Test {
protected:
    TFakeHost host;

    // Plays a macro of `items` typed items at the end of a line of `length` characters and
    // returns what the journal holds afterwards.
    TJournalSize Play(int items, int length) {
        TuniMemo memo(host.Platform());
        const std::u16string line(static_cast<size_t>(length), u'a');
        memo.Lines().Clear();
        memo.Lines().Add(line);
        memo.SetCaret({length, 0});
        memo.BeginCommand();
        TypingMacro(items)->execute(memo);
        memo.UpdateView();
        const TJournalSize size = Measure(memo.Lines().Undo());

        std::u16string typed;
        for (int i = 0; i < items; ++i) {
            typed += i % 2 == 0 ? u"x" : u"yz";
        }
        EXPECT_EQ(memo.Lines().Get(0), line + typed);
        EXPECT_EQ(memo.Caret(), (TPoint{length + static_cast<int>(typed.size()), 0}));
        memo.BeginCommand();
        memo.Undo();
        EXPECT_EQ(memo.Lines().Get(0), line) << "one undo takes the whole macro back";
        EXPECT_EQ(memo.Caret(), (TPoint{length, 0}));
        memo.BeginCommand();
        memo.Redo();
        EXPECT_EQ(memo.Lines().Get(0), line + typed);
        return size;
    }
};

TEST_F(MacroUndoTest, TypedItemsMergeSoTheJournalKeepsOneCopyOfTheLine) {
    constexpr int kLength = 200'000;
    const TJournalSize few = Play(20, kLength);
    const TJournalSize many = Play(2'000, kLength);
    // Group begin, one change record, group end: as many records for 2,000 items as for 20.
    EXPECT_EQ(many.records, few.records);
    EXPECT_LE(many.records, 3);
    EXPECT_EQ(many.textUnits, static_cast<size_t>(kLength));
    EXPECT_EQ(few.textUnits, many.textUnits);
}

TEST_F(MacroUndoTest, TypedItemsDoNotMergeWithTypingBeforeTheMacro) {
    TuniMemo memo(host.Platform());
    SetText(memo, "start");
    memo.SetCaret({5, 0});
    Type(memo, "12");
    memo.BeginCommand();
    TypingMacro(3)->execute(memo);
    memo.UpdateView();
    EXPECT_EQ(Text(memo), "start12xyzx");
    memo.BeginCommand();
    memo.Undo();
    EXPECT_EQ(Text(memo), "start12");
    memo.BeginCommand();
    memo.Undo();
    EXPECT_EQ(Text(memo), "start");
}

TEST_F(MacroUndoTest, InsertTextOutsideAMacroStaysItsOwnStep) {
    TuniMemo memo(host.Platform());
    SetText(memo, "");
    Type(memo, "ab");
    memo.BeginCommand();
    memo.InsertText(u"cd");
    memo.UpdateView();
    memo.BeginCommand();
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab");
}

} // namespace
