#include "tests/testsupport/TestHome.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Each variable and the folder below the home it points at.
constexpr std::array<std::pair<const char *, const char *>, 3> kFolders{{
    {"XDG_CONFIG_HOME", "config"},
    {"XDG_DATA_HOME", "data"},
    {"XDG_STATE_HOME", "state"},
}};

} // namespace

TestHome::TestHome() : m_dir(QDir::tempPath() + QStringLiteral("/keplo-test-XXXXXX")) {
    if (!m_dir.isValid())
        ADD_FAILURE() << "Cannot make a temporary folder: " << m_dir.errorString().toStdString();
    for (std::size_t i = 0; i < kFolders.size(); ++i) {
        const auto &[sName, sFolder] = kFolders[i];
        m_saved[i] = {sName, qEnvironmentVariableIsSet(sName), qgetenv(sName)};
        QDir(m_dir.path()).mkpath(QString::fromLatin1(sFolder));
        qputenv(sName, (m_dir.path() + QLatin1Char('/') + QString::fromLatin1(sFolder)).toUtf8());
    }
}

TestHome::~TestHome() {
    for (const SavedVariable &saved : m_saved) {
        if (saved.bWasSet)
            qputenv(saved.sName, saved.sValue);
        else
            qunsetenv(saved.sName);
    }
}

std::string TestHome::Below(const QString &sRelative) const {
    return (m_dir.path() + QLatin1Char('/') + sRelative).toStdString();
}
