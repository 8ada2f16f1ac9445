// tbpages.dll: the bar page table, filled when the library is loaded, and
// its four exports.
#include <windows.h>
#include <oleauto.h>

#include "bar_pages/page_table.h"
#include "bar_pages/tbpages.h"

using tb::pages::PageSlot;

namespace {

tb::pages::PageTable table;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) tb::pages::fillPageTable(table);
    return TRUE;
}

extern "C" char* __cdecl MainBarPage() {
    return table.text(PageSlot::MainBar);
}

extern "C" char* __cdecl MicroAdPage() {
    return table.text(PageSlot::MicroAd);
}

extern "C" char* __cdecl NavPage() {
    return table.text(PageSlot::Nav);
}

extern "C" int __cdecl ReferrerPage(_variant_t& out) {
    VARIANT& v = out;
    const HRESULT cleared = VariantClear(&v);
    if (FAILED(cleared)) return cleared;
    const char* text = table.text(PageSlot::Referrer);
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    BSTR copy = length > 0 ? SysAllocStringLen(nullptr, static_cast<UINT>(length - 1)) : nullptr;
    if (!copy) return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_ACP, 0, text, -1, copy, length);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = copy;
    return 0;
}
