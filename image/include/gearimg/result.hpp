// Errors as values: every operation on an image answers either its result
// or an Error whose message names the section, the field and the bad value.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace gr::image {

struct Error {
    std::string message;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only on success.
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }

    // Only on failure.
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

} // namespace gr::image
