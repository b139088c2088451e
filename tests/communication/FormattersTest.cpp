#include <gtest/gtest.h>

#include "Exceptions.h"
#include "FakeConn.h"
#include "MeasValue.h"
#include "Prints.h"

namespace {
std::string Printed(const Prints& item) {
  FakeConn conn;
  DataSinkTC sink(&conn);
  item.Print(sink);
  sink.Flush();
  return conn.AllWritten();
}
}  // namespace

TEST(Formatters, PrintedForms) {
  const struct {
    std::string printed;
    std::string expected;
  } cases[] = {
      {Printed(PrintChar(',')), ","},
      {Printed(PrintStr("SE A_P,")), "SE A_P,"},
      {Printed(PrintInt(0)), "0"},
      {Printed(PrintInt(-42)), "-42"},
      {Printed(PrintInt(2147483647)), "2147483647"},
      {Printed(PrintYN(true)), "Y"},
      {Printed(PrintYN(false)), "N"},
      {Printed(PrintFloat(50.0f, 1)), "50.0"},
      {Printed(PrintFloat(2.25f, 3)), "2.250"},
      {Printed(PrintFloat(50.0f, 0)), "5.000000E+01"},
      {Printed(PrintFloat(1234.5f, 0)), "1.234500E+03"},
      {Printed(PrintFloat(0.00123f, -1)), "1.230000E-03"},
      {Printed(PrintFloat(-3.4e38f, 0)), "-3.400000E+38"},
      // Fixed-point texts too long for the monitor's field go out as exponents.
      {Printed(PrintFloat(1e19f, 1)), "1.000000E+19"},
      {Printed(PrintFloat(123456789012345.0f, 2)), "123456788103168.00"},
      {Printed(PrintFloat(1e18f, 2)), "1.000000E+18"},
      {Printed(PrintCalibval(MeasValue(), 0)), "1.0E32"},
      {Printed(PrintCalibval(MeasValue(), 3)), "1.0E32"},
      {Printed(PrintCalibval(0.0012345f, 0)), "1.234500E-03"},
      {Printed(PrintCalibval(44.01f, 2)), "44.01"},
      {Printed(PrintTime(90)), "\"01:30\""},
      {Printed(PrintTime(0)), "\"00:00\""},
      {Printed(PrintTime(5)), "\"00:05\""},
      {Printed(PrintColl()), ""},
      {Printed(PrintColl().Add(PrintStr("R ")).Add(PrintInt(2)).Add(PrintChar(',')).Add(PrintYN(true))), "R 2,Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.printed, c.expected);
}

TEST(Formatters, CollectionsCopyTheirItems) {
  PrintColl original;
  original.Add(PrintStr("SE S_I,")).Add(PrintTime(61));
  PrintColl copy(original);
  original = PrintColl();
  EXPECT_EQ(copy.Count(), 2u);
  EXPECT_EQ(Printed(copy), "SE S_I,\"01:01\"");
  std::unique_ptr<Prints> clone(copy.Clone());
  EXPECT_EQ(Printed(*clone), "SE S_I,\"01:01\"");
}

TEST(RequestSink, SendsFullBlocksAndTheRestOnFlush) {
  FakeConn conn;
  DataSinkTC sink(&conn);
  for (int i = 0; i < 160; ++i) sink.Put('a');
  EXPECT_TRUE(conn.written.empty());
  sink.Put('b');  // the 161st
  ASSERT_EQ(conn.written.size(), 1u);
  EXPECT_EQ(conn.written[0], std::string(160, 'a'));
  sink.Flush();
  ASSERT_EQ(conn.written.size(), 2u);
  EXPECT_EQ(conn.written[1], "b");
}

TEST(RequestSink, PartWritesAreCompleted) {
  FakeConn conn;
  conn.maxWrite = 3;
  DataSinkTC sink(&conn);
  for (char c : std::string("SE? UA_N,F_A\n")) sink.Put(c);
  sink.Flush();
  EXPECT_EQ(conn.AllWritten(), "SE? UA_N,F_A\n");
  EXPECT_EQ(conn.written.size(), 5u);
}

TEST(RequestSink, FailedWriteEmptiesTheBuffer) {
  FakeConn conn;
  DataSinkTC sink(&conn);
  conn.onWrite = [] { throw Rs232Exception(CommException::write, nullptr, Rs232Exception::tout); };
  for (char c : std::string("STA_M\n")) sink.Put(c);
  EXPECT_THROW(sink.Flush(), Rs232Exception);
  conn.onWrite = nullptr;
  sink.Put('x');
  sink.Flush();
  EXPECT_EQ(conn.AllWritten(), "x");

  // So does a port error (a system error): kept, the request would go out
  // again in front of the next one.
  conn.written.clear();
  conn.onWrite = [] { throw Win32Error("unit", 1, "Error while writing to communication port", 5); };
  for (char c : std::string("CO_SRQ? 1,MEM\n")) sink.Put(c);
  EXPECT_THROW(sink.Flush(), Win32Error);
  conn.onWrite = nullptr;
  for (char c : std::string("K_L N\n")) sink.Put(c);
  sink.Flush();
  EXPECT_EQ(conn.AllWritten(), "K_L N\n");
}
