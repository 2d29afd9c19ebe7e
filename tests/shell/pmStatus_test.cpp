// Tests of the status panels, document captions, recent-file items and the same-file test.
#include "shell/PmStatus.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

TEST(StatusPanelTexts, AllPanels) {
    const auto texts =
        StatusPanelTexts({true, 4, 9, 120, u'\u00e9', true, "UTF-8", "translit", 1, lsCRLF});
    EXPECT_EQ(texts[0], u"*  5 : 10 / 120");
    EXPECT_EQ(texts[1], u"233");
    EXPECT_EQ(texts[2], u"0xe9");
    EXPECT_EQ(texts[3], u" >=<");
    EXPECT_EQ(texts[4], u"UTF-8");
    EXPECT_EQ(texts[5], u"translit");
    EXPECT_EQ(texts[6], u"HTML");

    const auto other = StatusPanelTexts({false, 1233, 0, 1, 0, false, "Default", "-", 2});
    EXPECT_EQ(other[0], u" 1234 : 1 / 1");
    EXPECT_EQ(other[1], u"");
    EXPECT_EQ(other[2], u"");
    EXPECT_EQ(other[3], u" <=>");
    EXPECT_EQ(other[6], u"Hex");
    EXPECT_EQ(texts[7], u"CR LF");
    EXPECT_EQ(other[7], u"LF") << "a new document ends its lines as the platform does";
    EXPECT_EQ(SeparatorCaption(lsCR), u"CR");
    EXPECT_EQ(SeparatorCaption(lsLS), u"U+2028");
    // Names of table charsets may hold non-ASCII letters (UTF-8 here).
    EXPECT_EQ(StatusPanelTexts({false, 0, 0, 1, 0, false, "Kyrillisch-\xC3\xBC", "", 0})[4],
              U16("Kyrillisch-\xC3\xBC"));
}

TEST(DocumentCaptions, NameWithoutFolder) {
    EXPECT_EQ(DocumentName("/home/u/Notes/\xD0\x96urnal.txt", u"New"), U16("\xD0\x96urnal.txt"));
    EXPECT_EQ(DocumentName("plain.txt", u"New"), u"plain.txt");
    EXPECT_EQ(DocumentName("", u"Neu"), u"Neu");
    EXPECT_EQ(TabCaption(true, "/a/b.txt", u"New"), u"*b.txt");
    EXPECT_EQ(TabCaption(false, "/a/b.txt", u"New"), u" b.txt");
    EXPECT_EQ(TabCaption(false, "", u"New"), u" New");
}

TEST(RecentItemCaption, AcceleratorAndLiteralAmpersands) {
    EXPECT_EQ(RecentItemCaption(0, "/home/u/a.txt"), u"&1 /home/u/a.txt");
    EXPECT_EQ(RecentItemCaption(7, "/R&D/x&&y.txt"), u"&8 /R&&D/x&&&&y.txt");
    EXPECT_EQ(RecentItemCaption(2, "/\xC3\xA4.txt"), U16("&3 /\xC3\xA4.txt"));
}

TEST(SameDocumentFile, LinksDotsAndLetterCase) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "lower");
    WriteBytes(dir.file("A.txt"), "upper");
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink(dir.path() / "a.txt", dir.path() / "link.txt");

    EXPECT_TRUE(SameDocumentFile(dir.file("a.txt"), dir.file("link.txt")));
    EXPECT_TRUE(SameDocumentFile(dir.file("a.txt"), dir.file("sub/../a.txt")));
    EXPECT_TRUE(SameDocumentFile(dir.file("a.txt"), dir.file("./a.txt")));
    // Two files that differ only in letter case are two files.
    EXPECT_FALSE(SameDocumentFile(dir.file("a.txt"), dir.file("A.txt")));
    EXPECT_FALSE(SameDocumentFile(dir.file("A.txt"), dir.file("link.txt")));

    // Names of missing files compare normalised, letter case counting.
    EXPECT_TRUE(SameDocumentFile(dir.file("gone.txt"), dir.file("sub/../gone.txt")));
    EXPECT_FALSE(SameDocumentFile(dir.file("gone.txt"), dir.file("Gone.txt")));
    EXPECT_FALSE(SameDocumentFile(dir.file("gone.txt"), dir.file("a.txt")));
    EXPECT_FALSE(SameDocumentFile("", ""));
}

TEST(SameDocumentFile, RelativeNamesAgainstTheCurrentFolder) {
    TempDir dir;
    WriteBytes(dir.file("r.txt"), "x");
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const bool same = SameDocumentFile("r.txt", dir.file("r.txt"));
    const bool sameMissing = SameDocumentFile("none.txt", dir.file("none.txt"));
    fs::current_path(previous);
    EXPECT_TRUE(same);
    EXPECT_TRUE(sameMissing);
}

} // namespace
