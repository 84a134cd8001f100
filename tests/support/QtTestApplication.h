#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QEventLoop>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace brindlecap::testing {

// The one QApplication a widget test needs, created on first use and never destroyed: at exit,
// Qt's own statics may already be gone. Without a platform chosen, tests run offscreen.
inline void ensureQtApplication() {
  if (QApplication::instance()) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "brindlecap_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Runs the event loop until `done` holds; false if it still does not after a limit that only keeps
// a broken build from hanging.
inline bool runEventsUntil(const std::function<bool()>& done) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(1);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

// The descendant of `parent` named `name`; a test failure (and null) when there is none.
template <typename T = QWidget>
T* child(const QObject* parent, const QString& name) {
  T* found = parent->findChild<T*>(name);
  if (found == nullptr) ADD_FAILURE() << "no child " << name.toStdString();
  return found;
}

// What `widget` paints over nothing.
inline QImage rendered(QWidget* widget) {
  QImage image(widget->size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

// The most opaque pixel of `region` (the whole image by default).
inline QColor strongestPixel(const QImage& image, QRect region = {}) {
  if (region.isNull()) region = image.rect();
  QColor best(0, 0, 0, 0);
  for (int y = region.top(); y <= region.bottom(); ++y)
    for (int x = region.left(); x <= region.right(); ++x)
      if (image.pixelColor(x, y).alpha() > best.alpha()) best = image.pixelColor(x, y);
  return best;
}

// Delivers what is posted, including what layouts post while being laid out.
inline void settle() {
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
}

// A left press and release at `pos` in `target`'s coordinates, sent straight to it.
inline void leftClick(QWidget* target, QPointF pos) {
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }
}

}  // namespace brindlecap::testing
