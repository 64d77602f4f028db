// Dates as games see them: a real counting days from 30 December 1899 (day 0) in the proleptic
// Gregorian calendar, with the time of day as its fraction (the magnitude of the fraction before
// day 0). The date functions and the date texts share these helpers.
#pragma once

#include <locale.h>

#include <cstdint>
#include <string>

// A date split into its parts after rounding to whole milliseconds; a day before 1 January of
// the year 1 has year, month and day 0.
struct RDateParts {
  int64_t dayNumber = 0;  // whole days from day 0, truncated toward zero
  int32_t year = 0, month = 0, day = 0;
  int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

RDateParts SplitDate(double date);
bool IsLeapYear(int64_t year);
int32_t DaysInMonth(int64_t year, int32_t month);  // 0 for a month outside 1..12
// Day number of a calendar day (any year, proleptic).
int64_t DayNumberOf(int64_t year, int32_t month, int32_t day);

// The texts of date_date_string, date_time_string and date_datetime_string in the given
// locale's short date and time formats.
std::string DateText(double date, locale_t locale);
std::string TimeText(double date, locale_t locale);
std::string DateTimeText(double date, locale_t locale);

// The user's time locale, read once from the environment (LC_ALL, LC_TIME, LANG); the C
// locale when that names none that exists. The process locale is never consulted.
locale_t UserTimeLocale();
