// The session the main window and pelmar-batch share: settings, detection, and the encoding
// a document is opened with.
#include "shell/uniSession.h"

#include <gtest/gtest.h>

#include "editor/memoFakes.h"
#include "support/testSupport.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class SessionTest : public ::testing::Test {
protected:
    SessionTest() { session.LoadSettings(); }

    TSession session{PELMAR_PROGRAM_DIR};
    TFakeHost host;
    TempDir dir;
};

// "Привет, как дела? Это проверка кодировки." in Windows-1251.
constexpr std::string_view kRussian1251 =
    "\xcf\xf0\xe8\xe2\xe5\xf2, \xea\xe0\xea \xe4\xe5\xeb\xe0? \xdd\xf2\xee "
    "\xef\xf0\xee\xe2\xe5\xf0\xea\xe0 \xea\xee\xe4\xe8\xf0\xee\xe2\xea\xe8.\n";

} // namespace

TEST_F(SessionTest, AnEditorOfTheSessionDetectsWhatItLoadsAndTheSessionKeepsTheScores) {
    TuniMemo memo(host.Platform(false), session.Environment(nullptr));
    const std::string name = dir.file("note.txt");
    WriteBytes(name, kRussian1251);
    EXPECT_FALSE(session.LastDetection());
    ASSERT_TRUE(TSession::Open(memo, name, {}));
    EXPECT_EQ(memo.Lines().Get(0).substr(0, 6), u"\u041f\u0440\u0438\u0432\u0435\u0442");
    ASSERT_TRUE(session.LastDetection());
    EXPECT_EQ(session.LastDetection()->charset, memo.Codec().charset);
    EXPECT_FALSE(session.LastDetection()->scores.empty());
}

TEST_F(SessionTest, ACharsetNamedWhenOpeningIsNotDetected) {
    TuniMemo memo(host.Platform(false), session.Environment(nullptr));
    const std::string name = dir.file("note.txt");
    WriteBytes(name, "caf\xc3\xa9\n");
    ASSERT_TRUE(TSession::Open(memo, name, {"UTF-8", "", std::nullopt}));
    EXPECT_EQ(memo.Lines().Get(0), u"caf\u00e9");
    EXPECT_FALSE(session.LastDetection());
}

TEST_F(SessionTest, PresettingTheEncodingFillsTheDefaultsAndMarksAChosenRepresentation) {
    TuniMemo memo(host.Platform(false), session.Environment(nullptr));
    TSession::PresetEncoding(memo, {"-", "", std::nullopt});
    EXPECT_EQ(memo.Codec().charset, "Default");
    EXPECT_EQ(memo.Codec().surrogate, "-");
    EXPECT_EQ(memo.Codec().uniRepr, urNone);
    EXPECT_FALSE(memo.Codec().uniReprChosen);

    // Even "none" wins over the profile's default when it was asked for.
    TSession::PresetEncoding(memo, {"UTF-8", "", urNone});
    EXPECT_EQ(memo.Codec().charset, "UTF-8");
    EXPECT_TRUE(memo.Codec().uniReprChosen);
}
