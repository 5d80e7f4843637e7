#include "core/platform/uuid.h"

#include "core/platform/hex.h"

#include <openssl/rand.h>

#include <mutex>
#include <random>

namespace mosavelle {
namespace {

void fillRandom(std::array<std::uint8_t, 16>& out) {
    if (RAND_bytes(out.data(), static_cast<int>(out.size())) == 1)
        return;
    // The system generator failed (should not happen); fall back to a seeded engine so an
    // identifier is still unique within the process.
    static std::mutex mutex;
    static std::mt19937_64 engine{std::random_device{}()};
    std::lock_guard lock(mutex);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(engine());
}

}  // namespace

Uuid Uuid::random() {
    std::array<std::uint8_t, 16> b;
    fillRandom(b);
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(b);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36)
        return std::nullopt;
    std::array<std::uint8_t, 16> b{};
    std::size_t byte = 0;
    for (std::size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        int hi = hexDigitValue(text[i]);
        int lo = hexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        b[byte++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    return Uuid(b);
}

std::string Uuid::text() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(digits[bytes_[i] >> 4]);
        out.push_back(digits[bytes_[i] & 0x0F]);
    }
    return out;
}

}  // namespace mosavelle
