#include "menubar/MenuBarFallbackView.h"

namespace brindlecap {

MenuBarFallbackView::MenuBarFallbackView() {
  statusContentView.attach(&contentSurface_);
}

Size MenuBarFallbackView::bounds() const {
  return surface() ? surface()->boundsSize()
                   : Size{StatusItemContentView::kIconSide, StatusItemContentView::kIconSide};
}

void MenuBarFallbackView::setIsBelowMenuBar(bool value) {
  if (value == isBelowMenuBar) return;
  isBelowMenuBar = value;
  setNeedsDisplay();
}

void MenuBarFallbackView::draw(Canvas& canvas, const Rect&) {
  draw(canvas, bounds());
}

void MenuBarFallbackView::draw(Canvas& canvas, Size size) {
  if (isBelowMenuBar) {
    const SystemColors& colors = SystemColors::forAppearance(appearance);
    const Rect background =
        Rect(0, 0, size.width, size.height).insetBy(kBackgroundInset, kBackgroundInset);
    canvas.fillRoundedRect(background, kBackgroundRadius,
                           colors.windowBackground.withAlpha(kBackgroundAlpha));
    canvas.strokeRoundedRect(background, kBackgroundRadius,
                             colors.separator.withAlpha(kBorderAlpha), kBorderWidth);
  }
  // The icon is a part of this view, so it takes this view's appearance.
  statusContentView.appearance = appearance;
  statusContentView.draw(canvas, size);
}

bool MenuBarFallbackView::hitTest(Point point) const {
  const Size size = bounds();
  return surface() != nullptr && Rect(0, 0, size.width, size.height).contains(point);
}

void MenuBarFallbackView::mouseDown() {
  if (onMouseDown) onMouseDown(*this);
}

void MenuBarFallbackView::rightMouseUp() {
  if (onRightMouseUp) onRightMouseUp(*this);
}

void MenuBarFallbackView::ContentSurface::setNeedsDisplay() {
  owner_.setNeedsDisplay();
}

void MenuBarFallbackView::ContentSurface::setNeedsDisplay(const Rect& dirty) {
  if (owner_.surface()) owner_.surface()->setNeedsDisplay(dirty);
}

void MenuBarFallbackView::ContentSurface::displayIfNeeded() {
  if (owner_.surface()) owner_.surface()->displayIfNeeded();
}

Size MenuBarFallbackView::ContentSurface::boundsSize() const {
  return owner_.bounds();
}

std::optional<Rect> MenuBarFallbackView::ContentSurface::frameInScreen() const {
  return owner_.surface() ? owner_.surface()->frameInScreen() : std::nullopt;
}

}  // namespace brindlecap
