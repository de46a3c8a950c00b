#include "engine/common/Inflate.h"

#include <libdeflate.h>
#include <new>

namespace engine {

Inflater::Inflater() : m_decompressor(libdeflate_alloc_decompressor())
{
    if (m_decompressor == nullptr)
        throw std::bad_alloc();
}

Inflater::~Inflater()
{
    libdeflate_free_decompressor(m_decompressor);
}

bool Inflater::InflateExact(const void *in, size_t inSize, void *out, size_t outSize)
{
    size_t produced = 0;
    const libdeflate_result result =
        libdeflate_deflate_decompress(m_decompressor, in, inSize, out, outSize, &produced);
    return result == LIBDEFLATE_SUCCESS && produced == outSize;
}

uint32_t Crc32(const void *data, size_t size, uint32_t crc)
{
    return libdeflate_crc32(crc, data, size);
}

} // namespace engine
