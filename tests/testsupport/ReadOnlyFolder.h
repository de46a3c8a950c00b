// Keeps new files out of a folder while it lives, for tests of writes that must
// fail: the folder is made read-only, and for root, whom permissions do not stop,
// immutable. Ready() is false when neither can be arranged on this file system.
#pragma once

#include <QString>
#include <string>

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &sFolder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;
    bool Ready() const { return m_bReady; }

private:
    std::string m_sFolder;
    bool m_bReady = false;
    bool m_bImmutable = false;
};
