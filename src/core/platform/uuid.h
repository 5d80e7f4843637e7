#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mosavelle {

// A 128-bit identifier. `random()` makes a version 4 identifier; the text form is 36 upper-case
// hex digits in 8-4-4-4-12 groups. Intentionally copyable; ordered by its bytes.
class Uuid {
public:
    Uuid() = default;  // all zero; never produced by random()
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    static Uuid random();
    // Accepts upper- and lower-case hex digits in the 8-4-4-4-12 form only; anything else is
    // absent.
    static std::optional<Uuid> parse(std::string_view text);

    std::string text() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace mosavelle

template <>
struct std::hash<mosavelle::Uuid> {
    std::size_t operator()(const mosavelle::Uuid& id) const noexcept {
        std::size_t h = 1469598103934665603ull;
        for (auto b : id.bytes())
            h = (h ^ b) * 1099511628211ull;
        return h;
    }
};
