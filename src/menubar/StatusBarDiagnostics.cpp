#include "menubar/StatusBarDiagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "menubar/StatusBarController.h"

namespace brindlecap {

namespace {

std::string formatMs(double milliseconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", milliseconds);
  return buffer;
}

double average(const std::vector<double>& values) {
  double sum = 0;
  for (double value : values) sum += value;
  return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

double maximum(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

}  // namespace

StatusBarDiagnostics::StatusBarDiagnostics(StatusBarController& controller,
                                           StatusBarPlatform platform)
    : controller_(controller), platform_(std::move(platform)) {}

StatusBarDiagnostics::~StatusBarDiagnostics() {
  if (benchmarkDriver_) benchmarkDriver_->stop();
}

void StatusBarDiagnostics::loadDiagnosticSampleTimers(TimerStore& store) {
  const DiagnosticMode mode = platform_.diagnostics.mode();
  if (mode != DiagnosticMode::timerList && mode != DiagnosticMode::marketingTimerList) return;
  const TimePoint now = platform_.clock.now();
  store.usesTransientDiagnosticItems = true;
  store.items.set({
      TimerItem{Uuid::random(), "Чай", now - 600, now + 1800, {}, {}, {}},
      TimerItem{Uuid::random(), "Созвон с командой", now - 1800, now + 9000, {}, {}, {}},
  });
  store.now.set(now);
}

void StatusBarDiagnostics::scheduleDiagnosticAction() {
  std::function<void()> action;
  switch (platform_.diagnostics.mode()) {
    case DiagnosticMode::launch:
    case DiagnosticMode::timerList:
    case DiagnosticMode::marketingTimerList:
      action = [this] { controller_.toggleListPopover(nullptr); };
      break;
    case DiagnosticMode::newTimer:
      action = [this] {
        if (auto* anchor = controller_.activeAnchorView()) controller_.presentNewTimer(60, anchor);
      };
      break;
    case DiagnosticMode::dragPreview:
    case DiagnosticMode::marketingDrag:
      action = [this] { showDiagnosticDragPreview(); };
      break;
    case DiagnosticMode::dragAnimation:
      action = [this] {
        auto screens = platform_.screens.screens();
        std::stable_sort(screens.begin(), screens.end(), [](const auto& a, const auto& b) {
          return a.maximumFramesPerSecond > b.maximumFramesPerSecond;
        });
        runDiagnosticDragAnimation(std::move(screens), 0);
      };
      break;
    default:  // no action of the top bar's
      return;
  }
  scheduled_.push_back(platform_.mainQueue.after(1.0, std::move(action)));
}

void StatusBarDiagnostics::showDiagnosticDragPreview() {
  DrawnView* anchor = controller_.activeAnchorView();
  if (!anchor) return;
  auto start = controller_.tetherStartPoint(*anchor);
  if (!start) return;
  controller_.setDragging(true);
  const Point end{start->x - 100, start->y - 150};
  controller_.overlay().show(*start, end, 2400, platform_.clock.now() + 2400,
                             DragDurationCorridor::precise);
  platform_.diagnostics.print("DRAG_PREVIEW_START", describe(*start));
  platform_.diagnostics.print("DRAG_PREVIEW_END", describe(end));
}

void StatusBarDiagnostics::runDiagnosticDragAnimation(std::vector<ScreenInfo> screens,
                                                      std::size_t index) {
  if (index >= screens.size()) {
    if (platform_.terminate) platform_.terminate();
    return;
  }
  const ScreenInfo screen = screens[index];
  controller_.setDragging(true);

  struct Metrics {
    std::optional<double> firstTimestamp, previousTimestamp;
    std::vector<double> intervals, renders;
  };
  auto metrics = std::make_shared<Metrics>();
  const Point start{screen.frame.midX(), screen.frame.maxY() - 12};
  const double baseY = std::max(screen.visibleFrame.minY() + 90, screen.frame.maxY() - 360);
  DragOverlayPanel& overlay = controller_.overlay();
  // Map the overlay's windows before measuring: the first mapping of a full-screen window costs
  // tens of milliseconds on X11 and says nothing about the frames of a drag.
  overlay.show(start, Point{start.x, baseY}, 2400, platform_.clock.now() + 2400,
               DragDurationCorridor::precise);
  benchmarkDriver_ = std::make_shared<DragDisplayLinkDriver>(
      platform_.mainQueue, platform_.displayLinks, &platform_.diagnostics);
  // `this` is safe in both callbacks: the driver and the scheduled work die with this object.
  benchmarkDriver_->start(
      screen.maximumFramesPerSecond, [this, &overlay, metrics, start, baseY](double t) {
        if (!metrics->firstTimestamp) metrics->firstTimestamp = t;
        if (metrics->previousTimestamp)
          metrics->intervals.push_back(t - *metrics->previousTimestamp);
        metrics->previousTimestamp = t;
        const double phase = (t - *metrics->firstTimestamp) / 1.5 * M_PI;
        const Point end{start.x + 80 * std::sin(4 * phase), baseY + 45 * (1 - std::cos(2 * phase))};
        const double before = platform_.monotonicClock.uptime();
        overlay.show(start, end, 2400, platform_.clock.now() + 2400, DragDurationCorridor::precise);
        metrics->renders.push_back(platform_.monotonicClock.uptime() - before);
      });
  scheduled_.push_back(platform_.mainQueue.after(1.5, [this, metrics, screens, index, screen] {
    benchmarkDriver_->stop();
    controller_.overlay().hide();
    controller_.setDragging(false);
    const double nominal = 1.0 / std::max(screen.maximumFramesPerSecond, 1.0);
    const auto longFrames = std::count_if(metrics->intervals.begin(), metrics->intervals.end(),
                                          [nominal](double i) { return i > 1.5 * nominal; });
    char fps[32];
    std::snprintf(fps, sizeof fps, "%g", screen.maximumFramesPerSecond);
    platform_.diagnostics.print(
        "DRAG_METRICS", "screen=" + describe(screen.frame) + " screenFPS=" + fps +
                            " frames=" + std::to_string(metrics->renders.size()) +
                            " averageMs=" + formatMs(1000 * average(metrics->intervals)) +
                            " maximumMs=" + formatMs(1000 * maximum(metrics->intervals)) +
                            " longFrames=" + std::to_string(longFrames) +
                            " averageRenderMs=" + formatMs(1000 * average(metrics->renders)) +
                            " maximumRenderMs=" + formatMs(1000 * maximum(metrics->renders)));
    runDiagnosticDragAnimation(screens, index + 1);
  }));
}

}  // namespace brindlecap
