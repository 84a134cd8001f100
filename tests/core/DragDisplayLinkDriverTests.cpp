#include "menubar/DragDisplayLinkDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

#include "support/FakeEnvironment.h"
#include "support/FakeTopBar.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

using namespace testing;

// A main queue on virtual time that counts the work handed to it: everything ever queued, and
// the most that was ever waiting to run at once.
class CountingQueue : public VirtualTime {
 public:
  void async(std::function<void()> work) override {
    ++queued;
    const int nowWaiting = ++waiting;
    for (int most = mostWaiting; nowWaiting > most;)
      if (mostWaiting.compare_exchange_weak(most, nowWaiting)) break;
    VirtualTime::async([this, work = std::move(work)] {
      --waiting;
      work();
    });
  }
  std::atomic<int> queued{0}, waiting{0}, mostWaiting{0};
};

class DragDisplayLinkDriverTest : public ::testing::Test {
 protected:
  std::shared_ptr<DragDisplayLinkDriver> makeDriver(Diagnostics* diagnostics = nullptr) {
    return std::make_shared<DragDisplayLinkDriver>(queue, factory, diagnostics);
  }
  static std::function<void(double)> recordInto(std::vector<double>& delivered) {
    return [&delivered](double timestamp) { delivered.push_back(timestamp); };
  }
  ManualDisplayLinks::Link& link(std::size_t index = 0) { return *factory.made.at(index); }

  CountingQueue queue;
  ManualDisplayLinks factory;
  std::shared_ptr<DragDisplayLinkDriver> driver = makeDriver();
};

TEST_F(DragDisplayLinkDriverTest, StopAndDestructionStopTheLinkAndSilenceAQueuedDelivery) {
  std::vector<double> delivered;
  driver->start(60, recordInto(delivered));
  link().fire(1.0);
  driver->stop();
  EXPECT_FALSE(link().running());
  queue.runPending();
  EXPECT_TRUE(delivered.empty());

  driver->start(60, recordInto(delivered));
  link(1).fire(2.0);
  ASSERT_EQ(queue.queued.load(), 2);
  std::weak_ptr<DragDisplayLinkDriver> weak = driver;
  driver.reset();
  // A queued delivery must not keep the driver (and its drag) alive.
  EXPECT_TRUE(weak.expired());
  EXPECT_FALSE(link(1).running());
  queue.runPending();
  EXPECT_TRUE(delivered.empty());
}

TEST_F(DragDisplayLinkDriverTest,
       StartReplacesTheLinkSilencesOldDeliveriesAndMayComeFromTheCallback) {
  std::vector<double> first;
  std::vector<double> second;

  // An old delivery still waiting when the new run's first frame arrives: the new run queues
  // its own, and only that one delivers.
  driver->start(60, recordInto(first));
  link(0).fire(1.0);
  driver->start(120, recordInto(second));
  ASSERT_EQ(factory.made.size(), 2u);
  EXPECT_FALSE(link(0).running());
  link(1).fire(3.0);
  EXPECT_EQ(queue.queued.load(), 2);
  queue.runPending();
  EXPECT_TRUE(first.empty());
  EXPECT_EQ(second, std::vector<double>{3.0});

  link(1).fire(4.0);
  queue.runPending();
  EXPECT_EQ(second, (std::vector<double>{3.0, 4.0}));

  // An old delivery that runs before the new run has a frame must not leave the new run
  // thinking a delivery is on its way.
  std::vector<double> third;
  link(1).fire(5.0);
  driver->start(60, recordInto(third));
  queue.runPending();
  link(2).fire(6.0);
  queue.runPending();
  EXPECT_EQ(second, (std::vector<double>{3.0, 4.0}));
  EXPECT_EQ(third, std::vector<double>{6.0});

  // The callback itself may start a new run. (Stopping from it is run with the real link.)
  std::vector<double> restarted;
  driver->start(60, [&](double) { driver->start(30, recordInto(restarted)); });
  link(3).fire(7.0);
  queue.runPending();
  EXPECT_FALSE(link(3).running());
  link(4).fire(8.0);
  queue.runPending();
  EXPECT_EQ(restarted, std::vector<double>{8.0});
  EXPECT_EQ(factory.made.size(), 5u);
}

TEST_F(DragDisplayLinkDriverTest, ReportsTheLinkOnlyInDragAnimationMode) {
  FakeEnvironment environment;
  RecordingDiagnosticOutput output;
  environment.variables[Diagnostics::kVariable] = "1";  // markers on, another mode
  Diagnostics quietMode(environment, output);
  environment.variables[Diagnostics::kVariable] = "drag_animation";
  Diagnostics diagnostics(environment, output);
  makeDriver(&quietMode)->start(60, [](double) {});
  EXPECT_TRUE(output.lines.empty());

  // Screen rate asked for, and the line reported: rates are rounded and kept within 1…1000.
  const std::vector<std::pair<double, std::string>> rows = {
      {59.6, "60 minimum=60 maximum=60 preferred=60 duration=0.0166667"},
      {std::numeric_limits<double>::quiet_NaN(), "0 minimum=1 maximum=1 preferred=1 duration=1"},
      {5000.0, "5000 minimum=1000 maximum=1000 preferred=1000 duration=0.001"},
  };
  auto reporting = makeDriver(&diagnostics);
  for (const auto& [screenRate, line] : rows) {
    reporting->start(screenRate, [](double) {});
    EXPECT_EQ(output.lines.back(), "BRINDLECAP_DISPLAY_LINK screenFPS=" + line);
    EXPECT_EQ(factory.made.back()->fps, std::stod(line.substr(line.find("preferred=") + 10)));
  }
  EXPECT_EQ(output.lines.size(), rows.size());
}

TEST_F(DragDisplayLinkDriverTest, FramesFromTheLinksThreadKeepOneDeliveryOutstanding) {
  constexpr int kFrames = 50000;
  std::vector<double> delivered;
  driver->start(60, recordInto(delivered));
  std::atomic<bool> finished{false};
  std::thread linkThread([&] {
    for (int frame = 1; frame <= kFrames; ++frame) link().fire(frame);
    finished = true;
  });
  while (!finished) queue.runPending();
  linkThread.join();
  queue.runPending();

  EXPECT_EQ(queue.mostWaiting.load(), 1);
  // Each delivery is the newest frame at the time, so none repeats or goes back, and the last
  // frame is not lost; every delivery that was queued delivered one.
  EXPECT_EQ(std::adjacent_find(delivered.begin(), delivered.end(), std::greater_equal<>()),
            delivered.end());
  ASSERT_FALSE(delivered.empty());
  EXPECT_EQ(delivered.back(), kFrames);
  EXPECT_EQ(delivered.size(), static_cast<std::size_t>(queue.queued.load()));
}

}  // namespace
}  // namespace brindlecap
