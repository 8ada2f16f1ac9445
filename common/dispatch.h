// IDispatch of a dual interface, carried out by the interface's type
// information, so every member is reachable by slot and by DISPID alike.
//
//   class Log : public tb::ComObject<Log, tb::Dispatch<ILog, &LIBID_tbservLib>, ...>
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <mutex>

#include "common/type_library.h"

namespace tb {

template <class I, const GUID* LibId, WORD Major = 1, WORD Minor = 0>
class Dispatch : public I {
public:
    using Interface = I;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return typeInfo(info);
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = nullptr;
        HRESULT hr = typeInfo(&info);
        if (FAILED(hr)) return hr;
        hr = info->GetIDsOfNames(names, count, ids);
        info->Release();
        return hr;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = nullptr;
        HRESULT hr = typeInfo(&info);
        if (FAILED(hr)) return hr;
        hr = info->Invoke(static_cast<I*>(this), id, flags, params, result, excep, argErr);
        info->Release();
        return hr;
    }

private:
    // Loaded once per interface and kept for the life of the process.
    static HRESULT typeInfo(ITypeInfo** out) {
        static std::mutex lock;
        static ITypeInfo* cached = nullptr;
        std::lock_guard<std::mutex> hold(lock);
        if (!cached) {
            const HRESULT hr = loadTypeInfo(*LibId, Major, Minor, __uuidof(I), &cached);
            if (FAILED(hr)) return hr;
        }
        cached->AddRef();
        *out = cached;
        return S_OK;
    }
};

}  // namespace tb
