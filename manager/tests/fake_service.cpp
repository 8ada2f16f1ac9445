// A recording stand-in for the filtering service: a local server that
// registers a Log class object and the active object as the service does,
// answers ILog and IManagerData from a small script, and appends every call
// with its arguments, in order, to a log file.
//
//   fake_tbserv.exe <script> <call-log> <ready-event> <quit-event>
//
// Script lines (key=value): password=TEXT | nopassword, filter=0|1,
// timed=0|1, timezone=TEXT, total.D=N, hours.D=24 digits, category.C=N,
// visited=TIME ADDRESS, blocked=TIME ADDRESS, blocklist=ADDRESS,
// allowlist=ADDRESS, word=WORD, words=N (adds w0000.. wN-1), fail=METHOD.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "common/com_convert.h"
#include "common/com_object.h"
#include "common/dispatch.h"
#include "common/tbserv.h"
#include "common/type_library.h"
#include "manager/tests/call_text.h"

namespace {

using tb::ComObject;
using tb::Dispatch;

struct State {
    bool hasPassword = true;
    std::string password = "secret";
    bool filter = true;
    bool timed = true;
    std::string timezone = "(UTC) Coordinated Universal Time";
    short totals[7] = {24, 24, 24, 24, 24, 24, 24};
    std::vector<short> hours[7];
    int categories[6] = {1, 1, 1, 1, 1, 0};
    std::vector<std::string> visited, blocked, blockList, allowList, words;
    std::set<std::string> failing;
};

State state;
std::string logPath;

void record(const std::string& line) {
    std::ofstream out(logPath, std::ios::binary | std::ios::app);
    out << line << "\r\n";
}

void loadScript(const std::string& path) {
    for (auto& day : state.hours) day.assign(24, 1);
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "password") {
            state.password = value;
            state.hasPassword = true;
        } else if (key == "nopassword") {
            state.hasPassword = false;
        } else if (key == "filter") {
            state.filter = value == "1";
        } else if (key == "timed") {
            state.timed = value == "1";
        } else if (key == "timezone") {
            state.timezone = value;
        } else if (key.rfind("total.", 0) == 0) {
            state.totals[std::stoi(key.substr(6))] = static_cast<short>(std::stoi(value));
        } else if (key.rfind("hours.", 0) == 0) {
            auto& day = state.hours[std::stoi(key.substr(6))];
            day.clear();
            for (char c : value) day.push_back(static_cast<short>(c - '0'));
        } else if (key.rfind("category.", 0) == 0) {
            state.categories[std::stoi(key.substr(9))] = std::stoi(value);
        } else if (key == "visited") {
            state.visited.push_back(value);
        } else if (key == "blocked") {
            state.blocked.push_back(value);
        } else if (key == "blocklist") {
            state.blockList.push_back(value);
        } else if (key == "allowlist") {
            state.allowList.push_back(value);
        } else if (key == "word") {
            state.words.push_back(value);
        } else if (key == "words") {
            char name[16];
            for (int i = 0, n = std::stoi(value); i < n; ++i) {
                std::snprintf(name, sizeof name, "w%04d", i);
                state.words.push_back(name);
            }
        } else if (key == "fail") {
            state.failing.insert(value);
        }
    }
}

// A scripted failure, recorded like any call.
bool failing(const char* method) {
    return state.failing.count(method) != 0;
}

std::string quoted(BSTR text) {
    return tb::test::quoted(tb::toAnsi(text));
}

HRESULT answer(const char* method) {
    return failing(method) ? E_FAIL : S_OK;
}

class FakeLog : public ComObject<FakeLog, Dispatch<ILog, &LIBID_tbservLib>,
                                 Dispatch<IManagerData, &LIBID_tbservLib>> {
  public:
    void* queryAlias(REFIID riid) {
        if (IsEqualIID(riid, IID_IDispatch)) return static_cast<ILog*>(this);
        return nullptr;
    }

    // ILog
    STDMETHODIMP IsURLAllowed(BSTR url, VARIANT_BOOL* allowed) override {
        record("IsURLAllowed(" + quoted(url) + ")");
        if (allowed) *allowed = 1;
        return answer("IsURLAllowed");
    }
    STDMETHODIMP LogURL(BSTR* url, VARIANT_BOOL* allowed) override {
        record("LogURL(" + quoted(url ? *url : nullptr) + ")");
        if (allowed) *allowed = 1;
        return answer("LogURL");
    }
    STDMETHODIMP Save() override {
        record("Save()");
        return answer("Save");
    }
    STDMETHODIMP Load() override {
        record("Load()");
        return answer("Load");
    }
    STDMETHODIMP UploadFromFile(BSTR path, BSTR file, VARIANT_BOOL* entire,
                                VARIANT_BOOL* allow) override {
        record("UploadFromFile(" + quoted(path) + ", " + quoted(file) + ", " +
               std::to_string(entire ? *entire : -9) + ", " + std::to_string(allow ? *allow : -9) +
               ")");
        state.blockList.push_back("imported.example/");
        return answer("UploadFromFile");
    }
    STDMETHODIMP AddURL(BSTR* url, VARIANT_BOOL*, VARIANT_BOOL*) override {
        record("AddURL(" + quoted(url ? *url : nullptr) + ")");
        return answer("AddURL");
    }
    STDMETHODIMP needUpdate(BSTR* url, VARIANT_BOOL* need) override {
        record("needUpdate()");
        if (url) *url = nullptr;
        if (need) *need = 0;
        return answer("needUpdate");
    }
    STDMETHODIMP DownloadDNAList() override {
        record("DownloadDNAList()");
        return answer("DownloadDNAList");
    }
    STDMETHODIMP passesFilterList(BSTR*, BSTR*, VARIANT_BOOL* passed) override {
        record("passesFilterList()");
        if (passed) *passed = 1;
        return answer("passesFilterList");
    }
    STDMETHODIMP internalURLMatch(BSTR, VARIANT_BOOL* match) override {
        record("internalURLMatch()");
        if (match) *match = 0;
        return answer("internalURLMatch");
    }
    STDMETHODIMP AddWordToBlock(BSTR word, VARIANT_BOOL* result) override {
        record("AddWordToBlock(" + quoted(word) + ")");
        if (result) *result = 1;
        return answer("AddWordToBlock");
    }
    STDMETHODIMP getFirstUserWord(BSTR* word) override {
        record("getFirstUserWord()");
        if (word) *word = nullptr;
        return answer("getFirstUserWord");
    }
    STDMETHODIMP getNextUserWord(BSTR* word) override {
        record("getNextUserWord()");
        if (word) *word = nullptr;
        return answer("getNextUserWord");
    }
    STDMETHODIMP removeUserWord(BSTR word) override {
        record("removeUserWord(" + quoted(word) + ")");
        return answer("removeUserWord");
    }
    STDMETHODIMP VerifyPassword(BSTR password, VARIANT_BOOL* verified) override {
        const std::string text = tb::toAnsi(password);
        record("VerifyPassword(" + tb::test::quoted(text) + ")");
        bool ok = false;
        if (text.size() >= 1 && static_cast<unsigned char>(text[0]) == 254) {
            if (text.size() == 1) {
                ok = !state.hasPassword;
            } else {
                state.password = text.substr(1);
                state.hasPassword = true;
                ok = true;
            }
        } else {
            ok = !state.hasPassword || tb::lowered(text) == tb::lowered(state.password);
        }
        if (verified) *verified = ok ? 1 : 0;
        return answer("VerifyPassword");
    }
    STDMETHODIMP TBOn(BSTR password, VARIANT_BOOL* on) override {
        const std::string text = tb::toAnsi(password);
        record("TBOn(" + tb::test::quoted(text) + ")");
        if (state.hasPassword && !text.empty() &&
            tb::lowered(text) == tb::lowered(state.password)) {
            state.filter = !state.filter;
        }
        if (on) *on = state.filter ? 1 : 0;
        return answer("TBOn");
    }
    STDMETHODIMP About() override {
        record("About()");
        return answer("About");
    }
    STDMETHODIMP RemoveURL(BSTR url) override {
        record("RemoveURL(" + quoted(url) + ")");
        return answer("RemoveURL");
    }
    STDMETHODIMP GetLocalErrorPage(BSTR* url) override {
        record("GetLocalErrorPage()");
        if (url) *url = nullptr;
        return answer("GetLocalErrorPage");
    }
    STDMETHODIMP UninstallTB() override {
        record("UninstallTB()");
        return answer("UninstallTB");
    }
    STDMETHODIMP AddRefCount() override {
        record("AddRefCount()");
        return answer("AddRefCount");
    }
    STDMETHODIMP DecRefCount() override {
        record("DecRefCount()");
        return answer("DecRefCount");
    }
    STDMETHODIMP CheckTimedAccess(LONG* left, LONG* err) override {
        record("CheckTimedAccess()");
        if (left) *left = 86400;
        if (err) *err = 0;
        return answer("CheckTimedAccess");
    }
    STDMETHODIMP StartTimeLogging() override {
        record("StartTimeLogging()");
        return answer("StartTimeLogging");
    }
    STDMETHODIMP StopTimeLogging() override {
        record("StopTimeLogging()");
        return answer("StopTimeLogging");
    }
    STDMETHODIMP FilterURL(BSTR* url, VARIANT_BOOL* user, VARIANT_BOOL* allowed) override {
        record("FilterURL(" + quoted(url ? *url : nullptr) + ")");
        if (user) *user = 1;
        if (allowed) *allowed = 1;
        return answer("FilterURL");
    }

    // IManagerData
    STDMETHODIMP GetAccessHours(eDAY day, VARIANT* hours) override {
        record("GetAccessHours(" + std::to_string(day) + ")");
        if (!hours || day < 0 || day > 6) return E_INVALIDARG;
        VariantInit(hours);
        const auto& values = state.hours[day];
        SAFEARRAY* array = SafeArrayCreateVector(VT_BOOL, 0, static_cast<ULONG>(values.size()));
        VARIANT_BOOL* data = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
        for (size_t i = 0; i < values.size(); ++i) data[i] = values[i];
        SafeArrayUnaccessData(array);
        V_VT(hours) = VT_ARRAY | VT_BOOL;
        V_ARRAY(hours) = array;
        return answer("GetAccessHours");
    }
    STDMETHODIMP SetAccessHours(eDAY day, VARIANT* hours) override {
        record("SetAccessHours(" + std::to_string(day) + ", " + tb::test::describeVariant(hours) +
               ")");
        return answer("SetAccessHours");
    }
    STDMETHODIMP GetTotalHours(eDAY day, short* hours) override {
        record("GetTotalHours(" + std::to_string(day) + ")");
        if (hours && day >= 0 && day <= 6) *hours = state.totals[day];
        return answer("GetTotalHours");
    }
    STDMETHODIMP SetTotalHours(eDAY day, short hours) override {
        record("SetTotalHours(" + std::to_string(day) + ", " + std::to_string(hours) + ")");
        return answer("SetTotalHours");
    }
    STDMETHODIMP GetCategoryState(eCATEGORY cat, VARIANT_BOOL* blocked) override {
        record("GetCategoryState(" + std::to_string(cat) + ")");
        if (blocked && cat >= 0 && cat <= 5)
            *blocked = static_cast<VARIANT_BOOL>(state.categories[cat]);
        return answer("GetCategoryState");
    }
    STDMETHODIMP SetCategoryState(eCATEGORY cat, VARIANT_BOOL blocked) override {
        record("SetCategoryState(" + std::to_string(cat) + ", " + std::to_string(blocked) + ")");
        return answer("SetCategoryState");
    }
    STDMETHODIMP GetVisitedSites(VARIANT* sites) override {
        return giveList("GetVisitedSites", state.visited, sites);
    }
    STDMETHODIMP SetVisitedSites(VARIANT* sites) override {
        return takeList("SetVisitedSites", sites);
    }
    STDMETHODIMP GetPersBlockSites(VARIANT* sites) override {
        return giveList("GetPersBlockSites", state.blockList, sites);
    }
    STDMETHODIMP SetPersBlockSites(VARIANT* sites) override {
        return takeList("SetPersBlockSites", sites);
    }
    STDMETHODIMP GetWords(VARIANT* words) override {
        return giveList("GetWords", state.words, words);
    }
    STDMETHODIMP SetWords(VARIANT* words) override { return takeList("SetWords", words); }
    STDMETHODIMP GetTimezoneString(BSTR* zone) override {
        record("GetTimezoneString()");
        if (zone) *zone = tb::newBstr(state.timezone);
        return answer("GetTimezoneString");
    }
    STDMETHODIMP SetTimezoneString(BSTR* zone) override {
        record("SetTimezoneString(" + quoted(zone ? *zone : nullptr) + ")");
        return answer("SetTimezoneString");
    }
    STDMETHODIMP GetBlockedLog(VARIANT* sites) override {
        return giveList("GetBlockedLog", state.blocked, sites);
    }
    STDMETHODIMP SetBlockedLog(VARIANT* sites) override { return takeList("SetBlockedLog", sites); }
    STDMETHODIMP GetAllowedSites(VARIANT* sites) override {
        return giveList("GetAllowedSites", state.allowList, sites);
    }
    STDMETHODIMP SetAllowedSites(VARIANT* sites) override {
        return takeList("SetAllowedSites", sites);
    }
    STDMETHODIMP GetTimedAccess(VARIANT_BOOL* on) override {
        record("GetTimedAccess()");
        if (on) *on = state.timed ? 1 : 0;
        return answer("GetTimedAccess");
    }
    STDMETHODIMP SetTimedAccess(VARIANT_BOOL on) override {
        record("SetTimedAccess(" + std::to_string(on) + ")");
        return answer("SetTimedAccess");
    }

  private:
    HRESULT giveList(const char* method, const std::vector<std::string>& list, VARIANT* out) {
        record(std::string(method) + "()");
        if (!out) return E_POINTER;
        if (list.empty()) {
            VariantInit(out);
        } else {
            tb::variantFromStrings(list, out);
        }
        return answer(method);
    }
    HRESULT takeList(const char* method, VARIANT* in) {
        record(std::string(method) + "(" + tb::test::describeVariant(in) + ")");
        return answer(method);
    }
};

class SingletonFactory : public ComObject<SingletonFactory, IClassFactory> {
  public:
    explicit SingletonFactory(IUnknown* object) : object_(object) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return object_->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  private:
    IUnknown* object_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    loadScript(argv[1]);
    logPath = argv[2];
    if (FAILED(CoInitialize(nullptr))) return 3;
    tb::registerEmbeddedTypeLib(tb::thisModule());

    FakeLog* log = FakeLog::create();
    IUnknown* unknown = static_cast<ILog*>(log);
    SingletonFactory* factory = SingletonFactory::create(unknown);
    DWORD classCookie = 0, activeCookie = 0;
    // A registration refused ends the fake with its HRESULT as the exit
    // code, which the test reports.
    HRESULT hr = CoRegisterClassObject(CLSID_Log, static_cast<IClassFactory*>(factory),
                                       CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &classCookie);
    if (FAILED(hr)) {
        fprintf(stderr, "fake_tbserv: CoRegisterClassObject failed: 0x%08lx\n", hr);
        return static_cast<int>(hr);
    }
    hr = RegisterActiveObject(unknown, CLSID_Log, ACTIVEOBJECT_STRONG, &activeCookie);
    if (FAILED(hr)) {
        fprintf(stderr, "fake_tbserv: RegisterActiveObject failed: 0x%08lx\n", hr);
        return static_cast<int>(hr);
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (ready) SetEvent(ready);
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    RevokeActiveObject(activeCookie, nullptr);
    CoRevokeClassObject(classCookie);
    CoDisconnectObject(unknown, 0);
    factory->Release();
    log->Release();
    CoUninitialize();
    return 0;
}
