#pragma once
// "Default": exchanges the sampling settings of a sequence with the defaults
// kept in the measurement prototype's [Sequence] row: the settings become the
// defaults, or the defaults are loaded into them.
#include <functional>

#include "ui/Dialog.h"

class COSequence;
class CORecBase;
class DataContext;

class CDefault : public platform::CDialog {
 public:
  enum { IDD = 148 };
  enum Control { kUseCurrent = 1155, kLoadDefaults = 1016 };
  enum Choice { kStoreAsDefault = 0, kLoadDefault = 1 };

  // settings: what is exchanged (not owned). validate: checks the settings
  // before they may become the defaults; false (its message shown) keeps
  // the dialog open.
  CDefault(DataContext& context, COSequence* settings, std::function<bool()> validate = {},
           QWidget* parent = nullptr);

  int m_choice = kLoadDefault;

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;
  // Stores the settings as the defaults or loads the defaults into them, as
  // the choice says; throws the database's exception. A program with
  // settings of its own (the Calibration program) exchanges those.
  virtual void ExchangeDefaults(int choice);
  // The prototype's row through its record set, as the choice says: a store
  // copies the settings into the row and writes it; a load copies the row
  // into the settings. A prototype without a row throws, noRow its text.
  static void ExchangeRow(CORecBase& record, int choice, const char* noRow, const std::function<void()>& intoRow,
                          const std::function<void()>& fromRow);

 private:
  DataContext& m_context;
  COSequence* m_settings;
  std::function<bool()> m_validate;
};
