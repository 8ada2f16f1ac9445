// One owner for every BSTR, VARIANT and handle: the holder frees it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace tb {

class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const wchar_t* text) : bstr_(text ? SysAllocString(text) : nullptr) {}
    static ScopedBstr adopt(BSTR owned) {
        ScopedBstr s;
        s.bstr_ = owned;
        return s;
    }
    ~ScopedBstr() { SysFreeString(bstr_); }
    ScopedBstr(ScopedBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
    ScopedBstr& operator=(ScopedBstr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.bstr_, nullptr));
        return *this;
    }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;

    BSTR get() const { return bstr_; }
    // For an out-parameter: frees what is held and hands out the slot.
    BSTR* receive() {
        reset();
        return &bstr_;
    }
    BSTR release() { return std::exchange(bstr_, nullptr); }
    void reset(BSTR other = nullptr) {
        if (bstr_ != other) SysFreeString(bstr_);
        bstr_ = other;
    }
    UINT length() const { return SysStringLen(bstr_); }

private:
    BSTR bstr_ = nullptr;
};

class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&v_); }
    ~ScopedVariant() { VariantClear(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* receive() {
        VariantClear(&v_);
        return &v_;
    }
    VARIANT release() {
        VARIANT out = v_;
        VariantInit(&v_);
        return out;
    }
    VARTYPE type() const { return V_VT(&v_); }

private:
    VARIANT v_;
};

// A kernel handle (event, thread, mutex, file mapping).
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE h) : h_(h) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h = nullptr) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }
    HANDLE release() { return std::exchange(h_, nullptr); }

private:
    HANDLE h_ = nullptr;
};

// CoInitializeEx for the lifetime of a scope.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace tb
