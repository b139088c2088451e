#pragma once
// Small helpers the data model, the dialogs and the windows share: messages
// by string id, exception reports, bit flags, the ODBC time-stamp literal.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "COEvent.h"
#include "StringIds.h"
#include "core/Exception.h"
#include "core/Time.h"

class COException;
class DataContext;
class COSystemSetup;

void ShowMessage(unsigned id);
void ShowMessageText(std::string text);
// The message, then an empty line and why, when why is known.
void ShowMessageWithReason(unsigned id, const std::string& why);
// The exception's own message, as much of it as a message line holds (99
// characters).
void ShowExceptionMessage(const platform::CException& e);
void ShowCOExceptionMessage(const COException& e);
// String id, an empty line, then the exception's message: "Database error\n\n...".
void ReportException(unsigned id, const platform::CException& e);
// A failure to read the open task: once its file is gone, the person is
// told that instead, and only the first time.
void ReportTaskReadError(DataContext& context, const platform::CException& e);
// A database failure because the disk is full.
bool IsDiskFull(const platform::CException& e);
// Runs a user's command: a database error on the way is shown ("Database
// error" and the database's message) and the program goes on.
void RunReportingDatabaseErrors(const std::function<void()>& run);

// Bit indices count modulo 32; in a byte only bits 0 to 7 exist.
void SetBitFlag(unsigned char* flags, int bit, bool on);
bool IsBitFlagSet(unsigned char flags, int bit);
void SetBitFlag32(uint32_t* flags, int bit, bool on);
bool IsBitSet(uint32_t flags, int bit);

// "{ts 'YYYY-MM-DD HH:MM:SS'}", the literal of the time in SQL filters.
std::string FormatOdbcTimestamp(const platform::CTime& time);

// The trimmed text of the first comment (type 0); empty when there is none.
std::string GetFirstEventText(const std::vector<COEvent>& events);

// Only while a task database is open: updates every view of the program's
// document with the hint (a ViewHint).
void UpdateAllViewsOfDoc(DataContext& context, long hint);

// Opens the manual (its file name from the string table) in the program
// folder with the desktop's viewer, under a wait cursor; says so and returns
// false when that fails.
bool OpenManual(const COSystemSetup& setup);
