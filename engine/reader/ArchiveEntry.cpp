#include "engine/reader/ArchiveEntry.h"

#include "engine/common/EntryPath.h"
#include "engine/common/EntryTime.h"

#include <sys/stat.h>

namespace engine {

bool ArchiveEntry::IsSymbolicLink() const
{
    return S_ISLNK(unixMode);
}

mode_t ArchiveEntry::Permissions() const
{
    if (unixMode == 0 || !S_ISREG(unixMode))
        return 0;
    // Keep the read and execute bits; never hand out group or world write
    // or special bits, and keep the file readable and writable for its owner.
    return (unixMode & 0755) | S_IRUSR | S_IWUSR;
}

bool ReadArchiveEntry(zip_t *archive, zip_uint64_t index, ArchiveEntry &entry)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0 ||
        stat.name == nullptr)
        return false;

    entry.index = index;
    entry.path.assign(stat.name); // reuses the entry's buffer from one entry to the next
    for (char &c : entry.path)
        if (c == '\\')
            c = '/';
    entry.isFolder = !entry.path.empty() && entry.path.back() == '/';
    entry.size = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
    entry.packedSize = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;
    entry.crc = (stat.valid & ZIP_STAT_CRC) ? stat.crc : 0;
    entry.method = (stat.valid & ZIP_STAT_COMP_METHOD) ? stat.comp_method : 0;
    entry.encrypted = (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    entry.encryptionMethod = entry.encrypted ? stat.encryption_method : ZIP_EM_NONE;
    entry.modified = EntryModificationTime(archive, index, stat);

    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) == 0) {
        entry.hostSystem = system;
        entry.externalAttributes = attributes;
    } else {
        entry.hostSystem = 0;
        entry.externalAttributes = 0;
    }
    entry.unixMode = 0;
    if (entry.hostSystem == ZIP_OPSYS_UNIX)
        entry.unixMode = static_cast<mode_t>((entry.externalAttributes >> 16) & 0xFFFF);
    return true;
}

std::string MethodName(uint16_t method)
{
    switch (method) {
    case 0:
        return "Stored";
    case 1:
        return "Shrunk";
    case 2:
    case 3:
    case 4:
    case 5:
        return "Reduced" + std::to_string(method - 1);
    case 6:
        return "Imploded";
    case 8:
        return "Deflated";
    case 9:
        return "Deflate64";
    case 12:
        return "BZip2";
    case 14:
        return "LZMA";
    case 93:
        return "Zstd";
    case 95:
        return "XZ";
    case 98:
        return "PPMd";
    default:
        return "Unk:" + std::to_string(method);
    }
}

} // namespace engine
