#include "ui/QPainterCanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <functional>

#include "menubar/DragLineView.h"
#include "menubar/StatusItemContentView.h"
#include "support/QtTestApplication.h"
#include "ui/DrawnViewWidget.h"

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

TEST_F(IconRenderingTest, RingIsUprightWithTheAccentDotAtTheBottomAndTextInTheMiddle) {
  StatusItemContentView view;
  const auto drawIcon = [&] {
    return render(24, 22, [&](Canvas& c) { view.draw(c, Size{24, 22}); });
  };
  QImage image = drawIcon();
  // The icon's centre is (12, 11); the bottom dot's centre lies 7.1 below it, near row 18.
  const QColor bottom = strongestPixel(image, QRect(10, 16, 5, 5));
  EXPECT_GT(bottom.alpha(), 150);
  EXPECT_TRUE(sameHue(bottom, view.functionalColor)) << bottom.name().toStdString();
  const QColor top = strongestPixel(image, QRect(10, 1, 5, 5));
  EXPECT_GT(top.alpha(), 150);
  EXPECT_TRUE(sameHue(top, Color{0, 0, 0})) << top.name().toStdString();
  EXPECT_EQ(inkedPixels(image, QRect(9, 8, 7, 7)), 0) << "nothing inside the ring";

  view.countdownText = "12";
  image = drawIcon();
  EXPECT_GE(inkedPixels(image, QRect(9, 8, 7, 7), 100), 5);
  // Measuring and drawing agree: the ink sits centred on the icon's centre (12, 11).
  double sumX = 0, sumY = 0, weight = 0;
  for (int y = 6; y < 16; ++y)
    for (int x = 6; x < 18; ++x) {
      const int alpha = image.pixelColor(x, y).alpha();
      sumX += (x + 0.5) * alpha, sumY += (y + 0.5) * alpha, weight += alpha;
    }
  ASSERT_GT(weight, 0);
  EXPECT_NEAR(sumX / weight, 12, 1.0);
  EXPECT_NEAR(sumY / weight, 11, 1.5);
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
