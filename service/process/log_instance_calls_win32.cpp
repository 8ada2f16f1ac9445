#include "service/process/log_instance_calls_win32.h"

#include <wrl/client.h>

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/com_holders.h"
#include "common/tbserv.h"

namespace tb {

namespace {

Microsoft::WRL::ComPtr<ILog> logInstance() {
    Microsoft::WRL::ComPtr<ILog> log;
    const HRESULT hr = CoCreateInstance(CLSID_Log, nullptr, CLSCTX_ALL, IID_ILog,
                                        reinterpret_cast<void**>(log.GetAddressOf()));
    if (FAILED(hr) && hr != E_NOINTERFACE) raiseComError(hr, IID_ILog);
    if (!log) raiseComError(E_NOINTERFACE, IID_ILog);
    return log;
}

}  // namespace

bool LogInstanceCalls::tbOn(const std::string& password) {
    ScopedBstr text = ScopedBstr::adopt(newBstr(password));
    VARIANT_BOOL on = 0;
    raiseIfFailed(logInstance()->TBOn(text.get(), &on), IID_ILog);
    return on != 0;
}

void LogInstanceCalls::startTimeLogging() {
    raiseIfFailed(logInstance()->StartTimeLogging(), IID_ILog);
}

void LogInstanceCalls::stopTimeLogging() {
    raiseIfFailed(logInstance()->StopTimeLogging(), IID_ILog);
}

}  // namespace tb
