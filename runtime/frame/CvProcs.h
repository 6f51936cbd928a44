// CvProcs.h - procedures shared by the pack's components and exported for
// application code.
#pragma once

#include <cstdint>
#include <string>

#include "System.h"

namespace vcl {
class TStrings;
}

namespace corvane {

// Percentage (0 to 100) of a system resource still free: kind 0 the system's
// memory, 1 the drawing objects (GDI), 2 the window objects (USER).  Raises
// vcl::Exception "Can't load USER.EXE!" when the system's figures cannot be
// read and "Can't get address of GetFreeSystemResources!" for a kind the
// query does not know.
uint16_t GetFreeSystemResources(uint16_t Kind);

// Splits Text at every occurrence of Delimiter into Parts (cleared first);
// n delimiters give n+1 parts, empty ones included.  An empty delimiter
// splits nothing: the whole text is the one part.  Returns the count.
int32_t BreakApart(const std::string& Text, const std::string& Delimiter, vcl::TStrings& Parts);

// Shortens a delimited text such as a path by replacing its inner parts with
// Replacement until it is at most MaxLength characters long; the first and
// last parts always stay.
std::string CompressString(const std::string& Text, const std::string& Delimiter,
                           const std::string& Replacement, int32_t MaxLength);

bool IsLeapYear(vcl::TDateTime Date);
int32_t DaysPerMonth(vcl::TDateTime Date);
// Moves a date by Count days from the end (Count > 0) or start of its month,
// keeping the day of the month where the month reached has it and taking its
// last day otherwise.  With 1..28 this is the next month, -1..-28 the
// previous one.  The time of day is dropped.
vcl::TDateTime MoveMonth(vcl::TDateTime Date, int32_t Count);
vcl::TDateTime PrevMonth(vcl::TDateTime Date);
vcl::TDateTime NextMonth(vcl::TDateTime Date);
vcl::TDateTime NextYear(vcl::TDateTime Date);
vcl::TDateTime PrevYear(vcl::TDateTime Date);

// "dd.mm.yyyy hh:mm:ss" with the user's time separator in place of ':'.
std::string datetimetolstr(vcl::TDateTime Date);

}  // namespace corvane
