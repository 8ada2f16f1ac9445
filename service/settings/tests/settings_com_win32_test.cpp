// The automation side of the settings members: what a client sends and
// receives as VARIANT, BSTR and VARIANT_BOOL.
#include "service/settings/settings_com_win32.h"

#include <gtest/gtest.h>

#include "common/com_holders.h"
#include "service/dialogs/tests/recording_dialogs.h"
#include "service/settings/tests/settings_fakes.h"
#include "service/storage/code_page_win32.h"
#include "service/storage/tests/memory_compound_file.h"
#include "common/tests/memory_registry.h"

namespace tb::settings {
namespace {

// A one-dimensional array VARIANT of `count` elements of type `vt`, each
// element set to its index modulo 2.
void makeArray(ScopedVariant& v, VARTYPE vt, ULONG count) {
    SAFEARRAY* array = SafeArrayCreateVector(vt, 0, count);
    ASSERT_TRUE(array);
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        if (vt == VT_I4) {
            LONG value = i % 2;
            SafeArrayPutElement(array, &i, &value);
        } else if (vt == VT_BSTR) {
            ScopedBstr text(L"1");
            SafeArrayPutElement(array, &i, text.get());
        } else {
            short value = static_cast<short>(i % 2);
            SafeArrayPutElement(array, &i, &value);
        }
    }
    V_VT(v.receive()) = VT_ARRAY | vt;
    V_ARRAY(v.get()) = array;
}

class SettingsComTest : public ::testing::Test {
  protected:
    SettingsComTest() { store.setTimeServer(&timeServer); }

    storage::testing::MemoryCompoundFiles files;
    storage::SystemCodePage codePage;
    testing::FakeTimeServer timeServer;
    SettingsStore store{files, "tbd.dat", codePage};
    testing::RecordingSettingsHooks hooks;
    ManagerSettings manager{store, hooks};
};

TEST_F(SettingsComTest, AccessHoursGoOutAsTwentyFourVariantBools) {
    DayHours hours{};
    hours[0] = 1;
    hours[23] = 1;
    manager.setAccessHours(eday_Friday, hours);

    ScopedVariant out;
    ASSERT_EQ(getAccessHours(manager, eday_Friday, out.get()), S_OK);
    ASSERT_EQ(out.type(), VT_ARRAY | VT_BOOL);
    SAFEARRAY* array = V_ARRAY(out.get());
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 23);
    VARIANT_BOOL* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[0], 1) << "true is 1, as stored";
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[23], 1);
    SafeArrayUnaccessData(array);

    ScopedVariant outside;
    ASSERT_EQ(getAccessHours(manager, static_cast<eDAY>(9), outside.get()), S_OK);
    EXPECT_EQ(outside.type(), VT_ARRAY | VT_BOOL);
    EXPECT_EQ(getAccessHours(manager, eday_Sunday, nullptr), E_POINTER);
}

TEST_F(SettingsComTest, AccessHoursAreTakenFromSixteenBitArraysOfAtLeast24) {
    for (VARTYPE vt : {VT_BOOL, VT_I2, VT_UI2}) {
        ScopedVariant in;
        makeArray(in, vt, 30);
        ASSERT_EQ(setAccessHours(manager, eday_Monday, in.get()), S_OK) << vt;
        EXPECT_EQ(manager.getAccessHours(eday_Monday)[1], 1);
        EXPECT_EQ(manager.getAccessHours(eday_Monday)[2], 0);
    }
}

// A script's array: 24 VARIANTs of booleans and numbers, any lower bound,
// elements by reference; another count or element kind is refused.
TEST_F(SettingsComTest, AccessHoursAreTakenFromTwentyFourVariantsOfBooleansOrNumbers) {
    const auto scriptArray = [](ScopedVariant& v, ULONG count, LONG lower) {
        SAFEARRAYBOUND bound{count, lower};
        SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
        VARIANT* items = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&items));
        for (ULONG i = 0; i < count; ++i) {
            if (i % 3 == 0) {
                V_VT(&items[i]) = VT_BOOL;
                V_BOOL(&items[i]) = i % 2 ? VARIANT_TRUE : VARIANT_FALSE;
            } else if (i % 3 == 1) {
                V_VT(&items[i]) = VT_I4;
                V_I4(&items[i]) = i % 2;
            } else {
                V_VT(&items[i]) = VT_R8;
                V_R8(&items[i]) = i % 2;
            }
        }
        SafeArrayUnaccessData(array);
        V_VT(v.receive()) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(v.get()) = array;
    };
    ScopedVariant in;
    scriptArray(in, 24, 1);
    ASSERT_EQ(setAccessHours(manager, eday_Tuesday, in.get()), S_OK);
    const DayHours set = manager.getAccessHours(eday_Tuesday);
    EXPECT_EQ(set[0], 0);
    EXPECT_EQ(set[1], 1);
    EXPECT_EQ(set[2], 0);
    EXPECT_EQ(static_cast<short>(set[3]), VARIANT_TRUE);
    EXPECT_EQ(set[23], 1);

    ScopedVariant byReference;
    V_VT(byReference.get()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(byReference.get()) = in.get();
    EXPECT_EQ(setAccessHours(manager, eday_Wednesday, byReference.get()), S_OK);
    EXPECT_EQ(manager.getAccessHours(eday_Wednesday), set);

    ScopedVariant refused[4];
    scriptArray(refused[0], 23, 0);
    scriptArray(refused[1], 25, 0);
    scriptArray(refused[2], 24, 0);
    scriptArray(refused[3], 24, 0);
    VARIANT* items = nullptr;
    SafeArrayAccessData(V_ARRAY(refused[2].get()), reinterpret_cast<void**>(&items));
    V_VT(&items[5]) = VT_BSTR;
    V_BSTR(&items[5]) = SysAllocString(L"1");
    SafeArrayUnaccessData(V_ARRAY(refused[2].get()));
    SafeArrayAccessData(V_ARRAY(refused[3].get()), reinterpret_cast<void**>(&items));
    V_I4(&items[4]) = 70000;  // no 16-bit value
    SafeArrayUnaccessData(V_ARRAY(refused[3].get()));
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(setAccessHours(manager, eday_Thursday, refused[i].get()), E_INVALIDARG) << i;
    }
    EXPECT_EQ(manager.getAccessHours(eday_Thursday), Settings().accessHours[4]);
}

TEST_F(SettingsComTest, AnythingElseIsRefusedAndChangesNothing) {
    ScopedVariant refused[6];
    makeArray(refused[0], VT_BOOL, 23);  // too short
    makeArray(refused[1], VT_I4, 24);    // 32-bit elements
    makeArray(refused[2], VT_BSTR, 24);
    V_VT(refused[3].get()) = VT_I2;  // not an array
    V_I2(refused[3].get()) = 1;
    // Empty (refused[4]) and a two-dimensional array (refused[5]).
    SAFEARRAYBOUND bounds[2] = {{24, 0}, {2, 0}};
    V_VT(refused[5].get()) = VT_ARRAY | VT_BOOL;
    V_ARRAY(refused[5].get()) = SafeArrayCreate(VT_BOOL, 2, bounds);

    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(setAccessHours(manager, eday_Monday, refused[i].get()), E_INVALIDARG) << i;
    }
    EXPECT_EQ(setAccessHours(manager, eday_Monday, nullptr), E_INVALIDARG);
    EXPECT_EQ(manager.getAccessHours(eday_Monday), Settings().accessHours[1]);
    EXPECT_FALSE(files.exists("tbd.dat")) << "nothing written";
}

TEST_F(SettingsComTest, ACategorySwitchedOnByAScriptsTrueIsStoredAsOne) {
    ASSERT_EQ(setCategoryState(manager, ecat_Gambling, VARIANT_TRUE), S_OK);
    EXPECT_EQ(store.settings().categoryStates[3], 1);
    ASSERT_EQ(setCategoryState(manager, ecat_Gambling, 0), S_OK);
    EXPECT_EQ(store.settings().categoryStates[3], 0);
}

TEST_F(SettingsComTest, TimezoneTextCrossesAsBstrAndItsFailuresAsResults) {
    ScopedBstr text(L"(GMT-03:30) Newfoundland");
    BSTR in = text.get();
    EXPECT_EQ(setTimezoneString(manager, &in), S_OK);
    EXPECT_EQ(timeServer.offsets.back(), -3.5f);
    ScopedBstr out;
    ASSERT_EQ(getTimezoneString(manager, out.receive()), S_OK);
    EXPECT_STREQ(out.get(), L"(GMT-03:30) Newfoundland");

    timeServer.answer = E_FAIL;
    EXPECT_EQ(setTimezoneString(manager, &in), E_FAIL);
    store.setTimeServer(nullptr);
    EXPECT_EQ(setTimezoneString(manager, &in), E_POINTER);
    EXPECT_EQ(setTimezoneString(manager, nullptr), E_POINTER);

    BSTR none = nullptr;
    store.setTimeServer(&timeServer);
    timeServer.answer = S_OK;
    ScopedBstr huge(std::wstring(1 << 20, L'z').c_str());
    BSTR hugeIn = huge.get();
    EXPECT_EQ(setTimezoneString(manager, &hugeIn), E_INVALIDARG);
    EXPECT_EQ(setTimezoneString(manager, &none), S_OK);
    ASSERT_EQ(getTimezoneString(manager, out.receive()), S_OK);
    EXPECT_EQ(out.get(), nullptr);
}

TEST_F(SettingsComTest, TotalsAndSwitchesLeaveOutParametersOfUnknownDaysAlone) {
    ASSERT_EQ(setTotalHours(manager, eday_Tuesday, 3), S_OK);
    short hours = -7;
    ASSERT_EQ(getTotalHours(manager, eday_Tuesday, &hours), S_OK);
    EXPECT_EQ(hours, 3);
    hours = -7;
    ASSERT_EQ(getTotalHours(manager, static_cast<eDAY>(7), &hours), S_OK);
    EXPECT_EQ(hours, -7);

    ASSERT_EQ(setCategoryState(manager, ecat_HateSpeech, 0), S_OK);
    VARIANT_BOOL state = 5;
    ASSERT_EQ(getCategoryState(manager, ecat_HateSpeech, &state), S_OK);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(store.settings().categoryStates[4], 0);
    state = 5;
    ASSERT_EQ(getCategoryState(manager, static_cast<eCATEGORY>(6), &state), S_OK);
    EXPECT_EQ(state, 5);
}

TEST(PasswordCom, VerifyAndTbOnAnswerAsTheContractSays) {
    testing::MemoryPasswordEntries entries;
    entries.passwordEntry = "secret";
    ::tb::testing::MemoryRegistry registry;
    dialogs::testing::RecordingDialogs dialogs;
    testing::FixedClock clock;
    PasswordKeeper keeper(entries, registry, dialogs, clock);

    ScopedBstr right(L"SECRET");
    VARIANT_BOOL verified = 7;
    EXPECT_EQ(verifyPassword(keeper, true, right.get(), &verified), S_OK);
    EXPECT_EQ(verified, 1);
    EXPECT_EQ(verifyPassword(keeper, false, right.get(), &verified), S_FALSE);
    EXPECT_EQ(verified, 0);
    ScopedBstr code(L"qkqxtw");
    verified = 7;
    EXPECT_EQ(verifyPassword(keeper, true, code.get(), &verified), S_FALSE);
    EXPECT_EQ(verified, 7) << "the master code leaves it unset";
    EXPECT_EQ(verifyPassword(keeper, true, right.get(), nullptr), E_POINTER);

    testing::RecordingSwitchHooks hooks;
    VARIANT_BOOL on = 0;
    EXPECT_EQ(tbOn(entries, hooks, true, false, nullptr, &on), S_OK);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(tbOn(entries, hooks, true, false, right.get(), &on), S_OK);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(hooks.hookCalls, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace tb::settings
