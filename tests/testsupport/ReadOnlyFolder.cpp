#include "tests/testsupport/ReadOnlyFolder.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets or clears the immutable flag of a folder; false when the file system refuses.
bool SetImmutable(const std::string &sFolder, bool bImmutable) {
    const int fd = open(sFolder.c_str(), O_RDONLY | O_DIRECTORY);
    int nFlags = 0;
    bool bDone = false;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &nFlags) == 0) {
        nFlags = bImmutable ? (nFlags | FS_IMMUTABLE_FL) : (nFlags & ~FS_IMMUTABLE_FL);
        bDone = ioctl(fd, FS_IOC_SETFLAGS, &nFlags) == 0;
    }
    if (fd >= 0)
        close(fd);
    return bDone;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString &sFolder) : m_sFolder(sFolder.toStdString()) {
    if (geteuid() != 0) {
        m_bReady = chmod(m_sFolder.c_str(), 0555) == 0;
        return;
    }
    m_bImmutable = m_bReady = SetImmutable(m_sFolder, true);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_bImmutable)
        SetImmutable(m_sFolder, false);
    else if (m_bReady)
        chmod(m_sFolder.c_str(), 0755);
}
