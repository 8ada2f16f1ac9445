// tbpages.dll's exports as its callers see them: plain cdecl functions,
// linked by name. The texts belong to the library and stay valid while it
// is loaded; callers may change them in place within their terminators.
#pragma once

#include <windows.h>
#include <comutil.h>

extern "C" {

char* __cdecl MainBarPage();
char* __cdecl MicroAdPage();
char* __cdecl NavPage();
// Clears `out`, then sets it to a new BSTR copy of the referrer text; 0, or
// the clearing's failure, or E_OUTOFMEMORY (and `out` without the text).
int __cdecl ReferrerPage(_variant_t& out);
}
