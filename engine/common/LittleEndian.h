// Reading the little-endian numbers of zip records from raw bytes.
#ifndef KEPLO_ENGINE_COMMON_LITTLE_ENDIAN_H
#define KEPLO_ENGINE_COMMON_LITTLE_ENDIAN_H

#include <cstdint>

namespace engine {

inline uint16_t ReadLittle16(const unsigned char *bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t ReadLittle32(const unsigned char *bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace engine

#endif
