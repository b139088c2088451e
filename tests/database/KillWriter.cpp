// Writes measurements into a new task until it is killed, printing the
// number of each measurement once its rows are committed.
#include <cstdio>
#include <cstdlib>

#include "COSystemSetup.h"
#include "OnlineProfile.h"
#include "ObserverSteps.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  DataContext context(OnlineProfile());
  COSystemSetup& setup = context.Setup();
  if (!setup.OpenSystemDatabase()) return 3;
  setup.CreateMeasDatabase(argv[1]);
  std::printf("%s\n", setup.GetDatabaseName().c_str());
  std::fflush(stdout);
  kovo::test::ObserverSteps store(context);
  const platform::CTime base(2024, 1, 1, 0, 0, 0);
  for (int i = 0;; ++i) {
    COMeas m;
    m.SetTime(base + platform::CTimeSpan(i));
    for (int c = 0; c < 8; ++c) m.SetValue(c, static_cast<float>(i));
    m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 1.0f));
    store.Write(m);
    std::printf("%d\n", m.GetMeasNo());
    std::fflush(stdout);
  }
}
