#pragma once
// The two dialogs of the filter copies: "Upload Banks from Gas Monitor"
// stores all banks or one bank of the monitor as a copy with a description,
// "Download Banks to Gas Monitor" writes a stored copy back (all banks, or
// the chosen groups of one bank). Both work through the filter-copy core
// and close once it has run.
#include <string>

#include "ui/Dialog.h"

class CDocument;
class COCaliSequence;
class COComboEx;
class COFilterCopies;
class QLabel;
class QListWidget;

class CONewFilterCopy : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 184 };
  enum : int {
    kAllBanks = 1006, kSingleBank = 1008, kFilter = 1041, kBank = 1042, kDescription = 1061,
    kFilterLabel = 1217, kBankLabel = 1218
  };

  CONewFilterCopy(COFilterCopies& copies, const COCaliSequence& sequence, QWidget* parent = nullptr);

  int m_single = 0;  // 0 all banks, 1 a single bank
  std::string m_description;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  int Filter() const;
  int Bank() const;
  void FillBanks();
  // The description for the choice, replacing what was typed; the filter
  // and bank only for a single bank.
  void UpdateDescription();

  COFilterCopies& m_copies;
  const COCaliSequence& m_sequence;
  COComboEx* m_filter;
  COComboEx* m_bank;
};

class COOpenFilterCopy : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 185 };
  enum : int { kZeroPoint = 1000, kHumidity = 1001, kList = 1050, kAllBanks = 1006, kSingleBank = 1008,
               kGasSpan = 46466 };

  COOpenFilterCopy(COFilterCopies& copies, QWidget* parent = nullptr);

  int m_single = 0;
  int m_zeroPoint = 1;
  int m_humidity = 1;
  int m_gasSpan = 1;
  QListWidget* List() const { return m_list; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  // The copies of the connected monitor for the choice; the group boxes
  // only for a single bank.
  void UpdateList();

  COFilterCopies& m_copies;
  QListWidget* m_list;
};

// The commands: each runs its dialog modally and answers IDOK when the copy
// was stored or written. After a download the document's windows read their
// measurements again.
int UploadBanksFromMonitor(COFilterCopies& copies, const COCaliSequence& sequence, QWidget* parent);
int DownloadBanksToMonitor(COFilterCopies& copies, CDocument* document, QWidget* parent);
