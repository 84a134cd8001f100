#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/SystemColors.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

// The top-bar icon: a ring of twelve dots in a 19-point square centred in the view, with the
// countdown text, a progress ring or the dragging mark. Sizes in points, view coordinates (y up).
// The sizes below are the design for a bar 22 points tall; the drawing scales them to whatever
// bounds the host gives, so a tray's slot of any size and density shows the whole icon.
class StatusItemContentView : public DrawnView {
 public:
  static constexpr double kIconSide = 19;
  static constexpr int kDotCount = 12;
  // A 17-point design scaled to 19 points.
  static constexpr double kRingRadius = 7.097058823529411;  // 6.35 × 19/17
  static constexpr double kDotRadius = 1.173529411764706;   // 1.05 × 19/17
  static constexpr double kTrackAlpha = 0.27;
  static constexpr double kLargeTextSize = 6.817647058823529;  // 6.1 × 19/17, up to 2 characters
  static constexpr double kSmallTextSize = 5.364705882352941;  // 4.8 × 19/17
  static constexpr double kTextNudgeUp = 0.35;
  static constexpr double kDragMarkDiameter = 8.2;
  static constexpr double kDragPointDiameter = 2.1;
  static constexpr double kDesignHeight = 22;  // the bar the sizes above were laid out for
  // Below this size in device pixels the countdown's digits blur into a blot: the ring alone.
  static constexpr double kMinCountdownPixels = 6;
  static constexpr std::string_view kToolTip =
      "Потяните вниз, чтобы создать таймер. Нажмите, чтобы открыть список.";
  // For an item whose host reports only clicks: the gesture is click, then move.
  static constexpr std::string_view kClickAndMoveToolTip =
      "Нажмите и ведите вниз, чтобы создать таймер. Правая кнопка — список.";

  // Where the icon sits in `bounds` (points) drawn at `pixelScale` device pixels per point.
  struct Layout {
    Point center;      // on the pixel grid
    double scale = 1;  // design points to view points
    double pixelScale = 1;
    bool showsCountdown = true;  // the countdown's digits are large enough to read
  };
  static Layout layout(Size bounds, double pixelScale);
  // The square enclosing ring dot `index` (0 at the top, clockwise).
  static Rect dotRect(const Layout& layout, int index);
  // The countdown's font at design size: bold, monospaced digits, its size chosen by the text's
  // length in characters (UTF-8 code points).
  static Font countdownFont(std::string_view text);

  std::int64_t drawCount = 0;                                  // incremented at every draw
  std::function<void(StatusItemContentView&)> onMouseDown;     // left button pressed
  std::function<void(StatusItemContentView&)> onRightMouseUp;  // right button released
  std::optional<std::string> countdownText;                    // UTF-8, drawn in the centre
  std::optional<double> progress;  // elapsed fraction 0…1; none draws the plain ring
  Color functionalColor = SystemColors::forAppearance(Appearance::light).purple;  // accent
  bool isDragging = false;
  Appearance appearance = Appearance::light;  // set by the host

  // Draws in the host's bounds (the icon square alone while there is no host), counting draws.
  void draw(Canvas& canvas, const Rect& dirty) override;
  void draw(Canvas& canvas, Size bounds);
  // The same drawing without counting, e.g. into an image of any size.
  void render(Canvas& canvas, Size bounds) const;

  // Only while someone listens, so that clicks otherwise fall through.
  bool hitTest(Point point) const override;
  void mouseDown() override;
  void rightMouseUp() override;

 private:
  void drawPlainRing(Canvas& canvas, const Layout& layout, const SystemColors& colors) const;
  void drawProgressRing(Canvas& canvas, const Layout& layout, double value,
                        const SystemColors& colors) const;
  void drawCountdown(Canvas& canvas, const std::string& text, const Layout& layout,
                     const SystemColors& colors) const;
  void drawDraggingMark(Canvas& canvas, const Layout& layout) const;
};

}  // namespace brindlecap
