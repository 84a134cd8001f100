#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <memory>
#include <tuple>

class QWidget;

namespace brindlecap {

// Docks the status icon into the XEmbed system tray while asked to and a tray runs; follows trays
// that appear or go away, and tells whether the tray is a real one or a proxy into a notifier
// host (those turn a press into an instant click). Off the tray the icon is not shown anywhere.
class TrayIconHost : public QObject {
  Q_OBJECT

 public:
  // Takes ownership of icon, which is sized to whatever room it gets and should draw centred.
  explicit TrayIconHost(QWidget* icon, QObject* parent = nullptr);
  ~TrayIconHost() override;

  TrayIconHost(const TrayIconHost&) = delete;
  TrayIconHost& operator=(const TrayIconHost&) = delete;

  // A tray manager runs and has not turned the icon away.
  bool trayAvailable() const;
  // That tray only forwards icons to a notifier host (xembedsniproxy, or the desktop's shell).
  bool trayIsProxy() const { return trayIsProxy_; }
  // True while the icon sits in a system tray.
  bool isDocked() const { return docked_; }

  // The icon's rectangle in global Qt coordinates; empty while the icon is not docked. Use this,
  // not QWidget::mapToGlobal(), for a docked icon: Qt's idea of its position goes stale as the
  // tray moves or rearranges its icons.
  QRect iconGeometryInScreen() const;

  void setToolTip(const QString& text);

  // Asked to, the icon docks into the tray as soon as there is one; else it leaves the tray.
  void setWanted(bool wanted);
  bool isWanted() const { return wanted_; }

 signals:
  // The tray appeared, went away, turned out to be a proxy, or took or dropped the icon.
  void changed();

 private:
  class X11;

  void update();
  void trayOwnerChanged();
  void dockWindowReparented(bool intoRoot);
  void dockWindowLost();

  void startDocking();
  void revealDockWindow();
  void dropDockWindow();
  void putIconInto(QWidget* host);

  QPointer<QWidget> icon_;
  QPointer<QWidget> dockWindow_;
  std::unique_ptr<QWidget> parking_;  // never shown; holds the icon while it has no window
  std::unique_ptr<X11> x11_;          // null without an X11 connection
  bool wanted_ = false;
  bool docked_ = false;
  bool trayIsProxy_ = false;
  // What changed() last reported: available, proxy, docked.
  std::tuple<bool, bool, bool> reported_{false, false, false};
};

}  // namespace brindlecap
