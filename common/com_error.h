// Failed calls. Clients raise a failed status as an error that carries the
// status and the interface it came from; servers catch everything at the
// interface boundary and answer with an HRESULT.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>
#include <string>

namespace tb {

class ComCallError : public std::runtime_error {
public:
    ComCallError(HRESULT hr, const IID& iid, const std::string& what);
    HRESULT status() const { return hr_; }
    const IID& interfaceId() const { return iid_; }

private:
    HRESULT hr_;
    IID iid_;
};

// Throws ComCallError with the status, the interface and the text of the
// thread's error object or of the system message for the status.
[[noreturn]] void raiseComError(HRESULT hr, const IID& iid);

inline HRESULT raiseIfFailed(HRESULT hr, const IID& iid) {
    if (FAILED(hr)) raiseComError(hr, iid);
    return hr;
}

// "0x80004001 (Not implemented)" and the like.
std::string describeStatus(HRESULT hr);

// Runs the body of an interface method; no exception crosses the boundary.
template <class Body>
HRESULT comGuard(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const ComCallError& e) {
        return e.status();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace tb
