// The service's automation object Log: ILog (default), IManagerData,
// ILogInfo and ISupportErrorInfo. Each member translates the automation
// values, calls the service core and translates back; no product rule lives
// here.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "common/com_error.h"
#include "common/com_object.h"
#include "common/dispatch.h"
#include "common/tbserv.h"
#include "common/registry_win32.h"
#include "service/dialogs/service_dialogs_win32.h"
#include "service/process/service_core.h"
#include "service/settings/clock.h"
#include "service/timed/time_server_clock_win32.h"
#include "time_server/tbtime.h"
#include "service/process/win32_seams.h"
#include "service/storage/code_page_win32.h"
#include "service/storage/compound_file_win32.h"

namespace tb {

class LogObject : public ComObject<LogObject, Dispatch<ILog, &LIBID_tbservLib>,
                                   Dispatch<IManagerData, &LIBID_tbservLib>,
                                   Dispatch<ILogInfo, &LIBID_tbservLib>, ISupportErrorInfo> {
public:
    // The service directory is the directory of this module's own file.
    LogObject();
    // A service directory elsewhere (given with its trailing separator):
    // tests run the object on data of their own.
    explicit LogObject(const std::string& serviceDirectory);
    // The resident service's own object: not loaded here, as the process
    // loads it once its load steps (the installation mode among them) are
    // in place.
    struct LoadLater {};
    explicit LogObject(LoadLater);

    void* queryAlias(REFIID riid);

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // ILog
    STDMETHODIMP IsURLAllowed(BSTR strURL, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP LogURL(BSTR* strURL, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP Save() override;
    STDMETHODIMP Load() override;
    STDMETHODIMP UploadFromFile(BSTR path, BSTR file, VARIANT_BOOL* EntireSite, VARIANT_BOOL* bAllow) override;
    STDMETHODIMP AddURL(BSTR* strURL, VARIANT_BOOL* EntireSite, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP needUpdate(BSTR* URL, VARIANT_BOOL* needUpdate) override;
    STDMETHODIMP DownloadDNAList() override;
    STDMETHODIMP passesFilterList(BSTR* URL, BSTR* checkStr, VARIANT_BOOL* passed) override;
    STDMETHODIMP internalURLMatch(BSTR URL, VARIANT_BOOL* match) override;
    STDMETHODIMP AddWordToBlock(BSTR word, VARIANT_BOOL* result) override;
    STDMETHODIMP getFirstUserWord(BSTR* word) override;
    STDMETHODIMP getNextUserWord(BSTR* word) override;
    STDMETHODIMP removeUserWord(BSTR word) override;
    STDMETHODIMP VerifyPassword(BSTR password, VARIANT_BOOL* verified) override;
    STDMETHODIMP TBOn(BSTR password, VARIANT_BOOL* on) override;
    STDMETHODIMP About() override;
    STDMETHODIMP RemoveURL(BSTR URL) override;
    STDMETHODIMP GetLocalErrorPage(BSTR* URL) override;
    STDMETHODIMP UninstallTB() override;
    STDMETHODIMP AddRefCount() override;
    STDMETHODIMP DecRefCount() override;
    STDMETHODIMP CheckTimedAccess(LONG* lTimeLeft, LONG* err) override;
    STDMETHODIMP StartTimeLogging() override;
    STDMETHODIMP StopTimeLogging() override;
    STDMETHODIMP FilterURL(BSTR* strURL, VARIANT_BOOL* bUserAllowed, VARIANT_BOOL* bAllowed) override;

    // IManagerData
    STDMETHODIMP GetAccessHours(eDAY day, VARIANT* abHours) override;
    STDMETHODIMP SetAccessHours(eDAY day, VARIANT* abHours) override;
    STDMETHODIMP GetTotalHours(eDAY day, short* hours) override;
    STDMETHODIMP SetTotalHours(eDAY day, short hours) override;
    STDMETHODIMP GetCategoryState(eCATEGORY cat, VARIANT_BOOL* bCat) override;
    STDMETHODIMP SetCategoryState(eCATEGORY cat, VARIANT_BOOL bCat) override;
    STDMETHODIMP GetVisitedSites(VARIANT* pvSites) override;
    STDMETHODIMP SetVisitedSites(VARIANT* pvSites) override;
    STDMETHODIMP GetPersBlockSites(VARIANT* pvSites) override;
    STDMETHODIMP SetPersBlockSites(VARIANT* pvSites) override;
    STDMETHODIMP GetWords(VARIANT* pvWords) override;
    STDMETHODIMP SetWords(VARIANT* pvWords) override;
    STDMETHODIMP GetTimezoneString(BSTR* word) override;
    STDMETHODIMP SetTimezoneString(BSTR* word) override;
    STDMETHODIMP GetBlockedLog(VARIANT* pvSites) override;
    STDMETHODIMP SetBlockedLog(VARIANT* pvSites) override;
    STDMETHODIMP GetAllowedSites(VARIANT* pvSites) override;
    STDMETHODIMP SetAllowedSites(VARIANT* pvSites) override;
    STDMETHODIMP GetTimedAccess(VARIANT_BOOL* bCat) override;
    STDMETHODIMP SetTimedAccess(VARIANT_BOOL bCat) override;

    // ILogInfo
    STDMETHODIMP Item(BSTR bstrURL, IUrlInfo** pURLInfo) override;
    STDMETHODIMP get_Count(LONG* pVal) override;
    STDMETHODIMP GetFirstURL(IUrlInfo** ppURLInfo) override;
    STDMETHODIMP GetNextURL(IUrlInfo** ppURLInfo) override;
    STDMETHODIMP get__NewEnum(IUnknown** pEnum) override;

    ServiceCore& core() { return *core_; }
    // Runs body on the core under the members' lock: for calls from inside
    // the process (the tray) that do not go through a member.
    template <class Body>
    auto withCore(Body&& body) {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        return body(*core_);
    }

    // What the resident service adds: the hook library's THFilterOn and the
    // tray icon after each switch, and the uninstall dialog that today's
    // master code opens. Unset, they do nothing.
    std::function<void(bool)> onFilterOn;
    std::function<void(bool)> onFilterIcon;
    std::function<void()> showUninstallDialog;
    // The "Tamberly Update" reminder and the update page; unset, the
    // reminder is never shown.
    update::ReminderUi* reminderUi = nullptr;

    // The time component, when it could be created and started.
    ITimeServer* timeServer() const { return clock_.server(); }

private:
    LogObject(const std::string& serviceDirectory, bool loadNow);
    // The Log object's IDispatch, for script clients that see one object:
    // ILog's members by their own DISPIDs, and by name also those of
    // IManagerData and ILogInfo (under DISPIDs moved past ILog's, except
    // ILogInfo's Item and _NewEnum, whose DISPIDs mean the same everywhere),
    // so that a script can read Count and walk the site log with For Each.
    class ScriptDispatch : public IDispatch {
      public:
        static constexpr DISPID kManagerBase = 0x10000;
        static constexpr DISPID kInfoBase = 0x20000;
        explicit ScriptDispatch(LogObject& log) : log_(log) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            return log_.QueryInterface(riid, ppv);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return log_.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return log_.Release(); }
        STDMETHODIMP GetTypeInfoCount(UINT* count) override;
        STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
        STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                   DISPID* ids) override;
        STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

      private:
        LogObject& log_;
    };
    ScriptDispatch scriptDispatch_{*this};

    class NoReminderUi : public update::ReminderUi {
      public:
        std::optional<update::ReminderAnswer> ask() override { return std::nullopt; }
        void openPage(const std::string&) override {}
    };
    NoReminderUi noReminderUi_;

    // The network time component tbtime: created and started with the
    // object, it gives the times of logged web addresses and takes the time
    // zone's offset. Without it (not registered, failing) addresses are
    // logged at the computer's time.
    class TimeServerConnection : public Clock, public settings::TimeServerLink {
      public:
        ~TimeServerConnection() override;
        bool connect();
        ITimeServer* server() const { return server_; }
        std::optional<int32_t> networkTime() override;
        int32_t localTime() override { return computer_.localTime(); }
        long setTimezoneOffset(float hours) override;

      private:
        ITimeServer* server_ = nullptr;
        SystemClock computer_;
    };
    class Indicators : public FilterIndicators {
      public:
        explicit Indicators(LogObject& log) : log_(log) {}
        void filterOn(bool on) override {
            if (log_.onFilterOn) log_.onFilterOn(on);
        }
        void showFilterIcon(bool on) override {
            if (log_.onFilterIcon) log_.onFilterIcon(on);
        }

      private:
        LogObject& log_;
    };
    // The service's dialogs from this module's resources; the uninstall
    // dialog is the process's.
    class Dialogs : public dialogs::ServiceDialogs {
      public:
        explicit Dialogs(LogObject& log) : log_(log), win32_(thisModule()) {}
        int show(int dialog, const std::vector<dialogs::ControlText>& texts) override;

      private:
        LogObject& log_;
        dialogs::Win32ServiceDialogs win32_;
    };

    HRESULT getLoggedSites(SiteLogKind kind, VARIANT* pvSites);
    HRESULT keepLoggedSites(SiteLogKind kind, VARIANT* pvSites);

    // Every member holds the lock for its whole call; a recursive lock,
    // because a modal dialog lets calls of the same thread in.
    template <class Body>
    HRESULT serve(Body&& body) {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        return comGuard(std::forward<Body>(body));
    }

    TimeServerConnection clock_;
    MessageBoxDialogs dialogs_;
    AnsiCodePageCodec codec_;
    storage::Ole32CompoundFiles files_;
    storage::SystemCodePage codePage_;
    Win32Registry registry_;
    settings::SystemClock calendar_;
    Dialogs serviceDialogs_{*this};
    Indicators indicators_{*this};
    std::unique_ptr<TimeServerClock<ITimeServer>> networkClock_;
    PasswordSeams passwordSeams_{registry_, serviceDialogs_, calendar_};
    std::unique_ptr<ServiceCore> core_;
    std::recursive_mutex lock_;
};

}  // namespace tb
