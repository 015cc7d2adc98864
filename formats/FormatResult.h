#pragma once

#include <optional>
#include <string>
#include <utility>

namespace mosavo {

// What a file format's reader or writer gives back: the value, or a text saying why there is none. The text names
// what is wrong with the bytes, not the file: the caller puts the file's name in front of it.
template<typename T>
struct FormatResult
{
    std::optional<T> value;
    std::string error;

    static FormatResult success(T value) { return { std::move(value), {} }; }
    static FormatResult failure(std::string reason) { return { std::nullopt, std::move(reason) }; }

    explicit operator bool() const { return value.has_value(); }
};

} // namespace mosavo
