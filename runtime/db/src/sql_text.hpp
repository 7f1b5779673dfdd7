// Texts the catalogue reader and writer put into SQL.
#pragma once

#include <string>
#include <string_view>

namespace gr::db {

// `name` as a quoted SQL identifier: in double quotes, with every double
// quote inside doubled.
inline std::string quoteIdentifier(std::string_view name)
{
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    q += '"';
    return q;
}

} // namespace gr::db
