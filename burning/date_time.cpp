#include "burning/date_time.h"

#include <chrono>
#include <cmath>

namespace tv {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr long kDelphiEpochFromUnix = 25569;  // days from 1899-12-30 to 1970-01-01

}  // namespace

TDateTime DateTimeFromLocal(const CivilTime& t) {
    const double days =
        static_cast<double>(DaysFromCivil(t.Year, t.Month, t.Day) + kDelphiEpochFromUnix);
    const double fraction =
        (t.Hour * 3600.0 + t.Minute * 60.0 + t.Second + t.Hundredths / 100.0) / 86400.0;
    return days + fraction;
}

TDateTime DateTimeFromUnix(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return DateTimeFromLocal({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec, 0});
}

TDateTime Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto hundredths =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000 / 10;
    std::tm local{};
    localtime_r(&seconds, &local);
    return DateTimeFromLocal({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec, static_cast<int>(hundredths)});
}

CivilTime DecodeDateTime(TDateTime value) {
    // Round to hundredths of a second first, so 23:59:59.999 does not become 60 s.
    const long long total = std::llround(value * 8640000.0);
    long long days = total / 8640000;
    long long rest = total % 8640000;
    if (rest < 0) {
        rest += 8640000;
        --days;
    }
    // Civil date from days since 1899-12-30.
    long z = static_cast<long>(days) - kDelphiEpochFromUnix + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2));
    t.Hour = static_cast<int>(rest / 360000);
    t.Minute = static_cast<int>(rest / 6000 % 60);
    t.Second = static_cast<int>(rest / 100 % 60);
    t.Hundredths = static_cast<int>(rest % 100);
    return t;
}

CivilTime DiscTime(TDateTime local, int gmtOffset) {
    const CivilTime t = DecodeDateTime(local);
    std::tm tm{};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    tm.tm_isdst = -1;  // the zone's rules for that date decide
    std::time_t utc = std::mktime(&tm);
    if (utc == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11)) return t;
    utc += static_cast<std::time_t>(gmtOffset) * 15 * 60;
    std::tm shown{};
    if (gmtime_r(&utc, &shown) == nullptr) return t;
    return {shown.tm_year + 1900, shown.tm_mon + 1, shown.tm_mday, shown.tm_hour,
            shown.tm_min,         shown.tm_sec,     t.Hundredths};
}

}  // namespace tv
