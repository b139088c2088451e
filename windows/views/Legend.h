#pragma once
// The two legends above a graph's plot: the curves of the left axis on the
// left, those of the right axis on the right; each line a short sample of
// the curve's pen and the channel's letter, name and unit.
#include <string>

#include "Axis.h"

class CColumn;

class CLegend : public CVO {
 public:
  // The row height is the second word.
  int RowHeight() const { return GetSecond(); }
  void SetEntry(int row, CColumn* column) {
    m_row = row;
    m_column = column;
  }
  // "A: name (unit)", or "name (unit)" without the letter.
  static std::string Text(const CColumn& column, bool withLetter = true);
  // The Calibration program's legends leave the channel letter out.
  void SetWithLetter(bool on) { m_withLetter = on; }

 protected:
  // The sample line at y from x0 to x1 in the column's pen.
  void DrawSample(CODCWrapper* dc, int x0, int x1, int y);

  int m_margin = 6;
  int m_row = 0;
  CColumn* m_column = nullptr;  // not owned
  bool m_withLetter = true;
};

class CLeftLegend : public CLegend {
 public:
  void Draw(CODCWrapper* dc, platform::CSize* area);
};

class CRightLegend : public CLegend {
 public:
  void Draw(CODCWrapper* dc, platform::CSize* area);
};
