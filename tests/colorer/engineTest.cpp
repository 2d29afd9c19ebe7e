// The parsing engine's behaviour across lines, windows, threads and file types.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "colorerHarness.h"

namespace colorer_test {
namespace {

class ColorerEngine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Library::Get().Ok()); }
    static const ColorerFileType* Type(const char* name) {
        const ColorerFileType* type = Library::Get().Type(name);
        EXPECT_NE(type, nullptr) << name;
        return type;
    }
    static std::string Chosen(const char* fileName, const char* firstLine) {
        Library& library = Library::Get();
        const ColorerFileType* type =
            library.procs.chooseFileType(library.grammar, fileName, firstLine, nullptr);
        return type != nullptr ? type->name : "(none)";
    }
};

TEST_F(ColorerEngine, CommentSpansLinesAndParsingFromTheMiddleStartsAfresh) {
    Document document({"int a; /* open", "still (inside)", "done */ int b;"}, Type("c"), 8);
    EXPECT_EQ(document.Parse(0, 0, 3, 3), 2);
    EXPECT_EQ(document.Describe(0), "0-3 def:type 7-eol def:comment");
    EXPECT_EQ(document.Describe(1), "0-eol def:comment");
    EXPECT_EQ(document.Describe(2), "0-7 def:comment 8-11 def:type");

    // From line 1 the parser knows nothing of the open comment: plain code with brackets.
    EXPECT_EQ(document.Parse(1, 1, 2, 2), 2);
    EXPECT_EQ(document.buffer()[0].windowFirstLine, 1);
    EXPECT_EQ(document.Describe(1), "6-7 ( 13-14 )");
}

TEST_F(ColorerEngine, LinesBeforeTheWindowGiveStateButNoRecords) {
    std::vector<std::string> lines(100, "x = 1;");
    lines[30] = "/* a comment";
    lines[45] = "end */ y = 2;";
    Document document(lines, Type("c"), 512);
    EXPECT_EQ(document.Parse(0, 40, 20, 60), 59);
    EXPECT_EQ(document.buffer()[0].windowFirstLine, 40);
    EXPECT_EQ(document.Describe(40), "0-eol def:comment");
    EXPECT_EQ(document.Describe(45), "0-6 def:comment 11-12 def:decimal");
    EXPECT_EQ(document.Describe(59), "4-5 def:decimal");
    EXPECT_EQ(document.buffer()[21].first, nullptr) << "line 60 lies beyond the window";

    // The source runs out: the parse stops at the last line.
    EXPECT_EQ(document.Parse(90, 90, 20, 20), 99);
    EXPECT_EQ(document.buffer()[11].first, nullptr);
}

TEST_F(ColorerEngine, StopRequestFromAnotherThreadEndsTheParseEarly) {
    std::vector<std::string> lines(200000, "int value = compute(1, 2) + other[3]; // note");
    Document document(lines, Type("c"), 16);
    struct Stopper {
        ColorerParser* parser;
        int32_t atLine;
        ColorerLineSource inner;
        Document* document;
    };
    // A line source that, once line 1000 is asked for, has another thread ask to stop.
    static Stopper stopper;
    stopper = Stopper{document.parser(), 1000, nullptr, &document};
    ColorerLineSource source = [](void* data, void*, int32_t line, int32_t* length) -> const char* {
        auto* doc = static_cast<Document*>(data);
        if (line == stopper.atLine) {
            std::thread([] { Library::Get().procs.breakParse(stopper.parser); }).join();
        }
        if (static_cast<size_t>(line) >= doc->lines().size()) {
            *length = 0;
            return nullptr;
        }
        *length = static_cast<int32_t>(doc->lines()[static_cast<size_t>(line)].size());
        return doc->lines()[static_cast<size_t>(line)].c_str();
    };
    const ColorerProcs& p = Library::Get().procs;
    p.connect(document.parser(), source, nullptr, p.passedToConnect, &document, nullptr,
              document.buffer());
    int32_t last = document.Parse(0, 0, 15, 200000);
    EXPECT_GE(last, 999);
    EXPECT_LE(last, 1001);

    // The request is forgotten when the next parse starts.
    stopper.atLine = -1;
    EXPECT_EQ(document.Parse(0, 0, 15, 3000), 2999);
}

// `count` lines of code, each a little different, some with brackets, strings and comments.
std::vector<std::string> CodeLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(i % 7 == 3
                            ? "if (x) { s = \"(\"; } // note"
                            : "int v" + std::to_string(i) + " = f(" + std::to_string(i) + ");");
    }
    return lines;
}

TEST_F(ColorerEngine, AParseFromTheTopBeginsNearTheWindowAndColoursAsAWholeParse) {
    std::vector<std::string> lines = CodeLines(3000);
    lines[100] = "x = 1; /* a comment over several windows";
    lines[1330] = "end */ y = 2;";
    lines[2050] = "/* another (one)";
    lines[2090] = "*/ z = 3;";
    // Every line before the window at 2400 changes the state: a state kept at a line's start
    // is told from one kept at its end wherever the parser keeps them.
    for (int i = 2330; i <= 2401; ++i) {
        lines[static_cast<size_t>(i)] = i % 2 == 0 ? "a = 1; /* open" : "b */ c = 2;";
    }
    Document kept(lines, Type("c"), 512);
    Document whole(lines, Type("c"), 512);
    for (int32_t first = 0; first < 3000; first += 400) {
        const int64_t before = kept.reads();
        EXPECT_EQ(kept.ParseFromTop(INT32_MAX, first, 440, first + 440),
                  std::min(first + 439, 2999));
        if (first > 0) {
            // Lines above the window were passed before: only a few of them are read again.
            EXPECT_LT(kept.reads() - before, 440 + 64) << "window at " << first;
        }
        whole.Parse(0, first, 440, first + 440);
        for (int32_t line = first; line < std::min(first + 440, 3000); ++line) {
            ASSERT_EQ(kept.Describe(line), whole.Describe(line)) << "line " << line;
        }
    }
    // The windows passed through both comments.
    whole.Parse(0, 1200, 440, 1640);
    EXPECT_EQ(whole.Describe(1200), "0-eol def:comment");
    EXPECT_EQ(whole.Describe(1330), "0-6 def:comment 11-12 def:decimal");
}

TEST_F(ColorerEngine, AParseFromTheTopReadsAgainFromTheFirstLineThatMayHaveChanged) {
    Document document(CodeLines(2500), Type("c"), 512);
    document.ParseFromTop(INT32_MAX, 2000, 440, 2440);
    EXPECT_EQ(document.Describe(2000), "0-3 def:type 13-14 ( 14-18 def:decimal 18-19 )");

    // A comment opened at line 1500 reaches the window; the lines above it are the same.
    document.lines()[1500] = "/* opened late";
    int64_t before = document.reads();
    document.ParseFromTop(1500, 2000, 440, 2440);
    EXPECT_EQ(document.Describe(2000), "0-eol def:comment");
    EXPECT_GE(document.reads() - before, 2440 - 1500);
    EXPECT_LT(document.reads() - before, 2440 - 1500 + 64);

    // Any line may have changed: it starts at the top.
    document.lines()[1500] = "int closed = 0;";
    document.lines()[0] = "/* opened at the top";
    before = document.reads();
    document.ParseFromTop(0, 2000, 440, 2440);
    EXPECT_EQ(document.reads() - before, 2440);
    EXPECT_EQ(document.Describe(2000), "0-eol def:comment");

    // Another file type forgets what the parser kept.
    const ColorerProcs& p = Library::Get().procs;
    p.loadFileType(Library::Get().grammar, Type("cpp"));
    p.setFileType(document.parser(), Type("cpp"));
    before = document.reads();
    document.ParseFromTop(INT32_MAX, 2000, 440, 2440);
    EXPECT_EQ(document.reads() - before, 2440);
}

TEST_F(ColorerEngine, BracketsInStringsAndCommentsAreNoPairs) {
    Document document({"f(\"(\" , '[', a[0]); // {", "/* ) */ }"}, Type("c"), 4);
    document.Parse(0, 0, 2, 2);
    EXPECT_EQ(document.Describe(0), "1-2 ( 2-5 def:string 8-11 def:character 14-15 ( "
                                    "15-16 def:decimal 16-17 ) 17-18 ) 20-eol def:comment");
    EXPECT_EQ(document.Describe(1), "0-7 def:comment 8-9 )");
}

TEST_F(ColorerEngine, TypeChosenByGlobThenFirstLine) {
    EXPECT_EQ(Chosen("/home/u/src/main.c", nullptr), "c");
    EXPECT_EQ(Chosen("Widget.C", nullptr), "cpp") << "globs keep their case";
    EXPECT_EQ(Chosen("GNUmakefile", nullptr), "makefile");
    EXPECT_EQ(Chosen("tool.py", "#!/usr/bin/env python2"), "python3") << "the name wins";
    EXPECT_EQ(Chosen("tool", "#!/usr/bin/env python3"), "python3");
    EXPECT_EQ(Chosen("run", "#!/bin/bash -e"), "sh");
    EXPECT_EQ(Chosen("data", "<?xml version=\"1.0\"?>"), "xml");
    EXPECT_EQ(Chosen("notes", "just words"), "default");
    EXPECT_EQ(Chosen("", nullptr), "default");
}

TEST_F(ColorerEngine, CaseInsensitiveLanguagesAndWordPairs) {
    Document sql({"select Name from T WHERE x = 'a(b';", "BEGIN", "end"}, Type("sql"), 8);
    sql.Parse(0, 0, 3, 3);
    EXPECT_EQ(sql.Describe(0), "0-6 def:keyword 12-16 def:keyword 19-24 def:keyword "
                               "29-34 def:string");
    EXPECT_EQ(sql.Describe(1), "0-5 def:keyword 0-5 (");
    EXPECT_EQ(sql.Describe(2), "0-3 def:keyword 0-3 )");

    Document pascal({"BEGIN { begin } x := 'end'; End;"}, Type("pascal"), 4);
    pascal.Parse(0, 0, 1, 1);
    EXPECT_EQ(pascal.Describe(0), "0-5 def:keyword 0-5 ( 6-15 def:comment 21-26 def:string "
                                  "28-31 def:keyword 28-31 )");

    Document shell({"if true; then", "  echo 'fi'", "fi"}, Type("sh"), 4);
    shell.Parse(0, 0, 3, 3);
    EXPECT_NE(shell.Describe(0).find("0-2 ("), std::string::npos);
    EXPECT_EQ(shell.Describe(1).find('('), std::string::npos);
    EXPECT_NE(shell.Describe(2).find("0-2 )"), std::string::npos);
}

TEST_F(ColorerEngine, EndMayRepeatWhatTheStartMatched) {
    // A here-document ends at the word its start named, not at another.
    Document document({"cat <<END", "EOF", "END", "cat <<'X' # quoted", "END", "X", "echo"},
                      Type("sh"), 8);
    document.Parse(0, 0, 7, 7);
    EXPECT_EQ(document.Describe(0), "0-3 def:keyword 4-9 def:keyword");
    EXPECT_EQ(document.Describe(1), "");
    EXPECT_EQ(document.Describe(2), "0-3 def:keyword");
    // A quoted bound: the body is not expanded, and only "X" ends it.
    EXPECT_EQ(document.Describe(3), "0-3 def:keyword 4-9 def:keyword 10-eol def:comment");
    EXPECT_EQ(document.Describe(4), "");
    EXPECT_EQ(document.Describe(5), "0-1 def:keyword");
    EXPECT_EQ(document.Describe(6), "0-4 def:keyword");
}

TEST_F(ColorerEngine, LongLinesFindMatchesFarAhead) {
    // Ends and keywords thousands of columns away, past any first stretch searched.
    const std::string filler(5000, 'x');
    const std::string line = "s = \"" + filler + "\"; /* " + filler + " */ return 7;";
    Document document({line}, Type("c"), 4);
    document.Parse(0, 0, 1, 1);
    const int stringEnd = 4 + 5002;
    const int commentStart = stringEnd + 2;
    const int commentEnd = commentStart + 5006;
    EXPECT_EQ(document.Describe(0),
              "4-" + std::to_string(stringEnd) + " def:string " + std::to_string(commentStart) +
                  "-" + std::to_string(commentEnd) + " def:comment " +
                  std::to_string(commentEnd + 1) + "-" + std::to_string(commentEnd + 7) +
                  " def:keyword " + std::to_string(commentEnd + 8) + "-" +
                  std::to_string(commentEnd + 9) + " def:decimal");
}

TEST_F(ColorerEngine, PlainTextGivesOnlyPairs) {
    Library& library = Library::Get();
    const ColorerFileType* type =
        library.procs.chooseFileType(library.grammar, "notes", nullptr, nullptr);
    ASSERT_STREQ(type->name, "default");
    Document document({"int x = (1); /* [ */"}, type, 4);
    document.Parse(0, 0, 1, 1);
    EXPECT_EQ(document.Describe(0), "8-9 ( 10-11 ) 16-17 (");
}

} // namespace
} // namespace colorer_test
