// Structure templates: the file format, name templates, the parse and its abort, the cache.
#include "structure/uniStrucParser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "base/uniFileIO.h"
#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

std::unique_ptr<TDefStrucParser> ParserOf(std::string_view text) {
    auto parser = std::make_unique<TDefStrucParser>("test");
    parser->LoadFromText(text);
    return parser;
}

std::unique_ptr<TStrucTree> Parse(const TDefStrucParser& parser, std::vector<std::string> lines) {
    return parser.ParseLines(TStrucStringLines(std::move(lines)), nullptr, nullptr);
}

TStrucTree& Branch(TStrucTree& root, int i) {
    return *static_cast<TStrucTree*>(root.Children[i]);
}

TStrucLocation& Leaf(TStrucTree& branch, int i) {
    return *static_cast<TStrucLocation*>(branch.Children[i]);
}

// One match of `expression` on `line`, named by `nameTemplate`.
TStrucName Expand(std::u16string_view expression, std::u16string_view line,
                  std::string_view nameTemplate) {
    TRegExpr engine;
    engine.SetExpression(expression);
    EXPECT_TRUE(engine.Exec(line));
    return ExpandNameTemplate(nameTemplate, engine);
}

} // namespace

TEST(StrucParser, LeavesOfOneLineFollowTemplateThenMatchOrder) {
    auto parser = ParserOf("Calls\n"
                           " (\\w+)\\(\n"
                           " $1\n"
                           " #(\\w+)\n"
                           " tag $1\n");
    auto root = Parse(*parser, {"#x foo(1) + bar(2)", "none here", "baz()"});
    ASSERT_EQ(root->GetName(), "root");
    ASSERT_EQ(root->Children.Count(), 1);
    TStrucTree& calls = Branch(*root, 0);
    EXPECT_EQ(calls.Name, "Calls");
    ASSERT_EQ(calls.Children.Count(), 4);
    EXPECT_EQ(Leaf(calls, 0).Name, "foo");
    EXPECT_EQ(Leaf(calls, 1).Name, "bar");
    EXPECT_EQ(Leaf(calls, 2).Name, "tag x");
    EXPECT_EQ(Leaf(calls, 3).Name, "baz");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Leaf(calls, i).Line, 0);
    }
    EXPECT_EQ(Leaf(calls, 3).Line, 2);
    EXPECT_EQ(Leaf(calls, 0).Column, 3);
    EXPECT_EQ(Leaf(calls, 0).EndColumn, 5);
    EXPECT_EQ(Leaf(calls, 2).Column, 1);
    EXPECT_EQ(Leaf(calls, 2).EndColumn, 1);
}

TEST(StrucParser, NameTemplates) {
    const std::u16string expr = u"(\\w+) (\\w+)";
    TStrucName n = Expand(expr, u"abc defg", "$2 ($1)");
    EXPECT_EQ(n.name, "defg (abc)");
    EXPECT_EQ(n.column, 4);    // fixed by the first reference
    EXPECT_EQ(n.endColumn, 2); // and the end by the last
    n = Expand(expr, u"abc defg", "$9");
    EXPECT_EQ(n.name, "");
    EXPECT_EQ(n.column, -1);
    EXPECT_EQ(n.endColumn, -1);
    n = Expand(expr, u"abc defg", "plain");
    EXPECT_EQ(n.name, "plain");
    EXPECT_EQ(n.column, -1);
    EXPECT_EQ(Expand(expr, u"abc defg", "$$1").name, "$abc");
    EXPECT_EQ(Expand(expr, u"abc defg", "$12").name, "abc2");
    // After a "$" every other character is copied until a digit comes.
    EXPECT_EQ(Expand(expr, u"abc defg", "$x y2").name, "x ydefg");
    EXPECT_EQ(Expand(expr, u"abc defg", "end$").name, "end");
    n = Expand(expr, u"  abc defg", "<$0>");
    EXPECT_EQ(n.name, "<abc defg>");
    EXPECT_EQ(n.column, 2);
    EXPECT_EQ(n.endColumn, 9);
    // Characters from U+0080 up come out as references.
    EXPECT_EQ(Expand(u"(\\S+)", u"caf\u00E9", "$1").name, "caf&#233;");
}

TEST(StrucParser, OptionalGroupThatTookNoPartGivesNoColumn) {
    TStrucName n = Expand(u"(a)?(b)", u"xb", "$1");
    EXPECT_EQ(n.name, "");
    EXPECT_EQ(n.column, -1);
    n = Expand(u"(a)?(b)", u"xb", "$1$2");
    EXPECT_EQ(n.name, "b");
    EXPECT_EQ(n.column, 1);
    EXPECT_EQ(n.endColumn, 1);
}

TEST(StrucParser, ColumnsCountDecodedCharacters) {
    auto parser = ParserOf("Words\n (\\S+)\n $1\n");
    auto root = Parse(*parser, {"caf&#233; x"});
    TStrucTree& words = Branch(*root, 0);
    ASSERT_EQ(words.Children.Count(), 2);
    EXPECT_EQ(Leaf(words, 0).Name, "caf&#233;");
    EXPECT_EQ(Leaf(words, 0).EndColumn, 3);
    EXPECT_EQ(Leaf(words, 1).Column, 5);
}

TEST(StrucParser, FileFormatEdges) {
    auto parser = ParserOf("; a comment\r\n"
                           " orphan\r\n"
                           " name of the orphan\r\n"
                           "Kind\r\n"
                           "\r\n"
                           " (\\w+)=\r\n"
                           ";comment taken as the name line\r\n"
                           "Kind\r\n"
                           " (\\w+)\r\n"
                           " $1\r\n"
                           "Other\r\n"
                           " last(\\d)");
    // The template before any kind is dropped; the empty line is skipped.
    ASSERT_EQ(parser->Kinds.Count(), 3);
    const TStrucKind& first = *parser->Kinds.Items(0);
    EXPECT_EQ(first.Name, "Kind");
    ASSERT_EQ(first.Templates.Count(), 1);
    EXPECT_EQ(first.Templates.Items(0)->Expression(), "(\\w+)=");
    EXPECT_EQ(first.Templates.Items(0)->NameTemplate, "comment taken as the name line");
    // A template on the last line keeps the default name template.
    EXPECT_EQ(parser->Kinds.Items(2)->Templates.Items(0)->NameTemplate, "$1");

    auto root = Parse(*parser, {"key=value", "last5"});
    ASSERT_EQ(root->Children.Count(), 3);
    // Two kinds of one name: both branches, every result in the first.
    TStrucTree& kind = Branch(*root, 0);
    EXPECT_EQ(Branch(*root, 1).Name, "Kind");
    EXPECT_EQ(Branch(*root, 1).Children.Count(), 0);
    ASSERT_EQ(kind.Children.Count(), 4);
    EXPECT_EQ(Leaf(kind, 0).Name, "comment taken as the name line");
    EXPECT_EQ(Leaf(kind, 1).Name, "key");
    EXPECT_EQ(Leaf(kind, 2).Name, "value");
    EXPECT_EQ(Leaf(kind, 3).Name, "last5");
    ASSERT_EQ(Branch(*root, 2).Children.Count(), 1);
    EXPECT_EQ(Leaf(Branch(*root, 2), 0).Name, "5");
}

TEST(StrucParser, ExpressionsMayCarryReferences) {
    auto parser = ParserOf("Kind\n (caf&#233;)\n $1!\n");
    auto root = Parse(*parser, {"un caf&#233;"});
    ASSERT_EQ(Branch(*root, 0).Children.Count(), 1);
    EXPECT_EQ(Leaf(Branch(*root, 0), 0).Name, "caf&#233;!");
    EXPECT_EQ(Leaf(Branch(*root, 0), 0).Column, 3);
}

TEST(StrucParser, ParseLineFilesIntoTheKindBranches) {
    auto parser = ParserOf("A\n (a+)\n $1\nB\n (b+)\n $1\n");
    TStrucTree root("root");
    root.Children.Add(std::make_unique<TStrucTree>("B"));
    root.Children.Add(std::make_unique<TStrucTree>("A"));
    parser->ParseLine("aa bb aaa", 7, root);
    EXPECT_EQ(StrucTreeText(root), "B\n  bb  (line 8)\nA\n  aa  (line 8)\n  aaa  (line 8)\n");
}

TEST(StrucParser, AbortBeforeTheFirstLineGivesEmptyBranches) {
    auto parser = ParserOf("A\n (a)\n $1\nB\n (b)\n $1\n");
    auto always = [](void*) { return true; };
    auto root = parser->ParseLines(TStrucStringLines({"a", "b"}), always, nullptr);
    EXPECT_EQ(StrucTreeText(*root), "A\nB\n");
}

TEST(StrucParser, AbortStopsALongParseAtTheLineItIsAskedBefore) {
    auto parser = ParserOf("Lines\n ^(\\d+)\n $1\n");
    std::vector<std::string> lines;
    for (int i = 0; i < 100000; ++i) {
        lines.push_back(std::to_string(i));
    }
    struct TCounter {
        int calls = 0;
    } counter;
    auto after1000 = [](void* data) { return ++static_cast<TCounter*>(data)->calls > 1000; };
    auto root = parser->ParseLines(TStrucStringLines(lines), after1000, &counter);
    EXPECT_EQ(counter.calls, 1001);
    TStrucTree& branch = Branch(*root, 0);
    ASSERT_EQ(branch.Children.Count(), 1000);
    EXPECT_EQ(Leaf(branch, 999).Name, "999");

    // Stopped from another thread through a flag, as the structure view does.
    std::atomic<bool> stop{false};
    std::atomic<int> asked{0};
    struct TFlag {
        std::atomic<bool>* stop;
        std::atomic<int>* asked;
    } flag{&stop, &asked};
    auto byFlag = [](void* data) {
        auto* f = static_cast<TFlag*>(data);
        ++*f->asked;
        return f->stop->load();
    };
    std::vector<std::string> many(1'000'000, "12345");
    std::unique_ptr<TStrucTree> cut;
    std::thread parse([&] { cut = parser->ParseLines(TStrucStringLines(many), byFlag, &flag); });
    while (asked.load() < 100) {
        std::this_thread::yield();
    }
    stop = true;
    parse.join();
    EXPECT_LT(Branch(*cut, 0).Children.Count(), static_cast<int>(many.size()));
}

TEST(StrucParser, BadExpressionRaisesWhenFirstExecuted) {
    auto parser = ParserOf("Kind\n a{3,2}\n $0\n");
    try {
        Parse(*parser, {"aaa"});
        FAIL() << "no error raised";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.ErrorCode, reeBracesMinParamGreaterMax);
    }
    // Nothing is parsed when there are no lines, so nothing is compiled.
    EXPECT_NO_THROW(Parse(*parser, {}));
}

TEST(StrucParser, SharedParserServesTwoThreadsAtOnce) {
    auto parser = ParserOf("Functions\n ^int (\\w+)\\(\n $1\nCalls\n (\\w+)\\(\\)\n $1\n");
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back("int f" + std::to_string(i) + "() { return g" + std::to_string(i) +
                        "() + h(); }");
    }
    const std::string expected = StrucTreeText(*Parse(*parser, lines));
    std::string texts[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&, t] { texts[t] = StrucTreeText(*Parse(*parser, lines)); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(texts[0], expected);
    EXPECT_EQ(texts[1], expected);
}

TEST(StrucParserStorage, LoadsOnceAndLooksAgainForMissingFiles) {
    TempDir dir;
    TDefStrucParserStorage storage(dir.path().string());
    EXPECT_EQ(storage.Folder(), dir.path().string() + "/");
    EXPECT_EQ(storage.GetParser("late"), nullptr);

    WriteBytes(dir.file("late.struc"), "Kind\n (\\w+)\n $1\n");
    TDefStrucParser* late = storage.GetParser("late");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->GetName(), "late");
    EXPECT_EQ(storage.GetParser("Late"), nullptr); // names compare exactly

    // An edit of a loaded file is not seen.
    WriteBytes(dir.file("late.struc"), "Changed\n (\\w+)\n $1\n");
    EXPECT_EQ(storage.GetParser("late"), late);
    EXPECT_EQ(late->Kinds.Items(0)->Name, "Kind");

    // Type names never reach outside the folder.
    EXPECT_EQ(storage.GetParser("../late"), nullptr);
    EXPECT_EQ(storage.GetParser(""), nullptr);
}

TEST(StrucParserStorage, UnreadableFileRaisesAndIsNotCached) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "odd.struc");
    TDefStrucParserStorage storage(dir.path().string());
    EXPECT_THROW(storage.GetParser("odd"), EInOutError);
    std::filesystem::remove(dir.path() / "odd.struc");
    WriteBytes(dir.file("odd.struc"), "Kind\n");
    ASSERT_NE(storage.GetParser("odd"), nullptr);

    TDefStrucParser parser("x");
    EXPECT_THROW(parser.LoadFromFile(dir.file("missing.struc")), EInOutError);
}

TEST(StrucParserStorage, ThreadsAskingAtOnceShareOneParser) {
    TempDir dir;
    WriteBytes(dir.file("t.struc"), "Kind\n (\\w+)\n $1\n");
    TDefStrucParserStorage storage(dir.path().string());
    TDefStrucParser* got[4] = {};
    std::thread threads[4];
    for (int t = 0; t < 4; ++t) {
        threads[t] = std::thread([&, t] { got[t] = storage.GetParser("t"); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_NE(got[0], nullptr);
    for (TDefStrucParser* parser : got) {
        EXPECT_EQ(parser, got[0]);
    }
}

TEST(StrucParserStorage, ProcessWideStorageIsOneObject) {
    EXPECT_EQ(&StrucParserStorage(), &StrucParserStorage());
}
