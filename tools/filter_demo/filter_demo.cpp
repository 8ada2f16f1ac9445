// Judges a handful of addresses through the Log object created in process.
// The program's own directory is the service directory: run it from a
// directory that holds the sample data (tools/dev/demo.sh does).
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "service/process/log_object.h"

using Microsoft::WRL::ComPtr;

namespace {

struct Row {
    std::string address, verdict, page;
};

Row judge(ILog* log, const std::string& address) {
    tb::ScopedBstr url = tb::ScopedBstr::adopt(tb::newBstr(address));
    VARIANT_BOOL userAllowed = 0, allowed = 0;
    BSTR raw = url.release();
    const HRESULT hr = log->FilterURL(&raw, &userAllowed, &allowed);
    url.reset(raw);
    Row row{address, "", "-"};
    if (FAILED(hr)) {
        row.verdict = "error " + tb::describeStatus(hr);
    } else if (!allowed) {
        row.verdict = "blocked";
        row.page = tb::toAnsi(url.get());
    } else {
        row.verdict = userAllowed ? "allowed (let through)" : "allowed";
    }
    return row;
}

}  // namespace

int main() {
    tb::ComApartment com;
    ComPtr<ILog> log;
    if (FAILED(tb::LogObject::createInstance(IID_ILog,
                                             reinterpret_cast<void**>(log.GetAddressOf())))) {
        std::printf("could not create the Log object\n");
        return 1;
    }
    ComPtr<IManagerData> manager;
    log.As(&manager);

    tb::ScopedBstr errorPage;
    log->GetLocalErrorPage(errorPage.receive());
    std::printf("Service directory page: %s\n\n", tb::toAnsi(errorPage.get()).c_str());

    // The parent blocks one site and allows one section of a category site.
    VARIANT_BOOL no = 0;
    BSTR added = tb::newBstr("HTTP://www.Noisy-Forum.example/Chat");
    log->AddURL(&added, &no, &no);
    std::printf("AddURL HTTP://www.Noisy-Forum.example/Chat  -> block list entry %s\n",
                tb::toAnsi(added).c_str());
    SysFreeString(added);
    tb::ScopedVariant allowList;
    tb::variantFromStrings({"www.gunshop.example/range/"}, allowList.get());
    manager->SetAllowedSites(allowList.get());
    std::printf("SetAllowedSites www.gunshop.example/range/\n\n");

    const std::vector<std::string> addresses = {
        "http://www.school.example/homework.htm",
        "http://www.news.example/today.htm",
        "http://www.royal-casino.example/poker/tables.htm",
        "http://www.pinup-parlor.example/",
        "http://forum.example/jackpotking-tips.htm",
        "http://www.noisy-forum.example/chat",
        "http://www.gunshop.example/range/safety.htm",
        "http://www.gunshop.example/catalogue.htm",
        "http://www.orvan.com/tamberly/help.htm",
        "http://ads.fernwheel.biz/banner.asp",
        "c:\\My Documents\\letter.htm",
    };
    std::printf("%-50s %-22s %s\n", "ADDRESS", "VERDICT", "PAGE");
    for (const std::string& address : addresses) {
        const Row row = judge(log.Get(), address);
        std::printf("%-50s %-22s %s\n", row.address.c_str(), row.verdict.c_str(), row.page.c_str());
    }
    return 0;
}
