// The general setup and the file-type setup dialogs, opened from the Options menu of the
// main window and driven with clicks and keys: what OK writes into pelmar.ini, files.ini
// and the colour scheme (every other line kept), Cancel, and open documents following.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "search/qt/uniSearchForms.h"
#include "setup/qt/uniFilesSetup.h"
#include "setup/qt/uniGeneralSetup.h"
#include "setup/qt/uniSetupWidgets.h"
#include "setup/uniGeneralSetup.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/Properties.h"
#include "spell/qt/uniSpellDlg.h"
#include "widgets/uniFileDialogs.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines of `after` that differ from `before`, when both have as many lines.
std::vector<std::string> ChangedLines(const std::string& before, const std::string& after) {
    const std::vector<std::string> a = Lines(before);
    const std::vector<std::string> b = Lines(after);
    std::vector<std::string> changed;
    EXPECT_EQ(a.size(), b.size());
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) {
            changed.push_back(b[i]);
        }
    }
    return changed;
}

// The lines `after` adds to `before`, when it only adds lines.
std::vector<std::string> AddedLines(const std::string& before, const std::string& after) {
    const std::vector<std::string> a = Lines(before);
    const std::vector<std::string> b = Lines(after);
    std::vector<std::string> added;
    size_t i = 0;
    for (const std::string& line : b) {
        if (i < a.size() && a[i] == line) {
            ++i;
        } else {
            added.push_back(line);
        }
    }
    EXPECT_EQ(i, a.size()) << "lines were removed or changed";
    return added;
}

// Clicks a check box on its box (a click beyond its text would miss it).
void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Shows page `index` of the dialog's tabs and lets it lay out, so clicks reach its controls.
void ShowPage(QDialog& dialog, int index) {
    dialog.findChild<QTabWidget*>(QStringLiteral("PageControl"))->setCurrentIndex(index);
    QApplication::processEvents();
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class SetupDialogTest : public ::testing::Test {
protected:
    SetupDialogTest() {
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~SetupDialogTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
        SetSetupColorResponder(nullptr);
        SetMessageDlgResponder(nullptr);
    }

    // Chooses the Options menu item `command` and runs `act` on the dialog it opens.
    void RunFromMenu(const char* command, const std::function<void(QDialog&)>& act) {
        QAction* item = main_->MenuAction(command);
        ASSERT_NE(item, nullptr) << command;
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ran = true;
            act(*dialog);
            if (dialog->isVisible()) {
                dialog->reject(); // a failed step must not leave the loop waiting
            }
        });
        item->trigger();
        EXPECT_TRUE(ran);
    }

    std::string OpenFile(const std::string& name, const std::string& bytes) {
        const std::string path = files_.file(name);
        WriteBytes(path, bytes);
        main_->OpenDocument(path);
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
        }
        return path;
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

// --- general setup ---------------------------------------------------------------------------

TEST_F(SetupDialogTest, ColourChosenWithTheButtonIsWrittenAndEveryOtherLineKept) {
    OpenFile("a.txt", "text\n");
    const std::string pelmarIni = program_.File("Ini/pelmar.ini");
    {
        TIniFile ini(pelmarIni);
        ini.WriteBool("Common", "SaveGeometry", false);
    }
    const std::string before = ReadBytes(pelmarIni);
    SetSetupColorResponder([](TColor initial) -> std::optional<TColor> {
        EXPECT_EQ(initial, 0x000000); // the shipped text colour
        return 0x123456;
    });
    RunFromMenu("General", [](QDialog& dialog) {
        ShowPage(dialog, 1);
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonTxt"), Qt::LeftButton);
        auto* shape = Child<TColorShape>(&dialog, "ShapeTxt");
        EXPECT_EQ(shape->Color(), 0x123456);
        // The gutter width too, typed.
        ShowPage(dialog, 2);
        EXPECT_FALSE(Child<QCheckBox>(&dialog, "uniGeometryCheckBox")->isChecked());
        auto* gutter = Child<QSpinBox>(&dialog, "RxSpinEditGutterW");
        gutter->setFocus();
        gutter->selectAll();
        QTest::keyClicks(gutter, QStringLiteral("14"));
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonOk"), Qt::LeftButton);
    });
    const std::string after = ReadBytes(pelmarIni);
    const std::vector<std::string> changed = ChangedLines(before, after);
    EXPECT_EQ(changed, (std::vector<std::string>{"TextColor=$123456", "GutterWidth=14"})) << after;
    // The colour reads back, and the editors paint with it.
    EXPECT_EQ(ReadCommonSettings(TIniFile(pelmarIni)).textColor, 0x123456);
    EXPECT_EQ(main_->ActiveEditor()->Settings().textColor, 0x123456);
    EXPECT_EQ(main_->ActiveEditor()->Settings().gutterWidth, 14);
}

// The dialogs speak in the interface font from the start, and a size chosen in the general
// setup reaches every one of them, the ones already made and the ones made later.
TEST_F(SetupDialogTest, EveryDialogSpeaksInTheInterfaceFontAndFollowsItsChange) {
    RunFromMenu("Files", [](QDialog& dialog) { dialog.reject(); });
    const auto dialogs = [this] {
        return std::vector<std::pair<const char*, QWidget*>>{
            {"open", &main_->OpenDialog()},
            {"save", &main_->SaveDialog()},
            {"properties", &main_->PropertiesDialog()},
            {"search", &main_->SearchForm()},
            {"replace", &main_->ReplaceForm()},
            {"goto", &main_->GotoForm()},
            {"files setup", main_->FilesSetupDialog()},
        };
    };
    const int shipped = main_->InterfaceFont().pointSize();
    for (const auto& [name, dialog] : dialogs()) {
        ASSERT_NE(dialog, nullptr) << name;
        EXPECT_EQ(dialog->font().pointSize(), shipped) << name;
    }
    const int chosen = shipped + 4;
    RunFromMenu("General", [chosen](QDialog& dialog) {
        ShowPage(dialog, 0);
        auto* size = Child<QSpinBox>(&dialog, "ProportionalSpinEdit");
        size->setValue(chosen);
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonOk"), Qt::LeftButton);
    });
    EXPECT_EQ(main_->InterfaceFont().pointSize(), chosen);
    for (const auto& [name, dialog] : dialogs()) {
        EXPECT_EQ(dialog->font().pointSize(), chosen) << name;
    }
    ASSERT_NE(main_->GeneralSetupDialog(), nullptr);
    EXPECT_EQ(main_->GeneralSetupDialog()->font().pointSize(), chosen);
    EXPECT_EQ(main_->SpellDialog().font().pointSize(), chosen); // made after the change
}

// With "Save window size and position" ticked, OK also keeps the window's layout: its normal
// place and size, whether it and the document window are maximized, and the bands.
TEST_F(SetupDialogTest, TheGeometryBoxKeepsTheWindowsLayout) {
    OpenFile("a.txt", "text\n");
    const std::string pelmarIni = program_.File("Ini/pelmar.ini");
    {
        TIniFile ini(pelmarIni);
        ini.WriteBool("Common", "SaveGeometry", false);
    }
    main_->showNormal();
    main_->setGeometry(37, 41, 700, 500);
    QApplication::processEvents();
    const QRect normal = main_->normalGeometry();
    ASSERT_TRUE(main_->ActiveChild() != nullptr);
    main_->ActiveChild()->showNormal();
    QApplication::processEvents();
    RunFromMenu("General", [](QDialog& dialog) {
        ShowPage(dialog, 2);
        ClickBox(Child<QCheckBox>(&dialog, "uniGeometryCheckBox"));
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonOk"), Qt::LeftButton);
    });
    const TIniFile ini(pelmarIni);
    EXPECT_TRUE(ini.ReadBool("Common", "SaveGeometry", false));
    const TWindowSettings window = ReadWindowSettings(ini);
    EXPECT_EQ(window.left, normal.left());
    EXPECT_EQ(window.top, normal.top());
    EXPECT_EQ(window.width, normal.width());
    EXPECT_EQ(window.height, normal.height());
    EXPECT_FALSE(window.maximize);
    EXPECT_EQ(window.zoom, std::optional<bool>(false));
    EXPECT_EQ(window.tools, main_->BandLayout());
    EXPECT_TRUE(window.browserWidth.has_value());

    // Unticked again, OK leaves those keys as they are.
    main_->setGeometry(90, 95, 640, 480);
    QApplication::processEvents();
    RunFromMenu("General", [](QDialog& dialog) {
        ShowPage(dialog, 2);
        ClickBox(Child<QCheckBox>(&dialog, "uniGeometryCheckBox"));
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonOk"), Qt::LeftButton);
    });
    const TWindowSettings kept = ReadWindowSettings(TIniFile(pelmarIni));
    EXPECT_EQ(kept.left, normal.left());
    EXPECT_EQ(kept.width, normal.width());
    EXPECT_FALSE(TIniFile(pelmarIni).ReadBool("Common", "SaveGeometry", true));
}

TEST_F(SetupDialogTest, CancelLeavesSettingsAndSchemeAlone) {
    OpenFile("a.txt", "text\n");
    const std::string pelmarIni = program_.File("Ini/pelmar.ini");
    const std::string scheme = program_.File("Colorer/hrc/assigns/rgb/default.hrd");
    const std::string iniBefore = ReadBytes(pelmarIni);
    const std::string schemeBefore = ReadBytes(scheme);
    SetSetupColorResponder([](TColor) -> std::optional<TColor> { return 0x00FF00; });
    RunFromMenu("General", [](QDialog& dialog) {
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonBkg"), Qt::LeftButton);
        ShowPage(dialog, 3);
        ClickBox(Child<QCheckBox>(&dialog, "CheckBoxBold"));
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonCancel"), Qt::LeftButton);
    });
    EXPECT_EQ(ReadBytes(pelmarIni), iniBefore);
    EXPECT_EQ(ReadBytes(scheme), schemeBefore);
    EXPECT_FALSE(std::filesystem::exists(SchemeBackupName(scheme)));
    EXPECT_EQ(main_->ActiveEditor()->Settings().backgroundColor, 0xFFFFFF);
}

TEST_F(SetupDialogTest, SchemeEntryIsRewrittenWithTheOldFileKeptBeside) {
    const std::string scheme = program_.File("Colorer/hrc/assigns/rgb/default.hrd");
    const std::string before = ReadBytes(scheme);
    SetSetupColorResponder([](TColor) -> std::optional<TColor> { return 0x0000FF; });
    int commentRow = -1;
    RunFromMenu("General", [&](QDialog& dialog) {
        ShowPage(dialog, 3);
        auto* list = Child<QListWidget>(&dialog, "ListBox1");
        const QList<QListWidgetItem*> found =
            list->findItems(QStringLiteral("Comment"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        commentRow = list->row(found[0]);
        list->setCurrentRow(commentRow);
        auto* italic = Child<QCheckBox>(&dialog, "CheckBoxItalic");
        EXPECT_TRUE(italic->isChecked()) << "the shipped comment style is italic";
        ClickBox(italic);
        ClickBox(Child<QCheckBox>(&dialog, "CheckBoxBold"));
        QTest::mouseClick(Child<TColorShape>(&dialog, "ShapeFg"), Qt::LeftButton);
        // Clearing the background drops its attribute.
        auto* bg = Child<QCheckBox>(&dialog, "CheckBoxBg");
        if (bg->isChecked()) {
            ClickBox(bg);
        }
        // Moving to another entry keeps the first one's changes.
        list->setCurrentRow(commentRow + 1);
        list->setCurrentRow(commentRow);
        EXPECT_TRUE(Child<QCheckBox>(&dialog, "CheckBoxBold")->isChecked());
        EXPECT_FALSE(italic->isChecked());
        QTest::mouseClick(Child<QPushButton>(&dialog, "ButtonOk"), Qt::LeftButton);
    });
    EXPECT_EQ(ReadBytes(SchemeBackupName(scheme)), before);
    const std::vector<std::string> changed = ChangedLines(before, ReadBytes(scheme));
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0],
              "  <assign value=\"def:comment\" fore=\"#10000ff\" type=\"\" descr=\"Comment\" />");
}

// --- file-type setup -------------------------------------------------------------------------

class FilesSetupTest : public SetupDialogTest {
protected:
    static TfrmFilesSetup& Form(QDialog& dialog) {
        auto* form = qobject_cast<TfrmFilesSetup*>(&dialog);
        EXPECT_NE(form, nullptr);
        return *form;
    }
    static void Select(TfrmFilesSetup& form, const QString& name) {
        const QList<QListWidgetItem*> found = form.ListSections().findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(form.ListSections().viewport(), Qt::LeftButton, {},
                          form.ListSections().visualItemRect(found[0]).center());
        ASSERT_EQ(form.ListSections().currentItem(), found[0]);
    }
    static void TypeInto(QSpinBox* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
};

TEST_F(FilesSetupTest, AddChangeRevertAndDeleteKeepEveryOtherLine) {
    const std::string filesIni = program_.File("Ini/files.ini");
    const std::string before = ReadBytes(filesIni);

    // Added and changed: the section appears at the end with its one key.
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        QTest::keyClicks(&form.EditSection(), QStringLiteral("foo bar"));
        QTest::keyClick(&form.EditSection(), Qt::Key_Return);
        ASSERT_EQ(form.ListSections().currentItem()->text(), QStringLiteral("foo bar"));
        QFrame* bevel = form.Bevel(TFilesKey::TabSize);
        EXPECT_FALSE(TfrmFilesSetup::BevelOwn(*bevel));
        ShowPage(dialog, 1);
        TypeInto(Child<QSpinBox>(&dialog, "SpinEditTabSize"), QStringLiteral("7"));
        EXPECT_TRUE(TfrmFilesSetup::BevelOwn(*bevel));
        QTest::mouseClick(&form.ButtonOk(), Qt::LeftButton);
    });
    std::string after = ReadBytes(filesIni);
    ASSERT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(after.substr(before.size()), "\n[foo bar]\nTabSize=7\n");

    // Reverted: a right click on the label gives the value of "*" back.
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        Select(form, QStringLiteral("foo bar"));
        ShowPage(dialog, 1);
        auto* tab = Child<QSpinBox>(&dialog, "SpinEditTabSize");
        EXPECT_EQ(tab->value(), 7);
        QLabel* label = nullptr;
        for (QLabel* l : dialog.findChildren<QLabel*>()) {
            if (l->buddy() == tab) {
                label = l;
            }
        }
        ASSERT_NE(label, nullptr);
        QTest::mouseClick(label, Qt::RightButton);
        EXPECT_EQ(tab->value(), 4) << "the value of \"*\"";
        EXPECT_FALSE(TfrmFilesSetup::BevelOwn(*form.Bevel(TFilesKey::TabSize)));
        QTest::mouseClick(&form.ButtonOk(), Qt::LeftButton);
    });
    after = ReadBytes(filesIni);
    EXPECT_EQ(after.substr(before.size()), "\n[foo bar]\n");

    // Deleted after the question; "*" is refused even after Yes.
    std::vector<QString> questions;
    SetMessageDlgResponder([&](const TMsgDlgRequest& r) {
        questions.push_back(r.text);
        return TMsgDlgBtn::Yes;
    });
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        Select(form, QStringLiteral("*"));
        QTest::keyClick(&form.ListSections(), Qt::Key_Delete);
        EXPECT_EQ(form.ListSections().currentItem()->text(), QStringLiteral("*"));
        Select(form, QStringLiteral("foo bar"));
        QTest::mouseClick(&form.ButtonDelete(), Qt::LeftButton);
        EXPECT_TRUE(
            form.ListSections().findItems(QStringLiteral("foo bar"), Qt::MatchExactly).isEmpty());
        QTest::mouseClick(&form.ButtonOk(), Qt::LeftButton);
    });
    // Asked both times: after Yes, "*" stays without a word.
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(ReadBytes(filesIni), before + "\n");
}

TEST_F(FilesSetupTest, CheckListsStoreTickedGroupsAndCancelChangesNothing) {
    const std::string filesIni = program_.File("Ini/files.ini");
    WriteBytes(program_.File("Ini/subst.ini"),
               "[First]\na=b\n[Second group]\nc=d\n[Third]\n[Fourth one]\n");
    const std::string before = ReadBytes(filesIni);
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        Select(form, QStringLiteral("java"));
        form.Pages().setCurrentIndex(4);
        auto* list = Child<QListWidget>(&dialog, "RxCheckListBoxSubst");
        ASSERT_EQ(list->count(), 4);
        for (int row : {1, 3}) {
            QListWidgetItem* item = list->item(row);
            item->setCheckState(Qt::Checked);
        }
        EXPECT_EQ(form.Model().Value(form.Selected(), TFilesKey::Subst),
                  u"Second group,Fourth one");
        QTest::mouseClick(&form.ButtonCancel(), Qt::LeftButton);
    });
    EXPECT_EQ(ReadBytes(filesIni), before);
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        Select(form, QStringLiteral("java"));
        form.Pages().setCurrentIndex(4);
        auto* list = Child<QListWidget>(&dialog, "RxCheckListBoxSubst");
        EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked) << "Cancel kept nothing";
        list->item(1)->setCheckState(Qt::Checked);
        list->item(3)->setCheckState(Qt::Checked);
        QTest::mouseClick(&form.ButtonOk(), Qt::LeftButton);
    });
    EXPECT_EQ(AddedLines(before, ReadBytes(filesIni)),
              (std::vector<std::string>{"Subst=Second group,Fourth one"}));
    const TIniFile ini(filesIni);
    EXPECT_EQ(ini.ReadString("java", "Subst"), u"Second group,Fourth one");
}

TEST_F(FilesSetupTest, OpenDocumentsFollowAChangedTabSizeAndFont) {
    OpenFile("a.java", "class A {}\n");
    OpenFile("b.txt", "plain\n");
    TMDIChild* java = nullptr;
    TMDIChild* text = nullptr;
    for (TMDIChild* child : main_->Children()) {
        (child->Memo().FileName().ends_with("a.java") ? java : text) = child;
    }
    ASSERT_TRUE(java && text);
    const int textTab = text->Memo().Settings().tabSize;
    const std::u16string textFont = text->Memo().Settings().fontName;
    RunFromMenu("Files", [&](QDialog& dialog) {
        TfrmFilesSetup& form = Form(dialog);
        Select(form, QStringLiteral("java"));
        ShowPage(dialog, 1);
        TypeInto(Child<QSpinBox>(&dialog, "SpinEditTabSize"), QStringLiteral("9"));
        ShowPage(dialog, 0);
        QTest::mouseClick(Child<QRadioButton>(&dialog, "RadioButtonProportional"), Qt::LeftButton);
        QTest::mouseClick(&form.ButtonOk(), Qt::LeftButton);
    });
    const TCommonSettings common = ReadCommonSettings(TIniFile(program_.File("Ini/pelmar.ini")));
    EXPECT_EQ(java->Memo().Settings().tabSize, 9);
    EXPECT_EQ(java->Memo().Lines().TabSize(), 9);
    EXPECT_EQ(java->Memo().Settings().fontName, common.interfaceFont);
    EXPECT_EQ(text->Memo().Settings().tabSize, textTab);
    EXPECT_EQ(text->Memo().Settings().fontName, textFont);
}

} // namespace
