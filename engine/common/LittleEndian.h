// Reading and writing the little-endian numbers of zip records as raw bytes.
#ifndef KEPLO_ENGINE_COMMON_LITTLE_ENDIAN_H
#define KEPLO_ENGINE_COMMON_LITTLE_ENDIAN_H

#include <cstdint>
#include <string>

namespace engine {

inline uint16_t ReadLittle16(const unsigned char *bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t ReadLittle32(const unsigned char *bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline uint64_t ReadLittle64(const unsigned char *bytes) {
    return static_cast<uint64_t>(ReadLittle32(bytes)) |
           static_cast<uint64_t>(ReadLittle32(bytes + 4)) << 32;
}

// Stores value in the bytes at the start of out, lowest byte first.
inline void StoreLittle(unsigned char *out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void AppendLittle(std::string &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

} // namespace engine

#endif
