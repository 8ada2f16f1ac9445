// The browser watch hook library: a system-wide window-creation hook that
// warns about and closes the browsers the filter does not support.
#pragma once

#include <windows.h>

extern "C" {

// Sets the library up in the calling process and installs the hook unless
// one is installed. Answers the id of the message "THFoundBrowser", 0 on
// failure.
unsigned __cdecl THInitialize(HWND owner);

// Ends this process's DDE use and removes the hook.
void __cdecl THUninitialize();

// Kind 1 closes the Netscape-family browser, kind 2 Opera, five seconds from
// now on the calling thread; other kinds do nothing.
void __cdecl THKillBrowser(unsigned kind);

// Switches the reaction to recognised browsers on or off in every process.
void __cdecl THFilterOn(bool on);
}
