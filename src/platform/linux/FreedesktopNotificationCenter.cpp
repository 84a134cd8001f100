#include "platform/linux/FreedesktopNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace brindlecap {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultActionKey = QStringLiteral("default");

// Long enough for the bus to start a server on demand, short enough not to keep stale work.
constexpr int kCallTimeoutMs = 10000;
// A QTimer counts monotonic time, which stops during a suspend; the store's schedule also calls
// postDueRequests at the wall-clock due date and after a suspend or a clock change, so this timer
// only keeps the centre punctual on its own (as in its tests).
constexpr double kLongestCheckSeconds = 3600.0;

// The closing reasons of NotificationClosed.
constexpr uint kClosedByUser = 2;

// Body text is parsed as markup by servers that announce "body-markup".
QString escapeMarkup(const QString& text) {
  QString escaped;
  escaped.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('&')) {
      escaped += QLatin1String("&amp;");
    } else if (c == QLatin1Char('<')) {
      escaped += QLatin1String("&lt;");
    } else if (c == QLatin1Char('>')) {
      escaped += QLatin1String("&gt;");
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// The application's icon as the notification names it: by its theme name once installed where the
// icon theme looks; else as the file beside the binary, which a build tree holds at the same place
// relative to it as an installation (../share/icons/...). Looked up once per run.
QString applicationIcon() {
  static const QString icon = [] {
    const QString name = QStringLiteral(BRINDLECAP_APP_ID);
    if (QIcon::hasThemeIcon(name)) return name;
    const QFileInfo file(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/icons/hicolor/scalable/apps/") + name +
                         QStringLiteral(".svg"));
    return file.exists() ? QUrl::fromLocalFile(file.canonicalFilePath()).toString() : name;
  }();
  return icon;
}

struct SettingsProgram {
  const char* program;
  QStringList arguments;
};

// The notification settings programs of the desktops named in XDG_CURRENT_DESKTOP, in its order.
std::vector<SettingsProgram> settingsProgramsFor(const QString& currentDesktops) {
  std::vector<SettingsProgram> programs;
  for (const QString& desktop : currentDesktops.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    const QString name = desktop.trimmed().toUpper();
    if (name == QLatin1String("GNOME")) {
      programs.push_back({"gnome-control-center", {QStringLiteral("notifications")}});
    } else if (name == QLatin1String("KDE")) {
      // Plasma 5 installs the same program under a versioned name.
      programs.push_back({"systemsettings", {QStringLiteral("kcm_notifications")}});
      programs.push_back({"systemsettings5", {QStringLiteral("kcm_notifications")}});
    } else if (name == QLatin1String("XFCE")) {
      programs.push_back({"xfce4-notifyd-config", {}});
    }
  }
  return programs;
}

}  // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(const WallClock& clock,
                                                             const Environment& environment,
                                                             QDBusConnection bus, QObject* parent)
    : QObject(parent), clock_(clock), environment_(environment), bus_(std::move(bus)) {
  checkTimer_.setSingleShot(true);
  connect(&checkTimer_, &QTimer::timeout, this, &FreedesktopNotificationCenter::postDueRequests);
  // With the service name, the bus delivers only the signals of whoever owns it right now.
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(handleActionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(handleNotificationClosed(uint, uint)));
  // A restarted server numbers its notifications from 1 again and never reports closing the old
  // ones: ids remembered from the old one would match other applications' notifications.
  serverWatcher_.setConnection(bus_);
  serverWatcher_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
  serverWatcher_.addWatchedService(kService);
  connect(&serverWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
    shown_.clear();
    postings_.clear();
  });
}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() {
  bus_.disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(handleActionInvoked(uint, QString)));
  bus_.disconnect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(handleNotificationClosed(uint, uint)));
}

void FreedesktopNotificationCenter::setDelegate(
    std::weak_ptr<NotificationCenterDelegate> delegate) {
  delegate_ = std::move(delegate);
}

void FreedesktopNotificationCenter::requestAuthorization(std::function<void(bool)> completion) {
  // There is nothing to ask on this desktop: a running server shows what it is sent.
  probeServer([completion = std::move(completion)](bool present) {
    if (completion) completion(present);
  });
}

void FreedesktopNotificationCenter::getAuthorizationStatus(
    std::function<void(NotificationAuthorizationStatus)> completion) {
  probeServer([completion = std::move(completion)](bool present) {
    if (completion) {
      completion(present ? NotificationAuthorizationStatus::authorized
                         : NotificationAuthorizationStatus::denied);
    }
  });
}

void FreedesktopNotificationCenter::setNotificationCategories(
    std::vector<NotificationCategory> categories) {
  categories_.clear();
  for (NotificationCategory& category : categories) {
    std::string identifier = category.identifier;
    categories_.insert_or_assign(std::move(identifier), std::move(category));
  }
}

void FreedesktopNotificationCenter::add(
    NotificationRequest request, std::function<void(std::optional<std::string>)> completion) {
  if (!std::isfinite(request.triggerInterval) || request.triggerInterval <= 0) {
    if (completion) completion("The trigger interval must be a positive number of seconds.");
    return;
  }
  const TimePoint due = clock_.now() + request.triggerInterval;
  if (auto held = held_.find(request.identifier); held != held_.end())
    dueOrder_.erase({held->second.due, request.identifier});
  dueOrder_.emplace(due, request.identifier);
  held_.insert_or_assign(request.identifier, HeldRequest{std::move(request.content), due});
  scheduleCheck();
  if (completion) completion(std::nullopt);
}

void FreedesktopNotificationCenter::removePendingRequests(
    const std::vector<std::string>& identifiers) {
  for (const std::string& identifier : identifiers) {
    auto node = held_.extract(identifier);
    if (!node.empty()) dueOrder_.erase({node.mapped().due, identifier});
  }
  scheduleCheck();
}

void FreedesktopNotificationCenter::removeDeliveredNotifications(
    const std::vector<std::string>& identifiers) {
  const std::set<std::string> removed(identifiers.begin(), identifiers.end());
  std::erase_if(shown_, [&](const auto& entry) {
    if (!removed.contains(entry.second.posting.identifier)) return false;
    closeOnServer(entry.first);
    return true;
  });
  // A posting still under way is closed as soon as the server names its id.
  std::erase_if(postings_,
                [&](const auto& entry) { return removed.contains(entry.second.identifier); });
}

void FreedesktopNotificationCenter::removeAllPendingRequests() {
  held_.clear();
  dueOrder_.clear();
  scheduleCheck();
}

void FreedesktopNotificationCenter::getPendingRequestCount(
    std::function<void(std::size_t)> completion) {
  if (completion) completion(held_.size());
}

void FreedesktopNotificationCenter::getDeliveredNotificationCount(
    std::function<void(std::size_t)> completion) {
  std::set<std::string> identifiers;
  for (const auto& [serverId, shown] : shown_) identifiers.insert(shown.posting.identifier);
  for (const auto& [sequence, posting] : postings_) identifiers.insert(posting.identifier);
  if (completion) completion(identifiers.size());
}

std::optional<FreedesktopNotificationCenter::SettingsCommand>
FreedesktopNotificationCenter::systemSettingsCommand() const {
  const QString desktops =
      QString::fromStdString(environment_.variable("XDG_CURRENT_DESKTOP").value_or(""));
  const std::optional<std::string> path = environment_.variable("PATH");
  const QStringList searchPaths =
      path ? QString::fromStdString(*path).split(QLatin1Char(':'), Qt::SkipEmptyParts)
           : QStringList{};
  for (const SettingsProgram& candidate : settingsProgramsFor(desktops)) {
    const QString executable =
        QStandardPaths::findExecutable(QString::fromLatin1(candidate.program), searchPaths);
    if (!executable.isEmpty()) return SettingsCommand{executable, candidate.arguments};
  }
  return std::nullopt;
}

bool FreedesktopNotificationCenter::canOpenSystemSettings() const {
  return systemSettingsCommand().has_value();
}

void FreedesktopNotificationCenter::openSystemSettings() {
  if (const auto command = systemSettingsCommand())
    QProcess::startDetached(command->program, command->arguments);
}

void FreedesktopNotificationCenter::postDueRequests() {
  const TimePoint now = clock_.now();
  std::vector<std::pair<TimePoint, std::string>> due;
  for (auto it = dueOrder_.begin(); it != dueOrder_.end() && it->first <= now; ++it)
    due.push_back(*it);

  for (const auto& [dueTime, identifier] : due) {
    // The delegate may have changed the held requests from within shouldPresent.
    auto node = held_.extract(identifier);
    if (node.empty()) continue;
    dueOrder_.erase({node.mapped().due, identifier});
    NotificationContent content = std::move(node.mapped().content);
    const std::shared_ptr<NotificationCenterDelegate> delegate = delegate_.lock();
    if (!delegate || !delegate->shouldPresent(content)) continue;

    Posting posting{identifier, std::move(content), {}, {}, false};
    if (auto category = categories_.find(posting.content.categoryIdentifier);
        category != categories_.end()) {
      for (const NotificationAction& action : category->second.actions) {
        posting.actionIdentifiers << QString::fromStdString(action.identifier);
        posting.actionTitles << QString::fromStdString(action.title);
      }
      posting.reportsDismissal = category->second.customDismissAction;
    }
    // A newer posting of the same identifier takes the place of one still under way.
    std::erase_if(postings_,
                  [&](const auto& entry) { return entry.second.identifier == identifier; });
    const std::uint64_t sequence = nextSequence_++;
    postings_.emplace(sequence, std::move(posting));
    // Asked every time: the server may have been replaced since the last notification.
    callServer(QStringLiteral("GetCapabilities"), {}, [this, sequence](const QDBusMessage& reply) {
      QStringList capabilities;
      if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        capabilities = reply.arguments().constFirst().toStringList();
      }
      post(sequence, capabilities);
    });
  }
  scheduleCheck();
}

void FreedesktopNotificationCenter::post(std::uint64_t sequence, const QStringList& capabilities) {
  const auto found = postings_.find(sequence);
  if (found == postings_.end()) return;  // withdrawn or superseded meanwhile
  const Posting& posting = found->second;

  uint replacesId = 0;
  for (const auto& [serverId, shown] : shown_) {
    if (shown.posting.identifier == posting.identifier) {
      replacesId = serverId;
      break;
    }
  }
  QStringList actions{kDefaultActionKey, QString()};
  for (qsizetype i = 0; i < posting.actionIdentifiers.size(); ++i) {
    actions << posting.actionIdentifiers[i] << posting.actionTitles[i];
  }
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral(BRINDLECAP_APP_ID));
  // Normal, not critical: critical breaks through do-not-disturb and never expires, more than a
  // timer the user set calls for.
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
  if (capabilities.contains(QStringLiteral("sound"))) {
    if (posting.content.playsSound) {
      hints.insert(QStringLiteral("sound-name"), QStringLiteral("alarm-clock-elapsed"));
    } else {
      hints.insert(QStringLiteral("suppress-sound"), true);
    }
  }
  QString body = QString::fromStdString(posting.content.body);
  if (capabilities.contains(QStringLiteral("body-markup"))) body = escapeMarkup(body);

  const QVariantList arguments{QStringLiteral("Brindlecap"),
                               QVariant::fromValue(replacesId),
                               applicationIcon(),
                               QString::fromStdString(posting.content.title),
                               body,
                               actions,
                               hints,
                               QVariant::fromValue<int>(-1)};
  callServer(QStringLiteral("Notify"), arguments, [this, sequence](const QDBusMessage& reply) {
    const uint serverId = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                              ? reply.arguments().constFirst().toUInt()
                              : 0;
    if (serverId == 0) {
      postings_.erase(sequence);  // no server, or it refused: nothing was delivered
      return;
    }
    finishPosting(sequence, serverId);
  });
}

void FreedesktopNotificationCenter::finishPosting(std::uint64_t sequence, uint serverId) {
  auto node = postings_.extract(sequence);
  if (node.empty()) {
    // Removed while the server was showing it. An id we still track is a newer posting's.
    if (!shown_.contains(serverId)) closeOnServer(serverId);
    return;
  }
  Posting posting = std::move(node.mapped());
  // A server that did not honour replaces_id shows the older copy still.
  std::erase_if(shown_, [&](const auto& entry) {
    if (entry.first == serverId || entry.second.posting.identifier != posting.identifier) {
      return false;
    }
    closeOnServer(entry.first);
    return true;
  });
  shown_.insert_or_assign(serverId, Shown{std::move(posting), false});
}

void FreedesktopNotificationCenter::closeOnServer(uint serverId) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                        QStringLiteral("CloseNotification"));
  message << QVariant::fromValue(serverId);
  // Starting a server just to close something it never showed would be pointless.
  message.setAutoStartService(false);
  bus_.send(message);
}

void FreedesktopNotificationCenter::handleActionInvoked(uint id, const QString& actionKey) {
  const auto found = shown_.find(id);
  if (found == shown_.end()) return;  // another application's notification
  std::string action;
  if (actionKey == kDefaultActionKey) {
    action = NotificationResponse::kDefaultActionIdentifier;
  } else if (found->second.posting.actionIdentifiers.contains(actionKey)) {
    action = actionKey.toStdString();
  } else {
    return;
  }
  if (actionKey == kDefaultActionKey) {
    // A click acknowledges the notification, but some servers (dunst) leave it on screen.
    const Shown shown = found->second;
    shown_.erase(found);
    closeOnServer(id);
    respond(shown, action);
    return;
  }
  // The quick snooze moves the timer, which withdraws this notification; until then it stays.
  found->second.answered = true;
  const Shown shown = found->second;
  respond(shown, action);
}

void FreedesktopNotificationCenter::handleNotificationClosed(uint id, uint reason) {
  auto node = shown_.extract(id);
  if (node.empty()) return;
  const Shown& shown = node.mapped();
  // Expiry and our own CloseNotification are no answer from the user, and closing one that was
  // already answered by an action is not a second answer.
  if (reason == kClosedByUser && shown.posting.reportsDismissal && !shown.answered) {
    respond(shown, NotificationResponse::kDismissActionIdentifier);
  }
}

void FreedesktopNotificationCenter::respond(const Shown& shown,
                                            const std::string& actionIdentifier) {
  const std::shared_ptr<NotificationCenterDelegate> delegate = delegate_.lock();
  if (!delegate) return;
  delegate->didReceive(
      NotificationResponse{actionIdentifier, shown.posting.identifier, shown.posting.content},
      [] {});
}

void FreedesktopNotificationCenter::probeServer(std::function<void(bool present)> completion) {
  if (!bus_.isConnected()) {
    completion(false);
    return;
  }
  // A reply means a server is running or the bus could start one.
  callServer(QStringLiteral("GetServerInformation"), {},
             [completion = std::move(completion)](const QDBusMessage& reply) {
               completion(reply.type() == QDBusMessage::ReplyMessage);
             });
}

void FreedesktopNotificationCenter::callServer(const QString& method, const QVariantList& arguments,
                                               std::function<void(const QDBusMessage&)> onReply) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  message.setArguments(arguments);
  // Parented to the centre: a reply arriving after the centre is gone is dropped with it.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            onReply(finished->reply());
          });
}

void FreedesktopNotificationCenter::scheduleCheck() {
  if (held_.empty()) {
    checkTimer_.stop();
    return;
  }
  const TimePoint earliest = dueOrder_.begin()->first;
  const double remaining = std::clamp(earliest - clock_.now(), 0.0, kLongestCheckSeconds);
  checkTimer_.start(static_cast<int>(std::ceil(remaining * 1000.0)));
}

}  // namespace brindlecap
