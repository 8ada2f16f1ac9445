#include <winsock2.h>

#include "time_server/time_server_object.h"

#include <oleauto.h>

#include <utility>

#include "common/com_error.h"
#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "time_server/computer_clock_win32.h"
#include "time_server/daytime_query_win32.h"

namespace tb {

// Shared by the object and each of its threads; the last owner frees it.
struct TimeServerState {
    explicit TimeServerState(TimeServerSetup s)
        : setup(std::move(s)),
          clock(setup.computer, setup.zone),
          stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    const TimeServerSetup setup;
    NetworkClock clock;
    ScopedHandle stop;  // set when the object goes
};

namespace {

struct ThreadStart {
    std::shared_ptr<TimeServerState> state;
    DaytimeServer server;
    HMODULE module = nullptr;  // a reference of the thread's own on this module
};

// True when the object has gone while waiting.
bool stopped(const TimeServerState& state, DWORD milliseconds) {
    return WaitForSingleObject(state.stop.get(), milliseconds) != WAIT_TIMEOUT;
}

void runTicker(TimeServerState& state) {
    while (!stopped(state, state.setup.tickMilliseconds)) state.clock.advance();
}

SyncOutcome synchroniseOnce(TimeServerState& state, const DaytimeServer& server) {
    if (!server.configured && !state.setup.internetConnected()) return SyncOutcome::NotConnected;
    try {
        const auto utc = daytimeQuery(server, state.setup.receiveTimeoutMilliseconds);
        if (!utc) return SyncOutcome::Failed;
        state.clock.synchronise(*utc);
        return SyncOutcome::Synchronised;
    } catch (...) {
        return SyncOutcome::Failed;  // out of memory: try again next time
    }
}

void runSynchronisation(TimeServerState& state, const DaytimeServer& server) {
    WSADATA data;
    const bool sockets = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    do {
        const SyncOutcome outcome = synchroniseOnce(state, server);
        if (state.setup.afterSync) state.setup.afterSync(outcome);
    } while (!stopped(state, state.setup.syncMilliseconds));
    if (sockets) WSACleanup();
}

// The thread's code lives in this module, so the thread keeps the module
// loaded until it has left it.
template <void (*Body)(ThreadStart&)>
DWORD WINAPI threadMain(void* parameter) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    try {
        Body(*start);
    } catch (...) {
        // Nothing may leave a thread; the clock stays as it is.
    }
    const HMODULE module = start->module;
    start.reset();
    FreeLibraryAndExitThread(module, 0);
}

void tickerBody(ThreadStart& start) {
    runTicker(*start.state);
}
void synchronisationBody(ThreadStart& start) {
    runSynchronisation(*start.state, start.server);
}

HRESULT startThread(LPTHREAD_START_ROUTINE routine, const std::shared_ptr<TimeServerState>& state,
                    const DaytimeServer& server) {
    auto start = std::make_unique<ThreadStart>();
    start->state = state;
    start->server = server;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(routine), &start->module)) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const HMODULE module = start->module;
    ScopedHandle thread(CreateThread(nullptr, 0, routine, start.get(), 0, nullptr));
    if (!thread.valid()) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        start.reset();
        FreeLibrary(module);
        return hr;
    }
    start.release();  // the thread owns it now
    return S_OK;
}

std::shared_ptr<ComputerClock> processComputerClock() {
    static const auto clock = std::make_shared<Win32ComputerClock>();
    return clock;
}

std::shared_ptr<ZoneChoice> processZoneChoice() {
    static const auto zone = std::make_shared<ZoneChoice>();
    return zone;
}

struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* a) const { SafeArrayDestroy(a); }
};

}  // namespace

TimeServerSetup TimeServerSetup::standard() {
    TimeServerSetup setup;
    setup.computer = processComputerClock();
    setup.zone = processZoneChoice();
    setup.internetConnected = &tb::internetConnected;
    setup.server = [] {
        Win32Registry registry;
        return readDaytimeServer(registry);
    };
    return setup;
}

TimeServerObject::TimeServerObject() : TimeServerObject(TimeServerSetup::standard()) {}

TimeServerObject::TimeServerObject(TimeServerSetup setup)
    : state_(std::make_shared<TimeServerState>(std::move(setup))) {}

TimeServerObject::~TimeServerObject() {
    if (state_->stop.valid()) SetEvent(state_->stop.get());
}

void* TimeServerObject::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch))
        return static_cast<IDispatch*>(static_cast<ITimeServer*>(this));
    return nullptr;
}

STDMETHODIMP TimeServerObject::GetTime(VARIANT* abHours, LONG* lTime) {
    if (abHours) VariantInit(abHours);
    if (lTime) *lTime = 0;
    if (!abHours || !lTime) return E_POINTER;
    return comGuard([&] {
        const TimeReading reading = state_->clock.read();
        const auto fields = reading.fields.asArray();
        std::unique_ptr<SAFEARRAY, SafeArrayDestroyer> array(
            SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(fields.size())));
        if (!array) return E_OUTOFMEMORY;
        LONG* data = nullptr;
        HRESULT hr = SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data));
        if (FAILED(hr)) return hr;
        for (size_t i = 0; i < fields.size(); ++i) data[i] = fields[i];
        SafeArrayUnaccessData(array.get());
        V_VT(abHours) = VT_ARRAY | VT_I4;
        V_ARRAY(abHours) = array.release();
        *lTime = reading.value;
        return S_OK;
    });
}

STDMETHODIMP TimeServerObject::Start() {
    return comGuard([&] {
        if (!state_->stop.valid()) return E_OUTOFMEMORY;
        const DaytimeServer server = state_->setup.server();
        HRESULT hr = startThread(&threadMain<tickerBody>, state_, server);
        if (SUCCEEDED(hr)) hr = startThread(&threadMain<synchronisationBody>, state_, server);
        return hr;
    });
}

STDMETHODIMP TimeServerObject::SetTimezoneOffset(float fTZOffset) {
    state_->setup.zone->choose(fTZOffset);
    return S_OK;
}

}  // namespace tb
