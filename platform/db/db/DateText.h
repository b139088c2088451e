#pragma once
// Dates as the databases store them: "YYYY-MM-DD HH:MM:SS" in local time.
// Rows are read and written by the hundred thousand, so the conversion keeps
// the hour it met last and calls the C library only for a new hour.
#include <cstddef>
#include <string>

#include "core/Time.h"
#include "db/Statement.h"

namespace platform::db {

// Writes the 19 characters and a terminating zero into out (20 bytes).
void DateToText(const CTime& time, char* out);
std::string DateToText(const CTime& time);
// Reads the first 19 characters; anything after them (".000") is ignored.
// A date alone is its midnight.
bool DateFromText(const char* text, size_t length, CTime* out);
// The same, as calendar fields.
bool ParseTimestamp(const char* text, size_t length, Timestamp* out);

}  // namespace platform::db
