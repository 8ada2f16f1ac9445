#include "service/timed/timed_access.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

class FakeClock : public NetworkClock {
  public:
    int32_t getTime(ClockReading& out) override {
        ++reads;
        if (status != 0) return status;
        out = reading;
        return 0;
    }
    // Monday 12 March 2001, 10:00 unless changed.
    void at(int32_t now, int32_t hour = 10, int32_t weekday = 1, int32_t day = 12) {
        reading.now = now;
        reading.fields.hours = hour;
        reading.fields.weekday = weekday;
        reading.fields.dayOfMonth = day;
        reading.fields.month = 2;
        reading.fields.yearsSince1900 = 101;
    }
    ClockReading reading;
    int32_t status = 0;
    int reads = 0;
};

class TimedAccessTest : public ::testing::Test {
  protected:
    TimedAccessTest() : timed(settings, &clock) {
        settings.usageDate = {12, 2, 101};
        clock.at(1000);
    }
    // One browser open with filtering on since `start`.
    void browseFrom(int32_t start) {
        clock.at(start);
        settings.filterActive = 1;
        ASSERT_TRUE(timed.addRefCount().ok());
    }
    TimedVerdict checkAt(int32_t now, int32_t hour = 10, int32_t weekday = 1, int32_t day = 12) {
        clock.at(now, hour, weekday, day);
        return timed.checkTimedAccess();
    }

    TimedSettings settings;
    FakeClock clock;
    TimedAccess timed;
};

// --- The verdict --------------------------------------------------------

TEST_F(TimedAccessTest, OffAnswersNoLimitWithoutReadingTheClock) {
    settings.timedAccessEnabled = 0;
    settings.dailyAllowance[1] = 60;
    settings.accessHours[1].fill(0);
    settings.usedToday = 5000;
    timed.setClock(nullptr);
    const TimedVerdict v = timed.checkTimedAccess();
    EXPECT_TRUE(v.outcome.ok());
    EXPECT_EQ(v.err, 0);
    EXPECT_EQ(v.timeLeft, 86400);
}

TEST_F(TimedAccessTest, HourNotAllowedWithoutDailyLimitIsErrorTwoAndNoLimit) {
    settings.accessHours[1][10] = 0;
    const TimedVerdict v = checkAt(2000);
    EXPECT_EQ(v.err, 2);
    EXPECT_EQ(v.timeLeft, 86400);
    EXPECT_EQ(checkAt(2000 + 3600, 11).err, 0) << "the next hour is allowed";
}

TEST_F(TimedAccessTest, AllowanceOfTwoHoursWith7300SecondsCountedIsUsedUp) {
    settings.dailyAllowance[1] = 7200;
    browseFrom(1000);
    const TimedVerdict v = checkAt(1000 + 7300);
    EXPECT_EQ(v.err, 1);
    EXPECT_EQ(v.timeLeft, -100);
    EXPECT_EQ(settings.usedToday, 7300);
}

TEST_F(TimedAccessTest, UsedUpAllowanceWinsOverTheHourRule) {
    settings.dailyAllowance[1] = 100;
    settings.accessHours[1][10] = 0;
    settings.usedToday = 100;
    EXPECT_EQ(checkAt(1000).err, 1);
}

TEST_F(TimedAccessTest, TimeLeftIsTheRestOfTodaysAllowance) {
    settings.dailyAllowance[1] = 3600;
    browseFrom(1000);
    const TimedVerdict v = checkAt(1600);
    EXPECT_EQ(v.err, 0);
    EXPECT_EQ(v.timeLeft, 3000);
}

TEST_F(TimedAccessTest, AllowanceAndHoursAreThoseOfTheClocksWeekday) {
    settings.dailyAllowance[3] = 7200;
    settings.accessHours[1][22] = 0;
    settings.usedToday = 0;
    EXPECT_EQ(checkAt(1000, 22, 3).timeLeft, 7200);
    EXPECT_EQ(checkAt(1000, 22, 3).err, 0);
    EXPECT_EQ(checkAt(1000, 22, 1).err, 2);
}

TEST_F(TimedAccessTest, CalendarFieldsOutOfRangeCountAsOutsideTheAllowedHours) {
    EXPECT_EQ(checkAt(1000, 24).err, 2);
    EXPECT_EQ(checkAt(1000, 10, 7).err, 2);
    EXPECT_EQ(checkAt(1000, -1, -1).err, 2);
}

// --- Counting -------------------------------------------------------------

TEST_F(TimedAccessTest, CountsBetweenChecksAndFromIntervalStartToStop) {
    browseFrom(1000);
    checkAt(1100);  // +100
    checkAt(1250);  // +150
    clock.at(1300);
    ASSERT_TRUE(timed.decRefCount().ok());  // +50 at the stop
    EXPECT_EQ(settings.usedToday, 300);
}

TEST_F(TimedAccessTest, TwoBrowsersStartAtTheFirstAndStopAtTheLast) {
    browseFrom(1000);
    clock.at(1200);
    timed.addRefCount();  // second window: the interval keeps its start
    EXPECT_EQ(settings.intervalStart, 1000u);
    clock.at(1500);
    timed.decRefCount();
    EXPECT_EQ(settings.usedToday, 0) << "one window still open";
    clock.at(1700);
    timed.decRefCount();
    EXPECT_EQ(settings.usedToday, 700);
    EXPECT_EQ(timed.browserCount(), 0u);

    const int reads = clock.reads;
    clock.at(9000);
    EXPECT_TRUE(timed.decRefCount().ok()) << "an extra DecRefCount at 0";
    EXPECT_EQ(timed.browserCount(), 0u);
    EXPECT_EQ(settings.usedToday, 700);
    EXPECT_EQ(clock.reads, reads);
}

TEST_F(TimedAccessTest, NothingIsCountedWhileFilteringIsOff) {
    settings.filterActive = 0;
    clock.at(1000);
    timed.addRefCount();
    clock.at(5000);
    timed.decRefCount();
    EXPECT_EQ(settings.usedToday, 0);
    EXPECT_EQ(clock.reads, 0);
}

TEST_F(TimedAccessTest, StartTimeLoggingWithABrowserOpenStartsAnInterval) {
    clock.at(1000);
    timed.addRefCount();
    clock.at(2000);
    ASSERT_TRUE(timed.startTimeLogging().ok());
    EXPECT_EQ(settings.filterActive, 1);
    EXPECT_EQ(settings.intervalStart, 2000u);
    clock.at(2600);
    timed.decRefCount();
    EXPECT_EQ(settings.usedToday, 600);
}

TEST_F(TimedAccessTest, StopTimeLoggingStopsButALaterCheckAddsTimeSinceTheIntervalStart) {
    browseFrom(1000);
    clock.at(1400);
    ASSERT_TRUE(timed.stopTimeLogging().ok());
    EXPECT_EQ(settings.filterActive, 0);
    EXPECT_EQ(settings.usedToday, 400);
    checkAt(1500);
    EXPECT_EQ(settings.usedToday, 400 + 500) << "the start is left where it was";
}

TEST_F(TimedAccessTest, ClockGoingBackwardsCountsNoNegativeTime) {
    browseFrom(5000);
    checkAt(5100);
    EXPECT_EQ(settings.usedToday, 100);
    checkAt(4000);  // the network clock was corrected backwards
    EXPECT_EQ(settings.usedToday, 100);
    EXPECT_EQ(settings.intervalStart, 4000u);
    checkAt(4060);
    EXPECT_EQ(settings.usedToday, 160);
}

TEST_F(TimedAccessTest, ACheckBeforeAnyIntervalCountsFromNowNotFromTheEpoch) {
    settings.dailyAllowance[1] = 7200;
    settings.usedToday = 60;
    const TimedVerdict v = checkAt(1'000'000'000);
    EXPECT_EQ(v.err, 0);
    EXPECT_EQ(v.timeLeft, 7200 - 60);
}

TEST_F(TimedAccessTest, ANegativeCountFromStorageStartsOverAtZero) {
    settings.usedToday = -50;
    settings.intervalStart = 1000;
    const TimedVerdict v = checkAt(1010);
    EXPECT_EQ(settings.usedToday, 0);
    EXPECT_EQ(v.err, 0);
}

TEST_F(TimedAccessTest, ANewDayStartsWithTheFullAllowance) {
    settings.dailyAllowance[1] = 7200;
    settings.dailyAllowance[2] = 3600;
    browseFrom(1000);
    EXPECT_EQ(checkAt(1000 + 7300).err, 1);
    // Past midnight by the network clock: Tuesday the 13th.
    const TimedVerdict v = checkAt(1000 + 7300 + 30, 0, 2, 13);
    EXPECT_EQ(v.err, 0);
    EXPECT_EQ(v.timeLeft, 3600);
    EXPECT_EQ(settings.usageDate, (TimedSettings::Date{13, 2, 101}));
    EXPECT_EQ(checkAt(1000 + 7300 + 90, 0, 2, 13).timeLeft, 3600 - 60);
}

TEST_F(TimedAccessTest, StartingAnIntervalOnANewDayResetsTheCount) {
    settings.usedToday = 4000;
    clock.at(1000, 8, 2, 13);
    ASSERT_TRUE(timed.startInterval().ok());
    EXPECT_EQ(settings.usedToday, 0);
    EXPECT_EQ(settings.usageDate, (TimedSettings::Date{13, 2, 101}));
}

// --- Failures -------------------------------------------------------------

TEST_F(TimedAccessTest, WithoutAClockEveryReadingFailsAndCountsStillMove) {
    timed.setClock(nullptr);
    EXPECT_EQ(timed.checkTimedAccess().outcome.kind, TimedOutcome::Kind::NoClock);
    settings.filterActive = 1;
    EXPECT_EQ(timed.addRefCount().kind, TimedOutcome::Kind::NoClock);
    EXPECT_EQ(timed.browserCount(), 1u);
    EXPECT_EQ(timed.stopTimeLogging().kind, TimedOutcome::Kind::NoClock);
    EXPECT_TRUE(timed.decRefCount().ok()) << "filtering is off now: no interval to stop";
    EXPECT_TRUE(timed.startTimeLogging().ok()) << "no browser: no interval to start";
}

TEST_F(TimedAccessTest, AClockErrorFailsTheCallWithItsStatusAndChangesNothing) {
    settings.usedToday = 10;
    settings.intervalStart = 900;
    clock.status = static_cast<int32_t>(0x80070005);
    const TimedVerdict v = checkAt(5000);
    EXPECT_EQ(v.outcome.kind, TimedOutcome::Kind::ClockError);
    EXPECT_EQ(v.outcome.clockStatus, static_cast<int32_t>(0x80070005));
    EXPECT_EQ(settings.usedToday, 10);
    EXPECT_EQ(settings.intervalStart, 900u);
    settings.filterActive = 1;
    EXPECT_EQ(timed.addRefCount().clockStatus, static_cast<int32_t>(0x80070005));
}

}  // namespace
}  // namespace tb
