#include <gtest/gtest.h>

#include <cerrno>

#include "Exceptions.h"

TEST(CommExceptions, ReportTexts) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {CommException(0).Describe(), "Open communication error"},
      {CommException(2).Describe(), "Write communication error"},
      {CommException(7).Describe(), "Unknown communication error"},
      {Rs232Exception(1, nullptr, 5).Describe(), "RS232 Error: UNKNOWN. Read communication error"},
      {Rs232Exception(2, nullptr, Rs232Exception::tout).Describe(), "RS232 Error: TIMEOUT. Write communication error"},
      {Rs232Exception(0, nullptr, Rs232Exception::commError).Describe(), "RS232 Error: ERROR. Open communication error"},
      {Error("link.cpp", 12, "Oops").Describe(), "System error. File: link.cpp, line 12: Oops."},
      {Win32Error("link.cpp", 7, "Unable to get modem status", 25).Describe(),
       "Win32Error 25. File: link.cpp, line 7: Unable to get modem status."},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

TEST(CommExceptions, CodeTakenAtConstructionAndTextsBounded) {
  errno = EIO;
  Win32Error e("f", 1, "t");
  errno = 0;
  EXPECT_EQ(e.GetCode(), static_cast<uint32_t>(EIO));
  EXPECT_EQ(e.Describe(), "Win32Error 5. File: f, line 1: t.");

  const Error longOne("f", 1, std::string(400, 'x'));
  EXPECT_EQ(longOne.Describe().size(), 255u);
  // Thrown by value, caught by reference as any of its bases.
  try {
    throw Rs232Exception(CommException::read, nullptr, Rs232Exception::tout, "detail");
  } catch (const CommException& c) {
    EXPECT_EQ(c.GetKind(), CommException::read);
    EXPECT_STREQ(c.what(), "RS232 Error: TIMEOUT. Read communication error");
    EXPECT_EQ(dynamic_cast<const Rs232Exception&>(c).GetDetail(), "detail");
  }
}
