// Date functions called through the registry: every day of a wide range split and checked
// against the standard library's calendar, the edge cases of the calendar as a table of values
// computed independently, the current date on the virtual clock, and the date texts in a fixed
// locale.
#include <gtest/gtest.h>

#include <locale.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Date.h"
#include "runner/functions/Function_Families.h"

namespace {
using namespace std::chrono;

RValue R(double v) { return RValue(v); }

class DateFunctions : public ::testing::Test {
 public:
  void SetUp() override {
    InitFunctions(AllFunctionFamilies());
    SetErrorSink([](std::string_view message, bool) { ADD_FAILURE() << "message: " << message; });
  }
  void TearDown() override { SetErrorSink(nullptr); }

  static RValue Call(const char* name, std::vector<RValue> args) {
    int32_t id = -1;
    EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
    const RFunction* f = FunctionAt(id);
    if (!f) return RValue(-999.0);
    RValue argv[kMaxFunctionArgs];
    for (size_t i = 0; i < args.size(); ++i) argv[i] = args[i];
    RValue result;
    f->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv, result);
    return result;
  }
  static double Num(const char* name, std::vector<RValue> args) { return Call(name, std::move(args)).val(); }
};

FunctionFamily DateFunctionsTable() { return ::DateFunctions(); }

// Day 0 is 30 December 1899.
constexpr sys_days kDayZero = sys_days{year{1899} / December / 30};

int IsoWeekOf(sys_days d) {
  // The ISO week's year is the year of its Thursday.
  const unsigned iso = weekday{d}.iso_encoding();  // Monday 1 .. Sunday 7
  const sys_days thursday = d + days{4 - static_cast<int>(iso)};
  const sys_days jan1 = sys_days{year_month_day{thursday}.year() / January / 1};
  return static_cast<int>((thursday - jan1).count() / 7 + 1);
}

void CheckDay(sys_days d) {
  const year_month_day ymd{d};
  const double serial = static_cast<double>((d - kDayZero).count());
  const sys_days jan1 = sys_days{ymd.year() / January / 1};
  const sys_days next = sys_days{year_month_day_last{ymd.year() / ymd.month() / last}};
  SCOPED_TRACE(std::to_string(static_cast<int>(ymd.year())) + "-" + std::to_string(unsigned(ymd.month())) + "-" +
               std::to_string(unsigned(ymd.day())));
  const double noon = serial >= 0 ? serial + 0.5 : serial - 0.5;
  ASSERT_EQ(DateFunctions::Num("date_create_date", {R(int(ymd.year())), R(unsigned(ymd.month())), R(unsigned(ymd.day()))}),
            serial);
  ASSERT_EQ(DateFunctions::Num("date_get_year", {R(noon)}), int(ymd.year()));
  ASSERT_EQ(DateFunctions::Num("date_get_month", {R(noon)}), unsigned(ymd.month()));
  ASSERT_EQ(DateFunctions::Num("date_get_day", {R(noon)}), unsigned(ymd.day()));
  ASSERT_EQ(DateFunctions::Num("date_get_weekday", {R(noon)}), weekday{d}.c_encoding() + 1);
  ASSERT_EQ(DateFunctions::Num("date_get_day_of_year", {R(noon)}), (d - jan1).count() + 1);
  ASSERT_EQ(DateFunctions::Num("date_get_week", {R(noon)}), IsoWeekOf(d));
  ASSERT_EQ(DateFunctions::Num("date_days_in_month", {R(noon)}), unsigned(year_month_day{next}.day()));
  ASSERT_EQ(DateFunctions::Num("date_leap_year", {R(noon)}), ymd.year().is_leap() ? 1 : 0);
}

TEST_F(DateFunctions, EveryDaySplitsAsTheCalendarSays) {
  // Every day of the years around day 0 and of the leap-year exceptions 1900 and 2000, every
  // 13th day of four centuries (so every weekday and day of the month comes round), then a
  // sparse walk over the whole range of years.
  struct Walk {
    sys_days from, to;
    int step;
  };
  const Walk walks[] = {
      {sys_days{year{1898} / January / 1}, sys_days{year{1901} / December / 31}, 1},
      {sys_days{year{1999} / January / 1}, sys_days{year{2001} / December / 31}, 1},
      {sys_days{year{2020} / January / 1}, sys_days{year{2026} / December / 31}, 1},
      {sys_days{year{1800} / January / 1}, sys_days{year{2200} / December / 31}, 13},
      {sys_days{year{1} / January / 1}, sys_days{year{9999} / December / 31}, 997},
  };
  for (const Walk& w : walks)
    for (sys_days d = w.from; d <= w.to; d += days{w.step}) {
      CheckDay(d);
      if (HasFatalFailure()) return;
    }
}

struct NumCase {
  const char* function;
  std::vector<double> args;
  double expected;
};

TEST_F(DateFunctions, EdgesOfTheCalendar) {
  const double jan31_2023_10h = 44957 + 10.0 / 24;
  const std::vector<NumCase> cases = {
      // Validity: month ends, leap years, the 24:00 end of day, 16-bit parts.
      {"date_create_date", {2024, 2, 30}, 0},
      {"date_create_date", {2024, 2, 29}, 45351},
      {"date_valid_date", {2024, 2, 29}, 1},
      {"date_valid_date", {2023, 2, 29}, 0},
      {"date_valid_date", {1900, 2, 29}, 0},
      {"date_valid_date", {2000, 2, 29}, 1},
      {"date_valid_date", {10000, 1, 1}, 0},
      {"date_valid_date", {2024, -1, 1}, 0},
      {"date_valid_date", {2024, 65537, 1}, 1},
      {"date_valid_time", {24, 0, 0}, 1},
      {"date_valid_time", {24, 0, 1}, 0},
      {"date_valid_time", {23, 59, 59}, 1},
      {"date_valid_datetime", {2023, 4, 31, 1, 0, 0}, 0},
      {"date_create_time", {6, 0, 0}, 0.25},
      {"date_create_time", {24, 0, 0}, 1},
      {"date_create_datetime", {2024, 2, 29, 12, 0, 0}, 45351.5},
      {"date_create_datetime", {1899, 12, 29, 6, 0, 0}, -1.25},
      {"date_create_datetime", {2024, 2, 29, 24, 0, 0}, 45352},
      {"date_create_datetime", {2024, 2, 29, 12, 60, 0}, 0},
      // Month and year increments: month ends, year boundaries, the time of day kept.
      {"date_inc_month", {44941, -1}, 44910},
      {"date_inc_month", {44941, 12}, 44941 + 365},
      {"date_inc_month", {44941, -13}, 44910 - 365},
      {"date_inc_year", {45351, 1}, 45716},
      {"date_inc_year", {45351, 4}, 45351 + 1461},
      {"date_inc_month", {-1.25, 1}, 30.25},
      {"date_inc_month", {2958465, 1}, 0},
      // Weeks and days at the turn of the year.
      {"date_get_week", {44197}, 53},
      {"date_get_week", {45657}, 1},
      {"date_get_week", {44196}, 53},
      {"date_get_week", {46023}, 1},
      {"date_get_week", {42372}, 53},
      {"date_get_weekday", {0}, 7},
      {"date_get_weekday", {-1.25}, 6},
      {"date_get_day_of_year", {-1.25}, 363},
      {"date_get_hour", {-1.25}, 6},
      {"date_get_day", {-1.25}, 29},
      {"date_get_year", {-700000}, 0},
      {"date_get_month", {-700000}, 0},
      {"date_get_second", {45351 + 59.9996 / 86400}, 0},
      {"date_get_minute", {45351 + 59.9996 / 86400}, 1},
      {"date_get_hour_of_year", {45351.5}, 59 * 24 + 12},
      {"date_get_second_of_year", {45351.5}, (59 * 24 + 12) * 3600.0},
      {"date_days_in_year", {36678}, 366},
      {"date_days_in_year", {153}, 365},
      {"date_days_in_month", {45351}, 29},
      // Spans across years are exact differences, not rounded.
      {"date_day_span", {45657, 44197}, 1460},
      {"date_year_span", {44197, 45657}, 1460 / 365.25},
      {"date_hour_span", {1.5, 1}, 12},
      {"date_second_span", {0, -1.25}, 1.25 * 86400},
      // Comparisons within a millisecond.
      {"date_compare_datetime", {45351, 45351 + 0.000000001}, 0},
      {"date_compare_datetime", {45351, 45351 + 0.00000002}, -1},
      {"date_compare_date", {10.2, 10.9}, 0},
      {"date_compare_date", {11, 10.9}, 1},
      {"date_compare_time", {1.25, 2.25}, 0},
      {"date_compare_time", {1.75, 2.25}, 1},
      {"date_date_of", {-1.25}, -1},
      {"date_time_of", {-1.25}, -0.25},
      {"date_inc_hour", {1, 6}, 1.25},
      {"date_inc_hour", {-1, 6}, -1.25},
      {"date_inc_week", {0, -2.5}, -14},
      {"date_inc_day", {45351.5, 1}, 45352.5},
  };
  for (const NumCase& c : cases) {
    std::vector<RValue> args;
    for (double a : c.args) args.push_back(R(a));
    EXPECT_NEAR(Num(c.function, args), c.expected, 1e-9) << c.function << " of " << c.args[0];
  }
  // The time of day survives a month increment that has to shorten the month.
  EXPECT_NEAR(Num("date_inc_month", {R(jan31_2023_10h), R(1)}), 44985 + 10.0 / 24, 1e-9);
}

TEST_F(DateFunctions, ValuesFarOutsideTheCalendarGiveNumbersNotFaults) {
  // Every date function with every pairing of hostile values; the sanitizers catch any
  // overflow on the way, and the texts stay short.
  const double kHostile[] = {std::nan(""), INFINITY, -INFINITY, 1e300, -1e300, 9.3e18 / 86400000, -1e13,
                             -693594.5, 2958466, 65536.4, -0.0};
  for (const RFunctionDef& f : DateFunctionsTable()) {
    for (double a : kHostile)
      for (double b : kHostile) {
        std::vector<RValue> args(static_cast<size_t>(f.argnumb), R(a));
        if (args.size() >= 2) args[1] = R(b);
        const RValue r = Call(f.name, args);
        EXPECT_LE(r.str().size(), 64u) << f.name;
      }
  }
}

TEST_F(DateFunctions, CurrentDateFollowsTheClock) {
  platform::UseVirtualClock(true);  // 2000-01-01 00:00 everywhere, whatever the time zone
  EXPECT_EQ(Num("date_current_date", {}), 36526);
  platform::SleepMicros(int64_t{6} * 3600 * 1000000 + 250000);
  EXPECT_NEAR(Num("date_current_datetime", {}), 36526.25 + 0.25 / 86400, 1e-10);
  EXPECT_NEAR(Num("date_current_time", {}), 0.25 + 0.25 / 86400, 1e-10);
  EXPECT_EQ(Num("date_is_today", {R(36526.99)}), 1);
  EXPECT_EQ(Num("date_is_today", {R(36527)}), 0);
  EXPECT_EQ(Num("date_is_today", {R(36525.5)}), 0);
  platform::UseVirtualClock(false);

  // The real clock in a fixed time zone: the local date is the UTC one shifted by 14 hours.
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "Etc/GMT-14", 1);
  tzset();
  // The clock of a shared machine may be stepped between readings, so a few tries are allowed.
  bool inside = false;
  for (int attempt = 0; attempt < 5 && !inside; ++attempt) {
    const std::time_t before = std::time(nullptr);
    const double now = Num("date_current_datetime", {});
    const double today = Num("date_current_date", {});
    const std::time_t after = std::time(nullptr);
    const auto local = [](double unix) { return 25569 + (unix + 14 * 3600) / 86400; };
    inside = now >= local(static_cast<double>(before)) - 1e-9 && now <= local(static_cast<double>(after) + 1) &&
             (today == std::floor(now) || today == std::floor(local(static_cast<double>(after))));
  }
  EXPECT_TRUE(inside);
  if (oldTz) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST_F(DateFunctions, TextsUseTheLocalesFormats) {
  const locale_t c = newlocale(LC_TIME_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  ASSERT_NE(c, static_cast<locale_t>(nullptr));
  EXPECT_EQ(DateText(45351.75, c), "02/29/24");
  EXPECT_EQ(TimeText(45351.75, c), "18:00:00");
  EXPECT_EQ(DateTimeText(45351.75, c), "02/29/24 18:00:00");
  EXPECT_EQ(DateTimeText(45351, c), "02/29/24");  // a whole day shows no time
  EXPECT_EQ(DateTimeText(-1.25, c), "12/29/99 06:00:00");
  EXPECT_EQ(TimeText(0.5 - 0.0000000001, c), "12:00:00");  // rounded to milliseconds first
  freelocale(c);
}

}  // namespace
