// Conversions between automation values and the core's 8-bit texts, through
// the system ANSI code page, in one place.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

// A null BSTR is the empty text. The text ends at the first NUL, as the
// core's C-string rules expect.
std::string toAnsi(BSTR text);
std::string toAnsi(const wchar_t* text, size_t length);
std::wstring toWide(std::string_view ansi);

// A new BSTR (the caller owns it); nullptr only when memory runs out.
BSTR newBstr(std::string_view ansi);
// Replaces *target by a new BSTR of the text, freeing the old one.
HRESULT reallocBstr(BSTR* target, std::string_view ansi);

// The strings of a list VARIANT: a one-dimensional VT_ARRAY | VT_BSTR, or
// VT_ARRAY | VT_VARIANT of strings (also by reference), directly or by
// reference, any lower bound. VT_EMPTY and a null array are the empty list.
// Anything else is not a list (nullopt).
std::optional<std::vector<std::string>> stringsFromVariant(const VARIANT* list);

// A one-dimensional VT_ARRAY | VT_BSTR with lower bound 0.
HRESULT variantFromStrings(const std::vector<std::string>& strings, VARIANT* out);

// The 16-bit elements of a one-dimensional array VARIANT whose element size
// is 2 (VT_BOOL, VT_I2, VT_UI2), at most `limit` of them; or of an array of
// VARIANT holding booleans and numbers that fit in 16 bits, at most `limit`
// of them and no more. nullopt for anything else.
std::optional<std::vector<short>> shortsFromVariant(const VARIANT* array, size_t limit);

inline VARIANT_BOOL toVariantBool(bool value) { return value ? 1 : 0; }

}  // namespace tb
