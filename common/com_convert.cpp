#include "common/com_convert.h"

#include <algorithm>

namespace tb {

std::string toAnsi(const wchar_t* text, size_t length) {
    if (!text || length == 0) return {};
    const std::wstring_view view(text, length);
    const size_t nul = view.find(L'\0');
    const int n = static_cast<int>(nul == std::wstring_view::npos ? length : nul);
    if (n == 0) return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, n, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string toAnsi(BSTR text) { return toAnsi(text, text ? SysStringLen(text) : 0); }

std::wstring toWide(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int n = static_cast<int>(ansi.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0);
    std::wstring out(chars > 0 ? chars : 0, L'\0');
    if (chars > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, out.data(), chars);
    return out;
}

BSTR newBstr(std::string_view ansi) {
    const std::wstring wide = toWide(ansi);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

HRESULT reallocBstr(BSTR* target, std::string_view ansi) {
    if (!target) return E_POINTER;
    BSTR fresh = newBstr(ansi);
    if (!fresh) return E_OUTOFMEMORY;
    SysFreeString(*target);
    *target = fresh;
    return S_OK;
}

namespace {

// The array of a VARIANT of the given element type, seen through VT_BYREF.
// Sets `ok` false when the VARIANT is of another kind.
SAFEARRAY* arrayOf(const VARIANT* v, VARTYPE element, bool& ok) {
    ok = true;
    const VARTYPE vt = V_VT(v);
    if (vt == (VT_ARRAY | element)) return V_ARRAY(v);
    if (vt == (VT_BYREF | VT_ARRAY | element)) return V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr;
    if (vt == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) return arrayOf(V_VARIANTREF(v), element, ok);
    ok = false;
    return nullptr;
}

}  // namespace

std::optional<std::vector<std::string>> stringsFromVariant(const VARIANT* list) {
    if (!list) return std::nullopt;
    if (V_VT(list) == VT_EMPTY) return std::vector<std::string>{};
    bool ok = false;
    SAFEARRAY* array = arrayOf(list, VT_BSTR, ok);
    if (!ok) return std::nullopt;
    std::vector<std::string> out;
    if (!array) return out;
    if (SafeArrayGetDim(array) != 1) return std::nullopt;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return std::nullopt;
    }
    BSTR* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return std::nullopt;
    const LONG count = upper >= lower ? upper - lower + 1 : 0;
    out.reserve(count);
    for (LONG i = 0; i < count; ++i) out.push_back(toAnsi(data[i]));
    SafeArrayUnaccessData(array);
    return out;
}

HRESULT variantFromStrings(const std::vector<std::string>& strings, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(strings.size()));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(strings.size()); ++i) {
        BSTR item = newBstr(strings[i]);
        const HRESULT hr = item ? SafeArrayPutElement(array, &i, item) : E_OUTOFMEMORY;
        SysFreeString(item);  // SafeArrayPutElement stores a copy
        if (FAILED(hr)) {
            SafeArrayDestroy(array);
            return hr;
        }
    }
    V_VT(out) = VT_ARRAY | VT_BSTR;
    V_ARRAY(out) = array;
    return S_OK;
}

std::optional<std::vector<short>> shortsFromVariant(const VARIANT* v, size_t limit) {
    if (!v) return std::nullopt;
    SAFEARRAY* array = nullptr;
    bool ok = false;
    for (VARTYPE element : {VT_BOOL, VT_I2, VT_UI2}) {
        array = arrayOf(v, element, ok);
        if (ok) break;
    }
    if (!ok || !array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 2) return std::nullopt;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return std::nullopt;
    }
    short* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) return std::nullopt;
    const size_t count = upper >= lower ? static_cast<size_t>(upper - lower + 1) : 0;
    std::vector<short> out(data, data + std::min(count, limit));
    SafeArrayUnaccessData(array);
    return out;
}

}  // namespace tb
