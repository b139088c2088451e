#pragma once
// A modal sheet of pages under tabs, with OK, Cancel and Apply. Each page is
// a dialog of its own that exchanges its values in DoDataExchange; the page
// being left is saved and checked first, so a page with a wrong entry cannot
// be left, neither for another page nor by OK.
#include <QPointer>
#include <vector>

#include "Dialog.h"

class QStackedWidget;
class QTabBar;

namespace platform {

class CPropertySheet;

// The command id of the Apply button, which sheets may relabel or hide.
constexpr int ID_APPLY_NOW = 12321;

class CPropertyPage : public CDialog {
  Q_OBJECT

 public:
  // caption: the page's tab text.
  explicit CPropertyPage(int templateId, const std::string& caption = std::string(), QWidget* parent = nullptr);

  // The sheet the page was added to; null before.
  CPropertySheet* GetSheet() const { return m_sheet; }

  // Each time the page becomes the active one; its OnInitDialog has run by
  // then. The base reloads the controls, except on the first activation,
  // which follows the loading of OnInitDialog.
  virtual bool OnSetActive();
  // Before the page is left, for another page or by OK: false keeps the
  // sheet on this page. The base saves and checks the controls.
  virtual bool OnKillActive();

  // Keys and buttons of the page that would end a dialog end the sheet.
  void accept() override;
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // In a sheet, the sheet, not the showing, decides when the page is
  // initialised.
  void showEvent(QShowEvent* event) override;

 private:
  friend class CPropertySheet;
  // Runs OnInitDialog once.
  void Initialise();

  CPropertySheet* m_sheet = nullptr;
  bool m_initialised = false;
  bool m_firstSetActive = true;
};

class CPropertySheet : public CDialog {
  Q_OBJECT

 public:
  // selectPage: the page active when the sheet opens.
  explicit CPropertySheet(const std::string& caption, QWidget* parent = nullptr, int selectPage = 0);
  ~CPropertySheet() override;

  // Adds the page as the last tab; the page may be a member of the derived
  // sheet or owned by the sheet through Qt.
  void AddPage(CPropertyPage* page);
  int GetPageCount() const;
  CPropertyPage* GetPage(int index) const;
  CPropertyPage* GetActivePage() const;
  // Before the sheet is shown, the page it will open on.
  int GetActiveIndex() const;
  int GetPageIndex(const CPropertyPage* page) const;
  // Before the sheet is shown, chooses the page it opens on (an index out of
  // range is ignored). Once shown, the active page must first be left
  // (OnKillActive); false when it refused or the index is out of range. A
  // derived OnInitDialog that chooses the first page does so before calling
  // the base, so that no other page is set up or saved first.
  bool SetActivePage(int index);
  bool SetActivePage(CPropertyPage* page);

  int DoModal() override;

 protected:
  // Loads the sheet's own values (CDialog) and activates the chosen page.
  bool OnInitDialog() override;
  // OK: the active page is left (saved and checked) and the sheet's own
  // values saved; the sheet then ends with IDOK. A refusal keeps it open.
  void OnOK() override;
  // Apply: the active page is saved and checked; the sheet stays open.
  virtual void OnApplyNow();
  // When a modal run has ended, before DoModal returns; the active page
  // index is still the last one shown.
  virtual void OnDestroy() {}

  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Shows page index and tells it it is active; the page left has already
  // agreed.
  void Activate(int index);
  void OnTabChanged(int index);

  QTabBar* m_tabBar;
  QStackedWidget* m_stack;
  std::vector<QPointer<CPropertyPage>> m_pages;
  int m_active = -1;
  int m_initialPage = 0;
  bool m_shown = false;
};

}  // namespace platform
