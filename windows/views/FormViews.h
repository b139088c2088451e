#pragma once
// The small measurement windows: the cursor values of the window that holds
// the cursors, the online measurement's status, and the text window that
// prints a whole text in a fixed-width font.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>

#include "ViewBase.h"

class COMeasObs;

// The texts of the cursor-value window, read from the cursor window's
// interval and statistics.
class CursorTool {
 public:
  explicit CursorTool(CWindowLayer& layer);
  bool HasWindow() const { return m_view != nullptr; }
  bool CursorsCoincide() const { return m_status.CursorsCoincide(); }
  int ColumnCount() const;
  std::string GetWindowTitle() const;
  std::string GetLeftCursorText() const;
  std::string GetRightCursorText() const;
  // "name (unit)".
  std::string GetColumnCaption(int n) const;
  const CColumn& GetMeasRecord(int n) const;
  // The single value while the cursors coincide, else the minimum.
  std::string GetValueText(int n) const;
  std::string GetMinimumText(int n) const;
  std::string GetMaximumText(int n) const;
  std::string GetAverageText(int n) const;
  std::string GetStdDevText(int n) const;
  std::string GetSlopeText(int n) const;
  COMeasInterval* Interval() const { return m_interval; }

 private:
  std::string Stat(int n, double COMeasStatistics::*field, bool emptyWhenCoinciding, bool stat) const;
  COCursorStatus& m_status;
  COMeasView* m_view;
  COMeasInterval* m_interval;
};

class CCursorView : public CMeasViewBase {
 public:
  static constexpr int kRows = 7;
  CCursorView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);
  // The cursor mode ends with the window; the other windows drop their
  // cursors.
  ~CCursorView() override;

  std::string GetWindowTitle() const override { return m_title; }
  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  // "View Settings...": the sequence that ran at the left cursor.
  void OnViewSettings();

  // The form's texts, for the program and tests.
  std::string Text(int control) const;
  bool IsShown(int control) const;

 private:
  QLabel* Label(int control) const;
  void SetText(int control, const std::string& text);
  void Show(int control, bool shown);
  void Refresh();

  bool m_firstUpdate = true;
  std::string m_title = "Cursor Values";
  std::map<int, QWidget*> m_controls;
  QPushButton* m_settings;
  QPlainTextEdit* m_events;
};

// The state of the online measurement and its last measurement.
class CStatusView : public CMeasViewBase {
 public:
  CStatusView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);
  ~CStatusView() override;

  std::string GetWindowTitle() const override { return "Measurement Status"; }
  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  void OnUpdate(CView* sender, long hint, void* hintObject) override { Refresh(); }
  // The measurement subject tells only of its state; each stored sample,
  // and a change of units, comes through the general subject.
  void OnGeneralUpdate(const CGenEvent& event) override;
  void Refresh();
  std::string Text(int control) const;

 private:
  CCallbackObserver m_observer{[this] { Refresh(); }};
  std::map<int, QLabel*> m_labels;
  // The newest stored sample, shown while the measurement has one.
  COMeas m_shown;
};

// A whole text printed in Courier; never saved with the task's windows.
class CPrintView : public CMeasViewBase {
 public:
  CPrintView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);
  std::string GetWindowTitle() const override { return "Print"; }
  void SetText(const std::string& text);
  std::string GetText() const;
  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  int PageCount(platform::CDC& dc, const platform::CSize& page) override;
  void DrawPage(platform::CDC& dc, const platform::CSize& page, int pageNumber) override;
  // Quarter-inch margins on an 11-inch page of the printer's width.
  void PreparePrinter(QPrinter& printer) override;

 protected:
  void resizeEvent(QResizeEvent*) override { m_edit.setGeometry(rect()); }

 private:
  // Splits the text into pages and chooses the font they fit the page in.
  void Layout(platform::CDC& dc, const platform::CSize& page);
  QPlainTextEdit m_edit;
  platform::CFont m_font;
  QStringList m_lines;
  std::vector<std::pair<int, int>> m_pages;  // first line, line count
};
