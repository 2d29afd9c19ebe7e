// Tests of the command line: splitting a handed-over text, files with their options, and
// the --help / --version requests.
#include "shell/PmCommandLine.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

namespace {

TCommandLineFile File(std::string name, std::string charset, std::string surrogate = {},
                      int uniRepr = 0) {
    return {std::move(name), std::move(charset), std::move(surrogate), uniRepr};
}

TEST(SplitCommandLine, SeparatorsAndQuotes) {
    EXPECT_EQ(SplitCommandLine("pelmar a.txt  b.txt"), (Args{"pelmar", "a.txt", "b.txt"}));
    // Every code from 1 to 32 separates, not only blanks; code 33 does not.
    EXPECT_EQ(SplitCommandLine("\x01p\ta\x1F"
                               "b\r\nc!d "),
              (Args{"p", "a", "b", "c!d"}));
    // Quotes may open and close anywhere in an argument and are dropped.
    EXPECT_EQ(SplitCommandLine("\"/usr/bin/pelmar\" \"my file.txt\" -U\"TF-\"8 ab\"c d\"e"),
              (Args{"/usr/bin/pelmar", "my file.txt", "-UTF-8", "abc de"}));
    // An unclosed quote runs to the end of the text.
    EXPECT_EQ(SplitCommandLine("p \"a b  "), (Args{"p", "a b  "}));
    // A NUL ends the text, as in the zero-terminated hand-over block.
    EXPECT_EQ(SplitCommandLine(std::string_view("p a\0b", 5)), (Args{"p", "a"}));
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(SplitCommandLine, LeadingPairOfQuotesIsSkipped) {
    EXPECT_EQ(SplitCommandLine("p \"\"a.txt"), (Args{"p", "a.txt"}));
    EXPECT_EQ(SplitCommandLine("p \"\" b"), (Args{"p", "b"}));
    // Only at the start: inside an argument the pair is an empty quoted stretch.
    EXPECT_EQ(SplitCommandLine("p a\"\"b"), (Args{"p", "ab"}));
    EXPECT_EQ(SplitCommandLine("p \"\"\"x y\""), (Args{"p", "x y"}));
}

TEST(SplitCommandLine, ArgumentCutAt4096Bytes) {
    const std::string longName(5000, 'x');
    const Args args = SplitCommandLine("p " + longName + " next");
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[1], std::string(4096, 'x'));
    EXPECT_EQ(args[2], "next");
    // Quotes do not count toward the limit.
    EXPECT_EQ(SplitCommandLine("\"" + std::string(4096, 'y') + "\"")[0].size(), 4096u);
    // A character that would straddle the limit is dropped whole: 4095 bytes then "é".
    const Args cut = SplitCommandLine(std::string(4095, 'z') + "\xC3\xA9z");
    EXPECT_EQ(cut[0], std::string(4095, 'z'));
    const Args fits = SplitCommandLine(std::string(4094, 'z') + "\xC3\xA9z");
    EXPECT_EQ(fits[0], std::string(4094, 'z') + "\xC3\xA9");
}

TEST(ParseCommandArguments, OptionsOfAFile) {
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-UTF-8", "-html"}),
              (std::vector{File("a.txt", "UTF-8", "", 1)}));
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-cs", "-sg", "-HEX"}),
              (std::vector{File("a.txt", "cs", "sg", 2)}));
    // A later surrogate replaces an earlier one; the representation may come first.
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-Hex", "-cs", "-sg1", "-sg2"}),
              (std::vector{File("a.txt", "cs", "sg2", 2)}));
    // "-" alone is the Default charset, so the next option is the surrogate.
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-", "-sg"}),
              (std::vector{File("a.txt", "Default", "sg")}));
    EXPECT_EQ(ParseCommandArguments({"a.txt"}), (std::vector{File("a.txt", "Default")}));
}

TEST(ParseCommandArguments, OptionBeforeAnyFileIsIgnored) {
    EXPECT_EQ(ParseCommandArguments({"-UTF-8", "-html", "a.txt"}),
              (std::vector{File("a.txt", "Default")}));
    EXPECT_TRUE(ParseCommandArguments({"-cs"}).empty());
}

TEST(ParseCommandArguments, SurrogateAndRepresentationCarryOverCharsetDoesNot) {
    EXPECT_EQ(
        ParseCommandArguments({"a.txt", "-cs", "-sg", "-html", "b.txt", "c.txt", "-cs2", "-hex"}),
        (std::vector{File("a.txt", "cs", "sg", 1), File("b.txt", "Default", "sg", 1),
                     File("c.txt", "cs2", "sg", 2)}));
    // The second file's first option is its charset, not a surrogate.
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-cs", "b.txt", "-cs2"}),
              (std::vector{File("a.txt", "cs"), File("b.txt", "cs2")}));
}

TEST(ParseCommandArguments, DoubleDashEndsOptions) {
    EXPECT_EQ(ParseCommandArguments({"a.txt", "-cs", "--", "-x", "--", "b.txt"}),
              (std::vector{File("a.txt", "cs"), File("-x", "Default"), File("--", "Default"),
                           File("b.txt", "Default")}));
    // A name with a double quote or blanks comes through as it is.
    EXPECT_EQ(ParseCommandArguments({"say \"hi\".txt"}),
              (std::vector{File("say \"hi\".txt", "Default")}));
}

TEST(ParseCommandArguments, HandedOverText) {
    const Args all = SplitCommandLine("\"pelmar\" \"a b.txt\" -UTF-8 c.txt -hex");
    EXPECT_EQ(ParseCommandArguments(Args(all.begin() + 1, all.end())),
              (std::vector{File("a b.txt", "UTF-8"), File("c.txt", "Default", "", 2)}));
}

TEST(StartOptions, NewInstanceFlagAndToolkitOptionsLeaveTheFiles) {
    Args args{"a.txt", "--new-instance", "-UTF-8", "--", "--new-instance"};
    EXPECT_TRUE(TakeNewInstanceFlag(args));
    EXPECT_EQ(args, (Args{"a.txt", "-UTF-8", "--", "--new-instance"}));
    EXPECT_FALSE(TakeNewInstanceFlag(args)); // the one after "--" is a file
    // As the toolkit would have taken them from a start's own arguments.
    EXPECT_EQ(WithoutToolkitOptions({"-platform", "offscreen", "a.txt", "-html", "--display", ":1",
                                     "-reverse", "b.txt", "--", "-style", "x"}),
              (Args{"a.txt", "-html", "b.txt", "--", "-style", "x"}));
    // A value-taking option at the very end has nothing to take.
    EXPECT_EQ(WithoutToolkitOptions({"a.txt", "-style"}), (Args{"a.txt", "-style"}));
}

TEST(InfoRequest, HelpAndVersionBeforeDoubleDash) {
    EXPECT_EQ(InfoRequest({"a.txt", "--help"}), TInfoRequest::Help);
    EXPECT_EQ(InfoRequest({"-h"}), TInfoRequest::Help);
    EXPECT_EQ(InfoRequest({"a.txt", "-cs", "--version"}), TInfoRequest::Version);
    EXPECT_EQ(InfoRequest({"--version", "--help"}), TInfoRequest::Version);
    EXPECT_EQ(InfoRequest({"--", "--help"}), TInfoRequest::None);
    EXPECT_EQ(InfoRequest({"a.txt", "-html"}), TInfoRequest::None);
    EXPECT_EQ(VersionText("1.2"), "Pelmar 1.2\n");
    EXPECT_NE(HelpText().find("--version"), std::string::npos);
}

} // namespace
