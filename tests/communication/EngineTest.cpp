// Commands, queues, services and the scheduler: the order services run in,
// the done-list, failures, cancelling and deleting while the worker is busy.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>

#include "CommandProc.h"
#include "CommKovoHelper.h"
#include "EngineFixture.h"
#include "Exceptions.h"
#include "PeriodicTimer.h"
#include "Scans.h"

namespace {

// Lets a test hold the worker inside a command.
class Gate {
 public:
  void Pass() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_entered = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
  }
  bool WaitEntered(int ms = 5000) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_entered; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_entered = false;
  bool m_open = false;
};

// A command that knows whether it still exists.
class Probe : public Command {
 public:
  Probe(std::atomic<bool>* alive, std::function<void()> body) : m_alive(alive), m_body(std::move(body)) { *m_alive = true; }
  ~Probe() override { *m_alive = false; }
  void Execute() override { m_body(); }

 private:
  std::atomic<bool>* m_alive;
  std::function<void()> m_body;
};

using Build = std::function<void(CmdBuilder&, CommandQueue&)>;

template <class Base>
class Scripted : public Base {
 public:
  Scripted(DeviceKovo* device, DeviceKovoClient* client, Build build) : Base(device, client), m_build(std::move(build)) {}
  void AddCommands() override { m_build(this->Builder(), this->m_queue); }

 private:
  Build m_build;
};

class Order {
 public:
  std::function<void()> Mark(char c) {
    return [this, c] {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_text += c;
    };
  }
  std::string Text() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
  }

 private:
  std::mutex m_mutex;
  std::string m_text;
};

}  // namespace

// --- commands and queues ---

TEST(CommandQueue, CursorDeletionAndTheLog) {
  CommandQueue queue;
  EXPECT_EQ(queue.Next(), nullptr);  // empty
  std::atomic<bool> a{false}, b{false};
  queue.Add(new Probe(&a, [] {})).Add(new Probe(&b, [] {}));
  queue.Rewind();
  Command* first = queue.Next();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(queue.Next(), nullptr);
  EXPECT_EQ(queue.Next(), nullptr);  // exhausted, and stays so
  EXPECT_EQ(queue.Next(), nullptr);

  {
    LogQueue log;
    log.Add(first);
  }
  EXPECT_TRUE(a);  // the log never owned it

  queue.DeleteAll();
  EXPECT_FALSE(a);
  EXPECT_FALSE(b);
  EXPECT_EQ(queue.GetCount(), 0u);
}

TEST(CommandQueue, ValuesAreCopiedAndReferencesKept) {
  struct Target {
    void Take(int value, const std::string& text, int& out) {
      seen = value;
      seenText = text;
      out = value * 2;
    }
    int seen = 0;
    std::string seenText;
  } target;
  int value = 7;
  std::string text = "before";
  int out = 0;
  std::unique_ptr<Command> command(MakeCommand(&target, &Target::Take, value, text, out));
  value = 9;
  text = "after";
  command->Execute();
  EXPECT_EQ(target.seen, 7);
  EXPECT_EQ(target.seenText, "before");
  EXPECT_EQ(out, 14);  // written through the kept reference
}

TEST(MessageReply, ParsedIntoTheMessageText) {
  const struct {
    const char* reply;
    const char* text;
  } cases[] = {
      {"\"Filter A fault\"\r\n\n", "Filter A fault"},
      {"\"   Lamp   low  \"\r\n\n", "Lamp low"},
      {"\"Reset\"\r\n\n", "Reset"},
      {"\"Cut off", "Cut off"},
      {"", ""},
  };
  for (const auto& c : cases) {
    FixChBuf<200> text;
    CommKovoHelper::ParseMessageReply(c.reply, text);
    EXPECT_EQ(text.ToString(), c.text) << c.reply;
  }
}

// --- the periodic timer ---

TEST(PeriodicTimer, ResolutionAndPeriodWithinTheCapabilities) {
  const TimerCaps caps = PeriodicTimer::GetDevCaps();
  EXPECT_EQ(PeriodicTimer(0).GetResolution(), caps.periodMin);
  EXPECT_EQ(PeriodicTimer(caps.periodMax + 1).GetResolution(), caps.periodMax);
  EXPECT_EQ(PeriodicTimer(100).GetResolution(), 100u);

  PeriodicTimer timer(100);
  CallCommand nothing([] {});
  for (unsigned period : {0u, caps.periodMax + 1}) {
    try {
      timer.Start(period, &nothing);
      FAIL() << period;
    } catch (const Win32Error& e) {
      EXPECT_EQ(e.GetText(), "Unable to start periodic timer");
    }
  }
  EXPECT_FALSE(timer.IsRunning());
}

TEST(PeriodicTimer, StopNeverWaitsForATickThatWaitsForTheCaller) {
  std::mutex serviceLock;
  std::atomic<int> ticks{0};
  std::atomic<bool> blocked{false};
  CallCommand tick([&] {
    blocked = true;
    std::lock_guard<std::mutex> lock(serviceLock);
    ++ticks;
  });
  PeriodicTimer timer(100);
  {
    std::lock_guard<std::mutex> lock(serviceLock);
    timer.Start(2, &tick);
    while (!blocked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timer.Stop();  // with the lock the tick waits for: must not wait itself
    EXPECT_FALSE(timer.IsRunning());
  }
  timer.Shutdown();  // the late tick ends
  const int after = ticks;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ticks, after);
  EXPECT_LE(after, 1);
}

// --- services on the scheduler ---

class Engine : public EngineFixture {
 protected:
  ServiceHandle<ServiceCmdQueue> Make(Build build) {
    ServiceHandle<ServiceCmdQueue> s(new Scripted<ServiceCmdQueue>(device.get(), &client, std::move(build)));
    // A new service may live where a deleted one did; what that one heard is not its own.
    client.Forget(s.get());
    return s;
  }
  bool Finished(const Service& s) { return s.GetLiveState() == Service::stateFinished; }
};

TEST_F(Engine, ClientServicesQueueBehindAndContinuingPhasesGoFirst) {
  OpenDevice();
  Gate gate;
  Order order;
  auto a = Make([&](CmdBuilder& b, CommandQueue&) { b.AddCall([&] { gate.Pass(); }).AddCall(order.Mark('A')); });
  auto b = Make([&](CmdBuilder& bb, CommandQueue&) { bb.AddCall(order.Mark('B')); });
  auto c = Make([&](CmdBuilder& bb, CommandQueue&) { bb.AddCall(order.Mark('C')); });
  auto d = Make([&](CmdBuilder& bb, CommandQueue&) { bb.AddCall(order.Mark('D')); });
  a->Start();
  ASSERT_TRUE(gate.WaitEntered());
  b->Start();
  c->Start();
  d->Start();
  device->GetScheduler().QueueAtTail(d.get());  // as a polling cycle is queued
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return client.calls.size() == 4; }));
  EXPECT_EQ(order.Text(), "DABC");
  for (Service* s : {a.get(), b.get(), c.get(), d.get()}) {
    EXPECT_EQ(client.Finished(s), 1);
    EXPECT_FALSE(s->IsFailed());
  }
  EXPECT_EQ(LastCommand(), 214u);
}

TEST_F(Engine, ServicesFinishedBeforeTheDispatchCostOneNotification) {
  OpenDevice();
  auto a = Make([](CmdBuilder& b, CommandQueue&) { b.AddCall([] {}); });
  auto empty = Make([](CmdBuilder&, CommandQueue&) {});
  a->Start();
  empty->Start();
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!(Finished(*a) && Finished(*empty)) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(Notifications(), 1);
  EXPECT_TRUE(client.calls.empty());  // only the dispatch calls clients
  device->DispatchDone();
  ASSERT_EQ(client.calls.size(), 2u);
  EXPECT_EQ(client.Finished(a.get()), 1);
  EXPECT_EQ(client.Finished(empty.get()), 1);
  EXPECT_FALSE(empty->IsFailed());  // an empty list is no failure

  // Cancelling a finished service changes nothing and calls nobody.
  a->Cancel();
  device->DispatchDone();
  EXPECT_FALSE(a->IsFailed());
  EXPECT_EQ(client.calls.size(), 2u);
}

TEST_F(Engine, EveryFailureOfAStepEndsItsServiceAndTheWorkerGoesOn) {
  OpenDevice();
  const struct {
    std::function<void()> fail;
    std::string text;
  } cases[] = {
      {[] { throw CommException(CommException::read); }, "Read communication error"},
      {[] { throw Rs232Exception(CommException::read, nullptr, Rs232Exception::tout); },
       "RS232 Error: TIMEOUT. Read communication error"},
      {[] { throw Win32Error("unit", 12, "Broken", 5); }, "Win32Error 5. File: unit, line 12: Broken."},
      {[] { throw Error("unit", 3, "Odd"); }, "System error. File: unit, line 3: Odd."},
      {[] { throw TryAgainException(); }, "Try again"},
      {[] { throw DeviceKovoException(); }, "DeviceKovoException"},
      {[] { throw Scans::ScanErr; }, "Read communication error"},
      {[] { throw std::runtime_error("parse"); }, "parse"},
      {[] { throw 42; }, "Unknown error"},
  };
  for (const auto& k : cases) {
    std::atomic<bool> after{false};
    auto s = Make([&](CmdBuilder& b, CommandQueue&) { b.AddCall(k.fail).AddCall([&] { after = true; }); });
    s->Start();
    ASSERT_TRUE(PumpUntil([&] { return client.Finished(s.get()) == 1; })) << k.text;
    EXPECT_TRUE(s->IsFailed());
    EXPECT_EQ(s->GetErrorText(), k.text);
    EXPECT_FALSE(after) << "no command runs after the failing one";
    EXPECT_EQ(device->Proc().GetLogCount(), 0u);
  }
  // The worker is still there.
  auto last = Make([](CmdBuilder& b, CommandQueue&) { b.AddCall([] {}); });
  last->Start();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(last.get()) == 1; }));
  EXPECT_FALSE(last->IsFailed());
}

TEST_F(Engine, CancelWhileACommandRunsOnlyAsks) {
  OpenDevice();
  Gate gate;
  std::atomic<bool> alive{false};
  std::atomic<bool> aliveAfterwards{false};
  std::atomic<bool> nextRan{false};
  auto s = Make([&](CmdBuilder& b, CommandQueue& queue) {
    queue.Add(new Probe(&alive, [&] {
      gate.Pass();
      aliveAfterwards = alive.load();
    }));
    b.AddCall([&] { nextRan = true; });
  });
  s->Start();
  ASSERT_TRUE(gate.WaitEntered());
  s->Cancel();
  EXPECT_TRUE(alive);
  EXPECT_EQ(s->GetLiveState(), Service::stateRunning);  // the worker finishes it
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(s.get()) == 1; }));
  EXPECT_TRUE(aliveAfterwards);
  EXPECT_FALSE(alive);  // deleted once the worker was out of it
  EXPECT_FALSE(nextRan);
  EXPECT_TRUE(s->IsFailed());
  PumpFor(30);
  EXPECT_EQ(client.calls.size(), 1u);
}

TEST_F(Engine, DeletingAServiceWaitsUntilTheWorkerHasLeftIt) {
  OpenDevice();
  Gate gate;
  std::atomic<bool> nextRan{false};
  auto s = Make([&](CmdBuilder& b, CommandQueue&) { b.AddCall([&] { gate.Pass(); }).AddCall([&] { nextRan = true; }); });
  s->Start();
  ASSERT_TRUE(gate.WaitEntered());
  auto deletion = std::async(std::launch::async, [&] { s.reset(); });
  EXPECT_EQ(deletion.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  gate.Open();
  deletion.wait();
  EXPECT_FALSE(nextRan);  // it left the pending list at once
  // The worker goes on with other services.
  auto other = Make([](CmdBuilder& b, CommandQueue&) { b.AddCall([] {}); });
  other->Start();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(other.get()) == 1; }));
}

TEST_F(Engine, ProgressIsReportedOnlyAfterTheClientReadIt) {
  OpenDevice();
  auto make = [&](int commands, std::function<void()> body) {
    return ServiceHandle<ServiceWithProgress>(
        new Scripted<ServiceWithProgress>(device.get(), &client, [=](CmdBuilder& b, CommandQueue&) {
          for (int i = 0; i < commands; ++i) b.AddCall(body);
        }));
  };
  // Nobody dispatches: one report is posted, and the finish rides on it.
  auto quiet = make(100, [] {});
  quiet->Start();
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (quiet->GetLiveState() != Service::stateFinished && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(Notifications(), 1);
  device->DispatchDone();
  ASSERT_EQ(client.calls.size(), 1u);
  EXPECT_EQ(client.calls[0].state, Service::stateFinished);

  // A client that reads the progress at every report.
  client.calls.clear();
  auto watched = make(100, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  std::vector<int> seen;
  client.onDone = [&](Service*) {
    if (watched->GetState() != Service::stateFinished) seen.push_back(watched->GetProgress());
  };
  watched->Start();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(watched.get()) == 1; }));
  int last = 0;
  for (int p : seen) {
    EXPECT_GE(p, last + 2);
    last = p;
  }
  EXPECT_EQ(watched->GetProgress(), 100);
}

TEST_F(Engine, CloseWakesTheIdleWorkerAndUnlocksTheKeyboard) {
  // A worker that is not woken would be waited for longer than the test may take.
  DeviceTimings t = FastTimings();
  t.closeGraceMs = kLongerThanAnyTest;
  device->SetTimings(t);
  OpenDevice();
  EXPECT_TRUE(monitor->State().keyboardLocked);
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!device->GetScheduler().IsWaiting() && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  device->Close();
  EXPECT_FALSE(device->IsOpen());
  EXPECT_FALSE(link->isOpen());
  ASSERT_TRUE(monitor->WaitForLines(3, 2000));
  EXPECT_EQ(monitor->Lines(), (std::vector<std::string>{"EX_S?", "K_L Y", "K_L N"}));
  EXPECT_FALSE(monitor->State().keyboardLocked);
}
