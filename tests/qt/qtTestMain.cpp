// The Qt tests' main: one QApplication for all of them, on the offscreen platform unless
// the environment names another (a screenshot run under Xvfb).
#include "shell/qt/uniApp.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TuniApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
