// The service writes its own compound files: a Log object on a copy of the
// sample data visits two pages, is refused one, switches gambling off, takes
// a time zone and saves, for check_samples.py --service to read.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "service/process/log_object.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_service_files <sample data> <directory>\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::remove_all(argv[2]);
    fs::create_directories(argv[2]);
    for (const auto& file : fs::directory_iterator(argv[1])) {
        fs::copy_file(file.path(), fs::path(argv[2]) / file.path().filename());
    }

    tb::ComApartment com;
    ILog* log = nullptr;
    if (FAILED(tb::LogObject::createInstance(IID_ILog, reinterpret_cast<void**>(&log),
                                             std::string(argv[2]) + "\\"))) {
        return 1;
    }
    IManagerData* manager = nullptr;
    log->QueryInterface(IID_IManagerData, reinterpret_cast<void**>(&manager));
    for (const char* address : {"http://a.example/", "http://b.example/dir/page.htm",
                                "http://www.royal-casino.example/poker/tables.htm"}) {
        BSTR url = tb::newBstr(address);
        VARIANT_BOOL userAllowed = 0, allowed = 0;
        log->FilterURL(&url, &userAllowed, &allowed);
        SysFreeString(url);
    }
    manager->SetCategoryState(ecat_Gambling, 0);
    BSTR zone = tb::newBstr("(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi");
    manager->SetTimezoneString(&zone);
    SysFreeString(zone);
    const HRESULT saved = log->Save();
    manager->Release();
    log->Release();
    return saved == S_OK ? 0 : 1;
}
