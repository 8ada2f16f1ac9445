// How the recording fakes write the arguments of a call: texts quoted with
// unprintable bytes as \xNN, lists in brackets.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "common/com_convert.h"

namespace tb::test {

inline std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// VT_EMPTY as "empty", a string list as ["a", "b"], a 16-bit array as
// bool[1,0,...] or i2[...], anything else by its type number.
inline std::string describeVariant(const VARIANT* v) {
    if (!v) return "null";
    if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    if (V_VT(v) == VT_EMPTY) return "empty";
    if (V_VT(v) == (VT_ARRAY | VT_BSTR)) {
        auto strings = tb::stringsFromVariant(v);
        std::string out = "[";
        for (size_t i = 0; strings && i < strings->size(); ++i)
            out += (i ? ", " : "") + quoted((*strings)[i]);
        return out + "]";
    }
    if (V_VT(v) == (VT_ARRAY | VT_BOOL) || V_VT(v) == (VT_ARRAY | VT_I2)) {
        auto values = tb::shortsFromVariant(v, 1000);
        std::string out = V_VT(v) == (VT_ARRAY | VT_BOOL) ? "bool[" : "i2[";
        for (size_t i = 0; values && i < values->size(); ++i)
            out += (i ? "," : "") + std::to_string((*values)[i]);
        return out + "]";
    }
    return "vt" + std::to_string(V_VT(v));
}

}  // namespace tb::test
