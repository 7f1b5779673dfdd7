// Building and reading the typed values that cross the service table.
#pragma once

#include <gearrt/api.hpp>
#include <gearrt/services.h>

#include <cstdint>
#include <string>

namespace gr {

// The kind's name as the program's messages call it.
const char* kindName(int32_t kind);
// "<kind name>" and, for a text, the text in quotes.
std::string valueDescription(const gr_value& v);

inline bool isNumeric(int32_t kind)
{
    return kind == GR_KIND_BYTE || kind == GR_KIND_SHORT || kind == GR_KIND_INT || kind == GR_KIND_LONG ||
           kind == GR_KIND_FLOAT || kind == GR_KIND_DOUBLE;
}

// A numeric value as a double (see isNumeric).
inline double widen(const gr_value& v)
{
    switch (v.kind) {
    case GR_KIND_FLOAT: return static_cast<double>(v.u.f);
    case GR_KIND_DOUBLE: return v.u.d;
    default: return static_cast<double>(v.u.i);
    }
}

// Values built as the program's facade builds them.
inline gr_value doubleValue(double d) { return rt::detail::dbl(d); }
inline gr_value intValue(int64_t i) { return rt::detail::integer(i); }
inline gr_value boolValue(bool b) { return rt::detail::logical(b); }

} // namespace gr
