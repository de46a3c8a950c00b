#include "tests/testsupport/TestHome.h"

#include "support/SettingsKeys.h"
#include "support/modRegistry.h"

#include <QDir>
#include <gtest/gtest.h>

TestHome::TestHome()
    : m_dir(QDir::tempPath() + QStringLiteral("/keplo-test-XXXXXX")),
      m_bHadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      m_bHadData(qEnvironmentVariableIsSet("XDG_DATA_HOME")),
      m_sOldConfig(qgetenv("XDG_CONFIG_HOME")), m_sOldData(qgetenv("XDG_DATA_HOME")) {
    if (!m_dir.isValid())
        ADD_FAILURE() << "Cannot make a temporary folder: " << m_dir.errorString().toStdString();
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
}

TestHome::~TestHome() {
    if (m_bHadConfig)
        qputenv("XDG_CONFIG_HOME", m_sOldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_bHadData)
        qputenv("XDG_DATA_HOME", m_sOldData);
    else
        qunsetenv("XDG_DATA_HOME");
}

std::string TestHome::Below(const QString &sRelative) const {
    return (m_dir.path() + QLatin1Char('/') + sRelative).toStdString();
}

void RegisterGame(const QString &sGameFolder, const QString &sWorkFolder) {
    QDir().mkpath(sGameFolder + QStringLiteral("/GameData/base"));
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, sGameFolder.toStdString());
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, sWorkFolder.toStdString());
}
