// Type libraries: loading type information for IDispatch, registering the
// library embedded in a module (resource TYPELIB 1).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace tb {

// The module (exe or DLL) that contains this code.
HMODULE thisModule();
std::wstring modulePath(HMODULE module);
// Directory of a module's file, with its trailing backslash.
std::wstring moduleDirectory(HMODULE module);

// Type information of one interface: from the registered library when it is
// registered, otherwise from the library embedded in this module.
HRESULT loadTypeInfo(const GUID& libid, WORD major, WORD minor, REFIID iid, ITypeInfo** out);

HRESULT registerEmbeddedTypeLib(HMODULE module);
HRESULT unregisterTypeLib(const GUID& libid, WORD major, WORD minor);

// A 32-bit client of a 64-bit local server marshals its interfaces by the
// server's type library, so on 64-bit Windows the library is registered
// for win32 as well (the same file) and its interfaces in the registry view
// of 32-bit programs. Nothing to do in a 32-bit build.
HRESULT registerTypeLibFor32BitClients(HMODULE module);
void unregisterTypeLibFor32BitClients(const GUID& libid, WORD major, WORD minor);

}  // namespace tb
