// The search dialogs driven through key and mouse events: the history combo box, Find,
// Replace, Search again and back, Go to line, the status count and the stored histories.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "base/uniFileIO.h"
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtHosts.h"
#include "qt/qtTestSupport.h"
#include "search/qt/uniSearchForms.h"
#include "search/searchHistory.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"

using namespace qt_testing;
using testing_support::ReadBytes;

namespace {

// Types text as a keyboard layout would deliver it: one key event per character, carrying
// the character and no key the keymaps know.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Runs `step` on the modal dialog once it is open (the caller then opens it).
void WhenModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog is open";
            return;
        }
        step(dialog);
    });
}

class SearchFormsTest : public ::testing::Test {
protected:
    SearchFormsTest() {
        SearchHistory().Clear();
        ReplaceHistory().Clear();
        TQtMessageBox::SetTestResponder(
            [this](const QString&, const QString& text) { messages_.push_back(text); });
        TQtQuestions::SetReplaceResponder([this](std::u16string_view) {
            ++replaceQuestions_;
            if (replaceAnswers_.empty()) {
                return TReplaceAnswer::Cancel;
            }
            const TReplaceAnswer a = replaceAnswers_.front();
            replaceAnswers_.pop_front();
            return a;
        });
        Start();
    }
    ~SearchFormsTest() override {
        Stop();
        TQtMessageBox::SetTestResponder(nullptr);
        TQtQuestions::SetReplaceResponder(nullptr);
        SearchHistory().Clear();
        ReplaceHistory().Clear();
    }

    void Start() {
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    void Stop() {
        if (main_) {
            for (TMDIChild* child : main_->Children()) {
                child->Memo().DeclineSave();
            }
            main_.reset();
        }
    }

    TMDIChild& Document(std::u16string_view text) {
        TMDIChild* child = main_->OpenDocument({});
        SetLines(child->Memo(), text);
        child->Memo().RefreshView(TViewOf::This);
        child->Memo().GotoPosition(0, 0);
        QApplication::processEvents();
        return *child;
    }

    // The selected text of a one-line selection.
    static std::u16string Selected(const TuniMemo& memo) {
        if (!memo.HasSelectedText()) {
            return {};
        }
        const TNormalSelection n = memo.NormalSelection();
        if (n.start.Y != n.end.Y) {
            return u"(several lines)";
        }
        return memo.Lines().Get(n.start.Y).substr(static_cast<size_t>(n.start.X),
                                                  static_cast<size_t>(n.end.X - n.start.X));
    }

    // Find through the dialog: the text typed into the pattern box, then Enter.
    void FindByDialog(const QString& typed) {
        WhenModal([typed](QWidget* dialog) {
            auto* form = qobject_cast<TformSearch*>(dialog);
            ASSERT_NE(form, nullptr);
            QWidget* field = &form->uniComboBox1().Field();
            TypeText(field, typed);
            QTest::keyClick(field, Qt::Key_Return);
        });
        main_->Find();
    }

    TProgramCopy program_;
    std::unique_ptr<TPMMainForm> main_;
    std::vector<QString> messages_;
    std::deque<TReplaceAnswer> replaceAnswers_;
    int replaceQuestions_ = 0;
};

TEST_F(SearchFormsTest, CyrillicAndCjkTypedIntoThePatternBoxAreFound) {
    TMDIChild& doc = Document(u"first line\nтекст с поиском здесь\nand 漢字かな mixed");
    FindByDialog(QString::fromUtf16(u"поиском"));
    TuniMemo& memo = doc.Memo();
    EXPECT_EQ(Selected(memo), u"поиском");
    EXPECT_EQ(memo.Caret(), (TPoint{8, 1}));
    // Enter pressed the default button: the box kept its one line, the text is remembered.
    EXPECT_EQ(main_->SearchForm().uniComboBox1().Edit().Lines().Count(), 1);
    ASSERT_EQ(SearchHistory().Count(), 1);
    EXPECT_EQ(SearchHistory().Item(0), "&#1087;&#1086;&#1080;&#1089;&#1082;&#1086;&#1084;");
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("1 of 1"));

    // The box selects its whole text when it gets the focus, so typing replaces it.
    FindByDialog(QString::fromUtf16(u"漢字"));
    EXPECT_EQ(Selected(memo), u"漢字");
    EXPECT_EQ(memo.Caret(), (TPoint{4, 2}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SearchFormsTest, ThePatternBoxExpandsTheDocumentsSubstitutions) {
    // Text files take the typography substitutions: "(c)" typed becomes the sign.
    const std::string path = program_.File("note.txt");
    testing_support::WriteBytes(path, "plain (c) text\nCopyright \xC2\xA9 2024\n");
    TMDIChild* doc = main_->OpenDocument(path);
    QApplication::processEvents();
    FindByDialog(QStringLiteral("(c)"));
    EXPECT_EQ(main_->SearchForm().Pattern(), u"\u00A9");
    EXPECT_EQ(doc->Memo().Caret(), (TPoint{10, 1}));
}

TEST_F(SearchFormsTest, EscapeCancelsAndTheOptionsReachTheEditor) {
    TMDIChild& doc = Document(u"Cat cat a.cat cats");
    WhenModal([](QWidget* dialog) {
        TypeText(&static_cast<TformSearch*>(dialog)->uniComboBox1().Field(), QStringLiteral("x"));
        QTest::keyClick(&static_cast<TformSearch*>(dialog)->uniComboBox1().Field(), Qt::Key_Escape);
    });
    main_->Find();
    EXPECT_FALSE(doc.Memo().HasSelectedText());
    EXPECT_TRUE(SearchHistory().Items().empty());

    TformSearch& form = main_->SearchForm();
    form.uniComboBox1().SetText(u"");
    // Whole word and case sensitive, ticked with the mouse.
    WhenModal([](QWidget* dialog) {
        auto* f = static_cast<TformSearch*>(dialog);
        QTest::mouseClick(&f->CheckWord(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(&f->CheckCase(), Qt::LeftButton, {}, QPoint(5, 5));
        TypeText(&f->uniComboBox1().Field(), QStringLiteral("cat"));
        QTest::mouseClick(&f->ButtonOk(), Qt::LeftButton);
    });
    main_->Find();
    EXPECT_FALSE(doc.Memo().SearchOptions().ignoreCase);
    EXPECT_TRUE(doc.Memo().SearchOptions().wholeWord);
    EXPECT_EQ(doc.Memo().Caret(), (TPoint{4, 0})) << "not Cat, not cats";
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("1 of 2"));
}

TEST_F(SearchFormsTest, DownOpensTheHistoryAtTheCurrentTextsEntry) {
    SearchHistory().Add(u"alpha");
    SearchHistory().Add(u"βeta");
    SearchHistory().Add(u"gamma"); // most recent first: gamma, βeta, alpha
    TformSearch& form = main_->SearchForm();
    form.Prepare(nullptr);
    form.show();
    QApplication::processEvents();
    TuniComboBox& box = form.uniComboBox1();
    TnewListBox& list = box.List();
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("&#946;eta")); // listed as stored
    EXPECT_EQ(list.Entry(1), "&#946;eta");

    // Empty field: the first entry.
    box.SetText(u"");
    QTest::keyClick(&box.Field(), Qt::Key_Down);
    EXPECT_TRUE(box.ListOpen());
    EXPECT_EQ(list.currentRow(), 0);
    QTest::keyClick(&list, Qt::Key_Escape);
    EXPECT_FALSE(box.ListOpen());
    EXPECT_TRUE(form.isVisible()) << "Escape in the list does not close the dialog";
    EXPECT_EQ(box.Text(), u"");

    // The field's text is in the list: that entry.
    box.SetText(u"βeta");
    QTest::keyClick(&box.Field(), Qt::Key_Down);
    EXPECT_EQ(list.currentRow(), 1);
    // Enter picks the entry, references decoded; the dialog stays open.
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_FALSE(box.ListOpen());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(box.Text(), u"alpha");

    // The button opens it too, and a double click picks.
    QTest::mouseClick(&box.Button(), Qt::LeftButton);
    ASSERT_TRUE(box.ListOpen());
    EXPECT_EQ(list.currentRow(), 2);
    const QRect first = list.visualItemRect(list.item(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(box.ListOpen());
    EXPECT_EQ(box.Text(), u"βeta");
    form.hide();
}

TEST_F(SearchFormsTest, TheComboBoxKeepsItsGeometry) {
    TformSearch& form = main_->SearchForm();
    form.show();
    QApplication::processEvents();
    TuniComboBox& box = form.uniComboBox1();
    box.OpenList();
    const QRect field = box.Field().geometry();
    const QRect button = box.Button().geometry();
    EXPECT_EQ(button.left(), field.left() + field.width());
    EXPECT_EQ(button.top(), field.top() + 1);
    EXPECT_EQ(button.width(), 16);
    EXPECT_EQ(button.height(), field.height() - 3);
    const QRect list = box.List().geometry();
    const QPoint below = box.mapTo(&form, QPoint(field.left(), field.top() + field.height()));
    EXPECT_EQ(list.topLeft(), below);
    EXPECT_EQ(list.width(), field.width() + 17);
    EXPECT_EQ(list.height(), 80);
    box.CloseList();
    form.hide();
}

TEST_F(SearchFormsTest, ReplaceAllIsOneUndoStep) {
    TMDIChild& doc = Document(u"cat and cat\nno match\ncat");
    replaceAnswers_ = {TReplaceAnswer::All};
    WhenModal([](QWidget* dialog) {
        auto* form = qobject_cast<TformReplace*>(dialog);
        ASSERT_NE(form, nullptr);
        TypeText(&form->uniComboBox1().Field(), QStringLiteral("cat"));
        QTest::keyClick(&form->uniComboBox1().Field(), Qt::Key_Tab);
        EXPECT_EQ(form->focusWidget(), &form->uniComboBox2().Field()) << "TAB: the next box";
        TypeText(&form->uniComboBox2().Field(), QStringLiteral("dog"));
        QTest::keyClick(&form->uniComboBox2().Field(), Qt::Key_Return);
    });
    main_->ReplaceText();
    TuniMemo& memo = doc.Memo();
    EXPECT_EQ(replaceQuestions_, 1);
    EXPECT_EQ(memo.Lines().Get(0), u"dog and dog");
    EXPECT_EQ(memo.Lines().Get(2), u"dog");
    EXPECT_EQ(ReplaceHistory().Item(0), "dog");
    QTest::keyClick(&doc.MemoWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Lines().Get(0), u"cat and cat");
    EXPECT_EQ(memo.Lines().Get(2), u"cat");
    EXPECT_FALSE(memo.CanUndo()) << "one step took it all back";
}

TEST_F(SearchFormsTest, SearchAgainAndBackFromTheCaretNeverWrap) {
    TMDIChild& doc = Document(u"x1 x2\nx3");
    TuniMemo& memo = doc.Memo();
    FindByDialog(QStringLiteral("x"));
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("1 of 3"));
    QWidget* editor = &doc.MemoWidget();
    QTest::keyClick(editor, Qt::Key_F3);
    EXPECT_EQ(memo.Caret(), (TPoint{3, 0}));
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("2 of 3"));
    QTest::keyClick(editor, Qt::Key_F3);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 1}));
    EXPECT_EQ(Selected(memo), u"x");
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("3 of 3"));

    // The end: no wrap-around, the message, and the status says where the search stopped.
    QTest::keyClick(editor, Qt::Key_F3);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 1}));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QStringLiteral("Pattern not found!"));
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("End reached - 3 matches"));

    QTest::keyClick(editor, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(memo.Caret(), (TPoint{3, 0}));
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("2 of 3"));
    QTest::keyClick(editor, Qt::Key_F3, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("Beginning reached - 3 matches"));

    // Moving the caret away from the match clears the count.
    QTest::keyClick(editor, Qt::Key_F3);
    EXPECT_FALSE(main_->SearchStatus().isEmpty());
    QTest::keyClick(editor, Qt::Key_End);
    QApplication::processEvents();
    EXPECT_TRUE(main_->SearchStatus().isEmpty());
}

TEST_F(SearchFormsTest, GotoLineTakesDigitsOnlyAndKeepsTheColumn) {
    std::u16string text;
    for (int i = 1; i <= 30; ++i) {
        text += u"line " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"\n";
    }
    TMDIChild& doc = Document(text);
    doc.Memo().GotoPosition(3, 0);
    WhenModal([](QWidget* dialog) {
        auto* form = qobject_cast<TFormGoto*>(dialog);
        ASSERT_NE(form, nullptr);
        QLineEdit* edit = form->Box().lineEdit();
        TypeText(edit, QStringLiteral("1x2."));
        EXPECT_EQ(edit->text(), QStringLiteral("12")) << "only digits are taken";
        QTest::keyClick(edit, Qt::Key_Return);
    });
    main_->GotoLine();
    EXPECT_EQ(doc.Memo().Caret(), (TPoint{3, 11}));

    WhenModal([](QWidget* dialog) {
        QLineEdit* edit = static_cast<TFormGoto*>(dialog)->Box().lineEdit();
        edit->clear();
        TypeText(edit, QStringLiteral("25"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    main_->GotoLine();
    EXPECT_EQ(doc.Memo().Caret(), (TPoint{3, 24}));
    // The numbers entered this session, the last one at the end.
    QComboBox& box = main_->GotoForm().Box();
    ASSERT_EQ(box.count(), 2);
    EXPECT_EQ(box.itemText(0), QStringLiteral("12"));
    EXPECT_EQ(box.itemText(1), QStringLiteral("25"));
}

TEST_F(SearchFormsTest, HistoriesSurviveARestart) {
    Document(u"needle in a haystack");
    FindByDialog(QString::fromUtf16(u"needle"));
    replaceAnswers_ = {TReplaceAnswer::No};
    main_->ReplaceForm().uniComboBox1().SetText(u"hay");
    main_->ReplaceForm().uniComboBox2().SetText(u"straw ünd");
    WhenModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    main_->ReplaceText();
    Stop();
    // Written at exit, each item in its own file, references for what is not ASCII.
    EXPECT_EQ(ReadBytes(program_.File("Storage/SearchHistory")), "hay\r\nneedle\r\n");
    EXPECT_EQ(ReadBytes(program_.File("Storage/ReplaceHistory")), "straw &#252;nd\r\n");

    SearchHistory().Clear();
    ReplaceHistory().Clear();
    Start();
    ASSERT_EQ(SearchHistory().Count(), 2);
    EXPECT_EQ(SearchHistory().Text(1), u"needle");
    EXPECT_EQ(ReplaceHistory().Text(0), u"straw ünd");
    // The dialog lists them when it opens.
    Document(u"text");
    WhenModal([](QWidget* dialog) {
        auto* form = static_cast<TformReplace*>(dialog);
        EXPECT_EQ(form->uniComboBox1().List().count(), 2);
        EXPECT_EQ(form->uniComboBox2().List().item(0)->text(), QStringLiteral("straw &#252;nd"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    main_->ReplaceText();
}

TEST_F(SearchFormsTest, TheMatchCountCostsInProportionAndStopsAtItsLimit) {
    const auto document = [](int lines, const char16_t* line) {
        std::u16string text;
        for (int i = 0; i < lines; ++i) {
            text += line;
            text += u'\n';
        }
        return text;
    };
    // Few matches: the count reads the document once, so twice the text costs twice.
    TMDIChild& small = Document(u"needle\n" + document(2000, u"just some hay here"));
    FindByDialog(QStringLiteral("needle"));
    const std::int64_t smallWork = main_->LastCountWork();
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("1 of 1"));
    TMDIChild& large = Document(u"needle\n" + document(4000, u"just some hay here"));
    main_->SearchAgain(false); // from the top of the new document
    EXPECT_EQ(Selected(large.Memo()), u"needle");
    const std::int64_t largeWork = main_->LastCountWork();
    // 2000 more lines of 18 units and their line ends.
    EXPECT_EQ(largeWork - smallWork, 2000 * 19) << "one pass over the lines";
    EXPECT_TRUE(Selected(small.Memo()) == u"needle");

    // Many matches: counting stops at the limit, however long the document.
    Document(document(kMatchCountLimit + 10, u"needle"));
    main_->SearchAgain(false);
    const std::int64_t limited = main_->LastCountWork();
    EXPECT_EQ(main_->SearchStatus(), QStringLiteral("1 of %1+").arg(kMatchCountLimit));
    Document(document(3 * kMatchCountLimit, u"needle"));
    main_->SearchAgain(false);
    EXPECT_EQ(main_->LastCountWork(), limited) << "the limit bounds the work";
}

} // namespace
