#include "tests/testsupport/TestHome.h"

#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/FuzzSeeds.h"

#include <QDir>
#include <gtest/gtest.h>

TestHome::TestHome() : m_dir(QDir::tempPath() + QStringLiteral("/keplo-test-XXXXXX")) {
    if (!m_dir.isValid())
        ADD_FAILURE() << "Cannot make a temporary folder: " << m_dir.errorString().toStdString();
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    Set("HOME", m_dir.path());
    Set("XDG_CONFIG_HOME", m_dir.path() + QStringLiteral("/config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("state"));
    Set("XDG_DATA_HOME", m_dir.path() + QStringLiteral("/data"));
    Set("XDG_STATE_HOME", m_dir.path() + QStringLiteral("/state"));
    Set("WINEPREFIX", std::nullopt);
}

TestHome::~TestHome() {
    std::error_code error;
    const std::filesystem::path state = (m_dir.path() + QStringLiteral("/state/Keplo")).toStdString();
    for (const auto &file : std::filesystem::recursive_directory_iterator(state, error))
        KeepFuzzSeed("snapshot", file.path());
    for (const auto &[sName, sOld] : m_saved) {
        if (sOld)
            qputenv(sName, *sOld);
        else
            qunsetenv(sName);
    }
}

void TestHome::Set(const char *sName, const std::optional<QString> &sValue) {
    m_saved.emplace_back(sName, qEnvironmentVariableIsSet(sName)
                                    ? std::optional<QByteArray>(qgetenv(sName))
                                    : std::nullopt);
    if (sValue)
        qputenv(sName, sValue->toUtf8());
    else
        qunsetenv(sName);
}

std::string TestHome::Below(const QString &sRelative) const {
    return (m_dir.path() + QLatin1Char('/') + sRelative).toStdString();
}

void RegisterGame(const QString &sGameFolder, const QString &sWorkFolder) {
    QDir().mkpath(sGameFolder + QStringLiteral("/GameData/base"));
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, sGameFolder.toStdString());
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, sWorkFolder.toStdString());
}
