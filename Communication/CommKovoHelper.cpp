#include "CommKovoHelper.h"

#include <cstring>

#include "COMeas.h"
#include "CommKovo.h"
#include "DataLinkRS232.h"
#include "MeasService.h"
#include "MonitorScans.h"
#include "TransConn.h"

void CommKovoHelper::WaitForStatus(int32_t expected) {
  for (int asked = 1;; ++asked) {
    int32_t status = -1;
    m_comm->getExtStatus(status);
    if (status == expected) return;
    if (asked >= m_statusAsks) throw TryAgainException();
    // Cut short by the device's close: the next question then fails on the
    // closed port.
    m_pause.SleepFor(m_statusPause);
  }
}

void CommKovoHelper::RequestIfFlagged(int32_t value) {
  if ((m_requestFlags & 1) == 0) return;
  int32_t reply = 0;
  m_comm->getServiceRequest(value, reply);
}

void CommKovoHelper::ReadMeasurement(MeasService<COMeas>* service) {
  if ((m_requestFlags & 1) == 0) return;
  COMeas meas;
  bool message = false;
  m_comm->getAM(message);
  if (message) {
    if (m_linkSetup) m_linkSetup();
    ReadMessage();
    m_comm->sendAM();
  }
  m_comm->getSample(meas, service->GetFromTime(), message);
  // Dated from the previous sample, a run keeps its dates across months.
  service->SetFromTime(meas.GetMeasTime());
  service->AddResult(meas);
}

void CommKovoHelper::ReadMessage() {
  static const char kRequest[] = "P_U_D_B?\n";
  char reply[201];
  unsigned got = 0;
  TransConn* conn = m_comm->GetConnection();
  if (auto* rs232 = dynamic_cast<TransConnRS232*>(conn)) {
    DataLinkRS232* link = rs232->GetLink();
    link->Write(ChBufWrapper(kRequest));
    got = link->ReadDirect(reply, 200);
  } else {
    conn->Write(ChBufWrapper(kRequest));
    FixChBuf<200> block;
    conn->Read(block);
    got = block.Length();
    std::memcpy(reply, block.Buffer(), got);
  }
  reply[got] = '\0';
  ParseMessageReply(reply, m_comm->MessageText());
  // One read takes what has come; the rest of a reply that came in pieces
  // must not become the start of the next one.
  if (got == 0 || reply[got - 1] != '\n') m_comm->GetSource().Discard();
}

void CommKovoHelper::ParseMessageReply(const char* reply, ChBuf& text) {
  text.Clear();
  if (reply[0] == '\0') return;
  // The text ends at its closing quote, or at the line end of a reply
  // that has none.
  auto inText = [](char c) { return c != '\0' && c != '"' && c != '\r' && c != '\n'; };
  const char* p = reply + 1;
  while (*p == ' ') ++p;
  while (inText(*p) && *p != ' ') text.Append(*p++);
  text.Append(' ');
  while (*p == ' ') ++p;
  while (inText(*p)) text.Append(*p++);
  std::string trimmed = text.ToString();
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  text.Assign(trimmed);
}
