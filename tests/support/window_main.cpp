// The window tests run in one QApplication on the offscreen platform, with the editor's look.
#include <gtest/gtest.h>

#include <QApplication>

#include "form/look.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    varnel::form::applyLook(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
