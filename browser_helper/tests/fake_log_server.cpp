// fake_log_server.exe: a stand-in for the filtering service's Log object in
// tests of the browser helper. It registers as the local server of the Log
// class, answers ILog from a script and writes every call, in order, to a
// call log. Both files are named in HKCU\Software\TamberlyTest\FakeLog
// (values Script and CallLog).
//
//   fake_log_server.exe /regserver | /unregserver | [-Embedding]
//
// Script lines: Method[#N] [match=TEXT] ANSWER...
//   #N          only the Nth call of the method (counted over every run of
//               the server that wrote to the same call log)
//   match=TEXT  only calls whose address argument contains TEXT
// Answers:
//   TBOn VALUE                       needUpdate VALUE [URL]
//   CheckTimedAccess ERR SECONDS     FilterURL allow|block [URL] [user=VALUE]
//   passesFilterList pass|fail [URL]
//   any method: hr VALUE (fail with it) or die (end the process mid-call)
// The first matching line decides; without one a call succeeds with
// filtering on, nothing due, no time limit and everything allowed.
// Call log lines: PID METHOD [ARGUMENT]... (arguments quoted as the host
// quotes values). The server ends when the event TamberlyFakeLogQuit is set.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/class_factory.h"
#include "common/com_convert.h"
#include "common/com_object.h"
#include "common/dispatch.h"
#include "common/registry_win32.h"
#include "common/tbserv.h"
#include "common/type_library.h"
#include "tools/browser_host/script.h"

namespace {

using tb::host::Command;

constexpr wchar_t kConfigKey[] = L"Software\\TamberlyTest\\FakeLog";
constexpr wchar_t kQuitEvent[] = L"TamberlyFakeLogQuit";

std::wstring configValue(const wchar_t* name) {
    wchar_t buffer[1024] = L"";
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return {};
    return buffer;
}

struct Rule {
    std::string method;
    int nth = 0;  // 0: every call
    std::string match;
    std::string verb;  // the first word of the answer
    Command answer;    // all its words, and its options
};

class Script {
  public:
    void load(const std::wstring& path) {
        std::ifstream in(path.c_str());
        std::string text;
        int line = 0;
        while (std::getline(in, text)) {
            const tb::host::ParsedLine parsed = tb::host::parseCommandLine(text, ++line);
            if (parsed.command) add(*parsed.command);
        }
    }
    const Rule* find(const std::string& method, int nth, const std::string& argument) const {
        for (const Rule& r : rules_) {
            if (r.method != method) continue;
            if (r.nth && r.nth != nth) continue;
            if (!r.match.empty() && argument.find(r.match) == std::string::npos) continue;
            return &r;
        }
        return nullptr;
    }

  private:
    void add(const Command& c) {
        Rule r;
        const size_t hash = c.name.find('#');
        r.method = c.name.substr(0, hash);
        if (hash != std::string::npos) r.nth = std::atoi(c.name.c_str() + hash + 1);
        r.match = c.option("match").value_or("");
        r.answer = c;
        r.verb = c.words.empty() ? "" : c.words[0];
        rules_.push_back(std::move(r));
    }
    std::vector<Rule> rules_;
};

class CallLog {
  public:
    void open(const std::wstring& path) {
        path_ = path;
        std::ifstream in(path.c_str());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string pid, method;
            words >> pid >> method;
            if (!method.empty()) ++counts_[method];
        }
    }
    // Records the call; its number among the calls of the method.
    int write(const std::string& method, const std::vector<std::string>& arguments) {
        std::string line = std::to_string(GetCurrentProcessId()) + " " + method;
        for (const std::string& a : arguments) line += " " + tb::host::quoted(a);
        std::ofstream out(path_.c_str(), std::ios::app | std::ios::binary);
        out << line << "\n";
        return ++counts_[method];
    }

  private:
    std::wstring path_;
    std::map<std::string, int> counts_;
};

Script gScript;
CallLog gLog;

long numberOr(const std::vector<std::string>& words, size_t i, long fallback) {
    return i < words.size() ? std::strtol(words[i].c_str(), nullptr, 0) : fallback;
}

class FakeLog : public tb::ComObject<FakeLog, tb::Dispatch<ILog, &LIBID_tbservLib>> {
  public:
    void* queryAlias(REFIID riid) {
        return IsEqualIID(riid, IID_IDispatch) ? static_cast<ILog*>(this) : nullptr;
    }

    STDMETHODIMP IsURLAllowed(BSTR strURL, VARIANT_BOOL* b) override {
        return plain("IsURLAllowed", b, strURL);
    }
    STDMETHODIMP LogURL(BSTR* strURL, VARIANT_BOOL* b) override {
        return plain("LogURL", b, strURL ? *strURL : nullptr);
    }
    STDMETHODIMP Save() override { return simple("Save"); }
    STDMETHODIMP Load() override { return simple("Load"); }
    STDMETHODIMP UploadFromFile(BSTR, BSTR, VARIANT_BOOL*, VARIANT_BOOL*) override {
        return simple("UploadFromFile");
    }
    STDMETHODIMP AddURL(BSTR*, VARIANT_BOOL*, VARIANT_BOOL*) override { return simple("AddURL"); }
    STDMETHODIMP DownloadDNAList() override { return simple("DownloadDNAList"); }
    STDMETHODIMP internalURLMatch(BSTR URL, VARIANT_BOOL* m) override {
        return plain("internalURLMatch", m, URL);
    }
    STDMETHODIMP AddWordToBlock(BSTR, VARIANT_BOOL* r) override {
        return plain("AddWordToBlock", r, nullptr);
    }
    STDMETHODIMP getFirstUserWord(BSTR* w) override { return emptyText("getFirstUserWord", w); }
    STDMETHODIMP getNextUserWord(BSTR* w) override { return emptyText("getNextUserWord", w); }
    STDMETHODIMP removeUserWord(BSTR) override { return simple("removeUserWord"); }
    STDMETHODIMP VerifyPassword(BSTR, VARIANT_BOOL* v) override {
        return plain("VerifyPassword", v, nullptr);
    }
    STDMETHODIMP About() override { return simple("About"); }
    STDMETHODIMP RemoveURL(BSTR) override { return simple("RemoveURL"); }
    STDMETHODIMP GetLocalErrorPage(BSTR* u) override { return emptyText("GetLocalErrorPage", u); }
    STDMETHODIMP UninstallTB() override { return simple("UninstallTB"); }
    STDMETHODIMP AddRefCount() override { return simple("AddRefCount"); }
    STDMETHODIMP DecRefCount() override { return simple("DecRefCount"); }
    STDMETHODIMP StartTimeLogging() override { return simple("StartTimeLogging"); }
    STDMETHODIMP StopTimeLogging() override { return simple("StopTimeLogging"); }

    STDMETHODIMP TBOn(BSTR password, VARIANT_BOOL* on) override {
        if (!on) return E_POINTER;
        *on = 1;
        const Rule* r = call("TBOn", {tb::toAnsi(password)});
        HRESULT hr = S_OK;
        if (failure(r, hr)) return hr;
        if (r) *on = static_cast<VARIANT_BOOL>(numberOr(r->answer.words, 0, 1));
        return S_OK;
    }

    STDMETHODIMP needUpdate(BSTR* URL, VARIANT_BOOL* need) override {
        if (!URL || !need) return E_POINTER;
        *need = 0;
        const Rule* r = call("needUpdate", {});
        HRESULT hr = S_OK;
        if (failure(r, hr)) return hr;
        std::string page;
        if (r) {
            *need = static_cast<VARIANT_BOOL>(numberOr(r->answer.words, 0, 0));
            if (r->answer.words.size() > 1) page = r->answer.words[1];
        }
        return tb::reallocBstr(URL, page);
    }

    STDMETHODIMP CheckTimedAccess(LONG* left, LONG* err) override {
        if (!left || !err) return E_POINTER;
        *left = 86400;
        *err = 0;
        const Rule* r = call("CheckTimedAccess", {});
        HRESULT hr = S_OK;
        if (failure(r, hr)) return hr;
        if (r) {
            *err = numberOr(r->answer.words, 0, 0);
            *left = numberOr(r->answer.words, 1, 86400);
        }
        return S_OK;
    }

    STDMETHODIMP FilterURL(BSTR* strURL, VARIANT_BOOL* user, VARIANT_BOOL* allowed) override {
        if (!strURL || !user || !allowed) return E_POINTER;
        *user = 0;
        *allowed = 1;
        const std::string url = tb::toAnsi(*strURL);
        const Rule* r = call("FilterURL", {url}, url);
        HRESULT hr = S_OK;
        if (failure(r, hr)) return hr;
        if (!r) return S_OK;
        *user = static_cast<VARIANT_BOOL>(r->answer.number("user", 0).value_or(0));
        if (r->verb == "block") {
            *allowed = 0;
            return tb::reallocBstr(strURL,
                                   r->answer.words.size() < 2 ? std::string() : r->answer.words[1]);
        }
        return S_OK;
    }

    STDMETHODIMP passesFilterList(BSTR* URL, BSTR* checkStr, VARIANT_BOOL* passed) override {
        if (!URL || !checkStr || !passed) return E_POINTER;
        *passed = 1;
        const std::string url = tb::toAnsi(*URL);
        const Rule* r = call("passesFilterList", {url, tb::toAnsi(*checkStr)}, url);
        HRESULT hr = S_OK;
        if (failure(r, hr)) return hr;
        if (r && r->verb == "fail") {
            *passed = 0;
            return tb::reallocBstr(checkStr,
                                   r->answer.words.size() < 2 ? std::string() : r->answer.words[1]);
        }
        return S_OK;
    }

  private:
    const Rule* call(const std::string& method, const std::vector<std::string>& arguments,
                     const std::string& matched = {}) {
        const int nth = gLog.write(method, arguments);
        const Rule* r = gScript.find(method, nth, matched);
        if (r && r->verb == "die") ExitProcess(7);
        return r;
    }
    static bool failure(const Rule* r, HRESULT& hr) {
        if (!r || r->verb != "hr") return false;
        hr = static_cast<HRESULT>(std::strtoul(
            r->answer.words.size() < 2 ? "0x80004005" : r->answer.words[1].c_str(), nullptr, 0));
        return true;
    }
    HRESULT simple(const char* method) {
        HRESULT hr = S_OK;
        failure(call(method, {}), hr);
        return hr;
    }
    HRESULT plain(const char* method, VARIANT_BOOL* out, BSTR argument) {
        if (out) *out = 1;
        HRESULT hr = S_OK;
        failure(call(method, {tb::toAnsi(argument)}), hr);
        return hr;
    }
    HRESULT emptyText(const char* method, BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        HRESULT hr = S_OK;
        if (failure(call(method, {}), hr)) return hr;
        return tb::reallocBstr(out, "");
    }
};

// Every client gets the one object, as from the real service.
class SingletonFactory : public tb::ComObject<SingletonFactory, IClassFactory> {
  public:
    explicit SingletonFactory(ILog* log) : log_(log) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return log_->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  private:
    ILog* log_;
};

int registerServer(bool on) {
    const std::wstring clsidKey = L"CLSID\\{580B0791-8FC1-11D2-9FB3-00A0C98498CB}";
    if (!on) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey.c_str());
        return 0;
    }
    const std::wstring command = L"\"" + tb::modulePath(nullptr) + L"\"";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, (clsidKey + L"\\LocalServer32").c_str(), 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return FAILED(tb::registerEmbeddedTypeLib(nullptr)) ? 1 : 0;
}

int serve() {
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, kQuitEvent);
    gScript.load(configValue(L"Script"));
    gLog.open(configValue(L"CallLog"));
    gLog.write("start", {});

    FakeLog* log = FakeLog::create();
    SingletonFactory* factory = SingletonFactory::create(log);
    DWORD classCookie = 0, activeCookie = 0;
    CoRegisterClassObject(CLSID_Log, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                          &classCookie);
    RegisterActiveObject(log, CLSID_Log, ACTIVEOBJECT_STRONG, &activeCookie);
    for (;;) {
        const DWORD w = MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (w == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    RevokeActiveObject(activeCookie, nullptr);
    CoRevokeClassObject(classCookie);
    CoDisconnectObject(log, 0);
    factory->Release();
    log->Release();
    CloseHandle(quit);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    OleInitialize(nullptr);
    const std::wstring args = commandLine ? commandLine : L"";
    int rc = 0;
    if (args.find(L"unregserver") != std::wstring::npos) {
        rc = registerServer(false);
    } else if (args.find(L"regserver") != std::wstring::npos) {
        rc = registerServer(true);
    } else {
        rc = serve();
    }
    OleUninitialize();
    return rc;
}
