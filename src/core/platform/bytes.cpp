#include "core/platform/bytes.h"

#include <algorithm>
#include <cstring>

namespace mosavelle {

Bytes::Bytes(std::vector<std::uint8_t> data)
    : storage_(std::make_shared<const std::vector<std::uint8_t>>(std::move(data))) {}

Bytes::Bytes(std::string_view text)
    : Bytes(std::vector<std::uint8_t>(text.begin(), text.end())) {}

Bytes::Bytes(const void* data, std::size_t size) {
    auto p = static_cast<const std::uint8_t*>(data);
    storage_ = std::make_shared<const std::vector<std::uint8_t>>(p, p + size);
}

bool operator==(const Bytes& a, const Bytes& b) {
    if (a.storage_ == b.storage_) return true;
    if (a.size() != b.size()) return false;
    return a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace mosavelle
