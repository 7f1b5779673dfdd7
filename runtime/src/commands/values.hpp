// Building and reading the typed values that cross the service table.
#pragma once

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

inline gr_value intValue(int64_t i)
{
    gr_value v{};
    v.kind = GR_KIND_INT;
    v.u.i = i;
    return v;
}

inline gr_value doubleValue(double d)
{
    gr_value v{};
    v.kind = GR_KIND_DOUBLE;
    v.u.d = d;
    return v;
}

inline gr_value boolValue(bool b)
{
    gr_value v{};
    v.kind = GR_KIND_BOOL;
    v.u.i = b ? 1 : 0;
    return v;
}

} // namespace gr
