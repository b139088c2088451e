#include "AboutDlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "Bitmaps.h"
#include "core/App.h"
#include "core/Text.h"

using platform::Format;

namespace {
const char kRightsNotice[] = "Copyright (C) %s Nolt. All rights reserved.";
}

CAboutDlg::CAboutDlg(QWidget* parent) : platform::CDialog(IDD, parent) {
  auto* layout = new QGridLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(kovo::LoadIconResource(kovo::IDI_ABOUT));
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  auto* name = new QLabel(this);
  auto* version = new QLabel(this);
  auto* types = new QLabel("For the Kovo gas monitor and the Tebb leak detector.", this);
  auto* rights = new QLabel(this);
  layout->addWidget(name, 0, 1);
  layout->addWidget(version, 1, 1);
  layout->addWidget(types, 2, 1);
  layout->addWidget(rights, 3, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  layout->addWidget(buttons, 4, 0, 1, 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  AddItem(IDC_ICON, icon);
  AddItem(IDC_NAME, name);
  AddItem(IDC_VERSION, version);
  AddItem(IDC_TYPES, types);
  AddItem(IDC_RIGHTS, rights);
  AddItem(1, buttons->button(QDialogButtonBox::Ok));
}

void CAboutDlg::SetAppName(const std::string& name) { m_name = Format("Nolt %s", name.c_str()); }

void CAboutDlg::SetAppVersion(const std::string& version) { m_version = version; }

void CAboutDlg::SetCopyrightPeriode(const std::string& period) {
  m_rightsText = Format(kRightsNotice, period.c_str());
}

std::string CAboutDlg::VersionText(const std::string& file) {
  platform::FileVersion v;
  if (!platform::GetFileVersion(file, &v)) return "v.1.38";
  return Format("v.1.38(build%u.%u.%u.%u)", v[0], v[1], v[2], v[3]);
}

bool CAboutDlg::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  SetWindowText(Format("About %s", m_name.c_str()));
  if (GetDlgItem(IDC_NAME)) {
    SetDlgItemText(IDC_NAME, m_name);
    SetDlgItemText(IDC_VERSION, m_version);
    SetDlgItemText(IDC_RIGHTS, m_rightsText);
  }
  return true;
}
