#include "time_server/network_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/tests/memory_registry.h"
#include "time_server/daytime_server.h"
#include "time_server/tests/fake_computer_clock.h"

namespace tb {
namespace {

using testing::FakeComputerClock;

constexpr int64_t kNoon = 1796644800;  // 2026-12-07 12:00:00 UTC, a Monday

struct HourMinute {
    int hour, minute;
    bool operator==(const HourMinute& o) const { return hour == o.hour && minute == o.minute; }
};
std::ostream& operator<<(std::ostream& out, const HourMinute& t) {
    return out << t.hour << ":" << t.minute;
}

HourMinute localAtNoon(float hours, bool daylight = false) {
    const LocalShift shift = localShift(hours, {0, daylight});
    const CalendarFields f = calendarFields(kNoon + shift.seconds, shift.daylight);
    return {f.hour, f.minute};
}

TEST(ZoneOffset, HalfAndQuarterHoursAndNegativeZones) {
    EXPECT_EQ(localAtNoon(5.5f), (HourMinute{17, 30}));
    EXPECT_EQ(localAtNoon(5.75f), (HourMinute{17, 45}));
    EXPECT_EQ(localAtNoon(5.25f), (HourMinute{17, 15}));
    EXPECT_EQ(localAtNoon(-3.5f), (HourMinute{8, 30}));
    EXPECT_EQ(localAtNoon(-9.75f), (HourMinute{2, 15}));
    EXPECT_EQ(localAtNoon(-8.0f), (HourMinute{4, 0}));
    EXPECT_EQ(localAtNoon(0.0f), (HourMinute{12, 0}));
}

TEST(ZoneOffset, TheComputersDaylightTimeAddsAnHour) {
    EXPECT_EQ(localAtNoon(5.5f, true), (HourMinute{18, 30}));
    EXPECT_EQ(localShift(5.5f, {0, true}).daylight, 1);
    EXPECT_EQ(localShift(5.5f, {0, false}).daylight, 0);
}

TEST(ZoneOffset, TruncatesTowardZeroAndTamesNonsense) {
    EXPECT_EQ(offsetSeconds(5.5f), 19800);
    EXPECT_EQ(offsetSeconds(-3.5f), -12600);
    EXPECT_EQ(offsetSeconds(1.0f / 7200.0f * 1.5f), 0);  // 0.75 s
    EXPECT_EQ(offsetSeconds(-1.0f / 7200.0f * 1.5f), 0);
    EXPECT_EQ(offsetSeconds(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(offsetSeconds(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(offsetSeconds(1e30f), 86400);
    EXPECT_EQ(offsetSeconds(-1e30f), -86400);
}

TEST(ZoneOffset, WithoutAChoiceTheComputersOwnZoneHolds) {
    const LocalShift shift = localShift(std::nullopt, {-7 * 3600, true});
    EXPECT_EQ(shift.seconds, -7 * 3600);
    EXPECT_EQ(shift.daylight, 1);
}

CalendarFields localFields(int64_t utc, float hours) {
    const LocalShift shift = localShift(hours, {});
    return calendarFields(utc + shift.seconds, shift.daylight);
}

TEST(ZoneOffset, RollsDayMonthAndYearOverBothWays) {
    // 2026-12-31 23:00 UTC at +5:30 is 04:30 on New Year's Day 2027, a Friday.
    const CalendarFields ahead = localFields(1798758000, 5.5f);
    EXPECT_EQ(ahead.asArray(), (std::array<int32_t, 9>{0, 30, 4, 1, 0, 127, 5, 0, 0}));
    // 2027-01-01 02:00 UTC at -3:30 is 22:30 on New Year's Eve 2026, a Thursday.
    const CalendarFields behind = localFields(1798761600 + 2 * 3600, -3.5f);
    EXPECT_EQ(behind.asArray(), (std::array<int32_t, 9>{0, 30, 22, 31, 11, 126, 4, 364, 0}));
    // 2028-03-01 01:00 UTC at -5 is the leap day 2028-02-29 20:00.
    const CalendarFields leap = localFields(1835485200, -5.0f);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.month, 1);
    EXPECT_EQ(leap.hour, 20);
    // 2026-11-30 20:15 UTC at +3:45 is 2026-12-01 00:00.
    const CalendarFields month = localFields(1796069700, 3.75f);
    EXPECT_EQ(month.day, 1);
    EXPECT_EQ(month.month, 11);
    EXPECT_EQ(month.hour, 0);
    EXPECT_EQ(month.minute, 0);
}

class NetworkClockTest : public ::testing::Test {
  protected:
    std::shared_ptr<FakeComputerClock> computer = std::make_shared<FakeComputerClock>(kNoon);
    std::shared_ptr<ZoneChoice> zone = std::make_shared<ZoneChoice>();
};

TEST_F(NetworkClockTest, StartsFromTheComputersClockInTheComputersZone) {
    computer->setZone({2 * 3600, false});
    NetworkClock clock(computer, zone);
    const TimeReading r = clock.read();
    EXPECT_EQ(r.value, kNoon);
    EXPECT_EQ(r.fields.hour, 14);
    EXPECT_EQ(r.fields.weekday, 1);
}

TEST_F(NetworkClockTest, AdvancesInFiveSecondStepsWhateverTheComputerClockDoes) {
    NetworkClock clock(computer, zone);
    computer->set(kNoon + 86400 * 30);  // the child moves the computer's date on
    clock.advance();
    clock.advance();
    EXPECT_EQ(clock.read().value, kNoon + 10);
    computer->set(kNoon - 3600);  // and back
    clock.advance();
    EXPECT_EQ(clock.read().value, kNoon + 15);
    EXPECT_EQ(clock.read().fields.second, 15);
}

TEST_F(NetworkClockTest, ASynchronisationReplacesTheHeldTime) {
    NetworkClock clock(computer, zone);
    clock.advance();
    clock.synchronise(kNoon - 1000);
    EXPECT_EQ(clock.read().value, kNoon - 1000);
    clock.advance();
    EXPECT_EQ(clock.read().value, kNoon - 995);
}

// The fields are the chosen zone's local time at every reading: before the
// first synchronisation, after it, and between ticks.
TEST_F(NetworkClockTest, FieldsFollowTheChosenZoneBeforeAndAfterSynchronising) {
    computer->setZone({-8 * 3600, false});
    NetworkClock clock(computer, zone);
    EXPECT_EQ(clock.read().fields.hour, 4);  // the computer's zone until a choice
    zone->choose(5.5f);
    EXPECT_EQ(clock.read().fields.hour, 17);
    EXPECT_EQ(clock.read().fields.minute, 30);
    clock.synchronise(kNoon + 60);
    EXPECT_EQ(clock.read().fields.minute, 31);
    for (int i = 0; i < 12; ++i) clock.advance();
    EXPECT_EQ(clock.read().fields.minute, 32);
    EXPECT_EQ(clock.read().fields.hour, 17);
}

// Choosing a zone changes the fields only: the value counts elapsed
// seconds, so usage counted from differences of values does not jump.
TEST_F(NetworkClockTest, ChoosingAZoneLeavesTheValueAlone) {
    NetworkClock clock(computer, zone);
    zone->choose(13.0f);
    EXPECT_EQ(clock.read().value, kNoon);
    EXPECT_EQ(clock.read().fields.hour, 1);
    EXPECT_EQ(clock.read().fields.day, 8);
    zone->choose(-11.0f);
    EXPECT_EQ(clock.read().value, kNoon);
    EXPECT_EQ(clock.read().fields.hour, 1);
    EXPECT_EQ(clock.read().fields.day, 7);
}

TEST_F(NetworkClockTest, DaylightStateIsTheComputersAtTheReading) {
    zone->choose(1.0f);
    NetworkClock clock(computer, zone);
    EXPECT_EQ(clock.read().fields.hour, 13);
    EXPECT_EQ(clock.read().fields.daylight, 0);
    computer->setZone({0, true});
    EXPECT_EQ(clock.read().fields.hour, 14);
    EXPECT_EQ(clock.read().fields.daylight, 1);
}

TEST_F(NetworkClockTest, TheValueIsCutTo32BitsAndTheFieldsAreNot) {
    NetworkClock clock(computer, zone);
    clock.synchronise(2147483648);  // 2038-01-19 03:14:08 UTC
    zone->choose(0.0f);
    const TimeReading r = clock.read();
    EXPECT_EQ(r.value, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(r.fields.yearsSince1900, 138);
    EXPECT_EQ(r.fields.hour, 3);
}

TEST(DaytimeServerConfiguration, DefaultsToTheLaboratoryServerOnPort13) {
    testing::MemoryRegistry registry;
    const DaytimeServer server = readDaytimeServer(registry);
    EXPECT_EQ(server.host, kDefaultTimeServerHost);
    EXPECT_EQ(server.port, 13);
    EXPECT_FALSE(server.configured);
}

TEST(DaytimeServerConfiguration, ProductKeyValuesPointElsewhere) {
    testing::MemoryRegistry registry;
    registry.createKey(RegRoot::LocalMachine, kProductKey);
    registry.writeString(RegRoot::LocalMachine, kProductKey, "TimeServerHost", "127.0.0.1");
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "TimeServerPort", 1313);
    DaytimeServer server = readDaytimeServer(registry);
    EXPECT_EQ(server.host, "127.0.0.1");
    EXPECT_EQ(server.port, 1313);
    EXPECT_TRUE(server.configured);

    registry.writeString(RegRoot::LocalMachine, kProductKey, "TimeServerHost", "");
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "TimeServerPort", 70000);
    server = readDaytimeServer(registry);
    EXPECT_EQ(server.host, kDefaultTimeServerHost);
    EXPECT_EQ(server.port, 13);
    EXPECT_FALSE(server.configured);
}

}  // namespace
}  // namespace tb
