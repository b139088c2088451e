#include "FilterData.h"

#include <fstream>
#include <mutex>
#include <sstream>

#include "core/App.h"

namespace {
const char kNoFilter[] = "____";
}

uint32_t FilterInfo::GetUANumber() const {
  // Its digits; "____" or nothing names no filter.
  uint32_t value = 0;
  for (const char* p = m_number.Buffer(); *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
  return value;
}

OpticalFilter::OpticalFilter() : m_number(kNoFilter) {}

OpticalFilter::OpticalFilter(const char* number, float c0, float c1, float c2, float c3, float c4, float c5,
                             float c6, float c7)
    : m_coeffs{c0, c1, c6}, m_number(number), m_further{c2, c3, c4, c5, c7} {}

float OpticalFilter::GetCoefficient(int i) const {
  switch (i) {
    case 0:
      return m_coeffs.m_c1;
    case 1:
      return m_coeffs.m_c2;
    case 2:
    case 3:
    case 4:
    case 5:
      return m_further[i - 2];
    case 6:
      return m_coeffs.m_wavenumber;
    case 7:
      return m_further[4];
    default:
      return 0.0f;
  }
}

namespace {

OpticalFilter g_table[kOpticalFilterEntries];

size_t FillTable(const std::string& path) {
  for (OpticalFilter& f : g_table) f = OpticalFilter();
  std::ifstream in(path);
  size_t rows = 0;
  std::string line;
  while (rows < kOpticalFilterRows && std::getline(in, line)) {
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream fields(line);
    fields.imbue(std::locale::classic());
    std::string number;
    float c[8];
    if (!(fields >> number)) continue;
    bool complete = number.size() <= 5;
    for (float& v : c) complete = complete && static_cast<bool>(fields >> v);
    if (!complete) continue;
    g_table[rows++] = OpticalFilter(number.c_str(), c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
  }
  return rows;
}

std::once_flag g_loaded;

}  // namespace

std::string OpticalFilterTablePath() { return platform::ProgramFolder() + "/data/optfilt.txt"; }

const OpticalFilter* OpticalFilterTable() {
  std::call_once(g_loaded, [] { FillTable(OpticalFilterTablePath()); });
  return g_table;
}

size_t LoadOpticalFilterTable(const std::string& path) {
  std::call_once(g_loaded, [] {});
  return FillTable(path);
}

const FilterCoeffs& DefaultFilterCoeffs() {
  static const FilterCoeffs kDefault{8.142e-04f, -4.30112e-03f, 2.407e-06f};
  return kDefault;
}

void MonitorData::lookupFilter(FilterPos position, const ConstChBuf& number) {
  if (position < 0 || position >= 5) return;
  const OpticalFilter* table = OpticalFilterTable();
  for (size_t i = 0; i < kOpticalFilterEntries; ++i) {
    if (table[i].isFilter(number.Buffer())) {
      m_filters[position] = &table[i];
      return;
    }
  }
}
