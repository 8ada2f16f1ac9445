// The Manager's connections to the filtering service: the application's one
// ILog reference and the short-lived IManagerData connection each page
// operation opens. A failed call is raised as ComCallError naming the
// interface, the operation and the status.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/tbserv.h"

namespace tb::manager {

using Microsoft::WRL::ComPtr;

// Raises a failed status of `operation` on interface `iid`.
void checkCall(HRESULT hr, REFIID iid, const char* operation);

// Log created with the class context in-process server, in-process handler
// and local server, run, and asked for IManagerData.
class ManagerDataLink {
  public:
    ManagerDataLink();
    IManagerData* operator->() const { return data_.Get(); }

  private:
    ComPtr<IManagerData> data_;
};

// The application's ILog connection with one more reference for this use.
ComPtr<ILog> serviceLog();

// ILog calls the Manager makes, with their automation values translated.
bool verifyPassword(const std::string& password);
bool tbOn(const std::string& password);

// List transfer: a VARIANT of BSTRs (VT_EMPTY or no array: empty list).
std::vector<std::string> stringList(VARIANT* list);
void setStringList(VARIANT* out, const std::vector<std::string>& strings);

}  // namespace tb::manager
