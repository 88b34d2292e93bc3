#include <QApplication>
#include <gtest/gtest.h>

// The entry point of the test programs that use widgets: real widgets, no screen, so every test
// runs on the offscreen platform unless the environment names another.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
