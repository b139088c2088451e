#pragma once
// [Global] of the system database: the one row of program settings, bound
// field by field to the system set-up.
#include <string>

#include "CORecBase.h"

class COSystemSetup;

class CORecGlobal : public CORecSystemBase {
 public:
  // Must be called before the set opens.
  void SetTarget(COSystemSetup* setup) { m_target = setup; }

  std::string m_fontFaceName;  // FontFaceName; copied to and from the font

 protected:
  std::string GetDefaultSQL() override { return "[Global]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COSystemSetup* m_target = nullptr;
};
