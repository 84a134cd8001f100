#include "ui/QtFloatingPanel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "menubar/PanelPlacement.h"
#include "platform/linux/ScreenCoordinates.h"

namespace brindlecap {

QtFloatingPanel::QtFloatingPanel(const std::string& title, Size contentSize)
    : window_(new QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                       Qt::WindowStaysOnTopHint)),
      decorations_(window_) {
  window_->setWindowTitle(QString::fromStdString(title));
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(0, 0, 0, 0);
  setContentSize(contentSize);
  QPointer<QWidget> window = window_;
  QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, window_,
                   [window](Qt::ApplicationState state) {
                     if (state == Qt::ApplicationInactive && window) window->hide();
                   });
}

QtFloatingPanel::~QtFloatingPanel() {
  delete window_.data();
}

bool QtFloatingPanel::isVisible() const {
  return window_ && window_->isVisible();
}

Rect QtFloatingPanel::frame() const {
  return decorations_.frame().around(window_->geometry());
}

void QtFloatingPanel::setContentSize(Size size) {
  contentSize_ = size;
  window_->setFixedSize(static_cast<int>(std::lround(size.width)),
                        static_cast<int>(std::lround(size.height)));
}

void QtFloatingPanel::setFrameOrigin(Point origin) {
  // The origin was worked out for a box of the content's size, margins from the screen's edges
  // included; the decorations must not take those margins away.
  const Rect box(origin.x, origin.y, contentSize_.width, contentSize_.height);
  const QScreen* screen = QGuiApplication::screenAt(toQt(box).center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const Rect limits = screen ? toGlobalYUp(screen->availableGeometry())
                                   .insetBy(PanelPlacement::kFloatingPanelMargin,
                                            PanelPlacement::kFloatingPanelMargin)
                             : box;
  const WindowFrame frame = decorations_.frame();
  setClientGeometry(*window_, frame.clientOf(frame.placedAs(box, limits)));
}

void QtFloatingPanel::makeKeyAndOrderFront() {
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtFloatingPanel::orderOut() {
  window_->hide();
}

void QtFloatingPanel::setContent(QWidget* content) {
  if (content_) content_->deleteLater();
  content_ = content;
  window_->layout()->addWidget(content);
}

}  // namespace brindlecap
