// Week-day masks (bit 0 Sunday .. bit 6 Saturday) and the n-th matching day of a month.
#include <array>
#include <string>

#include "common/CommUnit.h"
#include "common/DebugAgentUnit.h"

namespace {

constexpr int kLastInstance = 5;
constexpr int kFlagDays = 31;  // the trace always shows 31 days from the first of the month

// The dates DecodeDate can take apart: 1 January 1 to 31 December 9999, any time of day.
bool IsCalendarDate(TDateTime value) {
    return value > -693594.0 && value < 2958466.0;
}

}  // namespace

int MakeWeekMask(bool Sun, bool Mon, bool Tue, bool Wed, bool Thu, bool Fri, bool Sat) {
    const bool days[7] = {Sun, Mon, Tue, Wed, Thu, Fri, Sat};
    int mask = 0;
    for (int i = 0; i < 7; ++i)
        if (days[i]) mask |= 1 << i;
    return mask;
}

bool IsDayInWeekMask(int Mask, int Day) {
    // Only bits 0..31 exist; a day outside that range is in no mask.
    if (Day < 1 || Day > 32) return false;
    return (static_cast<unsigned>(Mask) & (1u << (Day - 1))) != 0;
}

int GetTodayWeekMask() {
    return 1 << (DayOfWeek(Date()) - 1);
}

bool IsNthDayOfMonthByWeekMask(int Instance, int Mask, TDateTime D) {
    std::array<int, kFlagDays + 1> flags{};  // [1..31]; [0] unused
    int candidate = 0;
    int dayOfMonth = 0;
    if (IsCalendarDate(D)) {
        int year, month;
        DecodeDate(D, year, month, dayOfMonth);
        const TDateTime first = EncodeDate(year, month, 1);
        for (int k = 1; k <= kFlagDays; ++k)
            flags[k] = IsDayInWeekMask(Mask, DayOfWeek(first + k - 1)) ? 1 : 0;
        const int days = DaysInAMonth(year, month);
        if (Instance == kLastInstance) {
            candidate = 1;
            for (int k = days; k >= 1; --k) {
                if (flags[k] == 1) {
                    candidate = k;
                    break;
                }
            }
        } else {
            candidate = days;
            int count = 0;
            for (int k = 1; k <= days; ++k) {
                count += flags[k];
                if (count >= Instance) {
                    candidate = k;
                    break;
                }
            }
        }
    }
    const bool result = candidate > 0 && flags[candidate] == 1 && candidate == dayOfMonth;

    std::string text = "IsNthDayOfMonthByWeekMask: ";
    text += "Result: " + std::string(result ? "True" : "False") + " \r\n";
    text += "iDay: " + std::to_string(candidate) + " \r\n";
    text += "iInstance: " + std::to_string(Instance) + " \r\n";
    text += "iWeekMask: " + std::to_string(Mask) + " \r\n";
    text += "dtDate: " + DateToStr(D) + " \r\n";
    text += "arriWeekMask: ";
    for (int k = 1; k <= kFlagDays; ++k)
        text += std::to_string(k) + ": " + std::to_string(flags[k]) + "\r\n";
    text += " \r\n";
    SendDebugAgentMsg("CommUnit", kTraceLevel, text);
    return result;
}
