#include "ui/QPainterCanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <algorithm>
#include <functional>
#include <vector>

#include "menubar/DragLineView.h"
#include "menubar/StatusItemContentView.h"
#include "support/QtTestApplication.h"
#include "ui/DrawnViewWidget.h"
#include "ui/StatusIconImage.h"

namespace brindlecap {
namespace {

using testing::strongestPixel;

class QtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::ensureQtApplication(); }
};

// Draws into a transparent image of `width` × `height` at one pixel per point.
QImage render(int width, int height, const std::function<void(Canvas&)>& draw) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(1);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  QPainterCanvas canvas(painter, height);
  draw(canvas);
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

int inkedPixels(const QImage& image, QRect region, int minimumAlpha = 1) {
  int count = 0;
  for (int y = region.top(); y <= region.bottom(); ++y)
    for (int x = region.left(); x <= region.right(); ++x)
      count += image.pixelColor(x, y).alpha() >= minimumAlpha;
  return count;
}

bool sameHue(const QColor& actual, const Color& expected, int tolerance = 10) {
  return std::abs(actual.red() - int(expected.red * 255)) <= tolerance &&
         std::abs(actual.green() - int(expected.green * 255)) <= tolerance &&
         std::abs(actual.blue() - int(expected.blue * 255)) <= tolerance;
}

using IconRenderingTest = QtTest;

// The centres of the groups of 4-neighbouring pixels at least half opaque.
std::vector<QPointF> blobs(QImage image) {
  std::vector<QPointF> found;
  auto solid = [&](QPoint p) {
    return image.rect().contains(p) && image.pixelColor(p).alpha() >= 128;
  };
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      std::vector<QPoint> todo{{x, y}}, members;
      while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        if (!solid(p)) continue;
        image.setPixelColor(p, Qt::transparent);  // taken
        members.push_back(p);
        todo.insert(todo.end(),
                    {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
      }
      if (members.empty()) continue;
      QPointF centre;
      for (QPoint p : members) centre += (QPointF(p) + QPointF(0.5, 0.5)) / double(members.size());
      found.push_back(centre);
    }
  return found;
}

// Every tray slot from 16 to 64 device pixels at every common scale, as a tray or a
// StatusNotifierItem host asks for it.
TEST_F(IconRenderingTest, FitsEverySlotWholeWithTheCountdownOnlyWhereItCanBeRead) {
  for (qreal scale : {1.0, 1.25, 1.5, 2.0}) {
    for (int side = 16; side <= 64; ++side) {
      SCOPED_TRACE(::testing::Message() << side << " px at " << scale);
      StatusItemContentView view;
      auto draw = [&] {
        return renderStatusIcon(view, QSize(side, side), scale)
            .convertToFormat(QImage::Format_ARGB32);
      };
      const QImage ring = draw();
      QRegion edge = QRegion(ring.rect()) - QRegion(ring.rect().adjusted(1, 1, -1, -1));
      int onEdge = 0;
      for (const QRect& r : edge) onEdge += inkedPixels(ring, r);
      EXPECT_EQ(onEdge, 0) << "nothing reaches the edge, so nothing is cut";

      const std::vector<QPointF> dots = blobs(ring);
      ASSERT_EQ(dots.size(), 12u);
      const QPointF middle(side / 2.0, side / 2.0);
      QPointF mean;
      double inner = side;
      for (QPointF dot : dots) mean += dot / 12;
      EXPECT_LE(QLineF(mean, middle).length(), 0.75) << "centred";
      const QPointF lowest = *std::max_element(dots.begin(), dots.end(),
                                               [](QPointF a, QPointF b) { return a.y() < b.y(); });
      EXPECT_TRUE(
          sameHue(ring.pixelColor(int(lowest.x()), int(lowest.y())), view.functionalColor, 40))
          << "upright: the accent dot at the bottom";
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
          if (ring.pixelColor(x, y).alpha() >= 128)
            inner = std::min(inner, QLineF(QPointF(x + 0.5, y + 0.5), middle).length());

      for (const char* countdown : {"59", "23h"}) {
        view.countdownText = countdown;
        const QImage text = draw();
        int inked = 0;
        for (int y = 0; y < side; ++y)
          for (int x = 0; x < side; ++x) {
            if (text.pixelColor(x, y).alpha() - ring.pixelColor(x, y).alpha() < 128) continue;
            ++inked;
            EXPECT_LT(QLineF(QPointF(x + 0.5, y + 0.5), middle).length(), inner)
                << countdown << " stays inside the ring at " << x << "," << y;
          }
        if (side >= 22) {
          EXPECT_GT(inked, 5) << countdown << " is shown";
        } else if (side <= 18) {
          EXPECT_EQ(inked, 0) << countdown << " is too small to read: the ring alone";
        }
      }
    }
  }
}

TEST_F(IconRenderingTest, TetherRunsInTheAccentAndStrengthensTowardsThePointer) {
  DragLineView view;
  view.update({10, 20}, {190, 20});
  const QImage image = render(200, 100, [&](Canvas& c) { view.draw(c, Rect(0, 0, 200, 100)); });

  // View y 20 is pixel row 80 of a 100-row image; row 78 is the core's edge, clear of the sheen.
  int previousAlpha = 0;
  for (int x = 30; x <= 170; x += 20) {
    const QColor pixel = image.pixelColor(x, 78);
    EXPECT_TRUE(sameHue(pixel, view.functionalColor)) << x << " " << pixel.name().toStdString();
    EXPECT_GT(pixel.alpha(), previousAlpha) << x;
    previousAlpha = pixel.alpha();
  }
  EXPECT_EQ(inkedPixels(image, QRect(0, 0, 200, 60)), 0);
}

class ProbeView : public DrawnView {
 public:
  void draw(Canvas&, const Rect& dirty) override { dirtyRects.push_back(dirty); }
  bool hitTest(Point p) const override {
    hits.push_back(p);
    return Rect(0, 0, 10, 10).contains(p);
  }
  void mouseDown() override { ++presses; }
  void rightMouseUp() override { ++rightReleases; }

  std::vector<Rect> dirtyRects;
  mutable std::vector<Point> hits;
  int presses = 0;
  int rightReleases = 0;
};

class DrawnViewWidgetTest : public QtTest {
 protected:
  bool send(QEvent::Type type, QPointF local, Qt::MouseButton button) {
    QMouseEvent event(type, local, widget.mapToGlobal(local), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
    return event.isAccepted();
  }

  ProbeView view;
  DrawnViewWidget widget{view};
};

TEST_F(DrawnViewWidgetTest, FrameIsInTheGlobalYUpSpaceAndRepaintsCoverTheMarkedArea) {
  EXPECT_EQ(view.surface(), &widget);
  widget.setWindowFlags(Qt::FramelessWindowHint);  // like the panels; no frame to offset
  widget.setGeometry(0, 0, 24, 22);
  EXPECT_FALSE(widget.frameInScreen()) << "not on screen yet";
  widget.show();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(widget.frameInScreen(), Rect(0, screen.height() - 22, 24, 22));
  widget.move(100, 50);
  EXPECT_EQ(widget.frameInScreen(), Rect(100, screen.height() - 72, 24, 22));
  EXPECT_EQ(widget.boundsSize(), (Size{24, 22}));

  QCoreApplication::processEvents();
  view.dirtyRects.clear();
  // Marked areas arrive in view coordinates; a fractional one is widened, never narrowed.
  const Rect fractional(2.5, 3.2, 1, 1);
  for (const Rect& marked : {Rect(2, 3, 5, 4), fractional}) {
    widget.setNeedsDisplay(marked);
    widget.displayIfNeeded();
  }
  ASSERT_EQ(view.dirtyRects.size(), 2u);
  EXPECT_EQ(view.dirtyRects[0], Rect(2, 3, 5, 4));
  const Rect painted = view.dirtyRects[1];
  EXPECT_TRUE(painted.minX() <= fractional.minX() && painted.minY() <= fractional.minY() &&
              painted.maxX() >= fractional.maxX() && painted.maxY() >= fractional.maxY())
      << painted.minX() << "," << painted.minY() << " " << painted.maxX() << "," << painted.maxY();
}

TEST_F(DrawnViewWidgetTest, ForwardsOnlyClicksTheViewTakes) {
  widget.resize(24, 22);
  EXPECT_TRUE(send(QEvent::MouseButtonPress, {5, 20}, Qt::LeftButton));
  ASSERT_EQ(view.hits.size(), 1u);
  EXPECT_EQ(view.hits[0], (Point{5, 2})) << "y flipped into the view";
  EXPECT_EQ(view.presses, 1);

  EXPECT_FALSE(send(QEvent::MouseButtonPress, {5, 2}, Qt::LeftButton)) << "outside the view's area";
  EXPECT_EQ(view.presses, 1);

  send(QEvent::MouseButtonPress, {5, 20}, Qt::RightButton);
  EXPECT_EQ(view.presses, 1);
  EXPECT_TRUE(send(QEvent::MouseButtonRelease, {5, 20}, Qt::RightButton));
  EXPECT_FALSE(send(QEvent::MouseButtonRelease, {5, 20}, Qt::LeftButton));
  EXPECT_FALSE(send(QEvent::MouseButtonRelease, {20, 20}, Qt::RightButton));
  EXPECT_EQ(view.rightReleases, 1);
}

}  // namespace
}  // namespace brindlecap
