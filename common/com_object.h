// A COM object without a framework: the class lists its interfaces once and
// gets a table-driven QueryInterface and an interlocked reference count.
//
//   class Thing : public tb::ComObject<Thing, IFoo, tb::Dispatch<IBar, &LIBID_x>> { ... };
//
// IUnknown resolves to the first interface. Aliases that are not listed as a
// base of their own (IDispatch of a dual interface, IPersist of IPersistStream,
// IOleWindow of IDeskBand) are answered by an optional member
//   void* queryAlias(REFIID riid);
// of the class, which returns nullptr for anything it does not know.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>

namespace tb {

// Counts live objects and server locks of this module, for DllCanUnloadNow
// and for local servers that want to know when they are idle.
class ModuleLock {
public:
    static void lock() { count().fetch_add(1); }
    static void unlock() { count().fetch_sub(1); }
    static long active() { return count().load(); }

private:
    static std::atomic<long>& count() {
        static std::atomic<long> value{0};
        return value;
    }
};

// A base entry of a ComObject may be the interface itself or a helper class
// that implements it and names it as `Interface` (such as tb::Dispatch<I>).
template <class T, class = void>
struct InterfaceOf {
    using type = T;
};
template <class T>
struct InterfaceOf<T, std::void_t<typename T::Interface>> {
    using type = typename T::Interface;
};

template <class Derived, class... Bases>
class ComObject : public Bases... {
    static_assert(sizeof...(Bases) > 0, "a COM object implements at least one interface");

public:
    ComObject() { ModuleLock::lock(); }
    virtual ~ComObject() { ModuleLock::unlock(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        void* found = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            found = static_cast<IUnknown*>(static_cast<typename InterfaceOf<First>::type*>(
                static_cast<First*>(this)));
        } else {
            found = findBase<Bases...>(riid);
        }
        if (!found) found = static_cast<Derived*>(this)->queryAlias(riid);
        if (!found) return E_NOINTERFACE;
        static_cast<IUnknown*>(found)->AddRef();
        *ppv = found;
        return S_OK;
    }

    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }

    STDMETHODIMP_(ULONG) Release() override {
        const long left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(left);
    }

    // Default: no aliases. A class that has some hides this one.
    void* queryAlias(REFIID) { return nullptr; }

    // Creates an object with one reference held by the caller's pointer.
    template <class... Args>
    static Derived* create(Args&&... args) {
        Derived* object = new (std::nothrow) Derived(std::forward<Args>(args)...);
        if (object) object->AddRef();
        return object;
    }

    // Creates an object and hands out the requested interface; the object
    // is gone again when the query fails.
    template <class... Args>
    static HRESULT createInstance(REFIID riid, void** ppv, Args&&... args) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        Derived* object = create(std::forward<Args>(args)...);
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }

protected:
    long refCount() const { return refs_.load(); }

private:
    using First = std::tuple_element_t<0, std::tuple<Bases...>>;

    template <class B, class... Rest>
    void* findBase(REFIID riid) {
        using I = typename InterfaceOf<B>::type;
        if (IsEqualIID(riid, __uuidof(I))) return static_cast<I*>(static_cast<B*>(this));
        if constexpr (sizeof...(Rest) > 0) {
            return findBase<Rest...>(riid);
        } else {
            return nullptr;
        }
    }

    std::atomic<long> refs_{0};
};

}  // namespace tb
