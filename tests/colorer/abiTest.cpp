// The library's C interface: record layout, the table it fills, and a region list read
// the way the bridge reads it.
#include <gtest/gtest.h>

#include <cstddef>

#include "colorerHarness.h"

namespace colorer_test {
namespace {

// The bridge reads these fields directly; their places must not move.
static_assert(offsetof(ColorerRegion, foreground) == 4);
static_assert(offsetof(ColorerRegion, background) == 8);
static_assert(offsetof(ColorerRegion, kind) == 12);
static_assert(offsetof(ColorerRegion, start) == 16);
static_assert(offsetof(ColorerRegion, end) == 20);
static_assert(offsetof(ColorerRegion, next) == 24);
static_assert(offsetof(ColorerRegion, prev) == 24 + sizeof(void*));
static_assert(offsetof(ColorerLineRecord, windowFirstLine) == 0);
static_assert(offsetof(ColorerLineRecord, first) == 8);
static_assert(offsetof(ColorerLineRecord, last) == 8 + sizeof(void*));
static_assert(offsetof(ColorerStyle, hasBackground) == 5);
static_assert(offsetof(ColorerStyle, background) == 8);
static_assert(offsetof(ColorerFileType, name) == sizeof(void*));
// Slot n of the table sits at (n + 1) pointers from the start.
static_assert(offsetof(ColorerProcs, loadGrammar) == sizeof(void*));
static_assert(offsetof(ColorerProcs, parse) == 17 * sizeof(void*));
static_assert(offsetof(ColorerProcs, getStyle) == 29 * sizeof(void*));
static_assert(offsetof(ColorerProcs, parseFromTop) == 30 * sizeof(void*));
static_assert(sizeof(ColorerProcs) == (COLORER_SLOT_COUNT + 1) * sizeof(void*));

TEST(ColorerAbi, ExportFillsTheTableAndRefusesAShortOne) {
    Library& library = Library::Get();
    ASSERT_NE(library.handle, nullptr);
    auto get = reinterpret_cast<ColorerGetProcsProc>(dlsym(library.handle, COLORER_GET_PROCS_NAME));
    ASSERT_NE(get, nullptr);
    // Nothing else is exported.
    EXPECT_EQ(dlsym(library.handle, "_ZN7colorer7Grammar7CompileEPK15ColorerFileType"), nullptr);

    ColorerProcs shortTable{};
    shortTable.size = 8;
    EXPECT_EQ(get(&shortTable), 0);

    const ColorerProcs& p = library.procs;
    EXPECT_EQ(p.size, sizeof(ColorerProcs));
    for (const void* slot : {reinterpret_cast<const void*>(p.loadGrammar),
                             reinterpret_cast<const void*>(p.freeGrammar),
                             reinterpret_cast<const void*>(p.enumFileTypes),
                             reinterpret_cast<const void*>(p.chooseFileType),
                             reinterpret_cast<const void*>(p.loadFileType),
                             reinterpret_cast<const void*>(p.createParser),
                             reinterpret_cast<const void*>(p.freeParser),
                             reinterpret_cast<const void*>(p.breakParse),
                             reinterpret_cast<const void*>(p.connect),
                             reinterpret_cast<const void*>(p.setFileType),
                             reinterpret_cast<const void*>(p.parse),
                             reinterpret_cast<const void*>(p.parseFromTop),
                             reinterpret_cast<const void*>(p.createBuffer),
                             reinterpret_cast<const void*>(p.freeBuffer),
                             reinterpret_cast<const void*>(p.clearBuffer),
                             reinterpret_cast<const void*>(p.passedToConnect),
                             reinterpret_cast<const void*>(p.resetBuffer),
                             reinterpret_cast<const void*>(p.colourBuffer),
                             reinterpret_cast<const void*>(p.createStyles),
                             reinterpret_cast<const void*>(p.freeStyles),
                             reinterpret_cast<const void*>(p.loadScheme),
                             reinterpret_cast<const void*>(p.getStyle)}) {
        EXPECT_NE(slot, nullptr);
    }
    EXPECT_EQ(p.loadGrammar("/nonexistent/colorer.hrc", nullptr), nullptr);
}

TEST(ColorerAbi, FileTypesEnumerateWithTheFallbackLast) {
    Library& library = Library::Get();
    ASSERT_TRUE(library.Ok());
    const ColorerProcs& p = library.procs;
    int count = 0;
    const ColorerFileType* last = nullptr;
    bool sawC = false;
    for (const ColorerFileType* type = p.enumFileTypes(library.grammar, nullptr); type != nullptr;
         type = p.enumFileTypes(library.grammar, type)) {
        ASSERT_NE(type->title, nullptr);
        ASSERT_NE(type->name, nullptr);
        EXPECT_STRNE(type->title, "");
        sawC = sawC || (std::string(type->name) == "c" && std::string(type->title) == "C");
        EXPECT_STRNE(type->name, "def") << "hidden languages are not listed";
        last = type;
        ++count;
    }
    EXPECT_GT(count, 100);
    EXPECT_TRUE(sawC);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->name, "default");
    EXPECT_STREQ(last->title, "Plain text");
}

TEST(ColorerAbi, StylesCarryRgbWithRedLowestAndFlagsAbove) {
    Library& library = Library::Get();
    ASSERT_TRUE(library.Ok());
    const ColorerProcs& p = library.procs;
    ColorerStyle* background = p.getStyle(library.styles, 1);
    ColorerStyle* text = p.getStyle(library.styles, 2);
    ASSERT_NE(background, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(background->hasBackground, 0);
    EXPECT_EQ(background->background, 0xFFFFFF);
    EXPECT_EQ(text->hasBackground, 0);
    EXPECT_NE(text->hasForeground, 0);
    EXPECT_EQ(text->foreground, 0);
    EXPECT_EQ(p.getStyle(library.styles, 100000), nullptr);

    // def:keyword is "#0033B3" bold.
    Document document({"return 0;"}, library.Type("c"), 4);
    document.Parse(0, 0, 1, 1);
    const ColorerRegion* region = document.buffer()[1].first;
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(library.ClassName(region->style), "def:keyword");
    EXPECT_EQ(region->foreground, 0xB33300 | COLORER_BOLD);
    EXPECT_EQ(region->background, -1) << "the default style has no background of its own";
}

TEST(ColorerAbi, RegionListIsOrderedAndLinkedBothWays) {
    Library& library = Library::Get();
    ASSERT_TRUE(library.Ok());
    Document document({"int f(int a) { return a * 2; } /* done */"}, library.Type("c"), 8);
    ASSERT_EQ(document.Parse(0, 0, 1, 1), 0);
    const ColorerLineRecord& record = document.buffer()[1];
    EXPECT_EQ(document.buffer()[0].windowFirstLine, 0);
    ASSERT_NE(record.first, nullptr);
    EXPECT_EQ(record.first->prev, nullptr);
    EXPECT_EQ(record.last->next, nullptr);
    int count = 0;
    int pairs = 0;
    const ColorerRegion* previous = nullptr;
    for (const ColorerRegion* r = record.first; r != nullptr; r = r->next) {
        EXPECT_EQ(r->prev, previous);
        if (previous != nullptr) {
            EXPECT_LE(previous->start, r->start);
        }
        EXPECT_TRUE(r->end == -1 || r->end > r->start);
        if (r->kind == COLORER_PAIR_START || r->kind == COLORER_PAIR_END) {
            EXPECT_EQ(r->end, r->start + 1);
            ++pairs;
        }
        previous = r;
        ++count;
    }
    EXPECT_EQ(previous, record.last);
    EXPECT_EQ(pairs, 4);
    EXPECT_EQ(document.Describe(0),
              "0-3 def:type 5-6 ( 6-9 def:type 11-12 ) 13-14 ( 15-21 def:keyword 26-27 "
              "def:decimal 29-30 ) 31-41 def:comment");
}

} // namespace
} // namespace colorer_test
