#pragma once
// The suite's about box (template 100).
#include <string>

#include "ui/Dialog.h"

class CAboutDlg : public platform::CDialog {
 public:
  enum { IDD = 100 };
  // Control ids of the template.
  enum { IDC_NAME = 6009, IDC_RIGHTS = 6010, IDC_VERSION = 6011, IDC_TYPES = 6012, IDC_ICON = 6013 };

  explicit CAboutDlg(QWidget* parent = nullptr);

  void SetAppName(const std::string& name);        // "Nolt %s"
  void SetAppVersion(const std::string& version);
  void SetCopyrightPeriode(const std::string& period);

  // "v.1.38(build%d.%d.%d.%d)" from the file's version block, "v.1.38" without one.
  static std::string VersionText(const std::string& file);

  std::string m_name;
  std::string m_version;
  std::string m_rightsText;

 protected:
  bool OnInitDialog() override;
};
