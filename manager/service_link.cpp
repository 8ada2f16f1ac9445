#include "manager/service_link.h"

#include <ole2.h>

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/com_holders.h"
#include "common/local_server_win32.h"
#include "manager/manager_app.h"

namespace tb::manager {

namespace {
const char* interfaceName(REFIID iid) {
    if (IsEqualIID(iid, IID_ILog)) return "ILog";
    if (IsEqualIID(iid, IID_IManagerData)) return "IManagerData";
    return "the service";
}
}  // namespace

void checkCall(HRESULT hr, REFIID iid, const char* operation) {
    if (SUCCEEDED(hr)) return;
    throw ComCallError(
        hr, iid,
        std::string(interfaceName(iid)) + "::" + operation + " failed with " + describeStatus(hr));
}

ManagerDataLink::ManagerDataLink() {
    ComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(
        CLSID_Log, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
        IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    // A service ended by force may leave its class behind with the system:
    // the running one, or one started from its program, serves instead.
    if (FAILED(hr) && hr != E_NOINTERFACE && (unknown = createOrStartLocalServer(CLSID_Log)))
        hr = S_OK;
    if (hr != E_NOINTERFACE) checkCall(hr, IID_IManagerData, "CreateInstance");
    if (unknown) {
        OleRun(unknown.Get());
        checkCall(unknown.As(&data_), IID_IManagerData, "QueryInterface");
    } else {
        checkCall(E_NOINTERFACE, IID_IManagerData, "QueryInterface");
    }
}

ComPtr<ILog> serviceLog() {
    ComPtr<ILog> log = CManagerApp::instance().log();
    if (!log) checkCall(E_NOINTERFACE, IID_ILog, "QueryInterface");
    return log;
}

bool verifyPassword(const std::string& password) {
    ScopedBstr text = ScopedBstr::adopt(newBstr(password));
    VARIANT_BOOL verified = 0;
    checkCall(serviceLog()->VerifyPassword(text.get(), &verified), IID_ILog, "VerifyPassword");
    return verified != 0;
}

bool tbOn(const std::string& password) {
    ScopedBstr text = ScopedBstr::adopt(newBstr(password));
    VARIANT_BOOL on = 0;
    checkCall(serviceLog()->TBOn(text.get(), &on), IID_ILog, "TBOn");
    return on != 0;
}

std::vector<std::string> stringList(VARIANT* list) {
    std::optional<std::vector<std::string>> strings = stringsFromVariant(list);
    return strings ? *strings : std::vector<std::string>{};
}

void setStringList(VARIANT* out, const std::vector<std::string>& strings) {
    checkCall(variantFromStrings(strings, out), IID_IManagerData, "SafeArrayCreate");
}

}  // namespace tb::manager
