#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/NotificationCenter.h"

namespace brindlecap {

// The notification centre over the freedesktop Desktop Notifications service
// (org.freedesktop.Notifications on the session bus). Requests are held in this process until
// their wall-clock due time and then posted; delivered ones are tracked by the server's id, and
// the server's ActionInvoked / NotificationClosed signals for those ids become responses.
// Lives on the GUI thread; every completion and delegate call happens there, from the event loop
// or from within the call.
class FreedesktopNotificationCenter : public QObject, public NotificationCenter {
  Q_OBJECT

 public:
  // `clock` decides when held requests fall due (wall clock, so a suspend does not delay them).
  // `bus` defaults to the session bus. Both `clock` and `environment` must outlive the centre.
  FreedesktopNotificationCenter(const WallClock& clock, const Environment& environment,
                                QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);
  ~FreedesktopNotificationCenter() override;

  FreedesktopNotificationCenter(const FreedesktopNotificationCenter&) = delete;
  FreedesktopNotificationCenter& operator=(const FreedesktopNotificationCenter&) = delete;

  void setDelegate(std::weak_ptr<NotificationCenterDelegate> delegate) override;
  // Granted / authorized while a notification server answers on the bus (or can be started).
  void requestAuthorization(std::function<void(bool granted)> completion) override;
  void getAuthorizationStatus(
      std::function<void(NotificationAuthorizationStatus)> completion) override;
  void setNotificationCategories(std::vector<NotificationCategory> categories) override;
  // Fails (with a description) only for a trigger interval that is not a positive number.
  void add(NotificationRequest request,
           std::function<void(std::optional<std::string> error)> completion) override;
  void removePendingRequests(const std::vector<std::string>& identifiers) override;
  void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override;
  void removeAllPendingRequests() override;
  void getPendingRequestCount(std::function<void(std::size_t)> completion) override;
  // Counts notifications on screen and those whose posting is still under way, by identifier.
  void getDeliveredNotificationCount(std::function<void(std::size_t)> completion) override;
  // GNOME, KDE Plasma and Xfce, when their settings program is installed.
  bool canOpenSystemSettings() const override;
  void openSystemSettings() override;

  // Posts every held request whose due time has passed by the wall clock. Its own timer aims at
  // the next due time; call it on every clock tick too, so a suspend or a clock change cannot
  // delay a notification.
  void postDueRequests();
  // When the earliest held request falls due; nothing while none is held.
  std::optional<TimePoint> nextDueDate() const {
    return dueOrder_.empty() ? std::nullopt : std::optional<TimePoint>(dueOrder_.begin()->first);
  }

 private slots:
  void handleActionInvoked(uint id, const QString& actionKey);
  void handleNotificationClosed(uint id, uint reason);

 private:
  struct HeldRequest {
    NotificationContent content;
    TimePoint due = 0;
  };
  // What a posted notification needs to turn the server's signals into responses.
  struct Posting {
    std::string identifier;
    NotificationContent content;
    QStringList actionIdentifiers;  // besides "default"
    QStringList actionTitles;
    bool reportsDismissal = false;
  };
  struct Shown {
    Posting posting;
    bool answered = false;  // an action was invoked; a later close is not a dismissal
  };

  struct SettingsCommand {
    QString program;
    QStringList arguments;
  };
  // The first notification settings program of the running desktop that is installed.
  std::optional<SettingsCommand> systemSettingsCommand() const;
  // Calls `method` on the notification server without blocking; `onReply` gets the reply or the
  // error message from the event loop, unless the centre is gone by then.
  void callServer(const QString& method, const QVariantList& arguments,
                  std::function<void(const QDBusMessage& reply)> onReply);
  void post(std::uint64_t sequence, const QStringList& capabilities);
  void finishPosting(std::uint64_t sequence, uint serverId);
  void closeOnServer(uint serverId);
  void respond(const Shown& shown, const std::string& actionIdentifier);
  void probeServer(std::function<void(bool present)> completion);
  void scheduleCheck();

  const WallClock& clock_;
  const Environment& environment_;
  QDBusConnection bus_;
  std::weak_ptr<NotificationCenterDelegate> delegate_;
  std::map<std::string, NotificationCategory> categories_;
  std::map<std::string, HeldRequest> held_;
  std::set<std::pair<TimePoint, std::string>> dueOrder_;  // held_ by due time, earliest first
  std::uint64_t nextSequence_ = 1;
  std::map<std::uint64_t, Posting> postings_;  // awaiting the server's id, by sequence
  std::map<uint, Shown> shown_;                // by server id
  QTimer checkTimer_;
  QDBusServiceWatcher serverWatcher_;
};

}  // namespace brindlecap
