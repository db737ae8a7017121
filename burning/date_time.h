#pragma once

#include <ctime>

namespace tv {

// The old platform's date and time: days since 30 December 1899, the time as the
// fraction of a day, in local time.
using TDateTime = double;

struct CivilTime {
    int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, Hundredths = 0;
};

TDateTime DateTimeFromLocal(const CivilTime& time);
TDateTime DateTimeFromUnix(std::time_t seconds);  // in local time
TDateTime Now();
CivilTime DecodeDateTime(TDateTime value);

// The civil time a disc shows for a local date together with a GMT offset (in
// 15-minute units): the date's UTC time moved by that offset, so that a reader
// who takes the offset off gets the right moment, whatever the daylight-saving
// state of the date was. Dates the system cannot convert are shown as they are.
CivilTime DiscTime(TDateTime local, int gmtOffset);

}  // namespace tv
