// The main window comes back where and as big as it was left, maximized or not, unless the
// settings say not to keep it.
#include <QApplication>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/qt/Pm.h"

using namespace qt_testing;

namespace {

// Runs `step` on a fresh main window over `root`, then closes it as the user would.
template <typename F>
void Session(const std::string& root, F step) {
    TPMMainForm main(root);
    main.show();
    main.OpenCommandLine({});
    QApplication::processEvents();
    step(main);
    QApplication::processEvents();
    ASSERT_TRUE(main.close());
}

} // namespace

TEST(WindowGeometry, PlaceSizeAndMaximizedComeBack) {
    TProgramCopy program;
    Session(program.Root(), [](TPMMainForm& main) {
        main.resize(640, 420);
        main.move(50, 60);
    });
    Session(program.Root(), [](TPMMainForm& main) {
        EXPECT_EQ(main.size(), QSize(640, 420));
        EXPECT_EQ(main.pos(), QPoint(50, 60));
        EXPECT_FALSE(main.isMaximized());
        main.showMaximized();
    });
    Session(program.Root(), [](TPMMainForm& main) {
        EXPECT_TRUE(main.isMaximized());
        // The normal size was kept under the maximized one.
        main.showNormal();
        QApplication::processEvents();
        EXPECT_EQ(main.size(), QSize(640, 420));
    });
    const TWindowSettings kept = ReadWindowSettings(TIniFile(program.File("Ini/pelmar.ini")));
    EXPECT_FALSE(kept.maximize);
    EXPECT_EQ(kept.width, 640);
    EXPECT_EQ(kept.left, 50);
    // The shipped settings keep the geometry; the document window was maximized.
    EXPECT_EQ(kept.zoom, true);
}

TEST(WindowGeometry, NotKeptWhenTheSettingsSaySo) {
    TProgramCopy program;
    {
        TIniFile ini(program.File("Ini/pelmar.ini"));
        ASSERT_TRUE(WriteSaveGeometry(ini, false).ok);
    }
    const std::string before = testing_support::ReadBytes(program.File("Ini/pelmar.ini"));
    Session(program.Root(), [](TPMMainForm& main) {
        main.resize(500, 300);
        main.showMaximized();
    });
    // Only what the exit always keeps (the panels' layout) may have changed.
    const TWindowSettings kept = ReadWindowSettings(TIniFile(program.File("Ini/pelmar.ini")));
    EXPECT_FALSE(kept.maximize);
    EXPECT_FALSE(kept.width.has_value());
    Session(program.Root(), [](TPMMainForm& main) { EXPECT_FALSE(main.isMaximized()); });
    EXPECT_NE(before.find("SaveGeometry=0"), std::string::npos);
}
