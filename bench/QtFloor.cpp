// The floor the footprint script compares against: a bare Qt Widgets program whose 24 x 24 tray
// icon repaints once a second.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>

namespace {

QIcon face() {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::darkCyan);
  painter.drawEllipse(1, 1, 22, 22);
  painter.setPen(Qt::white);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(QTime::currentTime().second()));
  return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QSystemTrayIcon icon(face());
  icon.show();
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, [&icon] { icon.setIcon(face()); });
  repaint.start(1000);
  return QApplication::exec();
}
