#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/Fixtures.h"

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    pcp::test::InstallTestGuards();
    return RUN_ALL_TESTS();
}
