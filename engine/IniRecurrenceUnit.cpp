// The recurrence rules of an event section: keys beginning with "RP".
#include "engine/IniRecurrenceUnit.h"

#include <climits>
#include <cmath>

#include "common/CommUnit.h"

namespace {

constexpr double kDaysPerMonth = 30.4375;  // months are counted in units of this many days

// Recurrence types as stored in "RPRecurrenceType".
enum : int {
    kDaily = 0,
    kWeekly = 1,
    kMonthly = 2,
    kMonthNth = 3,
    kYearly = 5,
    kYearNth = 6,
    kOnce = 7,
};
constexpr int kEndByDate = 2;  // "RPEndType"

// The dates DecodeDate can take apart: 1 January 1 to 31 December 9999, any time of day.
bool IsCalendarDate(TDateTime value) {
    return value > -693594.0 && value < 2958466.0;
}

// Whole units of unitDays between a and b: the truncated absolute difference, never negative.
long long WholeUnitsBetween(TDateTime a, TDateTime b, double unitDays) {
    return static_cast<long long>(std::trunc(std::fabs(a - b) / unitDays));
}

// Day d of a month of n days: d itself, or the last day for any d at or beyond it.
bool IsDayOfMonthOrLast(int d, int day, int n) {
    return d == day || (d >= n && day == n);
}

// The file stores the instance less one (0 first .. 4 last); the largest value stays as it is
// rather than overflow.
int InstanceNumber(int stored) {
    return stored < INT_MAX ? stored + 1 : stored;
}

}  // namespace

bool IsDateInRecurrence(const TIniFile& Reader, const std::string& Section, TDateTime D) {
    // Outside the calendar there is no day of month to compare (and no day to arm).
    if (!IsCalendarDate(D)) return false;

    const int interval = Reader.ReadInteger(Section, "RPInterval", 1);
    const TDateTime start = Reader.ReadDate(Section, "RPStartDate", Now());
    const int endType = Reader.ReadInteger(Section, "RPEndType", 0);
    const TDateTime start0 = DateOf(start);

    if (D < start) return false;
    // The end date counts only for end type 2; any other type has no end.
    if (endType == kEndByDate && D > Reader.ReadDate(Section, "RPEndDate", Now())) return false;

    const int type = Reader.ReadInteger(Section, "RPRecurrenceType", kDaily);
    const int weekDay = DayOfWeek(D);
    int year, month, day;
    DecodeDate(D, year, month, day);
    const int daysInMonth = DaysInAMonth(year, month);

    switch (type) {
        case kDaily:
            // A non-positive interval can't be divided by: such an event never matches.
            return interval > 0 && WholeUnitsBetween(start0, D, 1) % interval == 0;
        case kWeekly: {
            const int mask = Reader.ReadInteger(Section, "RPDayOfWeekMask", 0);
            if (!IsDayInWeekMask(mask, weekDay)) return false;
            // Interval 0 (or less) is the every-weekday form: the mask alone decides.
            return interval <= 0 || WholeUnitsBetween(start0, D, 7) % interval == 0;
        }
        case kMonthly: {
            const int dayOfMonth = Reader.ReadInteger(Section, "RPDayOfMonth", 0);
            return interval > 0 && WholeUnitsBetween(start0, D, kDaysPerMonth) % interval == 0 &&
                   IsDayOfMonthOrLast(dayOfMonth, day, daysInMonth);
        }
        case kMonthNth: {
            if (interval <= 0) return false;
            const long long months = WholeUnitsBetween(start0, D, kDaysPerMonth);
            const int instance = Reader.ReadInteger(Section, "RPInstance", 0);
            const int mask = Reader.ReadInteger(Section, "RPDayOfWeekMask", 0);
            return months % interval == 0 &&
                   IsNthDayOfMonthByWeekMask(InstanceNumber(instance), mask, D);
        }
        case kYearly: {
            const int monthOfYear0 = Reader.ReadInteger(Section, "RPMonthOfYear", 0);  // 0 January
            const int dayOfMonth = Reader.ReadInteger(Section, "RPDayOfMonth", 0);
            return month - 1 == monthOfYear0 && IsDayOfMonthOrLast(dayOfMonth, day, daysInMonth);
        }
        case kYearNth: {
            const int instance = Reader.ReadInteger(Section, "RPInstance", 0);
            const int mask = Reader.ReadInteger(Section, "RPDayOfWeekMask", 0);
            const int monthOfYear0 = Reader.ReadInteger(Section, "RPMonthOfYear", 0);
            return IsNthDayOfMonthByWeekMask(InstanceNumber(instance), mask, D) &&
                   month - 1 == monthOfYear0;
        }
        case kOnce: {
            const TDateTime once = Reader.ReadDate(Section, "RPOnceDate", Now());
            return DateOf(once) == DateOf(D);
        }
        default:  // 4 and unknown types never match
            return false;
    }
}
