#pragma once

#include <memory>
#include <optional>

#include "menubar/DragDisplayLinkDriver.h"
#include "menubar/DragDurationModel.h"
#include "platform/DragInput.h"
#include "platform/Geometry.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

// The state of one press on the icon, from the press to the release, Escape or the next press.
// Owned by the controller while active; callbacks hold it weakly.
struct DragSession {
  DrawnView* anchor = nullptr;  // the pressed view
  Point gestureStartPoint;
  Point tetherStartPoint;
  double durationStartY = 0;
  double durationTravelDistance = 1;
  std::shared_ptr<DragDisplayLinkDriver> displayLinkDriver;
  double framesPerSecond = 60;  // the pressed screen's refresh rate, which paces the driver
  DragEventMonitor::Token eventMonitor;
  // The pointer reached the start line at least once: overlay shown, a release creates a timer.
  bool isDragging = false;
  bool isCursorHidden = false;
  // The pointer was 3 points or more from the press at some update; never cleared.
  bool didMoveBeyondClickTolerance = false;
  // The list was open when the button went down; the press closed it, so a click must not
  // reopen it.
  bool listWasShownAtPress = false;
  // Armed by a click rather than held down: the next click ends it.
  bool isClickAndMove = false;
  // Click-and-move: the button went down since arming (a release alone belongs to the arming).
  bool sawPressSinceArming = false;
  // Click-and-move: the ending click was close enough to the icon to count as a click on it.
  bool endedOnIcon = false;
  double selectedDuration = 60;  // seconds
  DragDurationCorridor corridor = DragDurationCorridor::precise;
  std::optional<Point> lastRenderedPoint;
  std::optional<double> lastRenderedDuration;
  std::optional<DragDurationCorridor> lastRenderedCorridor;
  DragSpeedTracker speedTracker;
};

}  // namespace brindlecap
