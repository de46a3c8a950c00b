// Whole-buffer deflate decompression and CRC-32 through libdeflate.
#ifndef KEPLO_ENGINE_COMMON_INFLATE_H
#define KEPLO_ENGINE_COMMON_INFLATE_H

#include <cstddef>
#include <cstdint>

struct libdeflate_decompressor;

namespace engine {

// One decompressor; not shared between threads.
class Inflater {
public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Decompresses raw deflate data that must expand to exactly outSize
    // bytes. False for damaged data or a size that does not match.
    bool InflateExact(const void *in, size_t inSize, void *out, size_t outSize);

private:
    libdeflate_decompressor *m_decompressor;
};

// CRC-32 as zip archives use it, continued from crc (0 to start).
uint32_t Crc32(const void *data, size_t size, uint32_t crc = 0);

} // namespace engine

#endif
