// Results that carry their cause: a sentence a person can act on ("cannot connect to 127.0.0.1:1: connection
// refused", "line 214: checksum 3A, expected 7F"). Seams return these; callers that show specified texts and
// codes keep showing them and log the cause at debug level.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace base {

// Success, or a failure with its cause.
class [[nodiscard]] Status {
public:
    Status() = default;  // success
    static Status failure(std::string cause) { return Status(std::move(cause)); }

    [[nodiscard]] bool ok() const { return !cause_; }
    explicit operator bool() const { return ok(); }
    // The cause of a failure; empty on success.
    [[nodiscard]] const std::string& cause() const {
        static const std::string none;
        return cause_ ? *cause_ : none;
    }
    // The same failure with a context in front: "reading image.hex: line 3: checksum FD, expected FC".
    [[nodiscard]] Status within(const std::string& context) const {
        return ok() ? *this : failure(context + ": " + *cause_);
    }

private:
    explicit Status(std::string cause) : cause_(std::move(cause)) {}
    std::optional<std::string> cause_;
};

// A value, or a failure with its cause.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : value_(std::move(value)) {}  // NOLINT(google-explicit-constructor): a value is a success
    Result(Status failure) : status_(std::move(failure)) {}  // NOLINT(google-explicit-constructor)

    [[nodiscard]] bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] const T& value() const& { return *value_; }
    [[nodiscard]] T& value() & { return *value_; }
    [[nodiscard]] T&& value() && { return std::move(*value_); }
    [[nodiscard]] const T* operator->() const { return &*value_; }
    [[nodiscard]] const T& operator*() const { return *value_; }
    [[nodiscard]] const std::string& cause() const { return status_.cause(); }
    [[nodiscard]] Status status() const { return ok() ? Status() : status_; }

private:
    std::optional<T> value_;
    Status status_;
};

// The number a scoped result enum stands for, where a specified log line or an operation's result shows it.
template <class Enum>
requires std::is_enum_v<Enum>
[[nodiscard]] constexpr std::underlying_type_t<Enum> code(Enum value) {
    return static_cast<std::underlying_type_t<Enum>>(value);
}

}  // namespace base
