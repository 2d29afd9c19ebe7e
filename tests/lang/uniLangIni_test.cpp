// Tests of reading language files from disk into the text table.
#include "lang/uniLangIni.h"

#include <gtest/gtest.h>

#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::U16;
using testing_support::U8;
using testing_support::WriteBytes;

TEST(LanguageFile, ValuesAreReadByTheFileRulesAndDecodedByTheTableRules) {
    TempDir dir;
    WriteBytes(dir.file("de.ini"), "; German\r\n"
                                   "[language]\r\n"
                                   "name = \"Deutsch\"\r\n"
                                   "[Menus]\r\n"
                                   "Files=&Datei\r\n"
                                   "About=&&#220;ber...\r\n"
                                   "[MESSAGES]\r\n"
                                   "notfoundmsg=Nicht gefunden: \xC3\xA4 &#246;\r\n"
                                   "[templates]\r\n"
                                   "html=HTML-Seite\r\n"
                                   "c=C-Quelle &#38; Kopf\r\n");
    TUniLangTexts texts;
    ASSERT_TRUE(ApplyLanguageFile(texts, dir.file("de.ini")));
    EXPECT_EQ(texts.Text("Language", "Name"), u"Deutsch");
    EXPECT_EQ(texts.Caption("Files").text, u"Datei");
    TDrawnCaption about = texts.Caption("About");
    EXPECT_EQ(about.text, U16("Über..."));
    EXPECT_EQ(about.accelerator, 0);
    EXPECT_EQ(texts.Text("Messages", "NotFoundMsg"), U16("Nicht gefunden: ä ö"));
    ASSERT_EQ(texts.Templates().size(), 2u);
    EXPECT_EQ(texts.Templates()[1].key, "c");
    EXPECT_EQ(U8(DrawnCaption(TemplateItemCaption(2, texts.Templates()[1].name)).text),
              "2 C-Quelle & Kopf");
}

TEST(LanguageFile, SwitchingKeepsTextsTheNewFileLacksAndAMissingFileChangesNothing) {
    TempDir dir;
    WriteBytes(dir.file("a.ini"), "[Messages]\nNotFoundMsg=Not there\nNewFile=Untitled\n");
    WriteBytes(dir.file("b.ini"), "[Messages]\nNewFile=Nowy\n");
    TUniLangTexts texts;
    ASSERT_TRUE(ApplyLanguageFile(texts, dir.file("a.ini")));
    ASSERT_TRUE(ApplyLanguageFile(texts, dir.file("b.ini")));
    EXPECT_EQ(texts.Text("Messages", "NotFoundMsg"), u"Not there");
    EXPECT_EQ(texts.Text("Messages", "NewFile"), u"Nowy");
    EXPECT_FALSE(ApplyLanguageFile(texts, dir.file("missing.ini")));
    EXPECT_EQ(texts.Text("Messages", "NewFile"), u"Nowy");
    EXPECT_EQ(texts.Text("Dialogs", "Yes"), u"Yes");
}

TEST(LanguageFile, AFileThatIsNotUtf8IsReadInTheAnsiPage) {
    TempDir dir;
    WriteBytes(dir.file("ansi.ini"), "[Dialogs]\nNo=N\xC4in\n");
    TUniLangTexts texts;
    ASSERT_TRUE(ApplyLanguageFile(texts, dir.file("ansi.ini")));
    EXPECT_EQ(texts.Text("Dialogs", "No"), U16("NÄin"));
}
