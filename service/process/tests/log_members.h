// A Log object on a copy of the sample data in a directory of the test's
// own, with helpers that call its members through the interfaces.
#pragma once

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "service/lists/tests/list_builder.h"
#include "service/process/log_object.h"

namespace tb::testing {

using Microsoft::WRL::ComPtr;

using Strings = std::vector<std::string>;

struct Filtered {
    HRESULT status = E_FAIL;
    VARIANT_BOOL allowed = -7, userAllowed = -7;
    std::string url;
};

class LogMembers : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        for (const auto& f : std::filesystem::directory_iterator(TB_SAMPLE_DATA_DIR)) {
            std::filesystem::copy_file(f.path(),
                                       std::filesystem::path(dir_.dir()) / f.path().filename());
        }
        create();
    }
    void create() {
        log_.Reset();
        manager_.Reset();
        ASSERT_EQ(LogObject::createInstance(IID_ILog, reinterpret_cast<void**>(log_.GetAddressOf()),
                                            dir_.dir()),
                  S_OK);
        ASSERT_EQ(log_.As(&manager_), S_OK);
    }

    Filtered filter(const std::string& address) {
        Filtered f;
        BSTR url = newBstr(address);
        f.status = log_->FilterURL(&url, &f.userAllowed, &f.allowed);
        f.url = toAnsi(url);
        SysFreeString(url);
        return f;
    }
    std::string addUrl(const std::string& address, VARIANT_BOOL entireSite = 0,
                       VARIANT_BOOL allowed = 0) {
        BSTR url = newBstr(address);
        EXPECT_EQ(log_->AddURL(&url, &entireSite, &allowed), S_OK);
        std::string out = toAnsi(url);
        SysFreeString(url);
        return out;
    }
    Strings blockList() { return listOf(&IManagerData::GetPersBlockSites); }
    Strings allowList() { return listOf(&IManagerData::GetAllowedSites); }
    Strings words() { return listOf(&IManagerData::GetWords); }
    Strings listOf(HRESULT (STDMETHODCALLTYPE IManagerData::*get)(VARIANT*)) {
        ScopedVariant v;
        EXPECT_EQ((manager_.Get()->*get)(v.get()), S_OK);
        EXPECT_EQ(v.type(), VT_ARRAY | VT_BSTR);
        LONG lower = -1;
        SafeArrayGetLBound(V_ARRAY(v.get()), 1, &lower);
        EXPECT_EQ(lower, 0);
        return stringsFromVariant(v.get()).value_or(Strings{"<not a list>"});
    }
    HRESULT setList(HRESULT (STDMETHODCALLTYPE IManagerData::*set)(VARIANT*),
                    const Strings& items) {
        ScopedVariant v;
        EXPECT_EQ(variantFromStrings(items, v.get()), S_OK);
        return (manager_.Get()->*set)(v.get());
    }
    std::string firstWord() {
        ScopedBstr w;
        EXPECT_EQ(log_->getFirstUserWord(w.receive()), S_OK);
        return w.get() ? toAnsi(w.get()) : "<null>";
    }
    std::string nextWord() {
        ScopedBstr w;
        EXPECT_EQ(log_->getNextUserWord(w.receive()), S_OK);
        return w.get() ? toAnsi(w.get()) : "<null>";
    }
    HRESULT upload(const std::string& file) {
        ScopedBstr path(toWide(dir_.dir()).c_str());
        ScopedBstr name(toWide(file).c_str());
        VARIANT_BOOL no = 0;
        return log_->UploadFromFile(path.get(), name.get(), &no, &no);
    }

    ComApartment com_;
    TempDirectory dir_;
    ComPtr<ILog> log_;
    ComPtr<IManagerData> manager_;
};

}  // namespace tb::testing
