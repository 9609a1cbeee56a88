// Recurrence rules of event sections and the week-day mask helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "engine/IniRecurrenceUnit.h"
#include "platform/DateTime.h"
#include "platform/IniFile.h"
#include "tests/support/FakeOs.h"

namespace {

// A fake OS with a trace viewer: every trace message sent is kept.
class TraceOs : public test::FakeOs {
  public:
    bool viewer = false;
    std::vector<std::string> traces;

    os::WindowHandle FindTopLevelWindow(const char*, const char* windowName) override {
        return viewer && windowName && std::string(windowName) == "Debug Server" ? 77 : 0;
    }
    bool SendCopyData(os::WindowHandle target, std::uintptr_t, const void* data,
                      std::uint32_t cbData) override {
        if (target != 77 || cbData == 0) return false;
        traces.emplace_back(static_cast<const char*>(data), cbData - 1);
        return true;
    }
};

TDateTime Day(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

// A date as the editor writes it under United States settings.
std::string Us(TDateTime date) {
    return DateToStr(date, TFormatSettings::UnitedStates());
}
std::string Us(int y, int m, int d) {
    return Us(Day(y, m, d));
}

class Recurrence : public ::testing::Test {
  protected:
    void SetUp() override { SetFormatSettings(TFormatSettings::UnitedStates()); }
    void TearDown() override { ResetFormatSettings(); }

    // The event section [Action1] holding the given key lines.
    static bool Matches(const std::string& keys, TDateTime d) {
        TIniFile ini;
        ini.SetText("[Options]\r\nRPRecurrenceType=4\r\n[Action1]\r\n" + keys);
        return IsDateInRecurrence(ini, "Action1", d);
    }

    TraceOs fake;
    os::ScopedOs scoped{fake};
};

TEST_F(Recurrence, EdgeCases) {
    struct Check {
        TDateTime d;
        bool expected;
    };
    struct Case {
        std::string what;
        std::string keys;
        std::vector<Check> checks;
    };
    const std::string from1Feb23 = "RPStartDate=" + Us(2023, 2, 1) + "\r\n";
    std::vector<Case> cases = {
        {"daily every 3 days from 1 March",
         "RPRecurrenceType=0\r\nRPInterval=3\r\nRPStartDate=" + Us(2023, 3, 1) + "\r\n",
         {{Day(2023, 3, 1), true},
          {Day(2023, 3, 2), false},
          {Day(2023, 3, 3), false},
          {Day(2023, 3, 4), true},
          {Day(2023, 3, 7), true},
          {Day(2023, 3, 31), true},
          {Day(2023, 2, 26), false}}},
        {"every weekday (interval 0, mask 62)",
         "RPRecurrenceType=1\r\nRPInterval=0\r\nRPDayOfWeekMask=62\r\n" + from1Feb23,
         {{Day(2023, 1, 31), false},  // Tuesday before the start
          {Day(2023, 2, 1), true},
          {Day(2023, 2, 3), true},
          {Day(2023, 2, 4), false},
          {Day(2023, 2, 5), false},
          {Day(2023, 2, 6), true},
          {Day(2023, 2, 13), true},
          {Day(2023, 12, 29), true}}},
        {"every 2 weeks on Monday and Friday from Wednesday 1 February 2023",
         "RPRecurrenceType=1\r\nRPInterval=2\r\nRPDayOfWeekMask=34\r\n" + from1Feb23,
         {{Day(2023, 2, 1), false},
          {Day(2023, 2, 3), true},
          {Day(2023, 2, 6), true},
          {Day(2023, 2, 7), false},
          {Day(2023, 2, 10), false},
          {Day(2023, 2, 13), false},
          {Day(2023, 2, 17), true},
          {Day(2023, 2, 20), true},
          {Day(2023, 3, 3), true},
          {Day(2023, 3, 6), true}}},
        {"weekly with a negative interval is the mask alone",
         "RPRecurrenceType=1\r\nRPInterval=-3\r\nRPDayOfWeekMask=2\r\n" + from1Feb23,
         {{Day(2023, 2, 6), true}, {Day(2023, 2, 13), true}, {Day(2023, 2, 14), false}}},
        {"day 15 every 2 months from 15 January 2023",
         "RPRecurrenceType=2\r\nRPInterval=2\r\nRPDayOfMonth=15\r\nRPStartDate=" + Us(2023, 1, 15) +
             "\r\n",
         {{Day(2023, 1, 15), true},
          {Day(2023, 2, 15), false},
          {Day(2023, 3, 15), false},  // 59 days are 1.94 units of 30.4375, truncated to 1
          {Day(2023, 4, 15), true},
          {Day(2023, 4, 16), false},
          {Day(2023, 6, 15), true},
          {Day(2023, 8, 15), true},
          {Day(2023, 10, 15), true},
          {Day(2023, 12, 15), true}}},
        {"day 31 every month is the last day of every month",
         "RPRecurrenceType=2\r\nRPInterval=1\r\nRPDayOfMonth=31\r\nRPStartDate=" + Us(2023, 1, 1) +
             "\r\n",
         {{Day(2023, 1, 31), true},
          {Day(2023, 1, 30), false},
          {Day(2023, 2, 28), true},
          {Day(2023, 4, 30), true},
          {Day(2024, 2, 28), false},
          {Day(2024, 2, 29), true}}},
        {"day 31 every 2 months from 31 January 2023 falls on 28 February",
         "RPRecurrenceType=2\r\nRPInterval=2\r\nRPDayOfMonth=31\r\nRPStartDate=" + Us(2023, 1, 31) +
             "\r\n",
         {{Day(2023, 1, 31), true}, {Day(2023, 2, 28), true}, {Day(2023, 3, 31), false}}},
        {"yearly on 29 February",
         "RPRecurrenceType=5\r\nRPMonthOfYear=1\r\nRPDayOfMonth=29\r\nRPStartDate=" +
             Us(2020, 1, 1) + "\r\n",
         {{Day(2023, 2, 28), true},
          {Day(2023, 3, 1), false},
          {Day(2024, 2, 28), false},
          {Day(2024, 2, 29), true},
          {Day(2024, 1, 29), false}}},
        {"last weekday of April 2023 is Friday 28 April",
         "RPRecurrenceType=6\r\nRPInstance=4\r\nRPDayOfWeekMask=62\r\nRPMonthOfYear=3\r\n" +
             from1Feb23,
         {{Day(2023, 4, 28), true},
          {Day(2023, 4, 27), false},
          {Day(2023, 4, 30), false},
          {Day(2024, 4, 30), true},  // a Tuesday
          {Day(2023, 3, 31), false}}},
        {"first weekend day of February 2023 is Saturday 4 February",
         "RPRecurrenceType=3\r\nRPInterval=1\r\nRPInstance=0\r\nRPDayOfWeekMask=65\r\n" +
             from1Feb23,
         {{Day(2023, 2, 1), false}, {Day(2023, 2, 4), true}, {Day(2023, 2, 5), false}}},
        {"second Monday of February 2023 is 13 February",
         "RPRecurrenceType=6\r\nRPInstance=1\r\nRPDayOfWeekMask=2\r\nRPMonthOfYear=1\r\n" +
             from1Feb23,
         {{Day(2023, 2, 6), false}, {Day(2023, 2, 13), true}, {Day(2023, 2, 20), false}}},
        {"last with mask 127 is the month's last day",
         "RPRecurrenceType=3\r\nRPInterval=1\r\nRPInstance=4\r\nRPDayOfWeekMask=127\r\n" +
             from1Feb23,
         {{Day(2023, 2, 28), true}, {Day(2023, 2, 27), false}, {Day(2024, 2, 29), true}}},
        {"instance 4 with mask 127 is the 4th",
         "RPRecurrenceType=3\r\nRPInterval=1\r\nRPInstance=3\r\nRPDayOfWeekMask=127\r\n" +
             from1Feb23,
         {{Day(2023, 3, 4), true}, {Day(2023, 3, 5), false}, {Day(2023, 3, 28), false}}},
        {"once on its date only",
         "RPRecurrenceType=7\r\nRPOnceDate=" + Us(2023, 6, 10) + "\r\n" + from1Feb23,
         {{Day(2023, 6, 10), true},
          {Day(2023, 6, 10) + 0.75, true},
          {Day(2023, 6, 9), false},
          {Day(2023, 6, 11), false},
          {Day(2024, 6, 10), false}}},
        {"end type 2 ends after the end date",
         "RPRecurrenceType=0\r\nRPEndType=2\r\nRPEndDate=" + Us(2023, 6, 10) + "\r\n" + from1Feb23,
         {{Day(2023, 6, 10), true}, {Day(2023, 6, 10) + 1.0 / 86400, false}}},
        {"end types other than 2 have no end",
         "RPRecurrenceType=0\r\nRPEndType=1\r\nRPEndDate=" + Us(2023, 2, 2) + "\r\n" + from1Feb23,
         {{Day(2023, 6, 10), true}}},
        {"a section without recurrence keys starts now, after today's midnight",
         "Title=Bare\r\n",
         {{Date(), false}, {Now(), true}}},
        {"a date outside the calendar matches nothing",
         "RPRecurrenceType=0\r\n" + from1Feb23,
         {{3.0e6, false}, {1.0e300, false}}},
    };
    // A mask of 0 never matches, for any instance.
    for (int instance = 0; instance <= 4; ++instance) {
        cases.push_back({"mask 0, instance " + std::to_string(instance),
                         "RPRecurrenceType=3\r\nRPInterval=1\r\nRPDayOfWeekMask=0\r\nRPInstance=" +
                             std::to_string(instance) + "\r\n" + from1Feb23,
                         {{Day(2023, 4, 1), false},
                          {Day(2023, 4, 7), false},
                          {Day(2023, 4, 28), false},
                          {Day(2023, 4, 30), false}}});
    }
    // Unknown types and non-positive intervals of the daily and monthly rules never match.
    for (const char* keys :
         {"RPRecurrenceType=4\r\n", "RPRecurrenceType=8\r\n", "RPRecurrenceType=-1\r\n",
          "RPRecurrenceType=0\r\nRPInterval=0\r\n", "RPRecurrenceType=0\r\nRPInterval=-2\r\n",
          "RPRecurrenceType=2\r\nRPInterval=0\r\nRPDayOfMonth=15\r\n",
          "RPRecurrenceType=3\r\nRPInterval=0\r\nRPDayOfWeekMask=127\r\n"}) {
        cases.push_back({std::string("never: ") + keys,
                         keys + from1Feb23,
                         {{Day(2023, 2, 1), false}, {Day(2023, 6, 15), false}}});
    }
    // Each type matches Thursday 15 June 2023 from a start on 1 June, and nothing from 16 June.
    for (const char* keys :
         {"RPRecurrenceType=0\r\n", "RPRecurrenceType=1\r\nRPInterval=0\r\nRPDayOfWeekMask=16\r\n",
          "RPRecurrenceType=2\r\nRPDayOfMonth=15\r\n",
          "RPRecurrenceType=3\r\nRPInstance=2\r\nRPDayOfWeekMask=16\r\n",
          "RPRecurrenceType=5\r\nRPMonthOfYear=5\r\nRPDayOfMonth=15\r\n",
          "RPRecurrenceType=6\r\nRPMonthOfYear=5\r\nRPInstance=2\r\nRPDayOfWeekMask=16\r\n",
          "RPRecurrenceType=7\r\nRPOnceDate=6/15/2023\r\n"}) {
        cases.push_back({std::string("start 1 June: ") + keys,
                         keys + ("RPStartDate=" + Us(2023, 6, 1) + "\r\n"),
                         {{Day(2023, 6, 15), true}}});
        cases.push_back({std::string("start 16 June: ") + keys,
                         keys + ("RPStartDate=" + Us(2023, 6, 16) + "\r\n"),
                         {{Day(2023, 6, 15), false}}});
    }

    for (const Case& c : cases) {
        for (const Check& check : c.checks) {
            SCOPED_TRACE(c.what + " on " + DateTimeToStr(check.d));
            EXPECT_EQ(Matches(c.keys, check.d), check.expected);
        }
    }
}

// The scan passes today at midnight, a refresh the current date and time.
TEST_F(Recurrence, ScanAndRefreshDifferAtTheEndDateAndInTheMonthCount) {
    const std::string endsOn10June = "RPRecurrenceType=0\r\nRPStartDate=" + Us(2023, 6, 1) +
                                     "\r\nRPEndType=2\r\nRPEndDate=" + Us(2023, 6, 10) + "\r\n";
    fake.now = Day(2023, 6, 10) + EncodeTime(10, 33, 5, 0);
    EXPECT_TRUE(Matches(endsOn10June, Date()));
    EXPECT_FALSE(Matches(endsOn10June, Now()));
    fake.now = Day(2023, 6, 9) + EncodeTime(23, 59, 59, 0);
    EXPECT_TRUE(Matches(endsOn10June, Now()));

    // 2 March 2023 is 60 days after 1 January: 1.97 units of 30.4375 days at midnight, but 2.001
    // at 22:00, so a refresh that evening finds the second month where the scan did not.
    const std::string day2Every2Months =
        "RPRecurrenceType=2\r\nRPInterval=2\r\nRPDayOfMonth=2\r\nRPStartDate=" + Us(2023, 1, 1) +
        "\r\n";
    fake.now = Day(2023, 3, 2) + EncodeTime(22, 0, 0, 0);
    EXPECT_FALSE(Matches(day2Every2Months, Date()));
    EXPECT_TRUE(Matches(day2Every2Months, Now()));
}

// --- Sweeps against a naive enumeration -----------------------------------------------------

// One calendar day, worked out by walking the calendar one day at a time.
struct WalkDay {
    int index;  // days since the walk's first day
    int y, m, d, weekDay, monthLength;
};

// Every day from 1 January 2022 (a Saturday) to 31 December 2027.
std::vector<WalkDay> WalkCalendar() {
    std::vector<WalkDay> days;
    int y = 2022, m = 1, d = 1, weekDay = 7;
    for (int index = 0; y <= 2027; ++index) {
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        days.push_back({index, y, m, d, weekDay, lengths[m - 1]});
        weekDay = weekDay % 7 + 1;
        if (++d > lengths[m - 1]) {
            d = 1;
            if (++m > 12) m = 1, ++y;
        }
    }
    return days;
}

bool InMask(int mask, int weekDay) {
    return (mask >> (weekDay - 1)) % 2 == 1;
}

// The day of the month that the instance (0 first .. 3 fourth, 4 last) picks among the days of
// the mask, found by listing the days of the month; 0 when there is none.
int NthDay(const std::vector<WalkDay>& days, const WalkDay& of, int instance, int mask) {
    std::vector<int> matching;
    for (int i = of.index - (of.d - 1); i < of.index - (of.d - 1) + of.monthLength; ++i)
        if (InMask(mask, days[i].weekDay)) matching.push_back(days[i].d);
    if (matching.empty()) return 0;
    if (instance == 4) return matching.back();
    return static_cast<int>(matching.size()) > instance ? matching[instance] : 0;
}

class RecurrenceSweep : public Recurrence {
  protected:
    void SetUp() override {
        Recurrence::SetUp();
        days = WalkCalendar();
        first = Day(2022, 1, 1);
    }

    TDateTime Serial(int index) const { return first + index; }
    std::string Text(int index) const { return Us(Serial(index)); }

    // Checks every day of the walk against the expectation; stops at the first mismatch.
    template <typename Expected>
    void Sweep(const std::string& keys, Expected expected) {
        TIniFile ini;
        ini.SetText("[Action1]\r\n" + keys);
        int matches = 0;
        for (const WalkDay& w : days) {
            const bool want = expected(w);
            matches += want;
            if (IsDateInRecurrence(ini, "Action1", Serial(w.index)) != want) {
                ADD_FAILURE() << keys << "on " << w.y << "-" << w.m << "-" << w.d << ": expected "
                              << want;
                return;
            }
        }
        EXPECT_GT(matches, 0) << keys;  // a sweep that never matches proves little
    }

    std::vector<WalkDay> days;
    TDateTime first = 0;
};

TEST_F(RecurrenceSweep, Daily) {
    for (int interval : {1, 2, 3, 7, 30, 366}) {
        const int start = 73;  // 15 March 2022
        Sweep("RPRecurrenceType=0\r\nRPInterval=" + std::to_string(interval) +
                  "\r\nRPStartDate=" + Text(start) + "\r\n",
              [&](const WalkDay& w) {
                  return w.index >= start && (w.index - start) % interval == 0;
              });
    }
    const int start = 10, end = 2000;
    Sweep("RPRecurrenceType=0\r\nRPInterval=5\r\nRPStartDate=" + Text(start) +
              "\r\nRPEndType=2\r\nRPEndDate=" + Text(end) + "\r\n",
          [&](const WalkDay& w) {
              return w.index >= start && w.index <= end && (w.index - start) % 5 == 0;
          });
}

TEST_F(RecurrenceSweep, Weekly) {
    const int start = 32;  // Wednesday 2 February 2022
    for (int interval : {0, 1, 2, 3, 55}) {
        for (int mask : {62, 34, 1, 64}) {
            Sweep("RPRecurrenceType=1\r\nRPInterval=" + std::to_string(interval) +
                      "\r\nRPDayOfWeekMask=" + std::to_string(mask) +
                      "\r\nRPStartDate=" + Text(start) + "\r\n",
                  [&](const WalkDay& w) {
                      if (w.index < start || !InMask(mask, w.weekDay)) return false;
                      int week = 0;  // whole blocks of seven days since the start
                      for (int i = start + 7; i <= w.index; i += 7) ++week;
                      return interval == 0 || week % interval == 0;
                  });
        }
    }
}

// Whole units of 30.4375 days from the start to the day, counted by stepping unit boundaries.
int NaiveMonths(int start, int index) {
    int months = 0;
    for (double boundary = 30.4375; start + boundary <= index; boundary += 30.4375) ++months;
    return months;
}

TEST_F(RecurrenceSweep, MonthlyOnADay) {
    for (int start : {30, 59}) {  // 31 January, 1 March 2022
        for (int interval : {1, 2, 12}) {
            for (int dayOfMonth : {1, 15, 29, 30, 31}) {
                Sweep("RPRecurrenceType=2\r\nRPInterval=" + std::to_string(interval) +
                          "\r\nRPDayOfMonth=" + std::to_string(dayOfMonth) +
                          "\r\nRPStartDate=" + Text(start) + "\r\n",
                      [&](const WalkDay& w) {
                          return w.index >= start && NaiveMonths(start, w.index) % interval == 0 &&
                                 std::min(dayOfMonth, w.monthLength) == w.d;
                      });
            }
        }
    }
}

TEST_F(RecurrenceSweep, MonthlyOnTheNthWeekDay) {
    const int start = 45;  // 15 February 2022
    for (int interval : {1, 2, 5}) {
        for (int instance = 0; instance <= 4; ++instance) {
            for (int mask : {62, 65, 2}) {
                Sweep("RPRecurrenceType=3\r\nRPInterval=" + std::to_string(interval) +
                          "\r\nRPInstance=" + std::to_string(instance) + "\r\nRPDayOfWeekMask=" +
                          std::to_string(mask) + "\r\nRPStartDate=" + Text(start) + "\r\n",
                      [&](const WalkDay& w) {
                          return w.index >= start && NaiveMonths(start, w.index) % interval == 0 &&
                                 NthDay(days, w, instance, mask) == w.d;
                      });
            }
        }
    }
}

TEST_F(RecurrenceSweep, YearlyOnADay) {
    struct Case {
        int month0, dayOfMonth;
    };
    std::vector<Case> cases;
    for (int month0 = 0; month0 < 12; ++month0) cases.push_back({month0, 31});
    for (int dayOfMonth : {1, 28, 29, 30}) cases.push_back({1, dayOfMonth});
    cases.push_back({3, 30});
    for (const Case& c : cases) {
        Sweep("RPRecurrenceType=5\r\nRPMonthOfYear=" + std::to_string(c.month0) +
                  "\r\nRPDayOfMonth=" + std::to_string(c.dayOfMonth) +
                  "\r\nRPStartDate=" + Text(0) + "\r\n",
              [&](const WalkDay& w) {
                  return w.m == c.month0 + 1 && std::min(c.dayOfMonth, w.monthLength) == w.d;
              });
    }
}

TEST_F(RecurrenceSweep, YearlyOnTheNthWeekDay) {
    for (int month0 : {1, 3, 11}) {
        for (int instance = 0; instance <= 4; ++instance) {
            for (int mask : {62, 65, 16}) {
                Sweep("RPRecurrenceType=6\r\nRPMonthOfYear=" + std::to_string(month0) +
                          "\r\nRPInstance=" + std::to_string(instance) + "\r\nRPDayOfWeekMask=" +
                          std::to_string(mask) + "\r\nRPStartDate=" + Text(0) + "\r\n",
                      [&](const WalkDay& w) {
                          return w.m == month0 + 1 && NthDay(days, w, instance, mask) == w.d;
                      });
            }
        }
    }
}

TEST_F(RecurrenceSweep, Once) {
    for (int once : {0, 788, 2190}) {  // the walk's first day, 28 February 2024, its last day
        Sweep("RPRecurrenceType=7\r\nRPOnceDate=" + Text(once) + "\r\nRPStartDate=" + Text(0) +
                  "\r\n",
              [&](const WalkDay& w) { return w.index == once; });
    }
}

// --- Week-day masks --------------------------------------------------------------------------

TEST_F(Recurrence, WeekMasks) {
    EXPECT_EQ(MakeWeekMask(true, true, true, true, true, true, true), 127);
    EXPECT_EQ(MakeWeekMask(false, true, true, true, true, true, false), 62);
    EXPECT_EQ(MakeWeekMask(true, false, false, false, false, false, true), 65);
    EXPECT_EQ(MakeWeekMask(false, false, false, false, false, false, false), 0);
    EXPECT_EQ(MakeWeekMask(false, false, false, true, false, false, false), 8);
    for (int mask = 0; mask < 128; ++mask) {
        bool in[8];
        for (int day = 1; day <= 7; ++day) in[day] = IsDayInWeekMask(mask, day);
        EXPECT_EQ(MakeWeekMask(in[1], in[2], in[3], in[4], in[5], in[6], in[7]), mask);
    }
    for (int day : {0, -1, 33, 1000}) EXPECT_FALSE(IsDayInWeekMask(-1, day)) << day;

    struct Case {
        TDateTime now;
        int mask;
    } today[] = {{Day(2024, 12, 8) + 0.99, 1},  // Sunday
                 {Day(2024, 12, 9), 2},
                 {Day(2024, 12, 14) + 0.5, 64}};
    for (const Case& c : today) {
        fake.now = c.now;
        EXPECT_EQ(GetTodayWeekMask(), c.mask) << DateTimeToStr(c.now);
    }
}

TEST_F(Recurrence, NthDayTraceLine) {
    fake.viewer = true;
    EXPECT_TRUE(IsNthDayOfMonthByWeekMask(5, 62, Day(2023, 4, 28)));
    ASSERT_EQ(fake.traces.size(), 1u);
    // April 2023 begins on a Saturday; the 31st entry is Monday 1 May.
    const std::string flags = "0011111001111100111110011111001";
    std::string lines;
    for (int k = 1; k <= 31; ++k) lines += std::to_string(k) + ": " + flags[k - 1] + "\r\n";
    EXPECT_EQ(fake.traces[0],
              "OFFICE7\toperator\tCommUnit\tIsNthDayOfMonthByWeekMask: Result: True \r\n"
              "iDay: 28 \r\niInstance: 5 \r\niWeekMask: 62 \r\ndtDate: 4/28/2023 \r\n"
              "arriWeekMask: " +
                  lines + " \r\n");

    // A miss names the day that would have matched.
    EXPECT_FALSE(IsNthDayOfMonthByWeekMask(2, 2, Day(2023, 2, 6)));
    ASSERT_EQ(fake.traces.size(), 2u);
    EXPECT_NE(fake.traces[1].find("Result: False \r\niDay: 13 \r\niInstance: 2 \r\n"
                                  "iWeekMask: 2 \r\ndtDate: 2/6/2023 \r\n"),
              std::string::npos)
        << fake.traces[1];

    // A value outside the calendar is no day of any month, and is still traced.
    EXPECT_FALSE(IsNthDayOfMonthByWeekMask(1, 127, 1.0e300));
    EXPECT_EQ(fake.traces.size(), 3u);
}

}  // namespace
