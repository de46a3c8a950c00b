// A private home for one test: a temporary folder that HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME and XDG_STATE_HOME point into while the object lives (WINEPREFIX is
// unset), so that the settings store, the default work folder, the state the code
// under test keeps and the Wine prefixes it looks at are never the user's own. The
// previous values come back and the folder is removed when it goes away.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    // The temporary folder, without a trailing "/". HOME names it.
    QString Path() const { return m_dir.path(); }
    std::string PathUtf8() const { return m_dir.path().toStdString(); }
    // A path below the folder.
    std::string Below(const QString &sRelative) const;

private:
    // Sets (or, with nullopt, unsets) the variable, keeping its old value to restore.
    void Set(const char *sName, const std::optional<QString> &sValue);

    QTemporaryDir m_dir;
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

// Registers sGameFolder as the game's folder in the settings store in force, making
// its GameData/base, and sWorkFolder (not made) as the work folder.
void RegisterGame(const QString &sGameFolder, const QString &sWorkFolder);
