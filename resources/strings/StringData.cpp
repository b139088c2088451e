// Each *.inc file holds the texts of one area as STR(id, "text") lines.
#include "StringData.h"

namespace kovo {
namespace {

#define STR(id, text) {id, text},
const StringEntry kCommon[] = {
#include "common.inc"
    {0, ""}};
const StringEntry kShared[] = {
#include "database.inc"
#include "communication.inc"
#include "windows.inc"
    {0, ""}};
const StringEntry kOnline[] = {
#include "online.inc"
    {0, ""}};
const StringEntry kCalibration[] = {
#include "calibration.inc"
    {0, ""}};
const StringEntry kOffline[] = {
#include "offline.inc"
    {0, ""}};
const StringEntry kPresentation[] = {
#include "presentation.inc"
    {0, ""}};
const StringEntry kOstrel[] = {
#include "ostrel.inc"
    {0, ""}};
#undef STR

template <size_t N>
StringTableRef Ref(const StringEntry (&t)[N]) {
  return {t, N - 1};  // without the closing entry
}

}  // namespace

StringTableRef ProgramStrings(const std::string& appName) {
  if (appName == "Online") return Ref(kOnline);
  if (appName == "Calibration") return Ref(kCalibration);
  if (appName == "Offline") return Ref(kOffline);
  if (appName == "Presentation") return Ref(kPresentation);
  if (appName == "Database Administration") return Ref(kOstrel);
  return {nullptr, 0};
}

StringTableRef SharedStrings() { return Ref(kShared); }
StringTableRef CommonStrings() { return Ref(kCommon); }

}  // namespace kovo
