// The main of every window test: a QApplication on Qt's headless "offscreen"
// platform (unless the caller chose another), and a settings store and a state
// folder of the test run's own (and no Wine prefix chosen), so that no test ever
// reads or writes the user's.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/keplo-tests-XXXXXX"));
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    // The start-up looks for the game in $WINEPREFIX; tests lay out prefixes of their own.
    qunsetenv("WINEPREFIX");
    qputenv("XDG_STATE_HOME", (home.path() + QStringLiteral("/state")).toUtf8());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
