// pelmar-batch from the outside: options, actions, exit statuses, round trips of every charset.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunBatch;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// The [charsets] names of the shipped configuration.
std::vector<std::string> ShippedCharsets() {
    std::ifstream in(std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/pelmar.ini");
    std::vector<std::string> names;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inside = line == "[charsets]";
        } else if (inside && line.find('=') != std::string::npos && line[0] != ';') {
            names.push_back(line.substr(0, line.find('=')));
        }
    }
    return names;
}

TEST(PelmarBatch, InfoDescribesTheDocument) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), std::string("\xFF\xFE"
                                              "a\0\r\0b\0",
                                              8));
    ProcessResult r = RunBatch({dir.file("a.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"lines\":2,\"charset\":\"UTF-16 (LE)\",\"surrogate\":\"-\",\"repr\":0,"
              "\"separator\":\"CR\",\"own_separators\":0,\"modified\":false,"
              "\"escaped_bytes\":false,\"mark_added\":false,\"detected\":\"UTF-16 (BE)\"}\n");

    WriteBytes(dir.file("b.txt"), "x\x80y\n");
    r = RunBatch({"--charset", "utf-8", "--repr", "1", dir.file("b.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"lines\":2,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"repr\":1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"escaped_bytes\":true"), std::string::npos) << r.out;
}

TEST(PelmarBatch, MixedLineEndsAreKeptUntilMadeUniform) {
    TempDir dir;
    const std::string mixed = "a\nb\r\nc\rd\n\re";
    WriteBytes(dir.file("a.txt"), mixed);
    ProcessResult r = RunBatch({dir.file("a.txt"), "--info", "--save", dir.file("b.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"separator\":\"LF\",\"own_separators\":3,"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("3 end otherwise than the first (LF)"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), mixed);

    // --set-eol makes every line end alike, as one step that --undo takes back.
    r = RunBatch({dir.file("a.txt"), "--set-eol", "CRLF", "--save", dir.file("c.txt"), "--undo",
                  "--save", dir.file("d.txt"), "--set-eol", "LF", "--info", "--save",
                  dir.file("e.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("c.txt")), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(ReadBytes(dir.file("d.txt")), mixed);
    EXPECT_EQ(ReadBytes(dir.file("e.txt")), "a\nb\nc\nd\n\ne");
    EXPECT_NE(r.out.find("\"own_separators\":0,"), std::string::npos) << r.out;
}

TEST(PelmarBatch, AByteOrderMarkTheSaveAddsIsAnnounced) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "caf\xC3\xA9\n");
    // Read as UTF-8 (BOM) or UTF-16, a file without a mark gets one when saved: said at load.
    ProcessResult r = RunBatch({"--charset", "UTF-8 (BOM)", dir.file("a.txt"), "--info", "--save",
                                dir.file("b.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no byte order mark; saving it in UTF-8 (BOM) adds one"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("\"mark_added\":true,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"mark_added\":false,"), std::string::npos) << r.out; // after the save
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), "\xEF\xBB\xBF" + ReadBytes(dir.file("a.txt")));

    // A file with its mark, or one read as plain UTF-8, is written back as it was: no notice.
    for (const char* charset : {"UTF-8 (BOM)", "UTF-8"}) {
        r = RunBatch({"--charset", charset, dir.file("b.txt"), "--info"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.find("byte order mark"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("\"mark_added\":false"), std::string::npos) << r.out;
    }
    r = RunBatch({"--charset", "UTF-16 (BE)", dir.file("a.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"mark_added\":true"), std::string::npos) << r.out;
}

TEST(PelmarBatch, DumpWritesUtf8AndRawEscapedBytes) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "\xE9t\xE9\r\n\xFF");
    ProcessResult r = RunBatch({"--charset", "WINDOWS", dir.file("a.txt"), "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xC3\xA9t\xC3\xA9\n\xC3\xBF\n");

    r = RunBatch({"--charset", "UTF-8", dir.file("a.txt"), "--dump"}); // bytes kept
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xE9t\xE9\n\xFF\n");
    // Undeclared, the letters make it the Western page.
    r = RunBatch({dir.file("a.txt"), "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xC3\xA9t\xC3\xA9\n\xC3\xBF\n");
}

TEST(PelmarBatch, ActionsRunInOrder) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "\xD0\xB6\n\xD0\xB7");
    ProcessResult r = RunBatch({dir.file("a.txt"), "--set-charset", "UTF-16 (BE)", "--set-eol",
                                "LS", "--save", dir.file("b.txt"), "--set-repr", "2", "--set-eol",
                                "CR", "--save", dir.file("c.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), std::string("\xFE\xFF\x04\x36\x20\x28\x04\x37", 8));
    EXPECT_EQ(
        ReadBytes(dir.file("c.txt")),
        std::string("\xFE\xFF\0\\\0u\0\x30\0\x34\0\x33\0\x36\0\r\0\\\0u\0\x30\0\x34\0\x33\0\x37",
                    28));
    EXPECT_NE(r.out.find("\"modified\":false"), std::string::npos);

    // Backups on request, saving in place.
    r = RunBatch({dir.file("a.txt"), "--backup", "on", "--set-eol", "CRLF", "--save"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("a.~tx")), "\xD0\xB6\n\xD0\xB7");
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), "\xD0\xB6\r\n\xD0\xB7");
}

TEST(PelmarBatch, ErrorsAreReportedWithStatus) {
    TempDir dir;
    ProcessResult r = RunBatch({dir.file("missing.txt"), "--info"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(std::strerror(ENOENT)), std::string::npos) << r.err;

    WriteBytes(dir.file("a.txt"), "a");
    r = RunBatch({dir.file("a.txt"), "--save", dir.file("nowhere/b.txt")});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(std::strerror(ENOENT)), std::string::npos) << r.err;

    EXPECT_EQ(RunBatch({"--charset", "Klingon", dir.file("a.txt"), "--info"}).status, 1);
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--set-eol", "NEL"}).status, 1);
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--frobnicate"}).status, 1);
    EXPECT_EQ(RunBatch({}).status, 1);

    // A character the 8-bit charset cannot hold is reported, not silently lost.
    WriteBytes(dir.file("c.txt"), "\xD0\xB6");
    r = RunBatch({dir.file("c.txt"), "--set-charset", "Windows", "--save", dir.file("d.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("1 characters"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("d.txt")), "?");
}

TEST(PelmarBatch, DefaultCharsetIsDetected) {
    TempDir dir;
    const std::string russian =
        "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
        "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
        "\xD1\x84\xD1\x80\xD0\xB0\xD0\xBD\xD1\x86\xD1\x83\xD0\xB7\xD1\x81\xD0\xBA\xD0\xB8\xD1\x85 "
        "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA, \xD0\xB4\xD0\xB0 "
        "\xD0\xB2\xD1\x8B\xD0\xBF\xD0\xB5"
        "\xD0\xB9 \xD1\x87\xD0\xB0\xD1\x8E.";
    WriteBytes(dir.file("u.txt"), russian);
    for (const char* charset : {"Windows-1251", "KOI8-R", "CP866", "ISO-8859-5", "UTF-8"}) {
        ProcessResult r = RunBatch({"--charset", "UTF-8", dir.file("u.txt"), "--set-charset",
                                    charset, "--save", dir.file("c.txt")});
        ASSERT_EQ(r.status, 0) << r.err;
        r = RunBatch({dir.file("c.txt"), "--info", "--dump"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(std::string("\"charset\":\"") + charset + "\""), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find(russian + "\n"), std::string::npos) << charset;
    }
    // A charset given on the command line is used as it is; --detect-scores still shows
    // what detection would choose, and why.
    ProcessResult r =
        RunBatch({"--charset", "WINDOWS", dir.file("c.txt"), "--info", "--detect-scores"});
    EXPECT_NE(r.out.find("\"charset\":\"WINDOWS\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"detected\":null}\n{\"detected\":\"UTF-8\",\"scores\":[{\"charset\":"
                         "\"UTF-8\",\"score\":"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"charset\":\"KOI8-R\",\"score\":"), std::string::npos) << r.out;
}

// Every shipped table charset, and the built-in 8-bit ones, give back the bytes they read.
TEST(PelmarBatch, EveryCharsetRoundTrips) {
    TempDir dir;
    std::string bytes;
    for (int b = 0x20; b < 0x100; ++b) {
        bytes.push_back(static_cast<char>(b));
        if (b % 32 == 31) {
            bytes += "\r\n";
        }
    }
    WriteBytes(dir.file("all.txt"), bytes);
    std::vector<std::string> charsets = ShippedCharsets();
    EXPECT_GE(charsets.size(), 9u);
    charsets.insert(charsets.end(), {"WINDOWS", "OEM", "UTF-8"});
    for (const std::string& cs : charsets) {
        ProcessResult r =
            RunBatch({"--charset", cs, dir.file("all.txt"), "--save", dir.file("out.txt")});
        ASSERT_EQ(r.status, 0) << cs << ": " << r.err;
        EXPECT_EQ(ReadBytes(dir.file("out.txt")), bytes) << "charset " << cs;
    }
}

} // namespace

// --- editing actions ------------------------------------------------------------------------

namespace {

// The value of a top-level or nested key in a --state line, as written ("[3,1]", "true").
std::string StateValue(const std::string& state, const std::string& key) {
    const size_t at = state.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return "";
    }
    size_t from = at + key.size() + 3;
    size_t to = from;
    int depth = 0;
    for (; to < state.size(); ++to) {
        const char c = state[to];
        if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) {
                break;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            break;
        }
    }
    return state.substr(from, to - from);
}

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1) {
        lines.push_back(out.substr(start, nl - start));
    }
    return lines;
}

TEST(PelmarBatchEditing, TypingUndoRedoAndStateInOrder) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "abc\ndef");
    ProcessResult r = RunBatch({dir.file("a.txt"), "--state", "--goto", "1", "1", "--type",
                                "X\xD0\xB6 y", "--state", "--undo", "--state", "--undo", "--state",
                                "--redo", "--state", "--save", dir.file("b.txt"), "--state"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> states = Lines(r.out);
    ASSERT_EQ(states.size(), 6u) << r.out;
    EXPECT_EQ(states[0], "{\"caret\":[0,0],\"selection\":{\"active\":false,\"mode\":\"stream\","
                         "\"start\":[0,0],\"end\":[0,0]},\"modified\":false,\"lines\":2,"
                         "\"can_undo\":false,\"can_redo\":false,\"bookmarks\":{}}");
    EXPECT_EQ(StateValue(states[1], "caret"), "[5,1]"); // each UTF-16 unit typed at the caret
    EXPECT_EQ(StateValue(states[1], "modified"), "true");
    // A typed space starts a new undo step: the first undo takes " y", the second "Xж".
    EXPECT_EQ(StateValue(states[2], "caret"), "[3,1]");
    EXPECT_EQ(StateValue(states[3], "caret"), "[1,1]");
    EXPECT_EQ(StateValue(states[3], "modified"), "false"); // back at the loaded state
    EXPECT_EQ(StateValue(states[3], "can_undo"), "false");
    EXPECT_EQ(StateValue(states[3], "can_redo"), "true");
    EXPECT_EQ(StateValue(states[4], "can_redo"), "true");
    EXPECT_EQ(StateValue(states[5], "modified"), "false"); // saved
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), "abc\ndX\xD0\xB6"
                                            "ef");
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), "abc\ndef"); // --save OUT leaves the original alone
}

TEST(PelmarBatchEditing, SelectionsCommandsAndBookmarks) {
    TempDir dir; // a type without word wrap: column blocks need it off
    WriteBytes(dir.file("a.dat"), "one two\nthree\nfour");
    ProcessResult r = RunBatch({dir.file("a.dat"),
                                "--select",
                                "4",
                                "0",
                                "2",
                                "1",
                                "--state",
                                "--type",
                                "Z",
                                "--dump",
                                "--select",
                                "1",
                                "0",
                                "3",
                                "1",
                                "--column",
                                "--state",
                                "--goto",
                                "2",
                                "1",
                                "--cmd",
                                "setbookmark:3",
                                "--goto",
                                "0",
                                "0",
                                "--cmd",
                                "GotoBookmark:3",
                                "--state"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    EXPECT_EQ(StateValue(out[0], "selection"),
              "{\"active\":true,\"mode\":\"stream\",\"start\":[4,0],\"end\":[2,1]}");
    EXPECT_EQ(StateValue(out[0], "caret"), "[2,1]");
    EXPECT_EQ(out[1], "one Zree"); // typing replaced the selection
    EXPECT_EQ(out[2], "four");
    EXPECT_EQ(StateValue(out[3], "selection"),
              "{\"active\":true,\"mode\":\"column\",\"start\":[1,0],\"end\":[3,1]}");
    EXPECT_EQ(StateValue(out[4], "caret"), "[2,1]");
    EXPECT_EQ(StateValue(out[4], "bookmarks"), "{\"3\":[2,1]}");
}

TEST(PelmarBatchEditing, EditorCommandsByName) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "alpha beta\ngamma");
    ProcessResult r = RunBatch({dir.file("a.txt"), "--goto",         "6",     "0",
                                "--cmd",           "DeleteWord",     "--cmd", "NewLine",
                                "--cmd",           "InsertText:x y", "--cmd", "TextBottom",
                                "--cmd",           "SelectAll",      "--cmd", "SelectionToUpper",
                                "--dump",          "--cmd",          "Undo",  "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ALPHA \nX Y\nGAMMA\nalpha \nx y\ngamma\n");

    // A bad name or argument is a usage error; nothing after it runs.
    r = RunBatch({dir.file("a.txt"), "--cmd", "Frobnicate", "--dump"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("unknown editor command \"Frobnicate\""), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--cmd", "SetBookmark:x"}).status, 1);
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--cmd", "NewLine:3"}).status, 1);
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--goto", "1"}).status, 1);
    EXPECT_EQ(RunBatch({dir.file("a.txt"), "--select", "0", "0", "-1", "0"}).status, 1);
}

TEST(PelmarBatchEditing, HugePositionsClampAndOutOfRangeNumbersAreRefused) {
    TempDir dir; // a type without word wrap, so the caret may go into virtual space
    WriteBytes(dir.file("a.dat"), "abc\nde");
    ProcessResult r =
        RunBatch({dir.file("a.dat"), "--select", "2147483647", "0", "2147483647", "0", "--key",
                  "Right", "--state", "--goto", "2147483647", "2147483647", "--state"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 2u) << r.out;
    // Three columns of text and a million of virtual space, however far it was asked to go.
    EXPECT_EQ(StateValue(out[0], "caret"), "[1000003,0]");
    EXPECT_EQ(StateValue(out[1], "caret"), "[1000002,1]");

    for (const std::vector<std::string>& numbers :
         {std::vector<std::string>{"--goto", "2147483648", "0"},
          std::vector<std::string>{"--goto", "0", "99999999999999999999"},
          std::vector<std::string>{"--select", "0", "0", "-2147483649", "0"}}) {
        std::vector<std::string> args{dir.file("a.dat")};
        args.insert(args.end(), numbers.begin(), numbers.end());
        args.push_back("--state");
        r = RunBatch(args);
        EXPECT_EQ(r.status, 1) << numbers[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("is not a number from 0 to 2147483647"), std::string::npos) << r.err;
    }
}

TEST(PelmarBatchEditing, FindMovesTheSelectionAndReportsNotFound) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "cats a.cat\nCAT cat");
    ProcessResult r = RunBatch({dir.file("a.txt"), "--find", "cat", "--word", "--state", "--find",
                                "cat", "--word", "--case", "--state", "--find", "c.t", "--regex",
                                "--back", "--state", "--find", "dog", "--state"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_EQ(out.size(), 4u) << r.out;
    EXPECT_EQ(StateValue(out[0], "caret"), "[7,0]");
    EXPECT_EQ(StateValue(out[1], "caret"), "[4,1]"); // "CAT" is skipped case-sensitively
    EXPECT_EQ(StateValue(out[1], "selection"),
              "{\"active\":true,\"mode\":\"stream\",\"start\":[7,1],\"end\":[4,1]}");
    EXPECT_EQ(StateValue(out[2], "caret"), "[0,1]");
    EXPECT_EQ(out[3], out[2]); // not found: nothing moves
    EXPECT_NE(r.err.find("Pattern not found!"), std::string::npos) << r.err;
}

TEST(PelmarBatchEditing, ReplaceAllIsOneUndoStepAndSaves) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "the cat\nThe other\nbathe");
    ProcessResult r = RunBatch({dir.file("a.txt"),
                                "--goto",
                                "3",
                                "2",
                                "--replace-all",
                                "the",
                                "THE",
                                "--case",
                                "--save",
                                dir.file("b.txt"),
                                "--undo",
                                "--dump",
                                "--replace-all",
                                "the",
                                "a",
                                "--word",
                                "--dump",
                                "--replace-all",
                                "(\\w+) (\\w+)",
                                "$2\\n$1",
                                "--regex",
                                "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    // From the start of the document, whatever the caret.
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), "THE cat\nThe oTHEr\nbaTHE");
    EXPECT_EQ(r.out, "the cat\nThe other\nbathe\n"
                     "a cat\na other\nbathe\n"
                     "cat\na\nother\na\nbathe\n");

    // A bad expression fails the action: exit status 4, the message on stderr, nothing after.
    r = RunBatch({dir.file("a.txt"), "--replace-all", "(x", "y", "--regex", "--dump"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("--replace-all: TRegExpr(comp)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
