// The Qt platform pieces: key codes both ways, the keyboard query, the clipboard, the code
// entry rules and box, the questions, the timer, the main-thread queue and the busy cursor.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "platform/qt/qtClipboard.h"
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtHosts.h"
#include "platform/qt/qtKeys.h"

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;

TEST(QtKeys, MapsQtKeysToVirtualKeys) {
    EXPECT_EQ(VirtualKeyOf(Qt::Key_A, kNone), 0x41);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Z, Qt::ShiftModifier), 0x5A);
    EXPECT_EQ(VirtualKeyOf('q', kNone), 0x51);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_0, kNone), 0x30);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_7, kPad), 0x67);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_F1, kNone), 0x70);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_F24, kNone), 0x87);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Backtab, Qt::ShiftModifier), 0x09);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter, kPad), 0x0D);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Home, kPad), 0x24); // keypad navigation: the plain key
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, kNone), 0xBD);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, kPad), 0x6D);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Plus, kNone), 0xBB); // Shift+= on the main keyboard
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Plus, kPad), 0x6B);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Asterisk, kNone), 0x38);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Asterisk, kPad), 0x6A);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Slash, kPad), 0x6F);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Period, kPad), 0x6E);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Eacute, kNone), 0);
    EXPECT_EQ(VirtualKeyOf(0x416, kNone), 0); // a Cyrillic letter
    EXPECT_EQ(VirtualKeyOf(Qt::Key_unknown, kNone), 0);

    // Each US punctuation key by its plain and its shifted symbol, and the shifted digits.
    const std::pair<const char*, int> symbols[] = {
        {";:", 0xBA}, {"=+", 0xBB}, {",<", 0xBC},  {"-_", 0xBD}, {".>", 0xBE}, {"/?", 0xBF},
        {"`~", 0xC0}, {"[{", 0xDB}, {"\\|", 0xDC}, {"]}", 0xDD}, {"'\"", 0xDE}};
    for (const auto& [pair, vk] : symbols) {
        EXPECT_EQ(VirtualKeyOf(pair[0], kNone), vk) << pair;
        EXPECT_EQ(VirtualKeyOf(pair[1], Qt::ShiftModifier), vk) << pair;
    }
    const char* shiftedDigits = ")!@#$%^&*(";
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(VirtualKeyOf(shiftedDigits[d], Qt::ShiftModifier), 0x30 + d) << d;
    }
}

TEST(QtKeys, EveryCodeWithAQtKeyComesBack) {
    int mapped = 0;
    for (int vk = 1; vk < 256; ++vk) {
        const int key = QtKeyOf(vk);
        if (key == 0) {
            continue;
        }
        ++mapped;
        EXPECT_EQ(VirtualKeyOf(key, IsKeypadKey(vk) ? kPad : kNone), vk) << std::hex << vk;
    }
    EXPECT_GE(mapped, 26 + 10 + 10 + 24 + 11 + 20);

    // Every key the shipped bindings name shows in a menu.
    std::ifstream keys(std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/keys.ini");
    ASSERT_TRUE(keys.good());
    int bindings = 0;
    for (std::string line; std::getline(keys, line);) {
        const size_t eq = line.find('=', 1);
        if (line.empty() || line[0] == ';' || line[0] == '[' || eq == std::string::npos) {
            continue;
        }
        const TShortCut shortcut = TextToShortCut(line.substr(0, eq));
        ASSERT_NE(shortcut, 0) << line;
        EXPECT_FALSE(KeySequenceOf(shortcut).isEmpty()) << line;
        ++bindings;
    }
    EXPECT_GT(bindings, 50);
}

TEST(QtKeys, ShortcutsAndModifiers) {
    EXPECT_EQ(KeySequenceOf(static_cast<TShortCut>(scCtrl | scShift | 0x53)),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(KeySequenceOf(static_cast<TShortCut>(scAlt | 0x73)),
              QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_EQ(KeySequenceOf(0x6B), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(KeySequenceOf(0xBB), QKeySequence(Qt::Key_Equal));
    EXPECT_TRUE(KeySequenceOf(0xFF).isEmpty());

    EXPECT_EQ(ShiftStateOf(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::KeypadModifier), scShift);
    EXPECT_EQ(ShiftStateOf(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier),
              scCtrl | scAlt);
}

TEST(QtKeys, KeyboardQueryAnswersForTheCurrentEvent) {
    TQtKeyboardQuery query;
    EXPECT_FALSE(query.ProducesWideOrDeadChar(0x41));
    const QKeyEvent cyrillic(QEvent::KeyPress, 0x416, kNone, QStringLiteral("\u0436"));
    const QKeyEvent dead(QEvent::KeyPress, Qt::Key_Dead_Acute, kNone);
    const QKeyEvent wideText(QEvent::KeyPress, Qt::Key_2, kNone, QStringLiteral("\u00E9"));
    const QKeyEvent ctrlWide(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier,
                             QStringLiteral("\u00E9"));
    const QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
    const QKeyEvent plain(QEvent::KeyPress, Qt::Key_A, kNone, QStringLiteral("a"));
    const std::pair<const QKeyEvent*, bool> cases[] = {{&cyrillic, true}, {&dead, true},
                                                       {&wideText, true}, {&ctrlWide, false},
                                                       {&ctrlA, false},   {&plain, false}};
    for (const auto& [event, wide] : cases) {
        query.SetEvent(event);
        EXPECT_EQ(query.ProducesWideOrDeadChar(VirtualKeyOf(event->key(), event->modifiers())),
                  wide)
            << event->key();
    }
    query.SetEvent(nullptr);
    EXPECT_FALSE(query.ProducesWideOrDeadChar(0x32));
}

TEST(QtClipboard, PlainAndColumnTextRoundTrip) {
    TQtClipboard clipboard;
    const std::u16string text = u"a\u0416\U0001F600\r\nb";
    ASSERT_TRUE(clipboard.SetText(text, "ignored", false));
    std::optional<TClipboardText> got = clipboard.GetText();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->utf16, text);
    EXPECT_FALSE(got->columnBlock);

    // The plain text keeps the editor's LF; the column format's own lines end in CR LF.
    ASSERT_TRUE(clipboard.SetText(u"ab\n\u0416 ", "", true));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("ab\n\u0416 "));
    EXPECT_EQ(data->data(QStringLiteral("PM_VerticalBlock")),
              QByteArray("a\0b\0\r\0\n\0\x16\x04 \0", 12));
    got = clipboard.GetText();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->utf16, u"ab\n\u0416 ");
    EXPECT_TRUE(got->columnBlock);

    // Another program's plain text drops the column mark; an empty clipboard has no text.
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    got = clipboard.GetText();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->utf16, u"other");
    EXPECT_FALSE(got->columnBlock);
    QGuiApplication::clipboard()->clear();
    got = clipboard.GetText();
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->utf16);
    EXPECT_FALSE(got->columnBlock);
}

TEST(CodeEntry, KeystrokeAndTextRules) {
    for (const char16_t c : std::u16string_view(u"0123456789ABCDEF")) {
        EXPECT_EQ(CodeEntryAccepts(QChar(c)), QChar(c));
    }
    EXPECT_EQ(CodeEntryAccepts(QChar(u'c')), QChar(u'C'));
    EXPECT_EQ(CodeEntryAccepts(QChar(u'X')), QChar(u'x'));
    EXPECT_EQ(CodeEntryAccepts(QChar(u'x')), QChar(u'x'));
    for (const char16_t c : std::u16string_view(u"gG -+$#\u0416\u0660")) {
        EXPECT_FALSE(CodeEntryAccepts(QChar(c))) << int(c);
    }
    for (const char* ok : {"", "x", "0", "65", "99999", "x41", "xFFFF", "xab"}) {
        EXPECT_TRUE(CodeEntryTextValid(QString::fromLatin1(ok))) << ok;
    }
    for (const char* bad : {"1x", "xx", "4A", "x4x", "X41", " 1", "x-1"}) {
        EXPECT_FALSE(CodeEntryTextValid(QString::fromLatin1(bad))) << bad;
    }
}

TEST(CodeEntry, DialogTakesOnlyWhatReadsAsACode) {
    TFormUnicodeEnter form;
    form.show();
    QLineEdit* edit = form.EditCode();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);

    QTest::keyClicks(edit, QStringLiteral("X4a"));
    EXPECT_EQ(form.Code(), QStringLiteral("x4A"));
    QTest::keyClicks(edit, QStringLiteral("g+-"));
    EXPECT_EQ(form.Code(), QStringLiteral("x4A"));
    QTest::keyClicks(edit, QStringLiteral("123")); // at most 5 characters
    EXPECT_EQ(form.Code(), QStringLiteral("x4A12"));

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1x"));
    EXPECT_EQ(form.Code(), QStringLiteral("1"));
    EXPECT_EQ(edit->cursorPosition(), 1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(form.Code(), QString());

    // A refused change brings the selection back too.
    edit->setText(QStringLiteral("x41"));
    edit->setSelection(3, -2); // "41", the cursor after the x
    QTest::keyClicks(edit, QStringLiteral("x"));
    EXPECT_EQ(form.Code(), QStringLiteral("x41"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("41"));
    EXPECT_EQ(edit->cursorPosition(), 1);

    // A paste that does not read as a code is undone as well.
    QGuiApplication::clipboard()->setText(QStringLiteral("9z"));
    edit->setText(QStringLiteral("6"));
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form.Code(), QStringLiteral("6"));

    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// Runs `answer` on the modal box that the next call opens.
void OnNextModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        answer(modal);
    });
}

TEST(QtQuestions, CodeEntryBoxAtThePointInTheEditorFont) {
    QWidget editor;
    editor.setFont(QFont(QStringLiteral("Monospace"), 10));
    editor.resize(200, 100);
    editor.show();
    TQtQuestions questions(&editor);
    QFont seen;
    QPoint seenAt;
    OnNextModal([&](QWidget* modal) {
        auto* form = qobject_cast<TFormUnicodeEnter*>(modal);
        ASSERT_NE(form, nullptr);
        seen = form->EditCode()->font();
        seenAt = form->pos();
        QTest::keyClicks(form->EditCode(), QStringLiteral("x41"));
        QTest::keyClick(form->EditCode(), Qt::Key_Return);
    });
    EXPECT_EQ(questions.EnterCode(30, 20, 9), std::optional<std::u16string>(u"x41"));
    EXPECT_EQ(seen.family(), editor.font().family());
    EXPECT_EQ(seen.pointSize(), 9);
    EXPECT_EQ(seenAt, editor.mapToGlobal(QPoint(30, 20)));

    OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
    EXPECT_EQ(questions.EnterCode(0, 0, 9), std::nullopt); // OK on an empty field
    OnNextModal([](QWidget* modal) {
        QTest::keyClicks(modal->focusWidget(), QStringLiteral("65"));
        QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
    });
    EXPECT_EQ(questions.EnterCode(0, 0, 9), std::nullopt);
}

TEST(QtQuestions, ReplaceBoxAnswersAndPlace) {
    QWidget editor;
    editor.show();
    TQtQuestions questions(&editor);
    OnNextModal([](QWidget* modal) {
        // Yes, No, Cancel and All, as the question has always offered.
        EXPECT_EQ(modal->findChild<QPushButton*>(QStringLiteral("YesToAll")), nullptr);
        modal->findChild<QPushButton*>(QStringLiteral("All"))->click();
    });
    EXPECT_EQ(questions.AskReplace(u"Replace?", 5, 5, 16), TReplaceAnswer::All);
    OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(questions.AskReplace(u"Replace?", 5, 5, 16), TReplaceAnswer::Cancel);

    const QRect screen(0, 0, 1000, 800);
    EXPECT_EQ(ReplaceBoxPosition({100, 200}, 16, {300, 120}, screen), QPoint(120, 216));
    EXPECT_EQ(ReplaceBoxPosition({100, 700}, 16, {300, 120}, screen), QPoint(120, 580));
    EXPECT_EQ(ReplaceBoxPosition({900, 664}, 16, {300, 120}, screen), QPoint(700, 680));

    OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(AskYesNoCancel(&editor, QString(), QStringLiteral("Save?")), TYesNoCancel::Cancel);
}

TEST(QtHosts, TimerTicksUntilStoppedAndRestartsWithANewTick) {
    TQtTimer timer;
    int first = 0;
    int second = 0;
    timer.Start(5, [&] {
        if (++first == 2) {
            timer.Start(5, [&] { ++second; }); // replaces the running tick
        }
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return second >= 2; }, 2000));
    EXPECT_EQ(first, 2);
    timer.Stop();
    const int stopped = second;
    QTest::qWait(30);
    EXPECT_EQ(second, stopped);
    EXPECT_FALSE(timer.Active());
}

TEST(QtHosts, QueueRunsPostedWorkInOrderAfterTheEventLoopTurns) {
    std::vector<int> ran;
    {
        TQtMainThreadQueue queue;
        queue.Post([&] { ran.push_back(1); });
        std::thread other([&] { queue.Post([&] { ran.push_back(2); }); });
        other.join();
        EXPECT_TRUE(ran.empty());
        QCoreApplication::processEvents();
        EXPECT_EQ(ran, (std::vector<int>{1, 2}));

        queue.Post([&] { ran.push_back(3); }); // still pending when the queue goes
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(QtHosts, BusyCursorNestsAndMessagesGoToTheResponder) {
    {
        TQtBusyCursor busy;
        busy.SetBusy(true);
        busy.SetBusy(true);
        busy.SetBusy(false);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy.SetBusy(false);
        busy.SetBusy(false); // one too many: no harm
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        busy.SetBusy(true);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    std::vector<QString> shown;
    TQtMessageBox::SetTestResponder(
        [&](QString caption, QString text) { shown.push_back(caption + "|" + text); });
    TQtMessageBox box(nullptr);
    box.ShowMessage(u"", u"Pattern not found!", TMessageKind::Information);
    box.ShowMessage(u"Error", u"\u0416", TMessageKind::Error);
    TQtMessageBox::SetTestResponder(nullptr);
    EXPECT_EQ(shown, (std::vector<QString>{QStringLiteral("Pelmar|Pattern not found!"),
                                           QStringLiteral("Error|\u0416")}));
}

} // namespace
