#include "menubar/DragDisplayLinkDriver.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <locale>
#include <sstream>
#include <utility>

namespace brindlecap {
namespace {

// A nonsensical refresh rate must neither stop the link nor turn its thread into a busy loop.
constexpr double kMaximumFramesPerSecond = 1000;

double roundedScreenRate(double screenFramesPerSecond) {
  return std::isfinite(screenFramesPerSecond) ? std::round(screenFramesPerSecond) : 0;
}

std::string displayLinkLine(double screenRate, double fps) {
  std::ostringstream line;
  // The stream's own locale, not the process's: the line is parsed by scripts.
  line.imbue(std::locale::classic());
  line.precision(0);
  line << "screenFPS=" << std::fixed << screenRate << std::defaultfloat;
  line.precision(6);
  line << " minimum=" << fps << " maximum=" << fps << " preferred=" << fps
       << " duration=" << 1 / fps;
  return line.str();
}

}  // namespace

DragDisplayLinkDriver::DragDisplayLinkDriver(MainQueue& mainQueue, DisplayLinkFactory& linkFactory,
                                             Diagnostics* diagnostics)
    : mainQueue_(mainQueue), linkFactory_(linkFactory), diagnostics_(diagnostics) {}

DragDisplayLinkDriver::~DragDisplayLinkDriver() {
  stop();
}

void DragDisplayLinkDriver::start(double screenFramesPerSecond,
                                  std::function<void(double timestamp)> onFrame) {
  assert(!weak_from_this().expired() && "deliveries need the driver owned by a shared_ptr");
  stop();
  {
    std::lock_guard lock(stateLock_);
    onFrame_ = std::move(onFrame);
  }

  const double screenRate = roundedScreenRate(screenFramesPerSecond);
  const double fps = std::clamp(screenRate, 1.0, kMaximumFramesPerSecond);
  if (diagnostics_ && diagnostics_->mode() == DiagnosticMode::dragAnimation) {
    diagnostics_->print("DISPLAY_LINK", displayLinkLine(screenRate, fps));
  }

  displayLink_ = linkFactory_.makeDisplayLink();
  // `this` is safe: stop() (also run by the destructor) returns only once the link is silent.
  displayLink_->start(fps, [this](double timestamp) { displayLinkDidFire(timestamp); });
}

void DragDisplayLinkDriver::stop() {
  // Without the lock: the link's thread may be waiting for it in displayLinkDidFire.
  if (displayLink_) displayLink_->stop();
  std::function<void(double)> discarded;
  {
    std::lock_guard lock(stateLock_);
    discarded.swap(onFrame_);
    latestTimestamp_.reset();
    hasPendingMainDelivery_ = false;
    ++run_;
  }
  displayLink_.reset();
  // `discarded` goes here, outside the lock, in case its captures do anything on destruction.
}

void DragDisplayLinkDriver::displayLinkDidFire(double timestamp) {
  std::uint64_t run = 0;
  {
    std::lock_guard lock(stateLock_);
    latestTimestamp_ = timestamp;
    if (hasPendingMainDelivery_ || !onFrame_) return;
    hasPendingMainDelivery_ = true;
    run = run_;
  }
  mainQueue_.async([weak = weak_from_this(), run] {
    if (auto self = weak.lock()) self->deliverLatestFrame(run);
  });
}

void DragDisplayLinkDriver::deliverLatestFrame(std::uint64_t run) {
  std::optional<double> timestamp;
  std::function<void(double)> onFrame;
  {
    std::lock_guard lock(stateLock_);
    if (run != run_) return;
    timestamp = latestTimestamp_;
    onFrame = onFrame_;
    hasPendingMainDelivery_ = false;
  }
  if (timestamp && onFrame) onFrame(*timestamp);
}

}  // namespace brindlecap
