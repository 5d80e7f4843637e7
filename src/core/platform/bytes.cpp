#include "core/platform/bytes.h"

#include <algorithm>
#include <cstring>

namespace mosavelle {

Bytes::Bytes(std::vector<std::uint8_t> data) {
    auto vector = std::make_shared<const std::vector<std::uint8_t>>(std::move(data));
    data_ = vector->data();
    size_ = vector->size();
    storage_ = std::move(vector);
}

Bytes::Bytes(std::shared_ptr<const void> owner, const std::uint8_t* data, std::size_t size)
    : storage_(std::move(owner)), data_(size == 0 ? nullptr : data), size_(size) {}

Bytes::Bytes(std::string_view text) : Bytes(std::vector<std::uint8_t>(text.begin(), text.end())) {}

Bytes::Bytes(const void* data, std::size_t size)
    : Bytes(std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(data),
                                      static_cast<const std::uint8_t*>(data) + size)) {}

bool operator==(const Bytes& a, const Bytes& b) {
    if (a.data_ == b.data_ && a.size_ == b.size_)
        return true;  // shared (or both empty)
    if (a.size() != b.size())
        return false;
    return a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace mosavelle
