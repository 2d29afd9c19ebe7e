// pelmar-batch --exec: macro text run on the document through the global action map.
#include <gtest/gtest.h>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

ProcessResult Batch(const std::string& text, std::vector<std::string> actions) {
    static TempDir dir;
    const std::string file = dir.file("doc.txt");
    WriteBytes(file, text);
    std::vector<std::string> args = {PELMAR_BATCH_EXE, "--home", PELMAR_PROGRAM_DIR, file};
    args.insert(args.end(), actions.begin(), actions.end());
    return RunProcess(args);
}

TEST(BatchExec, MacroOfSeveralItemsIsOneUndoStep) {
    const ProcessResult r = Batch("xy", {"--goto", "2", "0", "--exec", "Return \"abc\" Return",
                                         "--dump", "--undo", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "xy\nabc\n\n"
                     "xy\n");
    EXPECT_EQ(r.err, "");
}

TEST(BatchExec, NamesIgnoreCaseAndActionsIniIsLoaded) {
    // DuplicateLine and JoinLines come from actions.ini section "*".
    ProcessResult r = Batch("one\ntwo", {"--exec", "duplicateline", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "one\none\ntwo\n");
    r = Batch("one\ntwo", {"--exec", "JOINLINES", "--exec", "end SPACE '!'", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "onetwo !\n");
}

TEST(BatchExec, TextReferencesAndUnknownWords) {
    ProcessResult r = Batch("", {"--exec", "'&#1044;' $#1046; x", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xD0\x94\xD0\x96x\n");

    // A word that names nothing is typed, and said so.
    r = Batch("", {"--exec", "Frobnicate SearchBack", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FrobnicateSearchBack\n");
    EXPECT_NE(r.err.find("\"Frobnicate\" names no action"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"SearchBack\" names no action"), std::string::npos) << r.err;
}

TEST(BatchExec, MissingMacroIsAUsageError) {
    const ProcessResult r = Batch("a", {"--exec"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing value for --exec"), std::string::npos) << r.err;
}

} // namespace
