// An edit that takes the Enter key for itself: the dialog manager does not
// turn it into the sheet's OK, and the page runs its own action instead.
#pragma once

#include <windows.h>

#include <functional>

namespace tb::manager {

void routeEnterKey(HWND edit, std::function<void()> onEnter);

}  // namespace tb::manager
