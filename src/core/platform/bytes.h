#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mosavelle {

// An immutable, shared byte buffer. Copies share one allocation, so a snapshot, an export request
// and the document can hold the same picture bytes without copying them. Intentionally copyable;
// equality compares contents (with a fast path for shared storage). Safe to read from any thread.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::vector<std::uint8_t> data);
    explicit Bytes(std::string_view text);
    Bytes(const void* data, std::size_t size);

    const std::uint8_t* data() const { return storage_ ? storage_->data() : nullptr; }
    std::size_t size() const { return storage_ ? storage_->size() : 0; }
    bool empty() const { return size() == 0; }
    std::span<const std::uint8_t> span() const { return {data(), size()}; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(data()), size()};
    }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size(); }

    // True when both values share one allocation (not merely equal contents).
    bool sharesStorageWith(const Bytes& other) const { return storage_ == other.storage_; }

    friend bool operator==(const Bytes& a, const Bytes& b);

private:
    std::shared_ptr<const std::vector<std::uint8_t>> storage_;
};

}  // namespace mosavelle
