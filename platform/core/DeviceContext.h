#pragma once
// One drawing interface for the screen, images, printers and the clipboard,
// with a recording implementation of fixed text metrics for tests.
#include <string>
#include <vector>

#include "Geometry.h"

namespace platform {

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;

// DrawText formats.
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Font weights.
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// What a font is made from: height in device units (negative: character
// height, as the suite's settings store it), weight, italic and face name.
struct LOGFONT {
  int lfHeight = 0;
  int lfWidth = 0;
  int lfWeight = FW_NORMAL;
  bool lfItalic = false;
  bool lfUnderline = false;
  std::string lfFaceName;
};

class CPen {
 public:
  CPen() = default;
  CPen(int style, int width, platform::COLORREF color) : m_style(style), m_width(width), m_color(color) {}
  void CreatePen(int style, int width, platform::COLORREF color) { *this = CPen(style, width, color); }
  int GetStyle() const { return m_style; }
  int GetWidth() const { return m_width; }
  platform::COLORREF GetColor() const { return m_color; }

 private:
  int m_style = platform::PS_SOLID;
  int m_width = 1;
  platform::COLORREF m_color = platform::RGB(0, 0, 0);
};

// A font that exists once created and until deleted.
class CFont {
 public:
  bool CreateFontIndirect(const platform::LOGFONT& lf) {
    m_logFont = lf;
    m_created = true;
    return true;
  }
  bool DeleteObject() {
    bool had = m_created;
    m_created = false;
    return had;
  }
  bool IsCreated() const { return m_created; }
  const platform::LOGFONT& GetLogFont() const { return m_logFont; }

 private:
  platform::LOGFONT m_logFont;
  bool m_created = false;
};

class CDC {
 public:
  virtual ~CDC() = default;

  virtual CPoint MoveTo(int x, int y);  // returns the previous position
  virtual bool LineTo(int x, int y) = 0;
  // Returns the height of the text drawn; with DT_CALCRECT measures into rect.
  virtual int DrawText(const std::string& text, CRect* rect, unsigned format) = 0;
  virtual void FillSolidRect(const CRect& rect, platform::COLORREF color) = 0;
  virtual bool Polygon(const CPoint* points, int count) = 0;
  virtual bool Rectangle(int l, int t, int r, int b) = 0;
  virtual void IntersectClipRect(int l, int t, int r, int b) = 0;
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  virtual CSize GetTextExtent(const std::string& text) = 0;
  virtual int GetTextHeight() = 0;
  virtual void SaveDC() = 0;
  virtual void RestoreDC() = 0;

  // Selected objects stay owned by the caller and must outlive the selection.
  CPen* SelectObject(CPen* pen);
  CFont* SelectObject(CFont* font);
  platform::COLORREF SetTextColor(platform::COLORREF c);
  platform::COLORREF SetBkColor(platform::COLORREF c);
  int SetBkMode(int mode);
  CPoint GetCurrentPosition() const { return m_pos; }
  bool IsPrinting() const { return m_printing; }
  void SetPrinting(bool printing) { m_printing = printing; }

 protected:
  CPen m_defaultPen;
  CPen* m_pen = &m_defaultPen;
  CFont* m_font = nullptr;
  platform::COLORREF m_textColor = platform::RGB(0, 0, 0);
  platform::COLORREF m_bkColor = platform::RGB(255, 255, 255);
  int m_bkMode = platform::OPAQUE;
  CPoint m_pos;
  bool m_printing = false;
};

// Records every drawing call as a line of text. Text is 8 units wide per
// character and 16 high, so layouts can be checked exactly.
class RecordingDC : public CDC {
 public:
  static constexpr int kCharWidth = 8;
  static constexpr int kCharHeight = 16;

  CPoint MoveTo(int x, int y) override;
  bool LineTo(int x, int y) override;
  int DrawText(const std::string& text, CRect* rect, unsigned format) override;
  void FillSolidRect(const CRect& rect, platform::COLORREF color) override;
  bool Polygon(const CPoint* points, int count) override;
  bool Rectangle(int l, int t, int r, int b) override;
  void IntersectClipRect(int l, int t, int r, int b) override;
  void TextOut(int x, int y, const std::string& text) override;
  CSize GetTextExtent(const std::string& text) override;
  int GetTextHeight() override { return kCharHeight; }
  void SaveDC() override;
  void RestoreDC() override;

  const std::vector<std::string>& Calls() const { return m_calls; }
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
};

}  // namespace platform
