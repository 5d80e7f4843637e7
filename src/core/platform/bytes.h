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
    // Adopts `size` bytes at `data` that `owner` keeps alive and unchanged for as long as it
    // lives (for example a private memory mapping filled once), without copying them.
    Bytes(std::shared_ptr<const void> owner, const std::uint8_t* data, std::size_t size);

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size() == 0; }
    std::span<const std::uint8_t> span() const { return {data(), size()}; }
    std::string_view view() const { return {reinterpret_cast<const char*>(data()), size()}; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size(); }

    // True when both values share one allocation (not merely equal contents).
    bool sharesStorageWith(const Bytes& other) const { return storage_ == other.storage_; }

    friend bool operator==(const Bytes& a, const Bytes& b);

private:
    std::shared_ptr<const void> storage_;  // owns [data_, data_ + size_)
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace mosavelle
