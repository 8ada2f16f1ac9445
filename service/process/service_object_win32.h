// What the resident service needs of the object it serves. The service
// process is written against this interface; createServiceObject() makes
// the real one (the Log object with its settings and lists).
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <memory>
#include <utility>
#include <vector>

#include "service/process/service_calls.h"

namespace tb {

class ServiceObject {
  public:
    virtual ~ServiceObject() = default;

    // The one object every client gets (the Log class); registered in the
    // running object table before load() runs.
    virtual IUnknown* object() = 0;
    virtual void load() = 0;  // the Log object's Load
    virtual void save() = 0;  // at the orderly end
    virtual ServiceCalls& calls() = 0;
    // The hook library's THInitialize(NULL), at the first tray set-up.
    virtual void initializeHook() {}
    // Classes served beside Log (the site-log entry class), if any.
    virtual std::vector<std::pair<CLSID, Microsoft::WRL::ComPtr<IClassFactory>>> otherClasses() {
        return {};
    }
};

// The service's object: the Log object (service_object_win32.cpp).
std::unique_ptr<ServiceObject> createServiceObject();

}  // namespace tb
