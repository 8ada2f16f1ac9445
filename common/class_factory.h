// Class objects. ClassFactory makes a new object per request; both kinds
// refuse aggregation.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "common/com_object.h"

namespace tb {

template <class T>
class ClassFactory : public ComObject<ClassFactory<T>, IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return T::createInstance(riid, ppv);
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            ModuleLock::lock();
        } else {
            ModuleLock::unlock();
        }
        return S_OK;
    }
};

// DllGetClassObject for one class: a new ClassFactory<T> when rclsid is the
// class's identity.
template <class T>
HRESULT getClassObject(REFCLSID rclsid, const CLSID& clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return ClassFactory<T>::createInstance(riid, ppv);
}

}  // namespace tb
