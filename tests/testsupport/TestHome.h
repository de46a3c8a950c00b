// A private home for one test: a temporary folder that XDG_CONFIG_HOME and
// XDG_DATA_HOME point into while the object lives, so that the settings store and
// the default work folder of the code under test never reach the user's own. The
// previous values come back and the folder is removed when it goes away.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
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
    QTemporaryDir m_dir;
    bool m_bHadConfig;
    bool m_bHadData;
    QByteArray m_sOldConfig;
    QByteArray m_sOldData;
};

// Registers sGameFolder as the game's folder in the settings store in force, making
// its GameData/base, and sWorkFolder (not made) as the work folder.
void RegisterGame(const QString &sGameFolder, const QString &sWorkFolder);
