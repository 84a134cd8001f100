#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>

namespace brindlecap {

// The icon as a freedesktop StatusNotifierItem on the session bus, for the hosts that show items
// (KDE, GNOME's indicator extension, waybar, Xfce): the object at /StatusNotifierItem, a name of
// its own, and its registration with org.kde.StatusNotifierWatcher, renewed whenever a watcher
// (re)appears. Follows the watcher and its hosts through bus signals; never polls.
class StatusNotifierItem : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
  static constexpr const char* kObjectPath = "/StatusNotifierItem";

  explicit StatusNotifierItem(QDBusConnection bus, QObject* parent = nullptr);
  ~StatusNotifierItem() override;
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  bool watcherPresent() const { return watcherPresent_; }
  bool hostRegistered() const { return hostRegistered_; }
  // Offers the item to the watcher (now and after every restart of it), or withdraws it.
  void setWanted(bool wanted);
  // The watcher has taken the item.
  bool isRegistered() const { return registered_; }
  QString serviceName() const { return serviceName_; }

  // The icon at each size it is offered in; announced to the hosts only when it differs.
  void setIcon(const QList<QImage>& images);
  void setToolTip(const QString& text);

 signals:
  // The watcher, its hosts or the registration changed.
  void changed();
  // Clicks from a host; `at` in global device pixels when the host gave a position.
  void activated(std::optional<QPoint> at);
  void contextMenuRequested(std::optional<QPoint> at);
  void secondaryActivated(std::optional<QPoint> at);

 private slots:
  void readHostRegistered();

 private:
  class Adaptor;
  friend class Adaptor;

  void watcherAppeared();
  void watcherGone();
  void registerWithWatcher();
  void publish();
  void withdraw();

  QDBusConnection bus_;
  Adaptor* adaptor_ = nullptr;  // the object the hosts see, while published
  QString serviceName_;
  QString toolTip_;
  QList<QImage> icon_;
  bool wanted_ = false;
  bool published_ = false;
  bool watcherPresent_ = false;
  bool hostRegistered_ = false;
  bool registered_ = false;
};

}  // namespace brindlecap
