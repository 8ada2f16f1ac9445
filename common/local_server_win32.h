// A client's way to a local server's object when the usual creation fails:
// after a server was ended by force, the system may keep its class for the
// process that is gone, and no creation would ever start the server again.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

namespace tb {

// A new object of the class; else the running one from the running object
// table; else the server started from its registered LocalServer32 program
// (the 64-bit registry view first) and its object taken from the table
// once the server has put it there, within `waitMs`. Null when none came,
// at once when the started server ends before it registers.
Microsoft::WRL::ComPtr<IUnknown> createOrStartLocalServer(REFCLSID clsid, DWORD waitMs = 15000);

}  // namespace tb
