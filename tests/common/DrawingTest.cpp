#include <gtest/gtest.h>

#include <cstring>

#include "COException.h"
#include "DCWrapper.h"

TEST(DCWrapper, EveryCoordinateIsShiftedByTheOffset) {
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  w.SetOffset(platform::CPoint(10, 20));
  w.MoveTo(5, 5);
  w.LineTo(0, 0);
  EXPECT_EQ(dc.GetCurrentPosition(), platform::CPoint(10, 20));
  w.MoveOffset(1, 2);
  EXPECT_EQ(w.GetOffset(), platform::CPoint(11, 22));
  platform::CRect r(0, 0, 40, 16);
  w.DrawTextA("abc", &r, platform::DT_LEFT);
  EXPECT_EQ(r, platform::CRect(0, 0, 40, 16));  // the caller's rectangle is untouched
  w.FillSolidRect(&r, platform::RGB(255, 0, 0));
  w.FillSolidRect(1, 2, 3, 4, platform::RGB(0, 0, 255));
  w.IntersectClipRect(0, 0, 100, 50);
  w.Rectangle(1, 1, 9, 9);
  std::vector<std::string> expected = {
      "MoveTo 15,25",
      "LineTo 10,20 pen 0/1/000000",
      "DrawText \"abc\" 11,22,51,38 fmt 0",
      "FillSolidRect 11,22,51,38 0000FF",
      "FillSolidRect 12,24,15,28 FF0000",
      "IntersectClipRect 11,22,111,72",
      "Rectangle 12,23,20,31",
  };
  EXPECT_EQ(dc.Calls(), expected);
}

TEST(DCWrapper, PolygonShiftsTheCallersPointsInPlace) {
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  w.SetOffset(platform::CPoint(10, 20));
  platform::POINT pts[3] = {{0, 0}, {4, 0}, {2, 3}};
  w.Polygon(pts, 3);
  w.Polygon(pts, 3);  // twice the offset the second time
  EXPECT_EQ(dc.Calls().back(), "Polygon 20,40 24,40 22,43");
  EXPECT_EQ(pts[2], platform::CPoint(22, 43));
}

TEST(DCWrapper, SelectObjectReturnsThePreviousPen) {
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  platform::CPen red(platform::PS_DASH, 2, platform::RGB(255, 0, 0));
  platform::CPen* old = w.SelectObject(&red);
  w.LineTo(1, 1);
  EXPECT_EQ(dc.Calls().back(), "LineTo 1,1 pen 1/2/0000FF");
  EXPECT_EQ(w.SelectObject(old), &red);
}

TEST(COException, MessageFromTheStringTableIntoABuffer) {
  COException e(160);
  const std::string text = "Unable to open measurement task";
  EXPECT_EQ(e.GetMessage(), text);
  std::vector<char> buf(text.size() + 1);
  EXPECT_TRUE(e.GetErrorMessage(buf.data(), static_cast<unsigned>(buf.size())));  // exactly fits
  EXPECT_EQ(std::string(buf.data()), text);
  EXPECT_FALSE(e.GetErrorMessage(buf.data(), static_cast<unsigned>(text.size())));
  EXPECT_EQ(std::string(buf.data()), "(Error string too long)");
  char small[6];
  EXPECT_FALSE(e.GetErrorMessage(small, sizeof small));
  EXPECT_EQ(std::string(small), "(Erro");
  try {
    throw COException(148);
  } catch (const platform::CException& caught) {
    EXPECT_STREQ(caught.what(), "Database error");
  }
}
