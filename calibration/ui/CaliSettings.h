#pragma once
// "Calibration Sequence Settings (<name>)": the modal sheet in which the user
// edits a calibration sequence on three pages (Calibration, Gas, Sampling),
// and "Default...", which stores the settings as the defaults of new
// calibration tasks or loads those defaults. The pages edit a copy; OK hands
// it back and writes the task's row, Cancel leaves the sequence, the task and
// the calibrator's working banks as they were.
#include <functional>
#include <memory>

#include "COCaliSequence.h"
#include "COSequence.h"
#include "CaliContext.h"
#include "DefaultDialog.h"
#include "SamplingPage.h"
#include "SequencePage.h"
#include "SequenceSheet.h"
#include "ui/PropertySheet.h"

namespace calibration {

class CCalibrationType;
class COFilterPage;

// The shared Sampling page on a calibration sequence: flushing, tube length,
// chamber and tube times. It exchanges them through a measurement sequence
// of the sheet's, filled from the calibration sequence and handed back.
class COCaliSamplingPage : public COSamplingPage {
 public:
  COCaliSamplingPage(CaliContext& context, COSequence& sampling, COCaliSequence& sequence, bool readOnly,
                     SequenceSheetFlags& flags);

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  COSequence& m_sampling;
  COCaliSequence& m_caliSequence;
};

// "Default": the calibration settings of a sequence against those of the
// calibration prototype's [Sequence] row.
class CDefault : public ::CDefault {
 public:
  CDefault(CaliContext& context, COCaliSequence* settings, std::function<bool()> validate = {},
           QWidget* parent = nullptr);

 protected:
  void ExchangeDefaults(int choice) override;

 private:
  CaliContext& m_caliContext;
  COCaliSequence* m_caliSettings;
};

class COCaliSettings : public COSettingsSheet {
 public:
  // sequence: the one edited, the program's active one or one loaded for a
  // measurement; readOnly: the sheet only shows it.
  COCaliSettings(CaliContext& context, COCaliSequence& sequence, bool readOnly, QWidget* parent = nullptr);
  ~COCaliSettings() override;

  CCalibrationType& TypePage() { return *m_typePage; }
  COFilterPage& FilterPage() { return *m_filterPage; }
  COCaliSamplingPage& SamplingPage() { return *m_samplingPage; }
  COCaliSequence& EditedSequence() { return m_edited; }

 protected:
  int RunDefaultDialog(std::function<bool()> validate) override;
  void OnOK() override;
  // F1: the program's manual.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool EditsActive() const;

  CaliContext& m_context;
  COCaliSequence& m_sequence;
  COCaliSequence m_edited;
  COSequence m_sampling;
  std::unique_ptr<CCalibrationType> m_typePage;
  std::unique_ptr<COFilterPage> m_filterPage;
  std::unique_ptr<COCaliSamplingPage> m_samplingPage;
};

// The pages change nothing: the sheet only shows the sequence, or a
// calibration runs.
bool SettingsLocked(const CaliContext& context, bool readOnly);

// The Sequence Settings command (and the cursor-value window's "View
// Settings..."): the sheet on the sequence, modal; returns its result.
int RunCalibrationSettings(CaliContext& context, COCaliSequence& sequence, QWidget* parent, bool readOnly = false);

}  // namespace calibration
