#pragma once

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "core/platform/text.h"

namespace mosavelle {

// What kind of failure an Error is, for callers that react differently to each (an interface
// that stays silent on cancellation, offers another place on a full disk, names a damaged file).
//  - cancelled:   the user asked the work to stop;
//  - notFound:    a file or folder that was needed does not exist;
//  - permission:  the system refused access (including read-only file systems);
//  - diskFull:    no space or quota left, or a file grew past the file system's limit;
//  - damaged:     a file of ours (a project package, its project.json) is malformed or from a
//                 newer version;
//  - unsupported: something the program cannot handle by design (a format, a size limit, a
//                 special file where a regular one was expected);
//  - other:       anything else.
enum class ErrorCode { cancelled, notFound, permission, diskFull, damaged, unsupported, other };

// A failure the user may see: `message` is one complete sentence; `code` is for deciding, so that
// nothing needs to compare sentences; `text`, when present, is the sentence by identifier (what
// `message` says in English), for an interface that speaks another language. `message` stays
// first so that Error{sentence} compiles.
struct Error {
    std::string message;
    ErrorCode code = ErrorCode::other;
    std::optional<Text> text = std::nullopt;
    friend bool operator==(const Error&, const Error&) = default;
};

// The Error that says `text`.
inline Error errorSaying(Text text, ErrorCode code = ErrorCode::other) {
    std::string message = englishText(text);
    return Error{std::move(message), code, std::move(text)};
}

// The code of a failed system call's errno value.
inline ErrorCode errorCodeOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ErrorCode::notFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return ErrorCode::permission;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ErrorCode::diskFull;
        case ECANCELED:
            return ErrorCode::cancelled;
        default:
            return ErrorCode::other;
    }
}

// A value or an Error (or another failure type `E` where callers need more than a sentence).
// Failures cross module boundaries as values, never as exceptions.
template <class T, class E = Error>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

// Result of an operation that yields nothing but may fail.
struct Done {
    friend bool operator==(const Done&, const Done&) = default;
};
using Status = Result<Done>;
inline Status success() {
    return Status(Done{});
}

}  // namespace mosavelle
