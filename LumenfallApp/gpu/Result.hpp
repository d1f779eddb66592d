#pragma once

#include <string>
#include <utility>
#include <variant>

namespace lumen::gpu {

enum class ErrorKind {
    unavailable,        // no device, or no OpenGL 4.3 core context
    invalidDescriptor,  // the request itself is wrong (zero size, bad format, ...)
    outOfMemory,        // the driver refused the allocation
    missingFunction,    // a shader entry point is not defined in its library
    compile,            // a shader stage failed to compile; message holds the info log
    link,               // a program failed to link; message holds the info log
    unsupported,        // legal request the device cannot do
};

const char* toString(ErrorKind kind);

struct Error {
    ErrorKind kind = ErrorKind::invalidDescriptor;
    std::string message;
};

// A value or the reason there is none. GCC 12 ships no std::expected; this covers what the layer
// needs and nothing more.
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
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const { return error_; }

private:
    Error error_;
    bool ok_ = true;
};

inline Error makeError(ErrorKind kind, std::string message) { return Error{kind, std::move(message)}; }

}  // namespace lumen::gpu
