#include "engine/common/HeapPrefault.h"

#include "engine/common/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace engine {

namespace {

// Below glibc's smallest mmap threshold (128 KiB), so the blocks come from
// the heap itself rather than from mappings of their own.
constexpr size_t kBlockSize = 64u << 10;
constexpr uintptr_t kPageSize = 4096;

// What libzip keeps per entry of an open archive (about 300 bytes: directory
// record, name, hash slot) plus a listing's receiver keeping path and figures.
constexpr size_t kBytesPerEntry = 512;

// End-of-central-directory record without a comment: 22 bytes.
constexpr size_t kEndRecordSize = 22;
constexpr uint32_t kEndRecordSignature = 0x06054b50;

} // namespace

bool PopulatePages(void *start, size_t size)
{
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + kPageSize - 1) & ~(kPageSize - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + size) & ~(kPageSize - 1);
    if (end <= first)
        return true;
    if (madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE) == 0)
        return true;
    return errno != EINVAL && errno != ENOSYS;
}

HeapPrefault::~HeapPrefault()
{
    std::free(m_guard);
}

size_t HeapPrefault::Prepare(size_t bytes)
{
    if (m_guard != nullptr || bytes < kMinimum)
        return 0;
    bytes = std::min(bytes, kLimit);
    std::vector<void *> blocks;
    blocks.reserve(bytes / kBlockSize + 1);
    size_t populated = 0;
    while (populated < bytes) {
        void *block = std::malloc(kBlockSize);
        if (block == nullptr)
            break;
        blocks.push_back(block);
        if (!PopulatePages(block, kBlockSize))
            break;
        populated += kBlockSize;
    }
    // The last block, taken last from the top of the heap, stays as the guard:
    // freeing the others below it leaves one free chunk in the heap instead of
    // growing the top chunk, which free() would give back to the system.
    if (blocks.empty())
        return 0;
    m_guard = blocks.back();
    blocks.pop_back();
    for (void *block : blocks)
        std::free(block);
    return populated;
}

size_t ArchiveMemoryHint(const char *path, uint64_t fileSize)
{
    if (path == nullptr || fileSize < kEndRecordSize)
        return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    unsigned char record[kEndRecordSize];
    const ssize_t got = pread(fd, record, sizeof record, static_cast<off_t>(fileSize - kEndRecordSize));
    close(fd);
    if (got != static_cast<ssize_t>(sizeof record) || ReadLittle32(record) != kEndRecordSignature ||
        ReadLittle16(record + 20) != 0)
        return 0;
    const uint16_t entries = ReadLittle16(record + 10);
    if (entries == 0xFFFF)
        return 0;
    return static_cast<size_t>(entries) * kBytesPerEntry;
}

} // namespace engine
