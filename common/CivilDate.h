#pragma once
// Dates of the proleptic Gregorian calendar, as HTTP's dates (cookie
// expiry, Last-Modified and Date) name them. Portable.
#include <cstdint>

// Days from 1970-01-01 to year-month-day (month 1-12).
std::int64_t DaysFromCivil(int year, int month, int day);

// The days of month (1-12) in year.
int DaysInMonth(int year, int month);
