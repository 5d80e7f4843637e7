#include "core/layout/detail/fresh_identifier.h"

#include <array>
#include <cstdint>
#include <random>

namespace mosavelle {

Uuid freshIdentifier() {
    thread_local std::mt19937_64 engine = [] {
        const Uuid seed = Uuid::random();
        std::seed_seq sequence(seed.bytes().begin(), seed.bytes().end());
        return std::mt19937_64(sequence);
    }();
    std::array<std::uint8_t, 16> b;
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t bits = engine();
        for (std::size_t i = 0; i < 8; ++i, bits >>= 8)
            b[half * 8 + i] = static_cast<std::uint8_t>(bits);
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(b);
}

}  // namespace mosavelle
