#pragma once

#include <string>
#include <utility>
#include <variant>

namespace mosavelle {

// A failure the user may see: `message` is one complete sentence.
struct Error {
    std::string message;
    friend bool operator==(const Error&, const Error&) = default;
};

// A value or an Error. Failures cross module boundaries as values, never as exceptions.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

// Result of an operation that yields nothing but may fail.
struct Done {
    friend bool operator==(const Done&, const Done&) = default;
};
using Status = Result<Done>;
inline Status success() { return Status(Done{}); }

}  // namespace mosavelle
