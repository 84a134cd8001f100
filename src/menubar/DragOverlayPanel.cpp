#include "menubar/DragOverlayPanel.h"

#include <algorithm>

#include "platform/SystemColors.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {

DragOverlayPanel::DragOverlayPanel(TopBarWindowFactory& windows, const Screens& screens,
                                   const WallClock& clock, const DateFormatter& dates)
    : screens_(screens),
      clock_(clock),
      dates_(dates),
      bubble_(windows.makeBubbleWindow(kBubbleSize)),
      line_(windows.makeLineWindow(lineView_)),
      functionalColor_(SystemColors::forAppearance(Appearance::light).purple) {
  lineView_.setFunctionalColor(functionalColor_);
  bubble_->setSymbol(symbolName(DragDurationCorridor::precise));
  bubble_->setSymbolTint(functionalColor_);
}

const char* DragOverlayPanel::symbolName(DragDurationCorridor corridor) {
  switch (corridor) {
    case DragDurationCorridor::precise:
      return "timer";
    case DragDurationCorridor::extended:
      return "clock";
    case DragDurationCorridor::days:
      return "calendar";
  }
  return "timer";
}

const char* DragOverlayPanel::caption(DragDurationCorridor corridor) {
  switch (corridor) {
    case DragDurationCorridor::precise:
      return "Точно";
    case DragDurationCorridor::extended:
      return "До суток";
    case DragDurationCorridor::days:
      return "До 7 дней";
  }
  return "";
}

std::optional<double> DragOverlayPanel::centeredDragStartY(Point point) const {
  auto screen = screenContaining(screens_.screens(), point);
  if (!screen) return std::nullopt;
  return DragDurationModel::centeredDragStartY(point, screen->visibleFrame, bubble_->size());
}

Rect DragOverlayPanel::bubbleFrame(Point end, const Rect& visibleFrame, Size size) {
  const Rect v = visibleFrame.insetBy(kScreenInset, kScreenInset);
  const double w = size.width, h = size.height;
  double x = end.x + kPointerGap;
  // Flip to the left of the pointer only when it fits there; otherwise clamp on the right.
  if (end.x + kPointerGap + w > v.maxX() && v.minX() <= end.x - kPointerGap - w)
    x = end.x - kPointerGap - w;
  x = std::min(std::max(x, v.minX()), v.maxX() - w);
  double y = end.y - h / 2;
  y = std::min(std::max(y, v.minY()), v.maxY() - h);
  return Rect(x, y, w, h);
}

void DragOverlayPanel::show(Point start, Point end, double duration, TimePoint fireDate,
                            DragDurationCorridor corridor) {
  auto screen = screenContaining(screens_.screens(), end);
  if (!screen) return;

  if (displayedDuration_ != duration || displayedCorridor_ != corridor) {
    displayedDuration_ = duration;
    displayedCorridor_ = corridor;
    bubble_->setSymbol(symbolName(corridor));
    bubble_->setTexts("Через " + TimeFormatting::duration(duration),
                      std::string(caption(corridor)) + " · " +
                          TimeFormatting::relativeFireDate(fireDate, clock_.now(), dates_));
  }
  // Moving the full-screen layer is expensive; do it only when the pointer changes screens.
  if (line_->frame() != screen->frame) line_->setFrame(screen->frame);
  // After the texts: the bubble may have grown to them.
  bubble_->setFrame(bubbleFrame(end, screen->visibleFrame, bubble_->size()));

  const Point origin = screen->frame.origin;
  lineView_.update(Point{start.x - origin.x, start.y - origin.y},
                   Point{end.x - origin.x, end.y - origin.y});
  if (!line_->isVisible() || !bubble_->isVisible()) {
    line_->orderFront();
    bubble_->orderFront();
  }
}

void DragOverlayPanel::hide() {
  lineView_.reset();
  line_->orderOut();
  bubble_->orderOut();
  displayedDuration_.reset();
  displayedCorridor_.reset();
}

void DragOverlayPanel::setFunctionalColor(const Color& color) {
  functionalColor_ = color;
  lineView_.setFunctionalColor(color);
  bubble_->setSymbolTint(color);
}

}  // namespace brindlecap
