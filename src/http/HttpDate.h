#pragma once
#include <string>

namespace mediaconv::http {

// Dates are day counts since 30 December 1899 with the time as fraction
// (0 = no date), as the header event hands them out.
using TDateTime = double;

// "+hhmm" or "-hhmm" as a signed fraction of a day; 0 when it does not parse.
TDateTime GmtOffsetStrToDateTime(const std::string& text);

// One of the three HTTP date forms (RFC 1123, RFC 850, asctime), with an
// optional numeric zone, in local time with the zone's current bias; 0 when
// it does not parse.
TDateTime HttpDateToDateTime(const std::string& text);

// The fraction of a day by which local time is ahead of universal time now.
TDateTime CurrentLocalBias();

// A calendar date and time as a TDateTime; false when a field is out of range.
bool EncodeDateTime(int year, int month, int day, int hour, int minute, int second, TDateTime& result);

}  // namespace mediaconv::http
