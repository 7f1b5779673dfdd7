// Numbers in messages and exported CSV: the shortest text that reads back
// to the same value.
#pragma once

#include <charconv>
#include <string>

namespace edbtool {

template <typename T>
inline std::string numberText(T value)
{
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

} // namespace edbtool
