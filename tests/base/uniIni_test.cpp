// Tests of the INI file: private-profile reading, in-place writing, atomic replacement.
#include "base/uniIni.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

#include "base/uniNumRefs.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::U8;
using testing_support::WriteBytes;

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

bool IsSevenBitText(std::string_view bytes) {
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (u < 0x20 && u != '\n' && u != '\r')) {
            return false;
        }
    }
    return true;
}

size_t FilesIn(const fs::path& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

} // namespace

TEST(IniRead, PrivateProfileRules) {
    TempDir dir;
    WriteBytes(dir.file("a.ini"), "orphan=before any section\n"
                                  "[Common]\n"
                                  "  EditFont  =   Courier New   \n"
                                  "quoted=\"  padded  \"\n"
                                  "single='x'\n"
                                  "mismatched=\"x'\n"
                                  "inner=a \"b\" c\n"
                                  ";EditFontSize=99\n"
                                  "EditFontSize=12\n"
                                  "editfontsize=13\n"
                                  "no equals sign here\n"
                                  "=no name\n"
                                  "empty=\n"
                                  "[ common ] trailing text\n"
                                  "Late=only in the second copy\n"
                                  "[Other]\n"
                                  "EditFont=Other font\n");
    const TIniFile ini(dir.file("a.ini"));
    EXPECT_EQ(ini.ReadString("COMMON", "editfont"), u"Courier New");
    EXPECT_EQ(ini.ReadString("Common", "quoted"), u"  padded  ");
    EXPECT_EQ(ini.ReadString("Common", "single"), u"x");
    EXPECT_EQ(ini.ReadString("Common", "mismatched"), u"\"x'");
    EXPECT_EQ(ini.ReadString("Common", "inner"), u"a \"b\" c");
    EXPECT_EQ(ini.ReadInteger("Common", "EditFontSize", 0), 12); // first wins, comment skipped
    EXPECT_EQ(ini.ReadString("Common", "empty", u"default"), u"");
    EXPECT_TRUE(ini.ValueExists("Common", "empty"));
    // The second "[common]" is hidden by the first.
    EXPECT_EQ(ini.ReadString("Common", "Late", u"missing"), u"missing");
    EXPECT_EQ(ini.ReadString("", "orphan", u"missing"), u"missing");
    EXPECT_EQ(ini.ReadString("Other", "EditFont"), u"Other font");
    EXPECT_EQ(ini.ReadString("Nowhere", "EditFont", u"dflt"), u"dflt");

    EXPECT_EQ(ini.ReadSections(), (std::vector<std::u16string>{u"Common", u"Other"}));
    EXPECT_EQ(ini.ReadSection("common"),
              (std::vector<std::u16string>{u"EditFont", u"quoted", u"single", u"mismatched",
                                           u"inner", u"EditFontSize", u"empty"}));

    const TIniFile missing(dir.file("none.ini"));
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(missing.ReadInteger("a", "b", 7), 7);
    EXPECT_TRUE(missing.ReadSections().empty());
}

TEST(IniRead, IntegersAndBooleans) {
    TempDir dir;
    WriteBytes(dir.file("n.ini"), "[n]\ndec=42\nneg=-17\nhex=$1F\nhexlow=$ff\nc=0x10\n"
                                  "all=$FFFFFFFF\nsys=$80000005\nbig=2147483648\n"
                                  "min=-2147483648\nbad=12abc\nspace=1 2\nonlysign=-\n"
                                  "t=5\nf=0\nword=true\n");
    const TIniFile ini(dir.file("n.ini"));
    EXPECT_EQ(ini.ReadInteger("n", "dec", 0), 42);
    EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -17);
    EXPECT_EQ(ini.ReadInteger("n", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("n", "hexlow", 0), 255);
    EXPECT_EQ(ini.ReadInteger("n", "c", 0), 16);
    EXPECT_EQ(ini.ReadInteger("n", "all", 0), -1);
    EXPECT_EQ(static_cast<std::uint32_t>(ini.ReadInteger("n", "sys", 0)), 0x80000005u);
    EXPECT_EQ(ini.ReadInteger("n", "min", 0), INT32_MIN);
    for (const char* bad : {"big", "bad", "space", "onlysign", "missing"}) {
        EXPECT_EQ(ini.ReadInteger("n", bad, -99), -99) << bad;
    }
    EXPECT_TRUE(ini.ReadBool("n", "t", false));
    EXPECT_FALSE(ini.ReadBool("n", "f", true));
    EXPECT_TRUE(ini.ReadBool("n", "word", true)); // not an integer: the default
    EXPECT_FALSE(ini.ReadBool("n", "word", false));
}

TEST(IniRead, EncodingsAndReferences) {
    TempDir dir;
    // UTF-8 with a raw character and a reference to the same one.
    WriteBytes(dir.file("u.ini"), "[s]\nraw=caf\xC3\xA9\nref=caf&#233;\ndollar=$#233;x\n"
                                  "Ctrl+\xD0\x94=raw key\n");
    const TIniFile u(dir.file("u.ini"));
    EXPECT_EQ(u.Encoding(), TIniEncoding::Utf8);
    EXPECT_EQ(u.ReadString("s", "raw"), U16("café"));
    EXPECT_EQ(u.ReadString("s", "ref"), U16("café"));
    EXPECT_EQ(u.ReadString("s", "ref", {}, TIniRefs::Keep), u"caf&#233;");
    EXPECT_EQ(u.ReadString("s", "dollar"), u"$#233;x");
    EXPECT_EQ(u.ReadString("s", "dollar", {}, TIniRefs::DecodeDollar), U16("éx"));
    // The 8-bit form carries references for both.
    EXPECT_EQ(u.ReadStringA("s", "raw"), "caf&#233;");
    EXPECT_EQ(u.ReadStringA("s", "ref"), "caf&#233;");
    // A key named with a raw character is found by its reference, its UTF-8 and its wide form.
    EXPECT_EQ(u.ReadSectionA("s").back(), "Ctrl+&#1044;");
    EXPECT_EQ(u.ReadString("s", "ctrl+&#1044;"), u"raw key");
    EXPECT_EQ(u.ReadString("s", "Ctrl+\xD0\x94"), u"raw key");
    EXPECT_EQ(u.ReadString("s", U16("Ctrl+Д")), u"raw key");

    // Not UTF-8: the ANSI page (1252 unless configured otherwise).
    WriteBytes(dir.file("a.ini"), "[s]\nv=caf\xE9\n");
    const TIniFile a(dir.file("a.ini"));
    EXPECT_EQ(a.Encoding(), TIniEncoding::Ansi);
    EXPECT_EQ(a.ReadString("s", "v"), U16("café"));

    // UTF-16 with a byte-order mark, and UTF-8 with one.
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : U16("[s]\r\nv=Жук\r\n")) {
        utf16.push_back(static_cast<char>(c & 0xFF));
        utf16.push_back(static_cast<char>(c >> 8));
    }
    WriteBytes(dir.file("w.ini"), utf16);
    EXPECT_EQ(TIniFile(dir.file("w.ini")).ReadString("s", "v"), U16("Жук"));
    WriteBytes(dir.file("b.ini"), "\xEF\xBB\xBF[s]\nv=1\n");
    EXPECT_EQ(TIniFile(dir.file("b.ini")).ReadInteger("s", "v", 0), 1);
}

TEST(IniRead, BinaryJunkNeverBreaks) {
    TempDir dir;
    // NUL bytes make a line not text; the good lines around still count.
    WriteBytes(dir.file("j.ini"), "[s]\nk=v\nhidden\0=1\nafter=2\n[x\0y]\nlost=3\n[t]\nz=4\n"s);
    const TIniFile j(dir.file("j.ini"));
    EXPECT_EQ(j.ReadString("s", "k"), u"v");
    EXPECT_EQ(j.ReadSections(), (std::vector<std::u16string>{u"s", u"t"}));
    EXPECT_EQ(j.ReadSection("s"), (std::vector<std::u16string>{u"k", u"after"}));
    EXPECT_EQ(j.ReadInteger("t", "z", 0), 4);

    std::mt19937 rng(1234);
    const std::string alphabet = "[]=;\"' \r\n\t\0\xFF\xFE\xC3\xA9&#$ab"s;
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 400);
        for (int i = 0; i < n; ++i) {
            bytes.push_back(rng() % 3 == 0 ? static_cast<char>(rng())
                                           : alphabet[rng() % alphabet.size()]);
        }
        WriteBytes(dir.file("r.ini"), bytes);
        TIniFile ini(dir.file("r.ini"));
        for (const std::u16string& s : ini.ReadSections()) {
            for (const std::u16string& k : ini.ReadSection(s)) {
                EXPECT_TRUE(ini.ValueExists(s, k));
                ini.ReadStringA(s, k);
            }
        }
        if (round % 10 == 0) {
            ASSERT_TRUE(ini.WriteString("added", "key", u"value").ok);
            EXPECT_EQ(TIniFile(dir.file("r.ini")).ReadString("added", "key"), u"value");
        }
    }
}

TEST(IniRead, ManySectionsAndKeysAnswerAsAFewDo) {
    // Each section "S<i>" holds keys k0..k4; the file then repeats every section (its
    // keys are not read) and the last key of each section repeats k0 (the first wins).
    const int sections = 3000;
    std::string text;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < sections; ++i) {
            text += "[S" + std::to_string(i) + "]\n";
            for (int k = 0; k < 5; ++k) {
                text += "k" + std::to_string(k) + "=" +
                        std::to_string(pass * 1000000 + i * 10 + k) + "\n";
            }
            text += "K0=late\nextra" + std::to_string(pass) + "=1\n";
        }
    }
    TempDir dir;
    WriteBytes(dir.file("big.ini"), text);
    const TIniFile ini(dir.file("big.ini"));
    const std::vector<std::u16string> names = ini.ReadSections();
    ASSERT_EQ(names.size(), static_cast<size_t>(sections));
    EXPECT_EQ(names[0], u"S0");
    EXPECT_EQ(names[sections - 1], u"S" + U16(std::to_string(sections - 1)));
    EXPECT_EQ(ini.ReadSectionA("s1234"),
              (std::vector<std::string>{"k0", "k1", "k2", "k3", "k4", "extra0"}));
    for (int i = 0; i < sections; i += 7) {
        const std::string s = "s" + std::to_string(i);
        EXPECT_EQ(ini.ReadInteger(s, "K0", -1), i * 10) << s;
        EXPECT_EQ(ini.ReadInteger(s, "k4", -1), i * 10 + 4) << s;
        EXPECT_FALSE(ini.ValueExists(s, "extra1")) << s;
    }
    EXPECT_FALSE(ini.SectionExists("S" + std::to_string(sections)));
}

TEST(IniWrite, EditsInPlaceKeepingEverythingElse) {
    TempDir dir;
    const std::string original = "; Pelmar settings\r\n"
                                 "[Common]\r\n"
                                 "EditFont = Courier New\r\n"
                                 "EditFontSize=10\r\n"
                                 "\r\n"
                                 "; colours follow\r\n"
                                 "[Colours]\r\n"
                                 "Text=$000000\r\n";
    WriteBytes(dir.file("p.ini"), original);
    TIniFile ini(dir.file("p.ini"));
    ASSERT_TRUE(ini.WriteString("common", "editfont", u"Liberation Mono").ok);
    ASSERT_TRUE(ini.WriteInteger("Common", "GutterWidth", 12).ok);
    ASSERT_TRUE(ini.WriteStringA("Fresh", "A", "1").ok);
    EXPECT_EQ(ReadBytes(dir.file("p.ini")), "; Pelmar settings\r\n"
                                            "[Common]\r\n"
                                            "EditFont = Liberation Mono\r\n"
                                            "EditFontSize=10\r\n"
                                            "GutterWidth=12\r\n"
                                            "\r\n"
                                            "; colours follow\r\n"
                                            "[Colours]\r\n"
                                            "Text=$000000\r\n"
                                            "\r\n"
                                            "[Fresh]\r\n"
                                            "A=1\r\n");

    // A file without a final line end, and a file that does not exist yet.
    WriteBytes(dir.file("n.ini"), "[a]\nx=1");
    TIniFile n(dir.file("n.ini"));
    ASSERT_TRUE(n.WriteBool("a", "y", true).ok);
    EXPECT_EQ(ReadBytes(dir.file("n.ini")), "[a]\nx=1\ny=1\n");
    TIniFile fresh(dir.file("fresh.ini"));
    ASSERT_TRUE(fresh.WriteInteger("s", "k", -5).ok);
    EXPECT_EQ(ReadBytes(dir.file("fresh.ini")), "[s]\nk=-5\n");

    // Non-UTF-8 bytes elsewhere in the file survive a write untouched.
    WriteBytes(dir.file("ansi.ini"), "[s]\nname=caf\xE9\nk=1\n");
    TIniFile ansi(dir.file("ansi.ini"));
    ASSERT_TRUE(ansi.WriteInteger("s", "k", 2).ok);
    EXPECT_EQ(ReadBytes(dir.file("ansi.ini")), "[s]\nname=caf\xE9\nk=2\n");
}

TEST(IniWrite, ValuesRoundTripAndStaySevenBit) {
    TempDir dir;
    TIniFile ini(dir.file("v.ini"));
    const std::vector<std::u16string> values = {
        U16("Жук & café"),
        u"  leading and trailing  ",
        u"\"quoted\"",
        u"'single'",
        u"literal &#65; and $#66; text",
        u"line one\nline two\r\n[Common]\nEditFont=injected",
        u"tab\there",
        std::u16string(u"nul\0inside", 10),
        U16("emoji 😀 pair"),
        u"",
    };
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(ini.WriteString("Values", "k" + std::to_string(i), values[i]).ok);
    }
    const std::string bytes = ReadBytes(dir.file("v.ini"));
    EXPECT_TRUE(IsSevenBitText(bytes)) << bytes;
    const TIniFile back(dir.file("v.ini"));
    EXPECT_EQ(back.ReadSections(), std::vector<std::u16string>{u"Values"});
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back.ReadString("Values", "k" + std::to_string(i)), values[i]) << U8(values[i]);
    }
    // 8-bit values carry their references through unchanged; raw UTF-8 becomes references.
    ASSERT_TRUE(ini.WriteStringA("A", "refs", "&#1044;x").ok);
    ASSERT_TRUE(ini.WriteStringA("A", "utf8", "\xD0\x94x").ok);
    const TIniFile a(dir.file("v.ini"));
    EXPECT_EQ(a.ReadStringA("A", "refs"), "&#1044;x");
    EXPECT_EQ(a.ReadStringA("A", "utf8"), "&#1044;x");
    EXPECT_EQ(a.ReadString("A", "utf8"), U16("Дx"));

    // Names that could not be read back as themselves are refused.
    EXPECT_FALSE(ini.WriteString("A", "k=v", u"x").ok);
    EXPECT_FALSE(ini.WriteString("A]", "k", u"x").ok);
    EXPECT_FALSE(ini.WriteString("A", "  ", u"x").ok);
}

TEST(IniWrite, DeleteKeyAndEraseSection) {
    TempDir dir;
    WriteBytes(dir.file("d.ini"),
               "[a]\nx=1\ny=2\nx=3\n; note\n[b]\nz=1\n[A]\nx=4\nw=5\n[c]\nq=1\n");
    TIniFile ini(dir.file("d.ini"));
    ASSERT_TRUE(ini.DeleteKey("a", "X").ok);
    EXPECT_FALSE(ini.ValueExists("a", "x"));
    EXPECT_EQ(ReadBytes(dir.file("d.ini")), "[a]\ny=2\n; note\n[b]\nz=1\n[A]\nw=5\n[c]\nq=1\n");
    ASSERT_TRUE(ini.EraseSection("A").ok);
    EXPECT_EQ(ReadBytes(dir.file("d.ini")), "[b]\nz=1\n[c]\nq=1\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::u16string>{u"b", u"c"}));
    ASSERT_TRUE(ini.DeleteKey("nowhere", "k").ok);
    EXPECT_EQ(ReadBytes(dir.file("d.ini")), "[b]\nz=1\n[c]\nq=1\n");
}

TEST(IniWrite, ReplacesAtomicallyKeepingModeAndLinks) {
    TempDir dir;
    const std::string real = dir.file("real.ini");
    WriteBytes(real, "[s]\nk=1\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, dir.file("link.ini"));

    TIniFile viaLink(dir.file("link.ini"));
    ASSERT_TRUE(viaLink.WriteInteger("s", "k", 2).ok);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(ReadBytes(real), "[s]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir.path()), 2u); // no temporary file left behind

    // A file with a second hard link is written through, so both names see the change.
    fs::create_hard_link(real, dir.file("hard.ini"));
    TIniFile viaHardLink(dir.file("hard.ini"));
    ASSERT_TRUE(viaHardLink.WriteInteger("s", "k", 3).ok);
    EXPECT_EQ(fs::hard_link_count(real), 2u);
    EXPECT_EQ(ReadBytes(real), "[s]\nk=3\n");
    fs::remove(dir.file("hard.ini"));

    // A folder that does not exist: an error, nothing created.
    TIniFile lost(dir.file("no/such/folder.ini"));
    TWriteResult r = lost.WriteInteger("s", "k", 1);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());

    // What cannot be read is never overwritten.
    fs::create_directory(dir.file("folder.ini"));
    TIniFile folder(dir.file("folder.ini"));
    EXPECT_FALSE(folder.WriteInteger("s", "k", 1).ok);
    EXPECT_TRUE(fs::is_directory(dir.file("folder.ini")));
}

TEST(IniWrite, BatchesAndKeepsChangesMadeMeanwhile) {
    TempDir dir;
    const std::string name = dir.file("b.ini");
    WriteBytes(name, "[s]\na=1\n");
    TIniFile ini(name);
    // Someone else adds a key after we read the file; our write keeps it.
    WriteBytes(name, "[s]\na=1\nother=yes\n");
    ASSERT_TRUE(ini.WriteInteger("s", "a", 2).ok);
    EXPECT_EQ(ReadBytes(name), "[s]\na=2\nother=yes\n");

    ini.BeginUpdate();
    ini.WriteInteger("s", "a", 3);
    ini.WriteInteger("t", "b", 4);
    ini.DeleteKey("s", "other");
    EXPECT_EQ(ReadBytes(name), "[s]\na=2\nother=yes\n"); // nothing written yet
    EXPECT_EQ(ini.ReadInteger("t", "b", 0), 4);          // but visible to this object
    ASSERT_TRUE(ini.EndUpdate().ok);
    EXPECT_EQ(ReadBytes(name), "[s]\na=3\n\n[t]\nb=4\n");
}

TEST(IniWrite, Utf16FileStaysUtf16) {
    TempDir dir;
    auto utf16 = [](std::u16string_view text) {
        std::string out = "\xFF\xFE";
        for (char16_t c : text) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out;
    };
    WriteBytes(dir.file("w.ini"), utf16(U16("[s]\r\nname=Жук\r\n")));
    TIniFile ini(dir.file("w.ini"));
    ASSERT_TRUE(ini.WriteInteger("s", "n", 1).ok);
    EXPECT_EQ(ReadBytes(dir.file("w.ini")), utf16(U16("[s]\r\nname=Жук\r\nn=1\r\n")));
}
