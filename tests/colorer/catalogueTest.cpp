// A catalogue of one's own: an added folder of language files, a language replaced by a
// file of the same id, and the catalogue's titles, globs, first lines and word pairs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "colorerHarness.h"

namespace colorer_test {
namespace {

namespace fs = std::filesystem;

class ColorerCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Library::Get().Ok());
        dir_ = fs::temp_directory_path() /
               ("colorer_catalogue_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::create_directories(dir_ / "mine");
        Write("colorer.hrc", R"(<?xml version="1.0"?>
<colorer>
  <languages path="/usr/share/gtksourceview-4/language-specs"/>
  <languages path="mine"/>
  <title lang="toy" text="Toy language"/>
  <glob lang="toy" pattern="*.c"/>
  <first-line lang="toy" pattern="^#!toy"/>
  <pairs lang="toy" open="open" close="close" case-sensitive="false"/>
</colorer>
)");
        Write("mine/toy.lang", R"(<?xml version="1.0"?>
<language id="toy" name="Toy" version="2.0" _section="Other">
  <metadata><property name="globs">*.toy</property></metadata>
  <styles>
    <style id="word" name="Word" map-to="def:keyword"/>
    <style id="text" name="Text" map-to="def:string"/>
    <style id="note" name="Note" map-to="def:comment"/>
  </styles>
  <default-regex-options case-sensitive="false"/>
  <definitions>
    <define-regex id="digits">[0-9]+</define-regex>
    <context id="toy">
      <include>
        <context id="words" style-ref="word">
          <keyword>let</keyword>
          <keyword>print</keyword>
        </context>
        <context id="text" style-ref="text" end-at-line-end="true" class="string">
          <start>&lt;&lt;</start>
          <end>&gt;&gt;</end>
        </context>
        <context id="note" style-ref="note" class="comment">
          <start>\[\[</start>
          <end>\]\]</end>
        </context>
        <context id="number" style-ref="def:decimal">
          <match>\%[\%{digits}\%]</match>
        </context>
      </include>
    </context>
  </definitions>
</language>
)");
        Write("mine/ini.lang", R"(<?xml version="1.0"?>
<language id="ini" name="My INI" version="2.0" _section="Other">
  <metadata><property name="globs">*.ini</property></metadata>
  <definitions><context id="ini"/></definitions>
</language>
)");
        const ColorerProcs& p = Library::Get().procs;
        grammar_ = p.loadGrammar((dir_ / "colorer.hrc").c_str(), nullptr);
        ASSERT_NE(grammar_, nullptr);
    }
    void TearDown() override {
        if (grammar_ != nullptr) {
            Library::Get().procs.freeGrammar(grammar_);
        }
        fs::remove_all(dir_);
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    std::string Chosen(const char* fileName, const char* firstLine) {
        const ColorerFileType* type =
            Library::Get().procs.chooseFileType(grammar_, fileName, firstLine, nullptr);
        return type != nullptr ? type->name : "(none)";
    }

    fs::path dir_;
    ColorerGrammar* grammar_ = nullptr;
};

TEST_F(ColorerCatalogue, AddedFolderAddsAndReplacesLanguages) {
    const ColorerProcs& p = Library::Get().procs;
    int toys = 0;
    int inis = 0;
    const ColorerFileType* toy = nullptr;
    for (const ColorerFileType* type = p.enumFileTypes(grammar_, nullptr); type != nullptr;
         type = p.enumFileTypes(grammar_, type)) {
        if (std::string(type->name) == "toy") {
            ++toys;
            toy = type;
            EXPECT_STREQ(type->title, "Toy language");
        }
        if (std::string(type->name) == "ini") {
            ++inis;
            EXPECT_STREQ(type->title, "My INI");
        }
    }
    EXPECT_EQ(toys, 1);
    EXPECT_EQ(inis, 1);

    EXPECT_EQ(Chosen("a.toy", nullptr), "toy");
    EXPECT_EQ(Chosen("main.c", nullptr), "toy") << "the catalogue's glob goes first";
    EXPECT_EQ(Chosen("main.h", nullptr), "chdr");
    EXPECT_EQ(Chosen("script", "#!toy run"), "toy");

    ASSERT_NE(toy, nullptr);
    p.loadFileType(grammar_, toy);
    Document document({"LET x = 42 << a (b >> [[ (", "note ]] Open close x42"}, nullptr, 4);
    p.setFileType(document.parser(), toy);
    document.Parse(0, 0, 2, 2);
    EXPECT_EQ(document.Describe(0), "0-3 def:keyword 8-10 def:decimal 11-21 def:string "
                                    "22-eol def:comment");
    EXPECT_EQ(document.Describe(1), "0-7 def:comment 8-12 ( 13-18 )");
}

TEST(ColorerScheme, ReloadKeepsStyleRecordsInPlace) {
    Library& library = Library::Get();
    ASSERT_TRUE(library.Ok());
    const ColorerProcs& p = library.procs;
    ColorerStyles* styles = p.createStyles();
    p.loadScheme(styles, kScheme.c_str());
    ColorerStyle* text = p.getStyle(styles, 2);
    ASSERT_NE(text, nullptr);
    text->background = 0x123456; // the program fills the default's background in place
    p.loadScheme(styles, kScheme.c_str());
    EXPECT_EQ(p.getStyle(styles, 2), text);
    EXPECT_EQ(text->background, -1) << "a reload starts from the file again";
    p.loadScheme(styles, "/nonexistent/default.hrd");
    EXPECT_EQ(p.getStyle(styles, 2), text);
    EXPECT_EQ(text->hasForeground, 0);
    p.freeStyles(styles);
}

TEST(ColorerScheme, ColoursAreColourValuesWithTheirStylesAbove) {
    Library& library = Library::Get();
    ASSERT_TRUE(library.Ok());
    // Named classes are numbered from 3 in file order.
    const int32_t keyword = 3;
    const int32_t comment = 4;
    // As the general setup writes them: "#" and the value 0xBBGGRR, styles in the digit
    // above; no colour for "#FFFFFFFF", whose style comes from type alone.
    const std::filesystem::path scheme =
        std::filesystem::temp_directory_path() / "pelmar_scheme_styles_test.hrd";
    std::ofstream(scheme) << "<hrd>\n"
                             "  <assign value=\"def:keyword\" fore=\"#1ff0000\" />\n"
                             "  <assign value=\"def:comment\" fore=\"#FFFFFFFF\" "
                             "back=\"#0c0f0f0\" type=\"italic\"/>\n"
                             "</hrd>\n";
    const ColorerProcs& p = library.procs;
    ColorerStyles* styles = p.createStyles();
    p.loadScheme(styles, scheme.string().c_str());
    std::filesystem::remove(scheme);
    const ColorerStyle* k = p.getStyle(styles, keyword);
    const ColorerStyle* c = p.getStyle(styles, comment);
    ASSERT_TRUE(k && c);
    EXPECT_NE(k->hasForeground, 0);
    EXPECT_EQ(k->foreground, 0xFF0000 | COLORER_BOLD) << "blue, bold";
    EXPECT_EQ(c->hasForeground, 0);
    EXPECT_EQ(c->foreground, static_cast<int32_t>(0x10000000) | COLORER_ITALIC);
    EXPECT_NE(c->hasBackground, 0);
    EXPECT_EQ(c->background, 0xC0F0F0);
    p.freeStyles(styles);
}

} // namespace
} // namespace colorer_test
