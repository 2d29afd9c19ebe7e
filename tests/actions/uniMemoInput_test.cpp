// Input handling with the shipped keymaps: keys run their actions and extend or drop the
// selection, characters are typed, the mouse places the caret, drags, double-clicks and
// selects lines, the wheel and the scroll bars move the view.
#include <gtest/gtest.h>

#include "actions/uniMemoActions.h"
#include "actions/uniMemoInput.h"
#include "actions/uniStdActions.h"
#include "editor/memoFakes.h"

using namespace memo_fakes;

namespace {

class TFakeKeyboard : public TKeyboardQuery {
public:
    std::set<int> wide;
    bool ProducesWideOrDeadChar(int key) const override { return wide.count(key) > 0; }
};

class TFakeTimer : public TInputTimer {
public:
    std::function<void()> tick;
    int period = 0;
    void Start(int ms, std::function<void()> t) override {
        period = ms;
        tick = std::move(t);
    }
    void Stop() override { tick = nullptr; }
};

class TFakePointer : public TPointerHost {
public:
    int focus = 0;
    bool captured = false;
    void TakeFocus() override { ++focus; }
    void CaptureMouse() override { captured = true; }
    void ReleaseMouse() override { captured = false; }
};

class MemoInputTest : public ::testing::Test {
protected:
    MemoInputTest() {
        RegisterStandardActions(*global);
        LoadGlobalActions(folder, global, globalKeys, noEditor);
        controller.SetGlobalKeymap(globalKeys.get());
    }

    TConfigFolder folder{PELMAR_SOURCE_DATA_DIR};
    std::unique_ptr<TUniActionMap> global = std::make_unique<TUniActionMap>();
    std::unique_ptr<TUniActionKeymap> globalKeys;
    TCurrentEditor noEditor = [](TUniAction&) -> TuniAbstractMemo* { return nullptr; };
    TFakeHost host;
    TFakeKeyboard keyboard;
    TFakeTimer timer;
    TFakePointer pointer;
    std::uint64_t now = 1000;
    TuniMemo memo{host.Platform(false)};
    TMemoController controller{memo, globalKeys.get(),
                               TInputPlatform{&keyboard, &timer, &pointer, [this] { return now; }}};
    TMemoInput& input = controller.Input();

    bool Key(std::string_view text) {
        const TShortCut key = TextToShortCut(text);
        EXPECT_NE(key, 0) << text;
        return input.KeyDown(key & 0xFF, key & (scShift | scCtrl | scAlt));
    }
    void TypeText(std::u16string_view text) {
        for (char16_t c : text) {
            input.Char(c, 0);
        }
    }
    // Client coordinates of a cell: 10-pixel gutter, 8 x 16 cells.
    static int X(int column) { return 10 + column * 8 + 1; }
    static int Y(int row) { return row * 16 + 1; }
};

TEST_F(MemoInputTest, ShiftExtendsAndAPlainMoveDropsTheSelection) {
    SetText(memo, "hello world\nsecond");
    EXPECT_TRUE(Key("Shift+Right"));
    EXPECT_TRUE(Key("Shift+Right"));
    EXPECT_TRUE(Key("Ctrl+Shift+Right"));
    EXPECT_TRUE(memo.SelectionActive());
    EXPECT_EQ(memo.SelectedText(), u"hello ");
    EXPECT_TRUE(Key("Right"));
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_EQ(memo.Caret(), (TPoint{7, 0}));
    // Typing replaces a selection made with the keys.
    Key("Shift+End");
    TypeText(u"X");
    EXPECT_EQ(Text(memo), "hello wX\nsecond");
}

TEST_F(MemoInputTest, AltShiftMakesAColumnBlockAtTheCaretsScreenColumn) {
    SetText(memo, "\tabc\n12345678");
    memo.SetCaret({5, 1});
    Key("Alt+Shift+Up");
    ASSERT_TRUE(memo.SelectionActive());
    EXPECT_EQ(memo.SelectionMode(), TSelectionMode::Column);
    // The TAB covers columns 0..3 and "a" column 4: column 5 above is "b".
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0}));
    Key("Alt+Shift+Left");
    const TNormalSelection n = memo.NormalSelection();
    EXPECT_EQ(n.start, (TPoint{4, 0}));
    EXPECT_EQ(n.end, (TPoint{5, 1}));
    Key("Ctrl+C");
    EXPECT_TRUE(host.clipboard.content.columnBlock);
    EXPECT_EQ(host.clipboard.content.utf16, std::optional<std::u16string>(u"a\n5"));
    // With word wrap a Shift+Alt move makes a stream selection.
    memo.SetWordWrap(true);
    Key("Right");
    Key("Alt+Shift+Right");
    EXPECT_EQ(memo.SelectionMode(), TSelectionMode::Stream);
}

TEST_F(MemoInputTest, KeysThatTypeAreLeftToTheCharacterMessage) {
    SetText(memo, "ab");
    memo.SetCaret({2, 0});
    EXPECT_FALSE(input.KeyDown('A', 0)); // unbound: its character comes
    EXPECT_FALSE(input.KeyDown(vkBack, 0));
    input.Char(8, 0); // Backspace runs its binding from the character
    EXPECT_EQ(Text(memo), "a");
    keyboard.wide.insert(0xDE);
    EXPECT_FALSE(input.KeyDown(0xDE, 0)); // a dead key of the layout
    EXPECT_TRUE(Key("Ctrl+Z"));
    EXPECT_EQ(Text(memo), "ab");
    // Code points above U+FFFF from an input method become a surrogate pair.
    input.Char(0x1F600, 0, TCharSource::InputMethod);
    EXPECT_EQ(memo.Lines().Get(0), u"ab\U0001F600");
    EXPECT_EQ(memo.Caret(), (TPoint{4, 0}));
}

TEST_F(MemoInputTest, EnterAndTabGoToTheDialogInASingleLineBox) {
    TuniEdit edit(host.Platform(false));
    TMemoController editController(edit, globalKeys.get());
    TMemoInput& editInput = editController.Input();
    ASSERT_NE(globalKeys, nullptr);
    SetText(edit, "x");
    EXPECT_FALSE(editInput.KeyDown(vkReturn, 0));
    EXPECT_FALSE(editInput.KeyDown(vkTab, 0));
    EXPECT_FALSE(editInput.KeyDown(vkEscape, 0));
    EXPECT_EQ(Text(edit), "x");
    EXPECT_TRUE(Key("Enter")); // the editor itself takes Enter
    EXPECT_EQ(memo.Lines().Count(), 2);
}

TEST_F(MemoInputTest, ClickDragAndDoubleClick) {
    SetText(memo, "alpha beta gamma\nsecond line");
    input.MouseDown(X(7), Y(0));
    EXPECT_EQ(memo.Caret(), (TPoint{7, 0}));
    EXPECT_TRUE(pointer.captured);
    EXPECT_EQ(timer.period, TMemoInput::kDragPeriodMs);
    input.MouseMove(X(3), Y(1));
    EXPECT_EQ(memo.Caret(), (TPoint{3, 1}));
    EXPECT_EQ(memo.SelStart().pos, (TPoint{7, 0}));
    EXPECT_EQ(memo.SelEnd().pos, (TPoint{3, 1}));
    input.MouseUp();
    EXPECT_FALSE(pointer.captured);
    EXPECT_FALSE(timer.tick);
    EXPECT_TRUE(memo.SelectionActive());

    // Two clicks within 500 ms select the word.
    input.MouseDown(X(12), Y(0));
    EXPECT_FALSE(memo.SelectionActive());
    input.MouseUp();
    now += 300;
    input.MouseDown(X(12), Y(0));
    input.MouseUp();
    EXPECT_EQ(memo.SelectedText(), u"gamma");
    // Too slow: no word.
    input.MouseDown(X(1), Y(1));
    input.MouseUp();
    now += 600;
    input.MouseDown(X(1), Y(1));
    input.MouseUp();
    EXPECT_FALSE(memo.SelectionActive());
}

TEST_F(MemoInputTest, HoldingTheButtonBelowTheWindowScrollsEachTick) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "line\n";
    }
    SetText(memo, text);
    input.MouseDown(X(1), Y(5));
    input.MouseMove(X(1), Y(11)); // one row below the 10-row window
    const int top = memo.TopLine();
    EXPECT_GT(top, 0);
    ASSERT_TRUE(timer.tick);
    timer.tick();
    EXPECT_GT(memo.TopLine(), top);
    EXPECT_EQ(memo.SelStart().pos, (TPoint{1, 5}));
    input.MouseUp();
}

TEST_F(MemoInputTest, AGutterClickSelectsTheLine) {
    SetText(memo, "one\ntwo\nthree");
    input.MouseDown(2, Y(1));
    input.MouseUp();
    EXPECT_EQ(memo.SelStart().pos, (TPoint{0, 1}));
    EXPECT_EQ(memo.SelEnd().pos, (TPoint{0, 2}));
}

TEST_F(MemoInputTest, WheelPagesAndScrollBarsMoveTheView) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    SetText(memo, text);
    memo.SetCaret({2, 1});
    input.Wheel(2);
    EXPECT_EQ(memo.TopLine(), 20);
    EXPECT_EQ(memo.Caret(), (TPoint{2, 21}));
    input.Wheel(-1);
    EXPECT_EQ(memo.TopLine(), 10);

    input.VerticalScroll(TScrollCode::Thumb, 50);
    EXPECT_EQ(memo.TopLine(), 50);
    EXPECT_EQ(memo.Caret(), (TPoint{2, 51})); // moved with the view
    input.VerticalScroll(TScrollCode::LineDown);
    EXPECT_EQ(memo.TopLine(), 51);
    input.VerticalScroll(TScrollCode::Thumb, 500); // past the end: ignored
    EXPECT_EQ(memo.TopLine(), 51);
    input.VerticalScroll(TScrollCode::Top);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));

    memo.SetCaret({5, 0});
    input.HorizontalScroll(TScrollCode::LineDown);
    EXPECT_EQ(memo.HorzScroll(), 1);
    EXPECT_EQ(memo.Caret(), (TPoint{6, 0}));
    input.HorizontalScroll(TScrollCode::Thumb, 4);
    EXPECT_EQ(memo.HorzScroll(), 4);
    EXPECT_EQ(memo.Caret(), (TPoint{9, 0}));
    input.HorizontalScroll(TScrollCode::PageUp);
    EXPECT_EQ(memo.HorzScroll(), 0);
    EXPECT_EQ(memo.Caret(), (TPoint{5, 0}));
}

TEST_F(MemoInputTest, TheThumbOfAScaledScrollBarShowsItsLine) {
    TWStringList& list = memo.Lines();
    list.Clear();
    for (int i = 0; i < 200000; ++i) {
        list.Add(u"x");
    }
    memo.RefreshView(TViewOf::This);
    memo.UpdateView();
    ASSERT_GT(memo.ScrollScale(), 1);
    input.VerticalScroll(TScrollCode::Thumb, 40000);
    EXPECT_EQ(memo.TopLine(), 40000 * memo.ScrollScale());
}

} // namespace
