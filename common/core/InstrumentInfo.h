#pragma once
// The identity of the connected instrument. Of the instrument types only the
// leak detector "Tebb" is kept.
#include <string>

class InstrumentInfo {
 public:
  InstrumentInfo() = default;
  InstrumentInfo(const InstrumentInfo&) = default;
  InstrumentInfo& operator=(const InstrumentInfo&) = default;
  ~InstrumentInfo() = default;

  void SetInfo(std::string type, std::string id);
  std::string GetType() const { return m_type; }
  std::string GetInstrumentId() const { return m_id; }

  bool isTebb() const { return m_type == "Tebb"; }

 private:
  std::string m_type;
  std::string m_id;
};
