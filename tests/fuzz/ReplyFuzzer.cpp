// Fuzz target for the reply parsers, the monitor sample and the block of
// stored records above all. The first byte picks the reply form (and, for a
// sample, the link's flags; 0xB0 to 0xBF a calibration reading; from 0xC0 on,
// the offline memory's forms); the
// rest is what the monitor sent. A parser may reject a reply only with the command
// language's own errors; anything else (a crash, a hang, another exception,
// undefined behaviour) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "COAirPressure.h"
#include "COMeas.h"
#include "CaliScans.h"
#include "CommTypes.h"
#include "DataLinkRS232.h"
#include "Exceptions.h"
#include "MonitorScans.h"
#include "OfflineScans.h"
#include "Scans.h"
#include "StringMatcher.h"
#include "TransConn.h"

namespace {

// What every query does after its fields.
void Terminator(DataSrc& src) { ScanFixStr("\r\n\n").Scan(src); }

// The offline memory's replies; the low three bits pick the form.
void ParseOffline(uint8_t selector, DataSrc& src) {
  switch (selector & 7) {
    case 0:
    case 1: {
      // A block of at most ten records, from the gas monitor or, with its
      // air pressure in one of the four units, the leak detector.
      std::vector<COMeas> records;
      const platform::CTime start(2026, 3, 28, 23, 0, 0);
      platform::CTime previous = start;
      COAirPressure pressure;
      pressure.SetUnit(COPresUnit((selector >> 3) & 3));
      ScanOfflinePressure(records, previous, pressure, (selector & 7) == 1, 10).Scan(src);
      // Every record carries a real time, each not before the one before it,
      // and its events name channels.
      if (records.size() > 10) __builtin_trap();
      platform::CTime last = start;
      for (const COMeas& m : records) {
        if (m.GetMeasTime().GetTime() == static_cast<time_t>(-1) || m.GetMeasTime() < last) __builtin_trap();
        last = m.GetMeasTime();
        for (const COEvent& e : m.GetEvents()) {
          if (e.GetValue() < 0.0f || e.GetValue() > 5.0f) __builtin_trap();
        }
      }
      break;
    }
    case 2: {
      float v = 0.0f;
      ScanFloat(v).Scan(src);
      Terminator(src);
      break;
    }
    case 3: {
      CalibTime start, stop;
      ScanColl().Add(ScanChar('"')).Add(ScanDateTime(start)).Add(ScanChar(' ')).Add(ScanDateTime(stop)).Add(ScanChar('"')).Scan(src);
      Terminator(src);
      if (start.GetTime().GetTime() == static_cast<time_t>(-1)) __builtin_trap();
      break;
    }
    case 4: {
      FixChBuf<80> keyword;
      ScanDelStr(keyword, "\n\r").Scan(src);
      Terminator(src);
      HumiUnitFromKeyword(keyword.Buffer());
      ScanDelStr(keyword, "\n\r").Scan(src);
      Terminator(src);
      ConcUnitFromKeyword(keyword.Buffer());
      break;
    }
    default: {
      int32_t count = 0;
      ScanColl().Add(ScanWS()).Add(ScanInt(count)).Scan(src);
      Terminator(src);
      break;
    }
  }
}

// A calibration reading: whatever parsed holds values only where a filter line
// gave one, and a time.
void ParseCalibration(DataSrc& src) {
  COMeas meas;
  ScanCalib(meas).Scan(src);
  if (meas.GetMeasTime().GetTime() == static_cast<time_t>(-1)) __builtin_trap();
}

void ParseOne(uint8_t selector, DataSrc& src) {
  if (selector >= 0xB0 && selector < 0xC0) {
    ParseCalibration(src);
    return;
  }
  if (selector >= 0xC0) {
    ParseOffline(selector, src);
    return;
  }
  switch (selector % 10) {
    case 0:
    case 1:
    case 2: {
      LinkEvents link;
      link.readTimeout = ((selector >> 4) & 1) != 0;
      link.writeStall = ((selector >> 5) & 1) != 0;
      FixChBuf<200> message;
      message.Assign("status");
      COMeas meas;
      const platform::CTime reference(2005, 12, 31, 23, 0, 0);
      ScanMonMeas(meas, reference, (selector & 0x40) != 0, message, &link).Scan(src);
      Terminator(src);
      // A sample that parsed must carry a real time and its events' channels.
      if (meas.GetMeasTime().GetTime() == static_cast<time_t>(-1)) __builtin_trap();
      for (const COEvent& e : meas.GetEvents()) {
        if (e.GetValue() < 0.0f || e.GetValue() > 5.0f) __builtin_trap();
      }
      break;
    }
    case 3: {
      FixChBuf<5> model, version;
      FixChBuf<11> serial;
      ScanColl()
          .Add(ScanFixStr("Q&T,"))
          .Add(ScanCharSet(model, "0123456789"))
          .Add(ScanChar(','))
          .Add(ScanDelStr(serial, ","))
          .Add(ScanFixStr(",VP"))
          .Add(ScanCharSet(version, "0123456789x"))
          .Scan(src);
      Terminator(src);
      break;
    }
    case 4: {
      CalibTime date;
      ScanColl().Add(ScanChar('"')).Add(ScanDate(date)).Add(ScanChar('"')).Scan(src);
      Terminator(src);
      break;
    }
    case 5: {
      MeasValue v;
      ScanCalibParm(v).Scan(src);
      Terminator(src);
      break;
    }
    case 6: {
      MeasValue v;
      ScanColl().Add(ScanFixStr("  ")).Add(ScanMeasVal(v)).Scan(src);
      Terminator(src);
      break;
    }
    case 7: {
      COAirPressure p;
      ScanPressure(p).Scan(src);
      Terminator(src);
      ScanPressureUnit(p).Scan(src);
      Terminator(src);
      p.GetValue(COPresUnit(COPresUnit::hpa));
      break;
    }
    case 8: {
      int32_t status = 0;
      bool flag = false;
      ScanInt(status).Scan(src);
      Terminator(src);
      ScanYN(flag).Scan(src);
      Terminator(src);
      FixChBuf<160> text;
      ScanColl().Add(ScanChar('"')).Add(ScanDelStr(text, "\"")).Add(ScanChar('"')).Scan(src);
      Terminator(src);
      break;
    }
    default: {
      // What resync does with whatever the monitor left behind.
      StringMatcher matcher("Q&T \r\n\n");
      for (int n = 0; n < 4096 && !matcher.IsFound(); ++n) {
        matcher.Feed(src.Peek());
        src.Advance();
      }
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  DataSrcText src(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    ParseOne(data[0], src);
  } catch (const CommException&) {
  } catch (Scans::ScanError) {
  }
  return 0;
}
