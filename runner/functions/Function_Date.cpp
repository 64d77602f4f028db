// Built-in date functions: creating, checking, splitting, shifting, comparing and showing dates,
// and the current local date and time.
#include "runner/functions/Function_Date.h"

#include <langinfo.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"

namespace {
constexpr int64_t kMsPerDay = 86400000;
constexpr double kOneMs = 1.0 / 86400000.0;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochFromUnix = -25569;

// Days since 1970-01-01 of a proleptic Gregorian day (after H. Hinnant's civil algorithms).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int32_t& m, int32_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

// 1 January of the year 1.
constexpr int64_t kFirstDay = DaysFromCivil(1, 1, 1) - kEpochFromUnix;

// Date parts arrive as 16-bit unsigned numbers: -1 is 65535, 65537 is 1.
int32_t Part(const RValue& v) {
  return static_cast<uint16_t>(RoundToInt64(v.val()));
}

bool ValidDate(int32_t y, int32_t m, int32_t d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

bool ValidTime(int32_t h, int32_t mi, int32_t s) {
  return (h <= 23 && mi <= 59 && s <= 59) || (h == 24 && mi == 0 && s == 0);
}

double DateValue(int32_t y, int32_t m, int32_t d) {
  return static_cast<double>(DayNumberOf(y, m, d));
}

// A whole day plus a time of day, the time counted away from day 0 as dates do before it.
double Combine(double whole, double time) {
  return whole >= 0 ? whole + time : whole - time;
}

// 24:00:00 is a valid time; it means the end of the day, i.e. the next day's 00:00.
double TimeFraction(int32_t h, int32_t mi, int32_t s) {
  return (h * 3600.0 + mi * 60.0 + s) / 86400.0;
}

double CreateDateTime(int32_t y, int32_t m, int32_t d, int32_t h, int32_t mi, int32_t s) {
  if (h == 24) return DateValue(y, m, d) + 1.0;
  return Combine(DateValue(y, m, d), TimeFraction(h, mi, s));
}

int32_t Weekday(int64_t dayNumber) {  // 1 = Sunday .. 7 = Saturday; day 0 is a Saturday
  return static_cast<int32_t>(((dayNumber + 6) % 7 + 7) % 7) + 1;
}

int32_t IsoWeekdayOf(int64_t dayNumber) {  // 1 = Monday .. 7 = Sunday
  return static_cast<int32_t>(((dayNumber + 5) % 7 + 7) % 7) + 1;
}

int32_t DayOfYear(const RDateParts& p) {
  return static_cast<int32_t>(p.dayNumber - DayNumberOf(p.year, 1, 1) + 1);
}

// ISO 8601 week number of a day of the given year.
int32_t IsoWeek(int64_t year, int64_t dayNumber) {
  for (int pass = 0; pass < 2; ++pass) {
    const int64_t j1 = DayNumberOf(year, 1, 1);
    const int32_t w = IsoWeekdayOf(j1);
    int64_t k = dayNumber - j1 + 1;
    k += w >= 5 ? -(8 - w) : (w - 1);
    if (k <= 0) {  // the last week of the year before
      --year;
      dayNumber = DayNumberOf(year, 12, 31);
      continue;
    }
    int64_t week = (k + 6) / 7;
    if (week > 52) {
      int32_t e = w;
      if (IsLeapYear(year)) e = e % 7 + 1;
      if (e <= 3) week = 1;
    }
    return static_cast<int32_t>(week);
  }
  return 0;
}

double IncMonths(double date, int64_t amount) {
  const RDateParts p = SplitDate(date);
  if (p.month == 0) return 0;  // before the year 1: no calendar to count in
  int64_t y = p.year + amount / 12;
  int64_t m = p.month + amount % 12;
  if (m <= 0 || m > 12) {
    const int64_t s = amount < 0 ? -1 : 1;
    y += s;
    m -= 12 * s;
  }
  if (y < 1 || y > 9999) return 0;  // no such date to encode
  const int32_t month = static_cast<int32_t>(m);
  int32_t d = p.day;
  if (d > DaysInMonth(y, month)) d = DaysInMonth(y, month);
  const double whole = static_cast<double>(DayNumberOf(y, month, d));
  return Combine(whole, std::fabs(date - std::trunc(date)));
}

// The amount of a year increment, bounded so that 12 times it cannot overflow; anything that
// large leaves the calendar anyway.
int64_t YearAmount(const RValue& v) {
  const int64_t a = RoundToInt64(v.val());
  constexpr int64_t kLimit = int64_t{1} << 40;
  return a > kLimit ? kLimit : a < -kLimit ? -kLimit : a;
}

double IncByUnits(double date, double amount, double unitsPerDay) {
  return date > 0 ? (date * unitsPerDay + amount) / unitsPerDay : (date * unitsPerDay - amount) / unitsPerDay;
}

int32_t CompareWithin(double a, double b) {
  if (std::fabs(a - b) < kOneMs) return 0;
  return a > b ? 1 : -1;
}

double Today() {
  const platform::RDateTime now = platform::LocalNow();
  return DateValue(now.year, now.month, now.day);
}

std::tm TmOf(const RDateParts& p) {
  std::tm t{};
  t.tm_year = static_cast<int>(p.year - 1900);
  t.tm_mon = p.month > 0 ? p.month - 1 : 0;
  t.tm_mday = p.day;
  t.tm_hour = p.hour;
  t.tm_min = p.minute;
  t.tm_sec = p.second;
  t.tm_wday = Weekday(p.dayNumber) - 1;
  t.tm_yday = p.month > 0 ? DayOfYear(p) - 1 : 0;
  return t;
}

std::string Format(const RDateParts& p, nl_item item, locale_t locale) {
  const char* format = nl_langinfo_l(item, locale);
  if (!format || !*format) format = item == D_FMT ? "%m/%d/%y" : "%H:%M:%S";
  const std::tm t = TmOf(p);
  char buf[256];
  const size_t n = strftime_l(buf, sizeof buf, format, &t, locale);
  return std::string(buf, n);
}

// --- handlers ---

void Put(RValue& result, double v) { result.SetReal(v); }
double D(const RValue& v) { return v.val(); }

void date_current_datetime(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  const platform::RDateTime n = platform::LocalNow();
  const double ms = ((n.hour * 60.0 + n.minute) * 60.0 + n.second) * 1000.0 + n.millisecond;
  Put(result, Combine(DateValue(n.year, n.month, n.day), ms / kMsPerDay));
}

void date_current_date(CInstance*, CInstance*, int32_t, RValue*, RValue& result) { Put(result, Today()); }

void date_current_time(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  const platform::RDateTime n = platform::LocalNow();
  Put(result, (((n.hour * 60.0 + n.minute) * 60.0 + n.second) * 1000.0 + n.millisecond) / kMsPerDay);
}

void date_create_datetime(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const int32_t y = Part(a[0]), m = Part(a[1]), d = Part(a[2]), h = Part(a[3]), mi = Part(a[4]), s = Part(a[5]);
  if (ValidDate(y, m, d) && ValidTime(h, mi, s)) Put(result, CreateDateTime(y, m, d, h, mi, s));
}

void date_create_date(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const int32_t y = Part(a[0]), m = Part(a[1]), d = Part(a[2]);
  if (ValidDate(y, m, d)) Put(result, DateValue(y, m, d));
}

void date_create_time(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const int32_t h = Part(a[0]), mi = Part(a[1]), s = Part(a[2]);
  if (ValidTime(h, mi, s)) Put(result, TimeFraction(h, mi, s));
}

void date_valid_datetime(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, BoolReal(ValidDate(Part(a[0]), Part(a[1]), Part(a[2])) && ValidTime(Part(a[3]), Part(a[4]), Part(a[5]))));
}

void date_valid_date(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, BoolReal(ValidDate(Part(a[0]), Part(a[1]), Part(a[2]))));
}

void date_valid_time(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, BoolReal(ValidTime(Part(a[0]), Part(a[1]), Part(a[2]))));
}

void date_inc_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IncMonths(D(a[0]), 12 * YearAmount(a[1])));
}

void date_inc_month(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IncMonths(D(a[0]), RoundToInt64(a[1].val())));
}

void date_inc_week(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, D(a[0]) + 7 * RoundHalfEven(a[1].val()));
}

void date_inc_day(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, D(a[0]) + RoundHalfEven(a[1].val()));
}

void date_inc_hour(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IncByUnits(D(a[0]), RoundHalfEven(a[1].val()), 24));
}

void date_inc_minute(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IncByUnits(D(a[0]), RoundHalfEven(a[1].val()), 1440));
}

void date_inc_second(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IncByUnits(D(a[0]), RoundHalfEven(a[1].val()), 86400));
}

void date_get_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).year); }
void date_get_month(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).month); }
void date_get_day(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).day); }
void date_get_hour(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).hour); }
void date_get_minute(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).minute); }
void date_get_second(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, SplitDate(D(a[0])).second); }

void date_get_week(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  if (p.month > 0) Put(result, IsoWeek(p.year, p.dayNumber));
}

void date_get_weekday(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, Weekday(SplitDate(D(a[0])).dayNumber));
}

// The day of the year counts from the split day, not from the raw real: before day 0 the raw
// difference would lose a day whenever the date has a time of day.
int64_t HourOfYear(const RDateParts& p) { return p.hour + (DayOfYear(p) - 1) * int64_t{24}; }
int64_t MinuteOfYear(const RDateParts& p) { return p.minute + HourOfYear(p) * 60; }

void date_get_day_of_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  if (p.month > 0) Put(result, DayOfYear(p));
}

void date_get_hour_of_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  if (p.month > 0) Put(result, static_cast<double>(HourOfYear(p)));
}

void date_get_minute_of_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  if (p.month > 0) Put(result, static_cast<double>(MinuteOfYear(p)));
}

void date_get_second_of_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  if (p.month > 0) Put(result, static_cast<double>(p.second + MinuteOfYear(p) * 60));
}

double Span(const RValue* a) { return std::fabs(D(a[0]) - D(a[1])); }

void date_year_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) / 365.25); }
void date_month_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) / 30.4375); }
void date_week_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) / 7); }
void date_day_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a)); }
void date_hour_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) * 24); }
void date_minute_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) * 1440); }
void date_second_span(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, Span(a) * 86400); }

void date_compare_datetime(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, CompareWithin(D(a[0]), D(a[1])));
}

void date_compare_date(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const double d1 = D(a[0]), d2 = D(a[1]);
  if (std::trunc(d1) == std::trunc(d2)) return;
  Put(result, d1 >= d2 ? 1 : -1);
}

void date_compare_time(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const double d1 = D(a[0]), d2 = D(a[1]);
  Put(result, CompareWithin(d1 - std::trunc(d1), d2 - std::trunc(d2)));
}

void date_date_of(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) { Put(result, std::trunc(D(a[0]))); }

void date_time_of(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const double d = D(a[0]);
  Put(result, d - std::trunc(d));
}

void date_datetime_string(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  result.SetString(DateTimeText(D(a[0]), UserTimeLocale()));
}

void date_date_string(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  result.SetString(DateText(D(a[0]), UserTimeLocale()));
}

void date_time_string(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  result.SetString(TimeText(D(a[0]), UserTimeLocale()));
}

void date_days_in_month(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const RDateParts p = SplitDate(D(a[0]));
  Put(result, DaysInMonth(p.year, p.month));
}

void date_days_in_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, IsLeapYear(SplitDate(D(a[0])).year) ? 366 : 365);
}

void date_leap_year(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  Put(result, BoolReal(IsLeapYear(SplitDate(D(a[0])).year)));
}

void date_is_today(CInstance*, CInstance*, int32_t, RValue* a, RValue& result) {
  const double today = Today(), d = D(a[0]);
  Put(result, BoolReal(today <= d && d < today + 1));
}

constexpr RFunctionDef kDateFunctions[] = {
    {"date_current_datetime", 0, date_current_datetime},
    {"date_current_date", 0, date_current_date},
    {"date_current_time", 0, date_current_time},
    {"date_create_datetime", 6, date_create_datetime},
    {"date_create_date", 3, date_create_date},
    {"date_create_time", 3, date_create_time},
    {"date_valid_datetime", 6, date_valid_datetime},
    {"date_valid_date", 3, date_valid_date},
    {"date_valid_time", 3, date_valid_time},
    {"date_inc_year", 2, date_inc_year},
    {"date_inc_month", 2, date_inc_month},
    {"date_inc_week", 2, date_inc_week},
    {"date_inc_day", 2, date_inc_day},
    {"date_inc_hour", 2, date_inc_hour},
    {"date_inc_minute", 2, date_inc_minute},
    {"date_inc_second", 2, date_inc_second},
    {"date_get_year", 1, date_get_year},
    {"date_get_month", 1, date_get_month},
    {"date_get_week", 1, date_get_week},
    {"date_get_day", 1, date_get_day},
    {"date_get_hour", 1, date_get_hour},
    {"date_get_minute", 1, date_get_minute},
    {"date_get_second", 1, date_get_second},
    {"date_get_weekday", 1, date_get_weekday},
    {"date_get_day_of_year", 1, date_get_day_of_year},
    {"date_get_hour_of_year", 1, date_get_hour_of_year},
    {"date_get_minute_of_year", 1, date_get_minute_of_year},
    {"date_get_second_of_year", 1, date_get_second_of_year},
    {"date_year_span", 2, date_year_span},
    {"date_month_span", 2, date_month_span},
    {"date_week_span", 2, date_week_span},
    {"date_day_span", 2, date_day_span},
    {"date_hour_span", 2, date_hour_span},
    {"date_minute_span", 2, date_minute_span},
    {"date_second_span", 2, date_second_span},
    {"date_compare_datetime", 2, date_compare_datetime},
    {"date_compare_date", 2, date_compare_date},
    {"date_compare_time", 2, date_compare_time},
    {"date_date_of", 1, date_date_of},
    {"date_time_of", 1, date_time_of},
    {"date_datetime_string", 1, date_datetime_string},
    {"date_date_string", 1, date_date_string},
    {"date_time_string", 1, date_time_string},
    {"date_days_in_month", 1, date_days_in_month},
    {"date_days_in_year", 1, date_days_in_year},
    {"date_leap_year", 1, date_leap_year},
    {"date_is_today", 1, date_is_today},
};
}  // namespace

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int64_t year, int32_t month) {
  static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t DayNumberOf(int64_t year, int32_t month, int32_t day) {
  return DaysFromCivil(year, month, day) - kEpochFromUnix;
}

RDateParts SplitDate(double date) {
  RDateParts p;
  // Rounding in milliseconds first keeps 23:59:59.9996 from showing as second 59 of a day
  // that has already ended; far-away values saturate instead of overflowing.
  const int64_t t = RoundToInt64(date * static_cast<double>(kMsPerDay));
  p.dayNumber = t / kMsPerDay;
  int64_t ms = t % kMsPerDay;
  if (ms < 0) ms = -ms;
  p.hour = static_cast<int32_t>(ms / 3600000);
  p.minute = static_cast<int32_t>(ms / 60000 % 60);
  p.second = static_cast<int32_t>(ms / 1000 % 60);
  p.millisecond = static_cast<int32_t>(ms % 1000);
  if (p.dayNumber >= kFirstDay) {
    int64_t y = 0;
    CivilFromDays(p.dayNumber + kEpochFromUnix, y, p.month, p.day);
    p.year = static_cast<int32_t>(y);
  }
  return p;
}

std::string DateText(double date, locale_t locale) {
  return Format(SplitDate(date), D_FMT, locale);
}

std::string TimeText(double date, locale_t locale) {
  return Format(SplitDate(date), T_FMT, locale);
}

std::string DateTimeText(double date, locale_t locale) {
  const RDateParts p = SplitDate(date);
  std::string text = Format(p, D_FMT, locale);
  if (p.hour != 0 || p.minute != 0 || p.second != 0) text += " " + Format(p, T_FMT, locale);
  return text;
}

locale_t UserTimeLocale() {
  // Made once per process, like the user's regional settings it stands for.
  static const locale_t locale = [] {
    locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!l) l = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    return l;
  }();
  return locale;
}

FunctionFamily DateFunctions() {
  return kDateFunctions;
}
