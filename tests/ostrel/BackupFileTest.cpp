#include <gtest/gtest.h>

#include "core/StringTable.h"
#include "BackupFile.h"
#include "OstrelTestSupport.h"
#include "core/App.h"
#include "core/MessageSink.h"

using namespace backup;
using kovo::test::TempDir;

namespace {

std::string Escaped(std::string_view value) {
  std::string line;
  AppendField(line, value);
  return line;
}

}  // namespace

TEST(BackupCodec, EscapesSeparatorBackslashAndLineBreaks) {
  struct Case {
    std::string value;
    std::string written;
  };
  const Case cases[] = {
      {"\"abc\"", "\"abc\";"},
      {"\"a;b\"", "\"a\\;b\";"},
      {"\"C:\\data\\\"", "\"C:\\\\data\\\\\";"},
      {"\"two\r\nlines\"", "\"two\\r\\nlines\";"},
      {"\"\\n\"", "\"\\\\n\";"},  // a backslash and an n stay two characters
      {"\"\"", "\"\";"},
      {"-12", "-12;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Escaped(c.value), c.written) << c.value;
    std::string_view rest = c.written;
    std::string field;
    bool isNull = true;
    ASSERT_TRUE(TakeField(rest, &field, &isNull)) << c.written;
    EXPECT_EQ(field, c.value);
    EXPECT_FALSE(isNull);
    EXPECT_TRUE(rest.empty());
  }
}

TEST(BackupCodec, NullIsAnEmptyFieldAndUnterminatedFieldsAreRefused) {
  std::string line;
  AppendNull(line);
  AppendField(line, QuoteText(""));
  AppendNull(line);
  EXPECT_EQ(line, ";\"\";;");

  std::string_view rest = line;
  std::string field;
  bool isNull = false;
  ASSERT_TRUE(TakeField(rest, &field, &isNull));
  EXPECT_TRUE(isNull);
  ASSERT_TRUE(TakeField(rest, &field, &isNull));
  EXPECT_FALSE(isNull);  // an empty text is not a NULL
  std::string text = "x";
  ASSERT_TRUE(UnquoteText(field, &text));
  EXPECT_EQ(text, "");
  ASSERT_TRUE(TakeField(rest, &field, &isNull));
  EXPECT_TRUE(isNull);
  EXPECT_FALSE(TakeField(rest, &field, &isNull));  // nothing left

  for (std::string_view bad : {"12", "\"ab\\", "\"ab\\;"}) {
    std::string_view r = bad;
    EXPECT_FALSE(TakeField(r, &field, &isNull)) << bad;
  }
}

TEST(BackupCodec, TextsLoseTrailingWhiteSpaceAndMustBeQuoted) {
  EXPECT_EQ(QuoteText("abc   "), "\"abc\"");
  EXPECT_EQ(QuoteText("a b\t\r\n"), "\"a b\"");
  EXPECT_EQ(QuoteText("say \"hi\""), "\"say \"hi\"\"");  // quotes inside stay as they are
  std::string value;
  EXPECT_TRUE(UnquoteText("\"say \"hi\"\"", &value));
  EXPECT_EQ(value, "say \"hi\"");
  for (std::string_view bad : {"", "\"", "abc", "\"abc", "abc\""}) EXPECT_FALSE(UnquoteText(bad, &value)) << bad;
}

TEST(BackupCodec, DecimalsAreWrittenInTheExponentFormWithEveryDigitKept) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"15", "1.500000e+001"},
      {"12.5", "1.250000e+001"},
      {"0.0", "0.000000e+000"},
      {"-0.0", "-0.000000e+000"},
      {"3.4e+38", "3.400000e+038"},
      {"-2.5e-07", "-2.500000e-007"},
      {"0.000123", "1.230000e-004"},
      {"1.0e-300", "1.000000e-300"},
      {"9.0e+999", "9.000000e+999"},  // what the database gives for an infinity
      {"0.33333333333333331", "3.3333333333333331e-001"},
      {"1.79769313486231562234e+308", "1.79769313486231562234e+308"},
      {"123456789.12345679", "1.2345678912345679e+008"},
      {"1.500000e+001", "1.500000e+001"},  // an old file's value stays as it was
      {"+7", "7.000000e+000"},
      {"1.0e-05", "1.000000e-005"},
      {"2.5000000e+0005", "2.5000000e+005"},
      {"7.000000e-0", "7.000000e-000"},
      {"-4.000000E12", "-4.000000e+012"},
      {"0.5e1234", "5.000000e+1233"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(FormatDecimal(c.in, &out)) << c.in;
    EXPECT_EQ(out, c.out) << c.in;
    EXPECT_TRUE(IsDecimal(out));
    std::string again;
    ASSERT_TRUE(FormatDecimal(out, &again));
    EXPECT_EQ(again, out);
  }
  std::string out;
  for (std::string_view bad : {"", ".", "e5", "1e", "1e+", "'abc'", "NULL", "1.5.2", "1,5", "0x1p3", "inf", "1e1234567"})
    EXPECT_FALSE(FormatDecimal(bad, &out) || IsDecimal(bad)) << bad;
}

TEST(BackupCodec, NumbersAndDatesAreReadStrictly) {
  int64_t i = 0;
  EXPECT_TRUE(ParseInteger("-42", &i));
  EXPECT_EQ(i, -42);
  EXPECT_TRUE(ParseInteger("9007199254740993", &i));
  EXPECT_EQ(i, 9007199254740993LL);
  EXPECT_EQ(FormatInteger(-9007199254740993LL), "-9007199254740993");
  for (std::string_view bad : {"", "4x", "1 ", "--1", "0x10", "1.5", "99999999999999999999"})
    EXPECT_FALSE(ParseInteger(bad, &i)) << bad;

  DateTime date;
  ASSERT_TRUE(ParseDate("2024-03-31 02:30:05", &date));
  EXPECT_EQ(FormatDate(date), "2024-03-31 02:30:05");  // a local time that DST skips stays as written
  EXPECT_EQ(FormatDate({7, 1, 2, 3, 4, 5}), "0007-01-02 03:04:05");
  EXPECT_EQ(FormatDate({-31073, 1, 1, 0, 0, 0}), "-31073-01-01 00:00:00");  // what a driver gave for year 99999
  for (std::string_view bad : {"2024-03-31", "2024-03-31 02:30", "2024-13-01 00:00:00", "2024/03/31 02:30:05",
                               "2024-03-31 02:30:05.000", "2024-03-31T02:30:05"})
    EXPECT_FALSE(ParseDate(bad, &date)) << bad;
}

class BackupFileTest : public ::testing::Test {
 protected:
  platform::ProgramTexts m_texts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  platform::ScriptedMessageSink m_messages;
  ScriptedDirChooser m_chooser;
  TempDir m_dir;
  SpaceControl m_space;
};

TEST_F(BackupFileTest, WritesTheFormatByteForByte) {
  m_chooser.Answer(m_dir.Path());
  {
    CBackupFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    ASSERT_TRUE(file.WriteHeader({"TASKAAAA", kTypeMeas, kBackupVersion, "Task; one", "4711"}));
    ASSERT_TRUE(file.WriteTaggedLine(TAG_TABLE, "Empty"));
    ASSERT_TRUE(file.WriteTaggedLine(TAG_COLUMN, "Name;VARCHAR(255);255"));
    ASSERT_TRUE(file.WriteTaggedLine(TAG_TABLE, "Meas"));
    ASSERT_TRUE(file.WriteTaggedLine(TAG_COLUMN, "Number;LONG"));
    ASSERT_TRUE(file.WriteRow("1;"));
    ASSERT_TRUE(file.WriteRow("2;"));
    file.SetEnd();
    ASSERT_TRUE(file.WriteTaggedLine(TAG_EOB, ""));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_dir.File("TASK.MEA")),
            "#DBNAME:TASKAAAA\r\n#DBTYPE:MEAS\r\n#VERSION:1.1\r\n#REMARK:Task; one\r\n#SERIALNR:4711\r\n"
            "#TABLE:Empty\r\n#COLUMN:Name;VARCHAR(255);255\r\n"  // no "#ROW:" for a table without rows
            "#TABLE:Meas\r\n#COLUMN:Number;LONG\r\n#ROW:\r\n1;\r\n2;\r\n#EOB:\r\n");
}

TEST_F(BackupFileTest, ReadsTagsAndRefusesLinesOutOfPlace) {
  WriteFile(m_dir.File("T.MEA"),
            "#TABLE:Meas\r\n\r\n   \r\n#COLUMN:Number;LONG\r\n1;\r\n#ROW:\r\n1;\r\n2;  \r\n#BOGUS:x\r\n3;\r\n"
            "#NOCOLON\r\n#DISKNR:2\r\n#EOB:\r\n");
  CBackupFile file(m_space);
  ASSERT_TRUE(file.OpenRead(m_dir.File("T.MEA")));
  struct Expect {
    int tag;
    std::string text;
  };
  const Expect expected[] = {
      {TAG_TABLE, "Meas"}, {TAG_COLUMN, "Number;LONG"},  // blank lines are passed over
      {TAG_NONE, "1;"},                                    // a row line before "#ROW:"
      {TAG_ROW, ""},       {TAG_ROW, "1;"},        {TAG_ROW, "2;"},
      {TAG_NONE, "x"},                                     // an unknown tag ends row mode
      {TAG_NONE, "3;"},    {TAG_NONE, "#NOCOLON"}, {TAG_DISKNR, "2"},
      {TAG_EOB, ""},       {TAG_EOB, ""},          {TAG_EOB, ""},
  };
  for (const Expect& e : expected) {
    std::string text;
    EXPECT_EQ(file.ReadTaggedLine(&text), e.tag) << e.text;
    EXPECT_EQ(text, e.text);
    EXPECT_FALSE(file.ReadFailed());
  }
  EXPECT_TRUE(m_chooser.Prompts().empty());  // nothing is read after "#EOB:"
  EXPECT_EQ(file.GetLineNumber(), 13);
}

TEST_F(BackupFileTest, AcceptsOnlyVersion11HeadersOfKnownTypes) {
  const std::string good[] = {"#DBNAME:SYSTEM", "#DBTYPE:SYSTEM", "#VERSION:1.1", "#REMARK:SYSTEM", "#SERIALNR:1"};
  auto headerWith = [&](size_t line, const std::string& text) {
    std::string h;
    for (size_t i = 0; i < 5; ++i) h += (i == line ? text : good[i]) + "\r\n";
    return h;
  };
  {
    WriteFile(m_dir.File("SYSTEM.SYB"), headerWith(9, "") + "#EOB:\r\n");
    CBackupFile file(m_space);
    ASSERT_TRUE(file.OpenRead(m_dir.File("SYSTEM.SYB")));
    CBackupHeader header;
    ASSERT_TRUE(file.ReadHeader(&header));
    EXPECT_EQ(header.Kind(), 2);
    EXPECT_EQ(header.serial, "1");
  }
  struct Bad {
    size_t line;
    std::string text;
  };
  const Bad bad[] = {
      {0, "#DBTYPE:SYSTEM"}, {1, "#DBTYPE:OTHER"},  {1, "#REMARK:MEAS"},  {2, "#VERSION:1.0"},
      {2, "#REMARK:1.1"},    {2, "VERSION:1.1"},    {3, "#SERIALNR:x"},   {4, "#REMARK:1"},
      {4, ""},  // a header cut short
  };
  for (const Bad& b : bad) {
    m_messages.Clear();
    WriteFile(m_dir.File("Task one.MEA"), headerWith(b.line, b.text));
    CBackupFile file(m_space);
    ASSERT_TRUE(file.OpenRead(m_dir.File("Task one.MEA")));
    CBackupHeader header;
    EXPECT_FALSE(file.ReadHeader(&header)) << b.text;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Task one.MEA is not a valid backup ver. 1.1 file"})
        << b.text;
  }
}
