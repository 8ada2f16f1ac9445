// The band's own window, class "OrvanBarClass", and the subclassing of the
// band site's window.
#pragma once

#include <windows.h>

namespace tb::bar {

inline constexpr wchar_t kBandWindowClass[] = L"OrvanBarClass";

// What the band window's procedure tells the band that owns it.
class BandWindowOwner {
  public:
    virtual ~BandWindowOwner() = default;
    virtual void windowCreated(HWND window) = 0;
    virtual void focusLost() = 0;
    virtual void windowResized(int width, int height) = 0;
    // The window is going: what it hosts goes with it.
    virtual void windowDestroyed() = 0;
};

// Registers the class once per process (a global class of this module).
bool registerBandWindowClass(HMODULE module);
void unregisterBandWindowClass(HMODULE module);

// A hidden child window of `parent` covering its client area; nullptr when
// it cannot be made.
HWND createBandWindow(HMODULE module, HWND parent, BandWindowOwner* owner);

// The site window swallows right-button-up (no context menu in the band
// site) and passes everything else on. Each site window keeps its own
// previous procedure, so several bands in one process never mix theirs up.
// While a site window runs through this module's procedure the module stays
// loaded.
void subclassSiteWindow(HWND site);
// Puts the previous procedure back, unless another procedure has been
// chained on top since (then ours stays and carries on without the band).
void restoreSiteWindow(HWND site);

}  // namespace tb::bar
