#include "core/platform/sha256.h"

#include <array>

#include <openssl/evp.h>

namespace mosavelle {

std::string sha256Hex(std::span<const std::uint8_t> data) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    // EVP_Digest fails only when OpenSSL cannot allocate a context; an empty text is then the
    // only honest answer, and it can never equal a real digest.
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return {};
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 0x0F]);
    }
    return out;
}

}  // namespace mosavelle
