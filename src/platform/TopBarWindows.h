#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/SystemColors.h"
#include "platform/TimePoint.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

class TimerStore;
class AppSettingsStore;

// The ways a desktop can show the icon: a slot in a tray that hands it the raw pointer (press,
// move, release), an item a notifier host shows and reports clicks on, or neither.
enum class StatusItemKind { trayIcon, notifierItem, none };

// What the desktop offers an icon right now.
struct StatusItemHosts {
  bool trayIcon = false;         // a tray manager runs and has not turned the icon away
  bool trayIsProxy = false;      // that tray only forwards icons to a notifier host
  bool notifierWatcher = false;  // a notifier watcher runs
  bool notifierHost = false;     // and a host that shows items is registered with it
  friend bool operator==(const StatusItemHosts&, const StatusItemHosts&) = default;
};

// How a notifier host reports a click: primary (left), context (right), secondary (middle).
enum class StatusItemClick { activate, contextMenu, secondaryActivate };

// The icon's place in the top bar: a tray slot or a notifier item. The icon's look comes from the
// content view it was made with.
class StatusItem {
 public:
  virtual ~StatusItem() = default;
  virtual void setVisible(bool visible) = 0;
  virtual bool isVisible() const = 0;
  virtual void setLength(double points) = 0;
  virtual void setToolTip(const std::string& text) = 0;
  // The window that holds the icon, in global points; nothing while it is not on screen.
  virtual std::optional<Rect> windowFrameInScreen() const = 0;

  virtual StatusItemHosts hosts() const = 0;
  // Docks the icon, registers it with the watcher, or takes it off the desktop (`none`).
  virtual void setKind(StatusItemKind kind) = 0;
  virtual StatusItemKind kind() const = 0;
  // The chosen host shows the icon (it docked it, or the watcher took the item).
  virtual bool isPlaced() const = 0;
  // Light or dark, from what the icon sits on.
  virtual Appearance appearance() const = 0;
  // The hosts, the placement or the screens changed.
  std::function<void()> onDesktopChanged;
  // A notifier host's click, at the point it reported in global points, if it reported one.
  std::function<void(StatusItemClick click, std::optional<Point> at)> onClick;
  // Called when that changes (another tray, another panel background, another palette).
  std::function<void(Appearance)> onAppearanceChanged;
};

// The small always-on-top panel the icon hangs in when no host shows it. Stays where it is put.
class FallbackPanel {
 public:
  virtual ~FallbackPanel() = default;
  virtual bool isVisible() const = 0;
  virtual Rect frame() const = 0;  // global points, y up
  virtual void setFrame(const Rect& frame) = 0;
  virtual void setHasShadow(bool hasShadow) = 0;
  virtual void orderFront() = 0;
  virtual void orderOut() = 0;
};

// The small window beside the pointer during a drag: a symbol and two lines of text. It is at
// least as wide as it was made and grows to show its texts whole.
class BubbleWindow {
 public:
  virtual ~BubbleWindow() = default;
  // In points; changes only with the texts.
  virtual Size size() const = 0;
  virtual void setAppearance(Appearance appearance) = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual bool isVisible() const = 0;
  virtual void orderFront() = 0;
  virtual void orderOut() = 0;
  // `symbol` is one of "timer", "clock", "calendar".
  virtual void setSymbol(const std::string& symbol) = 0;
  virtual void setSymbolTint(const Color& color) = 0;
  virtual void setTexts(const std::string& duration, const std::string& time) = 0;
};

// The transparent full-screen window the tether is drawn in.
class LineWindow {
 public:
  virtual ~LineWindow() = default;
  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual bool isVisible() const = 0;
  virtual void orderFront() = 0;
  virtual void orderOut() = 0;
};

// A transient window attached below a view (the naming panel after a drag). Clicking elsewhere
// closes it.
class Popover {
 public:
  virtual ~Popover() = default;
  virtual bool isShown() const = 0;
  // Shows the current content below `anchor`, activating the application.
  virtual void show(const ViewSurface& anchor) = 0;
  virtual void close() = 0;
  // The popover's window in global points while it is shown.
  virtual std::optional<Rect> windowFrame() const = 0;
  // Moves the shown window down by `points`.
  virtual void moveDown(double points) = 0;
  virtual Size contentSize() const = 0;
  virtual void setContentSize(Size size) = 0;
  // Called after the popover closed, whatever closed it.
  std::function<void()> onClose;
};

// A small floating window of its own (the shortcut's list, the manual composer).
class FloatingPanel {
 public:
  virtual ~FloatingPanel() = default;
  virtual bool isVisible() const = 0;
  virtual Rect frame() const = 0;  // global points, y up
  virtual Size contentSize() const = 0;
  virtual void setContentSize(Size size) = 0;
  virtual void setFrameOrigin(Point origin) = 0;  // the bottom-left corner
  // Brings it to the front with keyboard focus, activating the application.
  virtual void makeKeyAndOrderFront() = 0;
  virtual void orderOut() = 0;
};

// What the timer list asks of its host.
struct TimerListCallbacks {
  std::function<void()> onOpenSettings;
  std::function<void()> onCreateTimer;
};

// What the manual composer reports: a title and a duration in seconds.
struct ManualTimerCallbacks {
  std::function<void(const std::string& title, double seconds)> onCreate;
  std::function<void()> onCancel;
};

// What the naming panel reports.
struct NewTimerPanelCallbacks {
  std::function<void(const std::string& title)> onCreate;
  std::function<void()> onCancel;
};

// Creates the platform windows the top-bar controller uses. The views drawn by the core are
// handed over here; the platform hosts them.
class TopBarWindowFactory {
 public:
  virtual ~TopBarWindowFactory() = default;
  virtual std::unique_ptr<StatusItem> makeStatusItem(DrawnView& content) = 0;
  // The fallback panel, hosting `content` (the fallback view) over its whole frame.
  virtual std::unique_ptr<FallbackPanel> makeFallbackPanel(DrawnView& content) = 0;
  virtual std::unique_ptr<BubbleWindow> makeBubbleWindow(Size size) = 0;
  virtual std::unique_ptr<LineWindow> makeLineWindow(DrawnView& content) = 0;
  virtual std::unique_ptr<Popover> makePopover() = 0;
  // Replaces the popover's content with a naming panel of `size`, tinted with `accent`.
  virtual void setNewTimerContent(Popover& popover, Size size, double duration, TimePoint fireDate,
                                  Color accent, NewTimerPanelCallbacks callbacks) = 0;
  // A titled, closable utility window with `contentSize`, hidden when the application is
  // deactivated.
  virtual std::unique_ptr<FloatingPanel> makeFloatingPanel(const std::string& title,
                                                           Size contentSize) = 0;
  // The list of active timers, in the list popover or in a floating panel.
  virtual void setTimerListContent(Popover& popover, std::shared_ptr<TimerStore> store,
                                   std::shared_ptr<AppSettingsStore> settings,
                                   TimerListCallbacks callbacks) = 0;
  virtual void setTimerListContent(FloatingPanel& panel, std::shared_ptr<TimerStore> store,
                                   std::shared_ptr<AppSettingsStore> settings,
                                   TimerListCallbacks callbacks) = 0;
  // A fresh composer (15 minutes, no name), tinted with `accent`.
  virtual void setManualTimerContent(FloatingPanel& panel, Color accent,
                                     ManualTimerCallbacks callbacks) = 0;
};

}  // namespace brindlecap
