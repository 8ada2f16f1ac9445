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

// The element count of a one-dimensional array, whatever its lower bound;
// nullopt for more dimensions.
std::optional<size_t> countOf(SAFEARRAY* array) {
    if (SafeArrayGetDim(array) != 1) return std::nullopt;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return std::nullopt;
    }
    return upper >= lower ? static_cast<size_t>(upper - lower + 1) : 0;
}

// Each element of a one-dimensional array VARIANT given to `take`, in
// order, as the element type's data: `T` for an array of `element`, a
// VARIANT for an array of VARIANT (what script languages send). False when
// the VARIANT is neither, has more dimensions, or `take` refuses an element.
template <typename T, typename Take, typename TakeVariant>
bool forEachElement(const VARIANT* v, VARTYPE element, Take take, TakeVariant takeVariant) {
    bool typed = false, variants = false;
    SAFEARRAY* array = element == VT_VARIANT ? nullptr : arrayOf(v, element, typed);
    if (!typed) array = arrayOf(v, VT_VARIANT, variants);
    if (!typed && !variants) return false;
    if (!array) return true;
    const std::optional<size_t> count = countOf(array);
    if (!count) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return false;
    bool ok = true;
    for (size_t i = 0; ok && i < *count; ++i) {
        if (typed) {
            ok = take(static_cast<T*>(data)[i]);
        } else {
            const VARIANT* item = &static_cast<VARIANT*>(data)[i];
            while (V_VT(item) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(item))
                item = V_VARIANTREF(item);
            ok = takeVariant(*item);
        }
    }
    SafeArrayUnaccessData(array);
    return ok;
}

bool hasMoreThan(const VARIANT* v, size_t limit) {
    bool ok = false;
    SAFEARRAY* array = arrayOf(v, VT_VARIANT, ok);
    const std::optional<size_t> count = array ? countOf(array) : std::nullopt;
    return count && *count > limit;
}

}  // namespace

// Script languages send arrays of VARIANT; their elements are taken when
// they are strings, directly or by reference.
std::optional<std::vector<std::string>> stringsFromVariant(const VARIANT* list) {
    if (!list) return std::nullopt;
    if (V_VT(list) == VT_EMPTY) return std::vector<std::string>{};
    std::vector<std::string> out;
    const bool ok = forEachElement<BSTR>(
        list, VT_BSTR,
        [&](BSTR text) {
            out.push_back(toAnsi(text));
            return true;
        },
        [&](const VARIANT& item) {
            if (V_VT(&item) == VT_BSTR) {
                out.push_back(toAnsi(V_BSTR(&item)));
            } else if (V_VT(&item) == (VT_BYREF | VT_BSTR) && V_BSTRREF(&item)) {
                out.push_back(toAnsi(*V_BSTRREF(&item)));
            } else {
                return false;
            }
            return true;
        });
    if (!ok) return std::nullopt;
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

// An array of VARIANT gives booleans as they are and numbers that fit in
// 16 bits; any other element refuses the whole array.
std::optional<std::vector<short>> shortsFromVariant(const VARIANT* v, size_t limit) {
    if (!v) return std::nullopt;
    std::vector<short> out;
    const auto keep = [&](short value) {
        if (out.size() < limit) out.push_back(value);
        return true;
    };
    const auto keepVariant = [&](const VARIANT& item) {
        if (V_VT(&item) == VT_BOOL) return keep(V_BOOL(&item));
        constexpr VARTYPE kNumbers[] = {VT_I1,   VT_UI1, VT_I2,  VT_UI2, VT_I4, VT_UI4,     VT_INT,
                                        VT_UINT, VT_I8,  VT_UI8, VT_R4,  VT_R8, VT_DECIMAL, VT_CY};
        if (std::find(std::begin(kNumbers), std::end(kNumbers), V_VT(&item)) == std::end(kNumbers))
            return false;
        VARIANT number;
        VariantInit(&number);
        if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&item), 0, VT_I2))) return false;
        return keep(V_I2(&number));
    };
    VARTYPE element = VT_VARIANT;
    for (VARTYPE shortType : {VT_BOOL, VT_I2, VT_UI2}) {
        bool typed = false;
        arrayOf(v, shortType, typed);
        if (typed) element = shortType;
    }
    if (!forEachElement<short>(v, element, keep, keepVariant)) return std::nullopt;
    // A script's array is exactly as long as it was meant to be.
    if (element == VT_VARIANT && out.size() == limit && hasMoreThan(v, limit)) return std::nullopt;
    return out;
}

}  // namespace tb
