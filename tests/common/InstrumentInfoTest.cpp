#include <gtest/gtest.h>

#include "InstrumentInfo.h"

TEST(InstrumentInfo, OnlyTheLeakDetectorTypeIsKept) {
  struct Case {
    const char* type;
    const char* stored;
    bool tebb;
  } cases[] = {
      {"Kovo", "", false}, {"Daln", "", false}, {"Vrel", "", false},
      {"Tebb", "Tebb", true},
      // Kept as given, but the type tests compare exactly.
      {"TEBB", "TEBB", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    InstrumentInfo info;
    info.SetInfo(c.type, "SN 1234");
    EXPECT_EQ(info.GetType(), c.stored) << c.type;
    EXPECT_EQ(info.GetInstrumentId(), "SN 1234");
    EXPECT_EQ(info.isTebb(), c.tebb) << c.type;
  }
}

TEST(InstrumentInfo, SetInfoReplacesTheWholeRecord) {
  InstrumentInfo info;
  info.SetInfo("Tebb", "first");
  info.SetInfo("Kovo", "second");
  EXPECT_EQ(info.GetInstrumentId(), "second");
  EXPECT_FALSE(info.isTebb());
}
