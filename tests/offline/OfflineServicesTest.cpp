// The measurement upload service on its own: how it counts, reads in blocks
// and switches the monitor's units, and how a cancel ends it.
#include <string>
#include <vector>

#include "OfflineFixture.h"
#include "core/Text.h"

namespace kovo::test {
namespace {

class RecordingClient : public DeviceKovoClient {
 public:
  void ServiceDone(Service* service) override {
    if (service->GetState() == Service::stateFinished) finished = true;
  }
  bool finished = false;
};

class OfflineServicesTest : public OfflineFixture {
 protected:
  void FillMemory(int records) {
    memory.ClearRecords();
    for (int i = 1; i <= records; ++i)
      memory.AddRecord({platform::Format("%4d 12:%02d:00 1.0 2.0 3.0 . . . . . . 4.0", i, i % 60)});
  }
  // Starts the upload and waits for its end; the lines the monitor got from
  // the count on.
  std::vector<std::string> RunUpload(bool cancelAtOnce = false) {
    EXPECT_TRUE(obs->Connect(false));
    sim->ClearLines();
    service = CreateOfflineMeasService(obs->GetDevice(), program.Instrument(), &client);
    service->Start();
    if (cancelAtOnce) service->Cancel();
    EXPECT_TRUE(PumpUntil([this] { return client.finished; }));
    return sim->Lines();
  }

  RecordingClient client;
  ServiceHandle<ServiceOfflineMeas> service;
};

TEST_F(OfflineServicesTest, TwentyFiveRecordsInThreeBlocksWithTheUnitsAroundThem) {
  FillMemory(25);
  const std::vector<std::string> expected = {
      "O_M? MEM",           "A_M?",
      "SE? H_U",            "SE? C_U",
      "SE H_U,U_MG_M3",     "SE C_U,U_MG_M3",
      "SE? PR_U",           "O_M? 1,10,US_M_A_P",
      "A_M?",               "SE? PR_U",
      "O_M? 11,20,US_M_A_P", "A_M?",
      "SE? PR_U",           "O_M? 21,25,US_M_A_P",
      "A_M?",               "SE C_U,U_PPM",
      "SE H_U,U_PPM",
  };
  RunUpload();
  // Lines without a reply may still be on their way.
  EXPECT_TRUE(Received("SE H_U,U_PPM"));
  EXPECT_EQ(sim->Lines(), expected);
  EXPECT_FALSE(service->IsFailed());
  EXPECT_EQ(service->GetStoredCount(), 25);
  ASSERT_EQ(service->GetCount(), 25);
  EXPECT_FLOAT_EQ(service->TakeFirst().GetValue(2), 3.0f);
}

TEST_F(OfflineServicesTest, BlocksFollowTheCount) {
  const struct {
    int records;
    std::vector<std::string> requests;
  } cases[] = {
      {0, {}},
      {10, {"O_M? 1,10,US_M_A_P"}},
      {11, {"O_M? 1,10,US_M_A_P", "O_M? 11,11,US_M_A_P"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    FillMemory(c.records);
    client.finished = false;
    const std::vector<std::string> lines = RunUpload();
    EXPECT_EQ(LinesStarting("O_M? 1"), c.requests);
    EXPECT_EQ(service->GetCount(), c.records);
    if (c.records == 0) {
      EXPECT_EQ(lines, (std::vector<std::string>{"O_M? MEM", "A_M?"}));
    }
    service.reset();
  }
}

TEST_F(OfflineServicesTest, CancelWhileCountingQueuesNoRecordCommand) {
  FillMemory(25);
  const std::vector<std::string> lines = RunUpload(true);
  EXPECT_TRUE(service->IsCancelled());
  EXPECT_EQ(service->GetPhase(), ServiceOfflineMeas::phaseRecords);
  EXPECT_TRUE(LinesStarting("O_M? 1").empty());
  EXPECT_TRUE(LinesStarting("SE H_U").empty());
}

TEST_F(OfflineServicesTest, ACountNoMemoryHoldsFailsTheUpload) {
  FillMemory(3);
  sim->AddHandler("O_M? MEM", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(" 1000001");
  });
  RunUpload();
  EXPECT_TRUE(service->IsFailed());
  EXPECT_EQ(service->GetStoredCount(), 0);
  EXPECT_TRUE(LinesStarting("SE").empty());
}

}  // namespace
}  // namespace kovo::test
