#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <memory>

class QWidget;

namespace brindlecap {

// Gives the status icon its place on the desktop: docked into the XEmbed system tray when one
// runs, otherwise in a small always-on-top panel hanging under the top edge of the primary
// screen; follows trays that appear or go away while the application runs.
class TrayIconHost : public QObject {
  Q_OBJECT

 public:
  // Takes ownership of icon, which is sized to whatever room it gets and should draw centred.
  explicit TrayIconHost(QWidget* icon, QObject* parent = nullptr);
  ~TrayIconHost() override;

  TrayIconHost(const TrayIconHost&) = delete;
  TrayIconHost& operator=(const TrayIconHost&) = delete;

  // True while the icon sits in a system tray.
  bool isDocked() const { return docked_; }

  // The icon's rectangle in global Qt coordinates; empty while the icon is hidden. Use this, not
  // QWidget::mapToGlobal(), for a docked icon: Qt's idea of its position goes stale as the tray
  // moves or rearranges its icons.
  QRect iconGeometryInScreen() const;

  void setToolTip(const QString& text);

  // Hidden, the icon leaves the tray (and the panel) altogether; shown, it looks for a tray again.
  void setVisible(bool visible);
  bool isVisible() const { return visible_; }

 signals:
  void dockedChanged(bool docked);

 private:
  class X11;

  void update();
  void trayOwnerChanged();
  void dockWindowReparented(bool intoRoot);
  void dockWindowLost();

  void startDocking();
  void revealDockWindow();
  void dropDockWindow();
  void showPanel();
  void dropPanel();
  void placePanel();
  void putIconInto(QWidget* host);
  void setDocked(bool docked);

  QPointer<QWidget> icon_;
  QPointer<QWidget> dockWindow_;
  QPointer<QWidget> panel_;
  std::unique_ptr<QWidget> parking_;  // never shown; holds the icon while it has no window
  std::unique_ptr<X11> x11_;          // null without an X11 connection
  bool visible_ = true;
  bool docked_ = false;
};

}  // namespace brindlecap
