// What a save would write as "?": counted before the save, agreeing with what the save
// counts, with the first such character placed in the document.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/uniCodePage.h"
#include "support/testSupport.h"
#include "text/uniCodec.h"

using testing_support::TempDir;

namespace {

class SaveLossTest : public ::testing::Test {
protected:
    SaveLossTest() {
        SetAnsiCodePage(1252);
        SetOemCodePage(437);
        lists_.charsets = {{"Windows-1251", "windows-1251.tbl"}, {"KOI8-R", "koi8-r.tbl"}};
        lists_.surrogates = {{"Esperanto-x", "esperanto-x.tbl"}};
        codec_.programFolder = PELMAR_SOURCE_DATA_DIR;
        codec_.charsetLists = &lists_;
    }
    ~SaveLossTest() override { list_->Release(); }

    void SetText(std::initializer_list<std::u16string_view> lines) {
        list_->Clear();
        for (std::u16string_view line : lines) {
            list_->Add(std::u16string(line));
        }
    }
    // The count found before saving must be the count the save makes.
    TSaveLoss CheckedLoss() {
        const TSaveLoss loss = codec_.FindSaveLoss(*list_);
        const TCodecResult saved = codec_.Save(*list_, dir_.file("out.txt"));
        EXPECT_TRUE(saved.ok) << saved.error;
        EXPECT_EQ(codec_.unmappableChars, loss.count) << "charset " << codec_.charset;
        return loss;
    }

    TempDir dir_;
    TCharsetLists lists_;
    TTextCodec codec_;
    TWStringList* list_ = new TWStringList;
};

TEST_F(SaveLossTest, CyrillicCharsetCountsWhatItCannotHoldAndNamesTheFirst) {
    SetText({u"\u041F\u0440\u0438\u0432\u0435\u0442", u"ab \u4E2D\u6587 \u00E9", u"\u4E2D"});
    codec_.charset = "Windows-1251";
    const TSaveLoss loss = CheckedLoss();
    EXPECT_EQ(loss.count, 4); // the three CJK characters and e-acute; Cyrillic is held
    EXPECT_EQ(loss.line, 1);
    EXPECT_EQ(loss.column, 3);
    EXPECT_EQ(loss.character, U'\u4E2D');

    // The same text loses nothing where every character has a form.
    for (const char* charset : {"UTF-8", "UTF-16 (LE)", "UTF-8 (BOM)"}) {
        codec_.charset = charset;
        EXPECT_EQ(CheckedLoss().count, 0) << charset;
    }
    codec_.charset = "Windows-1251";
    codec_.uniRepr = urDecimalRef; // written as references
    EXPECT_EQ(CheckedLoss().count, 0);
}

TEST_F(SaveLossTest, CodePagesPairsAndKeptBytes) {
    // Outside the BMP: one character, though the writer puts two "?".
    SetText({u"x\U0001F600y\u20AC"});
    codec_.charset = "Windows";
    TSaveLoss loss = CheckedLoss();
    EXPECT_EQ(loss.count, 1); // the euro sign is in 1252
    EXPECT_EQ(loss.column, 1);
    EXPECT_EQ(loss.character, U'\U0001F600');

    // 437 has no euro sign; a byte kept from the file goes back as itself.
    SetText({u"\u20AC\xDC81", u"\u2500"});
    codec_.charset = "OEM";
    loss = CheckedLoss();
    EXPECT_EQ(loss.count, 1);
    EXPECT_EQ(loss.line, 0);
    EXPECT_EQ(loss.column, 0);

    // "DEFAULT" is resolved as the save resolves it: through the profile.
    SetText({u"\u4E2D"});
    codec_.charset = "Default";
    codec_.profile.defaultCharset = "UTF-8";
    EXPECT_EQ(codec_.FindSaveLoss(*list_).count, 0);
    codec_.charset = "Default";
    codec_.profile.defaultCharset = "KOI8-R";
    EXPECT_EQ(codec_.FindSaveLoss(*list_).count, 1);
    EXPECT_EQ(codec_.charset, "Default") << "counting changes nothing";
}

TEST_F(SaveLossTest, TableCharsetRefusesCharactersWhoseByteMeansAnother) {
    // In KOI8-R the byte of A-acute (0xC1 in 1252) is a Cyrillic letter: A-acute would
    // come back as another character, so it is lost; the Cyrillic a is held.
    SetText({u"\u0430\u00C1", u"\u00C1"});
    codec_.charset = "KOI8-R";
    const TSaveLoss loss = CheckedLoss();
    EXPECT_EQ(loss.count, 2);
    EXPECT_EQ(loss.column, 1);
    EXPECT_EQ(loss.character, U'\u00C1');

    // A surrogate table spells what the charset lacks.
    SetText({u"\u0109"});
    codec_.charset = "Windows";
    EXPECT_EQ(CheckedLoss().count, 1);
    codec_.surrogate = "Esperanto-x";
    EXPECT_EQ(CheckedLoss().count, 0);
}

TEST(CodecEscapedBytes, LoadCountsTheBytesItKeeps) {
    TempDir dir;
    testing_support::WriteBytes(dir.file("bad.txt"), "ok \xFF\xFE x\n\xC3\n");
    TTextCodec codec;
    codec.charset = "UTF-8";
    TWStringList* list = new TWStringList;
    ASSERT_TRUE(codec.Load(*list, dir.file("bad.txt")).ok);
    EXPECT_TRUE(codec.escapedBytes);
    EXPECT_EQ(codec.escapedByteCount, 3);
    testing_support::WriteBytes(dir.file("good.txt"), "\xC3\xA9\n");
    ASSERT_TRUE(codec.Load(*list, dir.file("good.txt")).ok);
    EXPECT_FALSE(codec.escapedBytes);
    EXPECT_EQ(codec.escapedByteCount, 0);
    list->Release();
}

} // namespace
