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

}  // namespace tb
