// A small random generator whose output depends only on its seed, on every
// compiler and standard library (the standard distributions do not promise
// that), so that a corpus made from one seed is the same everywhere.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

class CorpusRandom {
public:
    explicit CorpusRandom(uint64_t seed) : m_state(seed) {}

    // A generator for one named item: the same seed and name give the same
    // stream whatever else was drawn before.
    static CorpusRandom ForItem(uint64_t seed, std::string_view name) {
        uint64_t hash = 1469598103934665603ull; // FNV-1a
        for (char c : name) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
        return CorpusRandom(seed ^ (hash * 0x9E3779B97F4A7C15ull));
    }

    uint64_t Next() { // splitmix64
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A whole number in [low, high], both included.
    uint64_t Between(uint64_t low, uint64_t high) {
        return low + Next() % (high - low + 1);
    }

    // A size spread evenly on a log scale between low and high, as file
    // sizes in a game's data are: many small files, a few large ones.
    uint64_t LogBetween(uint64_t low, uint64_t high) {
        double size = static_cast<double>(low) *
                      std::pow(static_cast<double>(high) / static_cast<double>(low), Unit());
        return static_cast<uint64_t>(size);
    }

    // A number in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    bool Chance(double probability) { return Unit() < probability; }

    template <typename T> const T &Pick(const T *items, size_t count) {
        return items[Next() % count];
    }

    void Fill(unsigned char *bytes, size_t count) {
        size_t i = 0;
        for (; i + 8 <= count; i += 8) {
            uint64_t v = Next();
            for (int b = 0; b < 8; ++b)
                bytes[i + b] = static_cast<unsigned char>(v >> (8 * b));
        }
        uint64_t v = Next();
        for (; i < count; ++i, v >>= 8)
            bytes[i] = static_cast<unsigned char>(v);
    }

private:
    uint64_t m_state;
};
