#pragma once
// The display average's edit of the sampling page: a time span written
// "HH:MM", held in seconds. Kept behind this one name so that the shared
// interval edit can take its place.
#include <string>

#include "SpinEdit.h"

class CDataExchange;
class CDialog;

class CAverageEdit : public COSpinEdit {
 public:
  bool Attach(CDialog* parent, int editId, int spinId) { return SubclassDlgItems(editId, spinId, parent); }
  // 0 when the text is no "HH:MM".
  int GetSeconds() const;
  void SetSeconds(int seconds);
  // When saving: "HH:MM" between min and max minutes, else a message and the
  // exchange fails.
  void DDXValidate(CDataExchange* dx, int minMinutes, int maxMinutes);

  void SpinUp() override;
  void SpinDown() override;

 private:
  bool Read(int* hours, int* minutes) const;
};
