// The 32-bit companion of a 64-bit filtering service. A system-wide hook
// library is mapped only into processes of its own bitness, so on 64-bit
// Windows a 32-bit process must install the 32-bit tbhook.dll for 32-bit
// browsers to be noticed. tbhook32.exe is that process: the service starts
// it, tells it every switch of the filter, and it ends with the service.
//
//   tbhook32.exe <service process id> <1 filtering on | 0 off>
#pragma once

#include <windows.h>

namespace tb::hook {

inline constexpr char kCompanionProgram[] = "tbhook32.exe";
// A message-only window of this class receives the filter switches.
inline constexpr wchar_t kCompanionWindowClass[] = L"TamberlyHook32";
// wParam: 1 filtering on, 0 off.
inline constexpr UINT kCompanionFilterMessage = WM_APP + 1;

}  // namespace tb::hook
