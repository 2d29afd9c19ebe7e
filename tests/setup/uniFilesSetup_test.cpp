// The file-type profiles as the setup edits them: own and inherited values, reverting,
// sections added and deleted, and files.ini written with every untouched line kept.
#include <gtest/gtest.h>

#include "setup/uniFilesSetup.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const char* const kFiles = "; profiles\n"
                           "[*]\n"
                           "TabSize=4\n"
                           "HighLightLine=1\n"
                           "Kbd1=&#1092;x\n"
                           "\n"
                           "[c h]\n"
                           "TabSize=8\n"
                           "Delimiters=\xC3\xA4.,\n"
                           "; keep me\n"
                           "\n"
                           "[old]\n"
                           "Wrap=1\n";

class FilesModelTest : public ::testing::Test {
protected:
    FilesModelTest() : path_(dir_.file("files.ini")) {
        WriteBytes(path_, kFiles);
        model_.Load(TIniFile(path_));
    }
    int Index(std::u16string_view name) const {
        const int i = model_.IndexOf(name);
        EXPECT_GE(i, 0);
        return i;
    }
    std::string Save() {
        TIniFile ini(path_);
        EXPECT_TRUE(model_.Save(ini).ok);
        return ReadBytes(path_);
    }

    TempDir dir_;
    std::string path_;
    TFilesSetupModel model_;
};

TEST_F(FilesModelTest, SectionsShowTheirOwnValuesElseThoseOfStar) {
    ASSERT_EQ(model_.Count(), 3);
    const int c = Index(u"C H");
    EXPECT_TRUE(model_.Own(c, TFilesKey::TabSize));
    EXPECT_EQ(model_.Value(c, TFilesKey::TabSize), u"8");
    EXPECT_FALSE(model_.Own(c, TFilesKey::HighlightLine));
    EXPECT_EQ(model_.Value(c, TFilesKey::HighlightLine), u"1") << "from *, key case ignored";
    EXPECT_EQ(model_.Value(c, TFilesKey::Kbd1), u"\u0444x") << "references decoded";
    EXPECT_EQ(model_.Value(c, TFilesKey::Delimiters), u"\u00E4.,");
    EXPECT_EQ(model_.Value(c, TFilesKey::Charset), u"UTF-8") << "built in when * lacks it";
}

TEST_F(FilesModelTest, NothingChangedWritesTheFileAsItWas) {
    EXPECT_EQ(Save(), kFiles);
}

TEST_F(FilesModelTest, RevertingDropsTheKeyButStarKeepsItsOwn) {
    const int c = Index(u"c h");
    const int star = model_.StarIndex();
    model_.Revert(c, TFilesKey::TabSize);
    EXPECT_EQ(model_.Value(c, TFilesKey::TabSize), u"4");
    model_.Set(star, TFilesKey::TabSize, u"6");
    EXPECT_EQ(model_.Value(c, TFilesKey::TabSize), u"6");
    model_.Revert(star, TFilesKey::TabSize);
    EXPECT_EQ(model_.Value(star, TFilesKey::TabSize), u"4") << "the file's value is back";
    model_.Revert(star, TFilesKey::HighlightLine);
    const std::string after = Save();
    EXPECT_EQ(after, std::string(kFiles).replace(std::string(kFiles).find("TabSize=8\n"), 10, ""));
}

TEST_F(FilesModelTest, ChangesAddsAndDeletesTouchOnlyTheirLines) {
    const int c = Index(u"c h");
    model_.Set(c, TFilesKey::TabSize, u"2");
    model_.Set(c, TFilesKey::Subst, u"Typo graphy,Other");
    model_.Set(c, TFilesKey::Kbd2, u"\u0444");
    EXPECT_FALSE(model_.DeleteSection(model_.StarIndex()));
    EXPECT_TRUE(model_.DeleteSection(Index(u"old")));
    EXPECT_EQ(model_.AddSection(u"  "), -1);
    EXPECT_EQ(model_.AddSection(u"C H"), c) << "a name already listed is not added twice";
    const int added = model_.AddSection(u"new type");
    EXPECT_EQ(model_.Value(added, TFilesKey::TabSize), u"4");
    EXPECT_EQ(Save(), "; profiles\n"
                      "[*]\n"
                      "TabSize=4\n"
                      "HighLightLine=1\n"
                      "Kbd1=&#1092;x\n"
                      "\n"
                      "[c h]\n"
                      "TabSize=2\n"
                      "Delimiters=\xC3\xA4.,\n"
                      "Subst=Typo graphy,Other\n"
                      "Kbd2=&#1092;\n"
                      "; keep me\n"
                      "\n"
                      "[new type]\n");
}

TEST(GroupNames, CommaListsKeepBlanksInNames) {
    EXPECT_EQ(JoinGroupNames({u"Second group", u"Fourth one"}), u"Second group,Fourth one");
    EXPECT_EQ(JoinGroupNames({}), u"");
    EXPECT_EQ(SplitGroupNames(u" Second group ,,Fourth one,"),
              (std::vector<std::u16string>{u"Second group", u"Fourth one"}));
}

TEST(FilesChoices, ListsComeFromTheProgramFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Ini");
    WriteBytes(dir.file("Ini/pelmar.ini"), "[charsets]\nKOI8-R=koi8-r.tbl\n"
                                           "[surrogates]\nLatin=latin.tbl\n");
    WriteBytes(dir.file("Ini/subst.ini"), "[*]\n[Typography]\n[Other group]\n");
    WriteBytes(dir.file("Ini/keys.ini"), "[*]\n[Default]\n[Extra]\n");
    WriteBytes(dir.file("Ini/actions.ini"), "[Extra]\n[Macros]\n");
    const TFilesSetupChoices c = ReadFilesSetupChoices(dir.path().string());
    EXPECT_EQ(c.charsets.back(), u"KOI8-R");
    EXPECT_EQ(c.charsets.front(), u"UTF-8");
    EXPECT_EQ(c.surrogates, (std::vector<std::u16string>{u"-", u"Latin"}));
    EXPECT_EQ(c.substGroups, (std::vector<std::u16string>{u"Typography", u"Other group"}));
    EXPECT_EQ(c.keyGroups, (std::vector<std::u16string>{u"Default", u"Extra", u"Macros"}));
    EXPECT_EQ(c.uniReprs.size(), 3u);
}

} // namespace
