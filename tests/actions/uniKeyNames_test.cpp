// Key-combination text <-> shortcut values.
#include <gtest/gtest.h>

#include "actions/uniKeyNames.h"

namespace {

TEST(KeyNames, ModifiersInAnyOrderAndCase) {
    const TShortCut ctrlShiftLeft = scCtrl | scShift | vkLeft;
    EXPECT_EQ(TextToShortCut("Ctrl+Shift+Left"), ctrlShiftLeft);
    EXPECT_EQ(TextToShortCut("shift+ctrl+LEFT"), ctrlShiftLeft);
    EXPECT_EQ(TextToShortCut("^Shift+left"), ctrlShiftLeft);
    EXPECT_EQ(TextToShortCut("^s"), scCtrl | 'S');
    EXPECT_EQ(TextToShortCut("Alt+X"), scAlt | 'X');
    EXPECT_EQ(TextToShortCut("Alt+Shift+Down"), scAlt | scShift | vkDown);
    EXPECT_EQ(TextToShortCut("F24"), 0x87);
    EXPECT_EQ(TextToShortCut("Ctrl+]"), scCtrl | 0xDD);
    EXPECT_EQ(TextToShortCut("Ctrl+Num +"), scCtrl | 0x6B);
    EXPECT_EQ(TextToShortCut("Shift+Ins"), scShift | vkInsert);
    EXPECT_EQ(TextToShortCut("BkSp"), vkBack);
}

TEST(KeyNames, UnknownTextGivesNoKey) {
    EXPECT_EQ(TextToShortCut(""), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+Banana"), 0);
    EXPECT_EQ(TextToShortCut("F25"), 0);
    EXPECT_EQ(TextToShortCut("Hyper+A"), 0);
    // "Shift" alone is the Shift key itself, not a prefix.
    EXPECT_EQ(TextToShortCut("Shift"), vkShift);
}

TEST(KeyNames, EveryNameReadsBackAsItsKey) {
    for (int vk = 0x08; vk <= 0xFF; ++vk) {
        for (TShortCut mods : {TShortCut{0}, scShift, scCtrl, TShortCut(scCtrl | scAlt)}) {
            const auto shortcut = static_cast<TShortCut>(mods | vk);
            const std::string text = ShortCutToText(shortcut);
            if (KeyName(vk).empty()) {
                EXPECT_EQ(text, "");
                continue;
            }
            const TShortCut back = TextToShortCut(text);
            // Names shared by two codes find the lower one.
            EXPECT_EQ(ShortCutToText(back), text) << text;
            EXPECT_LE(back & 0xFF, vk);
        }
    }
    EXPECT_EQ(ShortCutToText(scShift | scCtrl | scAlt | 'A'), "Shift+Ctrl+Alt+A");
    EXPECT_EQ(TextToShortCut("\\"), 0xDC);
}

} // namespace
