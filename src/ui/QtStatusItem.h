#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <optional>

#include "platform/TopBarWindows.h"
#include "platform/linux/StatusNotifierItem.h"
#include "platform/linux/TrayIconHost.h"
#include "platform/linux/XcbTrayColors.h"

namespace brindlecap {

class TrayIconWidget;

// The status item on a Linux desktop: the icon docked into an XEmbed tray, or a notifier item
// whose pixmaps are the icon's own drawing, or nothing (the fallback panel then shows it). Its
// appearance follows what the icon sits on: a tray's pixels or colours, else the desktop palette.
class QtStatusItem : public QObject, public StatusItem {
 public:
  static constexpr int kIconSizes[] = {16, 22, 24, 32, 48};  // what hosts ask for, in pixels

  // The notifier item lives on `bus` (the session bus).
  QtStatusItem(DrawnView& content, QDBusConnection bus);
  ~QtStatusItem() override;

  void setVisible(bool visible) override;
  bool isVisible() const override { return visible_; }
  void setLength(double) override {}  // the host decides; the icon draws centred in what it gets
  void setToolTip(const std::string& text) override;
  std::optional<Rect> windowFrameInScreen() const override;
  StatusItemHosts hosts() const override;
  void setKind(StatusItemKind kind) override;
  StatusItemKind kind() const override { return kind_; }
  bool isPlaced() const override;
  Appearance appearance() const override { return appearance_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class NotifierSurface;
  static constexpr int kSettleMs = 300;

  void apply();
  void renderNotifierIcon();
  void clicked(StatusItemClick click, std::optional<QPoint> at);
  void desktopChanged();
  Appearance currentAppearance() const;
  void refreshAppearance();
  void refreshAppearanceSoon();

  DrawnView& content_;
  TrayIconWidget* trayIcon_;  // owned by tray_
  TrayIconHost tray_;
  StatusNotifierItem notifier_;
  std::unique_ptr<NotifierSurface> notifierSurface_;
  QTimer iconRender_;                    // coalesces redraw requests into one render
  QMetaObject::Connection screenWatch_;  // the primary screen's visible area
  XcbTrayColors trayColors_;
  QTimer settle_;  // a tray paints behind a new icon, or in new colours, a moment after it says so
  Appearance appearance_ = Appearance::light;
  bool watchingDocked_ = false;
  StatusItemKind kind_ = StatusItemKind::none;
  bool visible_ = true;
};

}  // namespace brindlecap
