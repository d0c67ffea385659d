#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tessaly {

// Why a call to the system failed: the system's error number (errno on POSIX)
// and its description ("No such file or directory"). Every platform call
// reports its failures in these terms, and callers pass them up unchanged.
struct SystemError {
    int number = 0;
    std::string description;

    // The error of number `number` with the system's own description.
    static SystemError FromNumber(int number);
    // The error the last failed call of this thread left (errno).
    static SystemError Last();

    friend bool operator==(const SystemError&, const SystemError&) = default;
};

// A value, or the SystemError that kept it from being made.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : held_(std::in_place_index<0>, std::move(value)) {}
    Result(SystemError error) : held_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return held_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() { return std::get<0>(held_); }
    const T& value() const { return std::get<0>(held_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only when !ok().
    const SystemError& error() const { return std::get<1>(held_); }

  private:
    std::variant<T, SystemError> held_;
};

// Success, or the SystemError of the failure.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(SystemError error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when !ok().
    const SystemError& error() const { return *error_; }

  private:
    std::optional<SystemError> error_;
};

}  // namespace tessaly
