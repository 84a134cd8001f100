#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

#include "platform/HotKeys.h"

namespace brindlecap {

// System-wide hot keys on Wayland, through the desktop portal's GlobalShortcuts interface: a
// session per registration, one shortcut bound in it (the desktop may first ask the user, so
// the answer comes later), and its Activated signal as the press. Without the portal, or with a
// portal lacking the interface, the combination is unavailable. Main thread only.
class PortalHotKeys : public QObject, public HotKeySystem {
  Q_OBJECT

 public:
  static constexpr char kService[] = "org.freedesktop.portal.Desktop";
  static constexpr char kPath[] = "/org/freedesktop/portal/desktop";
  static constexpr char kShortcutId[] = "toggle-list";

  explicit PortalHotKeys(QDBusConnection bus, QObject* parent = nullptr);
  ~PortalHotKeys() override;
  PortalHotKeys(const PortalHotKeys&) = delete;
  PortalHotKeys& operator=(const PortalHotKeys&) = delete;

  // Unavailable without a bus or a portal on it; otherwise pending until the portal answers.
  HotKeyStatus registerHotKey(const HotKeyCombination& combination) override;
  void unregisterHotKey() override;
  void setPressHandler(std::function<void()> handler) override;
  void setStatusHandler(std::function<void(HotKeyStatus)> handler) override;

  // The combination in the freedesktop shortcut-trigger syntax: "CTRL+ALT+LOGO+m".
  static QString preferredTrigger(const HotKeyCombination& combination);

 private slots:
  void onResponse(uint response, const QVariantMap& results, const QDBusMessage& message);
  void onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                   const QVariantMap& options);
  void onSessionClosed(const QVariantMap& details, const QDBusMessage& message);

 private:
  enum class Stage { idle, creatingSession, binding, bound };

  // Calls a GlobalShortcuts method whose answer arrives as a Response on a request object.
  void request(const QString& method, QList<QVariant> arguments, const QString& token);
  void listenForResponse(const QString& path);
  void bind();
  void finish(HotKeyStatus status);
  void closeSession();
  QString nextToken();

  QDBusConnection bus_;
  Stage stage_ = Stage::idle;
  HotKeyCombination combination_;
  QString sessionPath_;
  QString requestPath_;  // the request whose Response is awaited
  int generation_ = 0;   // answers to an earlier registration are ignored
  int tokens_ = 0;
  std::function<void()> pressHandler_;
  std::function<void(HotKeyStatus)> statusHandler_;
};

}  // namespace brindlecap
