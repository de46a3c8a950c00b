// Readies heap memory that is about to be used, in a few system calls.
//
// Opening an archive makes libzip allocate a few hundred bytes per entry, and
// a listing's receiver keeps about as much again. On a fresh process every
// new heap page costs a page fault when first touched; on a virtual machine a
// fault can cost ten microseconds, more than reading the entry itself. A
// HeapPrefault takes the expected amount from the heap in blocks, has the
// kernel populate them with MADV_POPULATE_WRITE, and frees all but the last
// again, which it keeps as a guard above them, so the memory stays in the
// heap's free lists and the next allocations are carved out of pages that are
// already present. The guard is freed when the HeapPrefault goes, after which
// the allocator may return the memory to the system as usual.
//
// Nothing depends on it working: without MADV_POPULATE_WRITE (kernels before
// 5.14), with another allocator, or when memory is short, it simply saves
// nothing.
#ifndef KEPLO_ENGINE_COMMON_HEAP_PREFAULT_H
#define KEPLO_ENGINE_COMMON_HEAP_PREFAULT_H

#include <cstddef>
#include <cstdint>

namespace engine {

class HeapPrefault {
public:
    // Prepares at most this much; past it the faults are a small part of the work.
    static constexpr size_t kLimit = 16u << 20;
    // Below this the faults cost too little to be worth a system call.
    static constexpr size_t kMinimum = 256u << 10;

    HeapPrefault() = default;
    ~HeapPrefault();
    HeapPrefault(const HeapPrefault &) = delete;
    HeapPrefault &operator=(const HeapPrefault &) = delete;

    // Readies about `bytes` of heap (at most kLimit; nothing below kMinimum).
    // A second call does nothing. The bytes actually populated.
    size_t Prepare(size_t bytes);

private:
    void *m_guard = nullptr;
};

// Has the kernel populate the whole pages inside [start, start + size) in
// one call, so that writing there takes no page faults. False when it cannot
// (no MADV_POPULATE_WRITE).
bool PopulatePages(void *start, size_t size);

// Heap an open archive and a listing of it will take, from the entry count in
// the end-of-central-directory record at the very end of the file; 0 when the
// file does not end in one (a comment follows it, or it is no zip archive) or
// the count is a Zip64 placeholder. Only a size hint: the archive is read by
// libzip.
size_t ArchiveMemoryHint(const char *path, uint64_t fileSize);

} // namespace engine

#endif
