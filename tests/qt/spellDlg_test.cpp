// The spell dialog through Qt events: its buttons and their results, the default button,
// the suggestions; and the main window's spell check with the spell language menu.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "spell/qt/uniSpellDlg.h"
#include "spell/uniSpellCheck.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::WriteBytes;

namespace {

void WhenModal(std::function<void(TSpellDlg&)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        auto* dialog = qobject_cast<TSpellDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "the spell dialog is not open";
            return;
        }
        step(*dialog);
    });
}

std::u16string EditText(TSpellDlg& d) {
    return d.Replacement();
}

class SpellDlgTest : public ::testing::Test {
protected:
    TProgramCopy program;
    TEditorSetup setup{program.Root()};
    TCellMeasurer measurer;
    TuniMemo memo{TMemoPlatform{&measurer}};
    TSpellDlg dialog{setup.Environment(), setup.keys.get()};
    TSpellQuestion question{u"wrold", {u"world", u"wold", u"wo+rld", u":w old"}};
};

TEST_F(SpellDlgTest, EachButtonEndsTheDialogWithItsResult) {
    const std::pair<QPushButton* (*)(TSpellDlg&), TSpellResult> buttons[] = {
        {[](TSpellDlg& d) { return &d.uniButtonAccept(); }, TSpellResult::Accept},
        {[](TSpellDlg& d) { return &d.uniButtonSkip(); }, TSpellResult::Skip},
        {[](TSpellDlg& d) { return &d.uniButtonCancel(); }, TSpellResult::Quit},
        {[](TSpellDlg& d) { return &d.uniButtonReplace(); }, TSpellResult::Replace},
        {[](TSpellDlg& d) { return &d.uniButtonAdd(); }, TSpellResult::Add},
    };
    for (const auto& [button, result] : buttons) {
        WhenModal([button](TSpellDlg& d) { QTest::mouseClick(button(d), Qt::LeftButton); });
        const TSpellAnswer answer = dialog.Ask(memo, question);
        EXPECT_EQ(answer.result, result) << button(dialog)->objectName().toStdString();
        EXPECT_EQ(answer.replacement, u"wrold");
    }
    // Enter goes to Skip, the default button; Escape is Quit.
    WhenModal([](TSpellDlg& d) {
        EXPECT_TRUE(d.uniButtonSkip().hasFocus());
        QTest::keyClick(&d, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.Ask(memo, question).result, TSpellResult::Skip);
    WhenModal([](TSpellDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(dialog.Ask(memo, question).result, TSpellResult::Quit);
}

TEST_F(SpellDlgTest, ASuggestionClickedIsTheReplacementAndEnterReplaces) {
    WhenModal([](TSpellDlg& d) {
        QListWidget& list = d.ListBox();
        const auto click = [&](int row) {
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                              list.visualItemRect(list.item(row)).center());
        };
        click(1);
        EXPECT_EQ(EditText(d), u"wold");
        click(2); // a root and affix: the word stays
        EXPECT_EQ(EditText(d), u"wrold");
        click(3); // a guess, without its mark
        EXPECT_EQ(EditText(d), u"w old");
        click(0);
        list.setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        // In the list Replace is the default button.
        EXPECT_TRUE(d.uniButtonReplace().isDefault());
        EXPECT_FALSE(d.uniButtonSkip().isDefault());
        QTest::keyClick(&list, Qt::Key_Return);
    });
    const TSpellAnswer answer = dialog.Ask(memo, question);
    EXPECT_EQ(answer.result, TSpellResult::Replace);
    EXPECT_EQ(answer.replacement, u"world");
}

TEST_F(SpellDlgTest, TypingAReplacementAndLeavingTheBox) {
    WhenModal([](TSpellDlg& d) {
        d.uniEdit().setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(d.uniButtonReplace().isDefault());
        QTest::keyClick(&d.uniEdit(), Qt::Key_Delete);
        EXPECT_EQ(EditText(d), u"rold"); // the box's caret starts at its start
        d.uniButtonAccept().setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(d.uniButtonSkip().isDefault());
        QTest::mouseClick(&d.uniButtonReplace(), Qt::LeftButton);
    });
    const TSpellAnswer answer = dialog.Ask(memo, question);
    EXPECT_EQ(answer.result, TSpellResult::Replace);
    EXPECT_EQ(answer.replacement, u"rold");

    // With no suggestions the list hands the focus to the box.
    WhenModal([](TSpellDlg& d) {
        d.ListBox().setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(d.uniEdit().hasFocus());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    dialog.Ask(memo, {u"qqq", {}});
}

TEST_F(SpellDlgTest, GuessesAreDrawnInRed) {
    const auto redPixels = [&](const TSpellQuestion& q) {
        dialog.Prepare(q);
        dialog.resize(400, 300);
        dialog.show();
        QApplication::processEvents();
        const QImage image = dialog.ListBox().viewport()->grab().toImage();
        dialog.hide();
        int red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 90 && c.blue() < 90 ? 1 : 0;
            }
        }
        return red;
    };
    EXPECT_EQ(redPixels({u"wrold", {u"world", u"wold"}}), 0);
    EXPECT_GT(redPixels({u"wrold", {u"world", u":wild"}}), 0);
}

// The main window's F7 with hunspell and the shipped languages.
class SpellMainTest : public ::testing::Test {
protected:
    SpellMainTest() {
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~SpellMainTest() override {
        TSpellDlg::SetResponder(nullptr);
        SetMessageDlgResponder(nullptr);
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
    }
    TMDIChild* Open(const std::string& name, const std::string& bytes) {
        WriteBytes(files_.file(name), bytes);
        TMDIChild* child = main_->OpenDocument(files_.file(name));
        QApplication::processEvents();
        return child;
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

TEST_F(SpellMainTest, TheLanguageMenuListsTheShippedLanguages) {
    QMenu* menu = main_->SpellLanguageMenu();
    ASSERT_NE(menu, nullptr);
    QStringList names;
    for (QAction* a : menu->actions()) {
        names << a->text();
    }
    EXPECT_EQ(names, (QStringList{"German", "English", "Russian"}));
}

TEST_F(SpellMainTest, SpellCheckReplacesAWordAndTheMenuSwitchesTheLanguage) {
    TMDIChild* child = Open("a.txt", "Helo world\nПревет\n");
    ASSERT_NE(child, nullptr);
    TuniMemo& memo = child->Memo();
    EXPECT_EQ(memo.Settings().spellLanguage, "English");
    std::vector<std::u16string> asked;
    TSpellDlg::SetResponder([&](TSpellDlg& d) {
        asked.push_back(d.uniWord().text().toStdU16String());
        if (asked.size() == 1) {
            return static_cast<int>(TSpellResult::Replace); // the word itself: "Helo"
        }
        return static_cast<int>(TSpellResult::Skip);
    });
    main_->RunGlobalAction("SpellCheck");
    // "Helo" replaced by itself is asked about again, then the Russian word is foreign.
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0], u"Helo");
    EXPECT_TRUE(main_->Speller().Running());

    // Russian: the speller stops and the next check starts Russian.
    main_->SpellLangClick("Russian");
    EXPECT_FALSE(main_->Speller().Running());
    EXPECT_EQ(memo.Settings().spellLanguage, "Russian");
    asked.clear();
    TSpellDlg::SetResponder([&](TSpellDlg& d) {
        asked.push_back(d.uniWord().text().toStdU16String());
        const auto found = d.ListBox().findItems(QStringLiteral("Привет"), Qt::MatchExactly);
        if (found.isEmpty()) {
            ADD_FAILURE() << "no suggestion Привет";
            return static_cast<int>(TSpellResult::Quit);
        }
        Q_EMIT d.ListBox().itemClicked(found.front());
        return static_cast<int>(TSpellResult::Replace);
    });
    memo.SetCaret({0, 1});
    main_->RunGlobalAction("SpellCheck");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0], u"Превет");
    EXPECT_EQ(memo.Lines().Get(1), u"Привет");
    EXPECT_EQ(main_->Speller().Language(), "Russian");
}

TEST_F(SpellMainTest, ASpellerThatCannotStartIsReported) {
    WriteBytes(program_.File("ISpell/en_US/ispell.ini"),
               "[English]\nCmd=/nonexistent/speller -a\n");
    main_->LoadSpellLanguages();
    Open("a.txt", "Helo\n");
    std::vector<QString> messages;
    SetMessageDlgResponder([&](const TMsgDlgRequest& r) {
        messages.push_back(r.text);
        return TMsgDlgBtn::OK;
    });
    main_->RunGlobalAction("SpellCheck");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("/nonexistent/speller")) << messages[0].toStdString();
}

} // namespace

namespace {

TEST_F(SpellMainTest, ASpellerDyingMidCheckEndsItWithAMessageAndKeepsTheText) {
    WriteBytes(program_.File("ISpell/en_US/ispell.ini"),
               "[English]\nCmd=sh -c \"echo hi; read a; read w; printf '& teh 1 0: the\\n\\n'; "
               "read w; exit 3\"\n");
    main_->LoadSpellLanguages();
    TMDIChild* child = Open("a.txt", "teh one two\n");
    ASSERT_NE(child, nullptr);
    int asked = 0;
    TSpellDlg::SetResponder([&](TSpellDlg&) {
        ++asked;
        return static_cast<int>(TSpellResult::Skip);
    });
    std::vector<QString> messages;
    SetMessageDlgResponder([&](const TMsgDlgRequest& r) {
        messages.push_back(r.text);
        return TMsgDlgBtn::OK;
    });
    main_->RunGlobalAction("SpellCheck");
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("has ended")) << messages[0].toStdString();
    EXPECT_EQ(child->Memo().Lines().Get(0), u"teh one two");
    EXPECT_FALSE(child->Memo().SelectionActive());
    EXPECT_FALSE(main_->Speller().Running());
}

} // namespace
