#include "time_server/tests/daytime_test_server.h"

#include "time_server/time_server_object.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <array>
#include <memory>

#include "common/com_holders.h"
#include "common/type_library.h"
#include "time_server/tests/fake_computer_clock.h"
#include "time_server/tests/time_server_test_support.h"

using Microsoft::WRL::ComPtr;

namespace tb {
namespace {

using testing::DaytimeReply;
using testing::DaytimeTestServer;
using testing::FakeComputerClock;
using testing::kNistNoon;
using testing::kNistNoonSeconds;
using testing::readTime;
using testing::TimeRead;

constexpr int64_t kComputerTime = 1600000000;  // 2020-09-13 12:26:40 UTC, a Sunday
constexpr DWORD kNever = 600000;

using Outcomes = testing::Recorder<SyncOutcome>;

class SocketsUp : public ::testing::Environment {
  public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};
const auto* const kSockets = ::testing::AddGlobalTestEnvironment(new SocketsUp);

class TimeServerObjectTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.result())); }

    // A setup against the loopback server; no ticks and one try unless a
    // test shortens the intervals.
    TimeServerSetup setup(uint16_t port) {
        TimeServerSetup s;
        s.computer = computer;
        s.zone = zone;
        s.internetConnected = [] { return true; };
        s.server = [port] {
            DaytimeServer d;
            d.host = "127.0.0.1";
            d.port = port;
            d.configured = true;
            return d;
        };
        s.tickMilliseconds = kNever;
        s.syncMilliseconds = kNever;
        s.receiveTimeoutMilliseconds = 2000;
        s.afterSync = [outcomes = outcomes](SyncOutcome o) { outcomes->record(o); };
        return s;
    }

    static ComPtr<ITimeServer> make(TimeServerSetup s) {
        // Not ComPtr::Attach: mingw's adds a reference of its own.
        ComPtr<ITimeServer> object;
        EXPECT_EQ(TimeServerObject::createInstance(IID_ITimeServer, &object, std::move(s)), S_OK);
        return object;
    }

    ComApartment com_;
    std::shared_ptr<FakeComputerClock> computer =
        std::make_shared<FakeComputerClock>(kComputerTime);
    std::shared_ptr<ZoneChoice> zone = std::make_shared<ZoneChoice>();
    std::shared_ptr<Outcomes> outcomes = std::make_shared<Outcomes>();
    DaytimeTestServer server;
};

TEST_F(TimeServerObjectTest, GetTimeHandsOutNineLongsFromTheComputersClockBeforeStart) {
    computer->setZone({3600, false});
    ComPtr<ITimeServer> ts = make(setup(server.port()));
    const TimeRead r = readTime(ts.Get());
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(r.type, VT_ARRAY | VT_I4);
    EXPECT_EQ(r.dimensions, 1u);
    EXPECT_EQ(r.lower, 0);
    EXPECT_EQ(r.upper, 8);
    EXPECT_EQ(r.value, kComputerTime);
    // 13:26:40 local on Sunday 2020-09-13, day 256 of the year.
    EXPECT_EQ(r.fields, (std::vector<LONG>{40, 26, 13, 13, 8, 120, 0, 256, 0}));
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(TimeServerObjectTest, GetTimeInitialisesItsOutParametersAndChecksThem) {
    ComPtr<ITimeServer> ts = make(setup(server.port()));
    VARIANT junk;
    V_VT(&junk) = VT_I4;
    V_I4(&junk) = 77;
    LONG value = 0;
    ASSERT_EQ(ts->GetTime(&junk, &value), S_OK);
    EXPECT_EQ(V_VT(&junk), VT_ARRAY | VT_I4);
    VariantClear(&junk);

    ScopedVariant v;
    EXPECT_EQ(ts->GetTime(v.get(), nullptr), E_POINTER);
    EXPECT_EQ(v.type(), VT_EMPTY);
    value = 5;
    EXPECT_EQ(ts->GetTime(nullptr, &value), E_POINTER);
    EXPECT_EQ(value, 0);
}

TEST_F(TimeServerObjectTest, SynchronisesAtOnceAndShowsTheChosenZone) {
    ComPtr<ITimeServer> ts = make(setup(server.port()));
    ASSERT_EQ(ts->SetTimezoneOffset(5.5f), S_OK);
    ASSERT_EQ(ts->Start(), S_OK);
    ASSERT_EQ(outcomes->waitFor(1), std::vector<SyncOutcome>{SyncOutcome::Synchronised});
    const TimeRead r = readTime(ts.Get());
    // The value counts UTC seconds; the fields are 17:30 on Monday 2026-12-07.
    EXPECT_EQ(r.value, kNistNoonSeconds);
    EXPECT_EQ(r.fields, (std::vector<LONG>{0, 30, 17, 7, 11, 126, 1, 340, 0}));
    EXPECT_EQ(server.connections(), 1);
}

// A new offset shows in the next reading, not only after the next try.
TEST_F(TimeServerObjectTest, QuarterHourAndWesternOffsetsApplyAtOnce) {
    ComPtr<ITimeServer> ts = make(setup(server.port()));
    ASSERT_EQ(ts->Start(), S_OK);
    ASSERT_EQ(outcomes->waitFor(1), std::vector<SyncOutcome>{SyncOutcome::Synchronised});
    struct Case {
        float offset;
        LONG hour, minute, day;
    };
    for (const Case& c : {Case{5.75f, 17, 45, 7}, Case{5.25f, 17, 15, 7}, Case{-9.75f, 2, 15, 7},
                          Case{12.75f, 0, 45, 8}}) {
        ASSERT_EQ(ts->SetTimezoneOffset(c.offset), S_OK);
        const TimeRead r = readTime(ts.Get());
        EXPECT_EQ(r.value, kNistNoonSeconds) << c.offset;
        EXPECT_EQ(r.fields[2], c.hour) << c.offset;
        EXPECT_EQ(r.fields[1], c.minute) << c.offset;
        EXPECT_EQ(r.fields[3], c.day) << c.offset;
    }
}

// Whatever the server says that is not a whole, valid time leaves the
// clock as the ticker keeps it: never a half-set clock.
TEST_F(TimeServerObjectTest, AnswersThatAreNoTimeLeaveTheClockAlone) {
    const std::vector<DaytimeReply> bad = {
        {{"garbage from a server that speaks something else\r\n"}, 0},
        {{}, 0},                         // connection closed without a word
        {{"\n60000 26-12-07 12:0"}, 0},  // cut short
        {{"\n60000 26-12-07 1", "2:00:00 00 0 0 50.0 UTC(NIST) *\n"},
         300},  // the rest comes too late
        {{"\n60000 26-13-07 12:00:00 00 0 0 50.0 UTC(NIST) *\n"}, 0},
        {{"\n60000 26-12-07 25:00:00 00 0 0 50.0 UTC(NIST) *\n"}, 0},
        {{"\n60000 2026-12-07 12:00:00 UTC\n"}, 0},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        server.reply(bad[i]);
        auto seen = std::make_shared<Outcomes>();
        TimeServerSetup s = setup(server.port());
        s.afterSync = [seen](SyncOutcome o) { seen->record(o); };
        ComPtr<ITimeServer> ts = make(std::move(s));
        ts->SetTimezoneOffset(0.0f);
        ASSERT_EQ(ts->Start(), S_OK);
        ASSERT_EQ(seen->waitFor(1), std::vector<SyncOutcome>{SyncOutcome::Failed}) << "reply " << i;
        const TimeRead r = readTime(ts.Get());
        EXPECT_EQ(r.value, kComputerTime) << "reply " << i;
        EXPECT_EQ(r.fields, (std::vector<LONG>{40, 26, 12, 13, 8, 120, 0, 256, 0}))
            << "reply " << i;
    }
}

TEST_F(TimeServerObjectTest, AFailedTryKeepsTheLastSynchronisedTime) {
    server.replyOnce({{kNistNoon}, 0});
    server.reply("\n60000 26-12-08 25:61:00 00 0 0 50.0 UTC(NIST) *\n");
    TimeServerSetup s = setup(server.port());
    s.syncMilliseconds = 30;
    ComPtr<ITimeServer> ts = make(std::move(s));
    ASSERT_EQ(ts->Start(), S_OK);
    EXPECT_EQ(outcomes->waitFor(3),
              (std::vector<SyncOutcome>{SyncOutcome::Synchronised, SyncOutcome::Failed,
                                        SyncOutcome::Failed}));
    EXPECT_EQ(readTime(ts.Get()).value, kNistNoonSeconds);
}

TEST_F(TimeServerObjectTest, ARefusedConnectionIsAFailedTry) {
    ComPtr<ITimeServer> ts = make(setup(DaytimeTestServer::refusedPort()));
    ASSERT_EQ(ts->Start(), S_OK);
    EXPECT_EQ(outcomes->waitFor(1), std::vector<SyncOutcome>{SyncOutcome::Failed});
    EXPECT_EQ(readTime(ts.Get()).value, kComputerTime);
}

TEST_F(TimeServerObjectTest, ASilentServerTimesOutAndTheNextTrySucceeds) {
    server.replyOnce({{}, 600});
    TimeServerSetup s = setup(server.port());
    s.receiveTimeoutMilliseconds = 200;
    s.syncMilliseconds = 30;
    ComPtr<ITimeServer> ts = make(std::move(s));
    ASSERT_EQ(ts->Start(), S_OK);
    EXPECT_EQ(outcomes->waitFor(2),
              (std::vector<SyncOutcome>{SyncOutcome::Failed, SyncOutcome::Synchronised}));
    EXPECT_EQ(readTime(ts.Get()).value, kNistNoonSeconds);
}

// The default server is asked only while the computer is connected to the
// Internet; a server the parent named is asked regardless.
TEST_F(TimeServerObjectTest, OfflineOnlyAConfiguredServerIsAsked) {
    for (bool configured : {false, true}) {
        auto seen = std::make_shared<Outcomes>();
        TimeServerSetup s = setup(server.port());
        s.internetConnected = [] { return false; };
        s.server = [port = server.port(), configured] {
            DaytimeServer d;
            d.host = "127.0.0.1";
            d.port = port;
            d.configured = configured;
            return d;
        };
        s.afterSync = [seen](SyncOutcome o) { seen->record(o); };
        ComPtr<ITimeServer> ts = make(std::move(s));
        ASSERT_EQ(ts->Start(), S_OK);
        const SyncOutcome expected =
            configured ? SyncOutcome::Synchronised : SyncOutcome::NotConnected;
        EXPECT_EQ(seen->waitFor(1), std::vector<SyncOutcome>{expected}) << configured;
        EXPECT_EQ(server.connections(), configured ? 1 : 0);
    }
}

TEST_F(TimeServerObjectTest, TheTickerAddsFiveSecondsPerStepAndIgnoresTheComputerClock) {
    TimeServerSetup s = setup(DaytimeTestServer::refusedPort());
    s.tickMilliseconds = 10;
    ComPtr<ITimeServer> ts = make(std::move(s));
    ts->SetTimezoneOffset(0.0f);
    ASSERT_EQ(ts->Start(), S_OK);
    computer->set(kComputerTime + 7 * 86400);  // the child moves the date on a week
    ASSERT_TRUE(
        testing::eventually([&] { return readTime(ts.Get()).value >= kComputerTime + 200; }));
    computer->set(kComputerTime - 86400);  // and back a day
    const TimeRead r = readTime(ts.Get());
    const LONG advanced = r.value - static_cast<LONG>(kComputerTime);
    EXPECT_EQ(advanced % 5, 0);
    EXPECT_LT(advanced, 7 * 86400);
    const CalendarFields f = calendarFields(r.value);
    EXPECT_EQ(r.fields, (std::vector<LONG>{f.second, f.minute, f.hour, f.day, f.month,
                                           f.yearsSince1900, f.weekday, f.yearDay, 0}));
    EXPECT_EQ(r.fields[3], 13);
}

// The threads hold the clock themselves: the object can go while a query
// is still under way, and the threads end on their own.
TEST_F(TimeServerObjectTest, ReleasingTheObjectWhileItsThreadsRunIsSafe) {
    const long before = ModuleLock::active();
    server.replyOnce({{}, 600});
    TimeServerSetup s = setup(server.port());
    s.tickMilliseconds = 5;
    s.syncMilliseconds = 20;
    s.receiveTimeoutMilliseconds = 5000;
    ComPtr<ITimeServer> ts = make(std::move(s));
    ASSERT_EQ(ts->Start(), S_OK);
    ASSERT_EQ(ts->Start(), S_OK);
    ASSERT_TRUE(testing::eventually([&] { return server.connections() >= 1; }));
    ts.Reset();
    EXPECT_EQ(ModuleLock::active(), before);

    // Both queries finish after the release; then nothing more happens and
    // the last thread lets the shared clock go.
    EXPECT_EQ(outcomes->waitFor(2).size(), 2u);
    EXPECT_TRUE(testing::eventually([&] { return computer.use_count() == 1; }));
    Sleep(200);
    EXPECT_EQ(outcomes->count(), 2u);
}

// DISPIDs and argument types as a script client sees them.
TEST_F(TimeServerObjectTest, IDispatchReachesTheMembersByTheirDispids) {
    ComPtr<ITimeServer> ts = make(setup(server.port()));
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(ts.As(&dispatch), S_OK);
    const wchar_t* names[] = {L"GetTime", L"Start", L"SetTimezoneOffset"};
    for (DISPID expected = 1; expected <= 3; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, expected) << names[expected - 1];
    }

    // A script passes a double; the type information makes it the float.
    VARIANT offset;
    VariantInit(&offset);
    V_VT(&offset) = VT_R8;
    V_R8(&offset) = 5.5;
    DISPPARAMS one = {&offset, nullptr, 1, 0};
    ASSERT_EQ(dispatch->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, nullptr,
                               nullptr, nullptr),
              S_OK);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(dispatch->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                               nullptr, nullptr),
              S_OK);
    ASSERT_EQ(outcomes->waitFor(1), std::vector<SyncOutcome>{SyncOutcome::Synchronised});

    ScopedVariant fields, result;
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&byRef) = fields.get();
    DISPPARAMS out = {&byRef, nullptr, 1, 0};
    ASSERT_EQ(dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &out,
                               result.get(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.type(), VT_I4);
    EXPECT_EQ(V_I4(result.get()), kNistNoonSeconds);
    TimeRead r;
    testing::readFields(*fields.get(), r);
    ASSERT_EQ(r.fields.size(), 9u);
    EXPECT_EQ(r.fields[2], 17);
    EXPECT_EQ(r.fields[1], 30);
}

TEST(TimeServerTypeLibrary, DescribesTheClassAndItsDualInterface) {
    ComApartment com;
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(modulePath(thisModule()).c_str(), REGKIND_NONE, &lib), S_OK);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(libAttr->guid, LIBID_TBTIMELib));
    EXPECT_EQ(libAttr->wMajorVerNum, 1);
    EXPECT_EQ(libAttr->wMinorVerNum, 0);
    lib->ReleaseTLibAttr(libAttr);
    ScopedBstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.receive(), doc.receive(), nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name.get()), L"TBTIMELib");
    EXPECT_EQ(std::wstring(doc.get()), L"tbtime 1.0 Type Library");

    // The vtable half of the dual interface: the three members after the
    // seven of IUnknown and IDispatch.
    ComPtr<ITypeInfo> dispatchInfo, info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_ITimeServer, &dispatchInfo), S_OK);
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(ref, &info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(attr->cFuncs, 3);
    info->ReleaseTypeAttr(attr);
    struct Member {
        const wchar_t* name;
        std::vector<VARTYPE> params;
    };
    const std::array<Member, 3> members = {Member{L"GetTime", {VT_PTR, VT_PTR}},
                                           Member{L"Start", {}},
                                           Member{L"SetTimezoneOffset", {VT_R4}}};
    for (UINT i = 0; i < members.size(); ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        ScopedBstr member;
        info->GetDocumentation(f->memid, member.receive(), nullptr, nullptr, nullptr);
        EXPECT_EQ(std::wstring(member.get()), members[i].name);
        EXPECT_EQ(f->memid, static_cast<MEMBERID>(i + 1));
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        ASSERT_EQ(f->cParams, static_cast<SHORT>(members[i].params.size()));
        for (SHORT p = 0; p < f->cParams; ++p)
            EXPECT_EQ(f->lprgelemdescParam[p].tdesc.vt, members[i].params[p]);
        if (i == 0) {
            EXPECT_EQ(f->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_VARIANT);
            EXPECT_TRUE(f->lprgelemdescParam[0].paramdesc.wParamFlags & PARAMFLAG_FOUT);
            EXPECT_EQ(f->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_I4);
            EXPECT_TRUE(f->lprgelemdescParam[1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        }
        info->ReleaseFuncDesc(f);
    }

    ComPtr<ITypeInfo> coclass, def;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_TimeServer, &coclass), S_OK);
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, &def), S_OK);
    ASSERT_EQ(def->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_ITimeServer));
    def->ReleaseTypeAttr(attr);
}

}  // namespace
}  // namespace tb
