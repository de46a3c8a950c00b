// A private home for one test: a temporary folder that XDG_CONFIG_HOME, XDG_DATA_HOME
// and XDG_STATE_HOME point into while the object lives, so that the settings store,
// the default work folder and the state the code under test keeps never reach the
// user's own. The previous values come back and the folder is removed when it goes
// away.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <array>
#include <string>

class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    // The temporary folder, without a trailing "/".
    QString Path() const { return m_dir.path(); }
    std::string PathUtf8() const { return m_dir.path().toStdString(); }
    // A path below the folder.
    std::string Below(const QString &sRelative) const;

private:
    // One XDG variable as it was before this home replaced it.
    struct SavedVariable {
        const char *sName;
        bool bWasSet;
        QByteArray sValue;
    };

    QTemporaryDir m_dir;
    std::array<SavedVariable, 3> m_saved;
};
