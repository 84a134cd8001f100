#include "platform/linux/TrayIconHost.h"

#include "platform/linux/XcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace brindlecap {

namespace {

constexpr int kIconSide = 24;
// The pointer stops at the screen edge, so the panel keeps room for a drag to the right.
constexpr int kPanelGapToRightEdge = 200;
// A tray normally embeds within milliseconds; after this the panel shows while we keep waiting.
constexpr int kDockPatienceMs = 2000;

constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedVersion = 0;
constexpr uint32_t kXEmbedMapped = 1u << 0;
constexpr uint32_t kNetWmStateAdd = 1;

// Event masks are per client and window, and Qt shares our connection: add to its mask, never
// replace it. False when the window is gone.
bool addEventMask(xcb_connection_t* c, xcb_window_t window, uint32_t mask) {
  auto* attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  if (attributes == nullptr) return false;
  const uint32_t wanted = attributes->your_event_mask | mask;
  const bool already = wanted == attributes->your_event_mask;
  std::free(attributes);
  if (already) return true;
  xcb_generic_error_t* error = xcb_request_check(
      c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &wanted));
  if (error == nullptr) return true;
  std::free(error);
  return false;
}

// The only child a host window holds is the icon; it always fills the host.
class HostWindow : public QWidget {
 public:
  explicit HostWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QGuiApplication::applicationDisplayName());
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isWindow()) child->setGeometry(rect());
    }
  }
  // A window manager's close must not take the icon away; anything else (QApplication::quit()
  // closes every window and gives up if one refuses) is let through.
  void closeEvent(QCloseEvent* event) override {
    if (event->spontaneous()) {
      event->ignore();
    } else {
      QWidget::closeEvent(event);
    }
  }
};

}  // namespace

// The X11 side: atoms, the tray selection and the events that move the icon between tray and
// panel. The filter only notes events (but for one, see ReparentNotify); they are handled once Qt
// has seen them too.
class TrayIconHost::X11 : public QAbstractNativeEventFilter {
 public:
  enum class Parent { root, other, gone };

  X11(TrayIconHost& host, xcb_connection_t* connection) : c(connection), host_(host) {
    const auto [number, screen] = defaultScreen(c);
    this->screen = screen;
    root = screen != nullptr ? screen->root : XCB_NONE;
    const std::string n = std::to_string(number);
    traySelection = internAtom(c, "_NET_SYSTEM_TRAY_S" + n);
    trayOpcode = internAtom(c, "_NET_SYSTEM_TRAY_OPCODE");
    trayVisual = internAtom(c, "_NET_SYSTEM_TRAY_VISUAL");
    manager = internAtom(c, "MANAGER");
    xembedInfo = internAtom(c, "_XEMBED_INFO");
    netWmState = internAtom(c, "_NET_WM_STATE");
    skipTaskbar = internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    skipPager = internAtom(c, "_NET_WM_STATE_SKIP_PAGER");
    // A tray announces itself with MANAGER, sent to the root window for StructureNotify.
    if (root != XCB_NONE) addEventMask(c, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    QCoreApplication::instance()->installNativeEventFilter(this);
  }

  ~X11() override {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }

  X11(const X11&) = delete;
  X11& operator=(const X11&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
      case XCB_CLIENT_MESSAGE: {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->window == root && m->type == manager && m->format == 32 &&
            m->data.data32[1] == traySelection) {
          post([this] {
            refusedBy = XCB_NONE;
            host_.trayOwnerChanged();
          });
        }
        break;
      }
      case XCB_DESTROY_NOTIFY: {
        const auto* d = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (d->window != XCB_NONE && d->window == trayOwner) {
          post([this] { host_.trayOwnerChanged(); });
        } else if (d->window != XCB_NONE && d->window == dockWindow) {
          post([this, w = d->window] {
            if (w == dockWindow) host_.dockWindowLost();
          });
        }
        break;
      }
      case XCB_REPARENT_NOTIFY: {
        const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (r->window != XCB_NONE && r->window == dockWindow) {
          // Qt maps the window by itself on the tray's XEMBED_EMBEDDED_NOTIFY, which follows;
          // showing it here, still unmapped, keeps Qt's idea of the window straight.
          if (r->parent != root) host_.revealDockWindow();
          post([this, w = r->window, intoRoot = r->parent == root] {
            if (w == dockWindow) host_.dockWindowReparented(intoRoot);
          });
        }
        break;
      }
      case XCB_UNMAP_NOTIFY: {
        // A tray may hide an icon and keep it; only a window back on the root or gone is lost.
        const auto* u = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
        if (u->window != XCB_NONE && u->window == dockWindow) {
          post([this, w = u->window] {
            if (w == dockWindow && embedded && parentOf(w) != Parent::other) host_.dockWindowLost();
          });
        }
        break;
      }
      default:
        break;
    }
    return false;  // Qt sees every event as well
  }

  // The current tray, watched for its destruction; selecting first and asking again afterwards
  // closes the gap in which a tray could vanish unnoticed.
  xcb_window_t watchTrayOwner() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      const xcb_window_t owner = selectionOwner(c, traySelection);
      if (owner == XCB_NONE) return XCB_NONE;
      if (addEventMask(c, owner, XCB_EVENT_MASK_STRUCTURE_NOTIFY) &&
          selectionOwner(c, traySelection) == owner) {
        return owner;
      }
    }
    return XCB_NONE;
  }

  // A tray offering a 32-bit visual composites its icons, so they may be translucent.
  bool trayHasAlphaVisual(xcb_window_t owner) const {
    if (screen == nullptr || trayVisual == XCB_ATOM_NONE) return false;
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, owner, trayVisual, XCB_ATOM_VISUALID, 0, 1), nullptr);
    if (reply == nullptr) return false;
    xcb_visualid_t visual = 0;
    if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
      visual = *static_cast<const xcb_visualid_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    if (visual == 0) return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0; xcb_depth_next(&d)) {
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
        if (v.data->visual_id == visual) return d.data->depth == 32;
      }
    }
    return false;
  }

  void requestDock(xcb_window_t owner, xcb_window_t window) {
    const uint32_t info[] = {kXEmbedVersion, kXEmbedMapped};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2, info);
    sendClientMessage(owner, owner, trayOpcode, XCB_EVENT_MASK_NO_EVENT,
                      {XCB_CURRENT_TIME, kSystemTrayRequestDock, window, 0, 0});
  }

  // For a mapped window the window manager owns _NET_WM_STATE; it takes requests by message.
  void keepOffTaskbar(xcb_window_t window) {
    if (root == XCB_NONE) return;
    sendClientMessage(root, window, netWmState,
                      XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                      {kNetWmStateAdd, skipTaskbar, skipPager, 1, 0});
  }

  Parent parentOf(xcb_window_t window) const {
    auto* reply = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (reply == nullptr) return Parent::gone;
    const Parent parent = reply->parent == root ? Parent::root : Parent::other;
    std::free(reply);
    return parent;
  }

  // In device pixels; the tray may move as a whole without telling its icons.
  std::optional<QPoint> positionOnRoot(xcb_window_t window) const {
    auto* reply = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr);
    if (reply == nullptr) return std::nullopt;
    const QPoint position(reply->dst_x, reply->dst_y);
    std::free(reply);
    return position;
  }

  xcb_connection_t* c;
  xcb_screen_t* screen = nullptr;
  xcb_window_t root = XCB_NONE;
  xcb_atom_t traySelection = XCB_ATOM_NONE;
  xcb_atom_t trayOpcode = XCB_ATOM_NONE;
  xcb_atom_t trayVisual = XCB_ATOM_NONE;
  xcb_atom_t manager = XCB_ATOM_NONE;
  xcb_atom_t xembedInfo = XCB_ATOM_NONE;
  xcb_atom_t netWmState = XCB_ATOM_NONE;
  xcb_atom_t skipTaskbar = XCB_ATOM_NONE;
  xcb_atom_t skipPager = XCB_ATOM_NONE;

  xcb_window_t trayOwner = XCB_NONE;
  // A tray that let the icon go while it kept running; not asked again until a tray announces.
  xcb_window_t refusedBy = XCB_NONE;
  xcb_window_t dockWindow = XCB_NONE;
  xcb_window_t dockOwner = XCB_NONE;
  bool embedded = false;
  bool patienceOver = false;

 private:
  template <typename Work>
  void post(Work work) {
    QMetaObject::invokeMethod(&host_, std::move(work), Qt::QueuedConnection);
  }

  void sendClientMessage(xcb_window_t destination, xcb_window_t window, xcb_atom_t type,
                         uint32_t eventMask, std::initializer_list<uint32_t> data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    int i = 0;
    for (uint32_t value : data) event.data.data32[i++] = value;
    xcb_send_event(c, 0, destination, eventMask, reinterpret_cast<const char*>(&event));
    xcb_flush(c);
  }

  TrayIconHost& host_;
};

TrayIconHost::TrayIconHost(QWidget* icon, QObject* parent)
    : QObject(parent), icon_(icon), parking_(std::make_unique<QWidget>()) {
  if (icon_) {
    icon_->setAttribute(Qt::WA_AlwaysShowToolTips);
    icon_->setParent(parking_.get());
  }
  if (xcb_connection_t* c = x11Connection()) {
    x11_ = std::make_unique<X11>(*this, c);
    x11_->trayOwner = x11_->watchTrayOwner();
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    connect(screen, &QScreen::availableGeometryChanged, this, &TrayIconHost::placePanel);
  }
  connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen* screen) {
    if (screen != nullptr) {
      connect(screen, &QScreen::availableGeometryChanged, this, &TrayIconHost::placePanel,
              Qt::UniqueConnection);
    }
    placePanel();
  });
  update();
}

TrayIconHost::~TrayIconHost() {
  delete icon_.data();
  delete dockWindow_.data();
  delete panel_.data();
}

QRect TrayIconHost::iconGeometryInScreen() const {
  if (!icon_ || !visible_ || !icon_->isVisible()) return {};
  if (docked_ && x11_ && dockWindow_) {
    if (const auto position = x11_->positionOnRoot(x11_->dockWindow)) {
      const qreal ratio = dockWindow_->devicePixelRatioF();
      return QRect(QPoint(qRound(position->x() / ratio), qRound(position->y() / ratio)),
                   icon_->size());
    }
  }
  return QRect(icon_->mapToGlobal(QPoint(0, 0)), icon_->size());
}

void TrayIconHost::setToolTip(const QString& text) {
  if (icon_) icon_->setToolTip(text);
}

void TrayIconHost::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  update();
}

// One place decides where the icon lives, from what is known right now; every event ends here.
void TrayIconHost::update() {
  if (!icon_) return;
  if (!visible_) {
    dropDockWindow();
    dropPanel();
    setDocked(false);
    return;
  }
  if (x11_ && x11_->embedded && dockWindow_) {
    putIconInto(dockWindow_);
    dropPanel();
    setDocked(true);
    return;
  }
  setDocked(false);
  const bool trayUsable = x11_ && x11_->trayOwner != XCB_NONE && x11_->trayOwner != x11_->refusedBy;
  if (trayUsable && !dockWindow_) startDocking();
  // A panel already on screen stays until the tray has the icon, so it never blinks out.
  if (!trayUsable || x11_->patienceOver || panel_) showPanel();
}

void TrayIconHost::trayOwnerChanged() {
  const xcb_window_t owner = x11_->watchTrayOwner();
  x11_->trayOwner = owner;
  if (dockWindow_ && x11_->dockOwner != owner) dropDockWindow();
  update();
}

void TrayIconHost::dockWindowReparented(bool intoRoot) {
  if (!intoRoot) {
    x11_->embedded = true;
  } else if (x11_->embedded) {
    dockWindowLost();
    return;
  }
  update();
}

void TrayIconHost::dockWindowLost() {
  x11_->refusedBy = x11_->trayOwner;
  dropDockWindow();
  update();
}

void TrayIconHost::startDocking() {
  auto* window = new HostWindow(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                Qt::WindowDoesNotAcceptFocus);
  if (x11_->trayHasAlphaVisual(x11_->trayOwner)) window->setAttribute(Qt::WA_TranslucentBackground);
  // Never moved: once Qt places a window itself it sends absolute positions, which inside the
  // tray would be relative to the tray's window.
  window->resize(kIconSide, kIconSide);
  window->winId();
  // GtkSocket-based trays (trayer) take an icon's width from its minimum size hint, and make a
  // window that is already mapped when it asks to dock 1 pixel wide; so the window stays unmapped
  // until the tray has it. The tray still decides the size (trayer gives 24 x 22): Qt does not
  // hold a window to its minimum when the X server resizes it.
  window->setMinimumSize(kIconSide, 1);
  dockWindow_ = window;
  x11_->dockWindow = static_cast<xcb_window_t>(window->winId());
  x11_->dockOwner = x11_->trayOwner;
  x11_->embedded = false;
  x11_->patienceOver = false;
  x11_->requestDock(x11_->trayOwner, x11_->dockWindow);
  QTimer::singleShot(kDockPatienceMs, window, [this] {
    if (!x11_->embedded) {
      x11_->patienceOver = true;
      update();
    }
  });
}

void TrayIconHost::revealDockWindow() {
  if (!dockWindow_ || dockWindow_->isVisible()) return;
  putIconInto(dockWindow_);
  dockWindow_->show();
}

void TrayIconHost::dropDockWindow() {
  if (x11_) {
    x11_->dockWindow = XCB_NONE;
    x11_->dockOwner = XCB_NONE;
    x11_->embedded = false;
  }
  if (!dockWindow_) return;
  if (icon_ && icon_->parentWidget() == dockWindow_) putIconInto(parking_.get());
  // Destroying the window is what tells the tray to drop the icon.
  delete dockWindow_.data();
}

void TrayIconHost::showPanel() {
  if (!panel_) {
    auto* panel = new HostWindow(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                 Qt::WindowDoesNotAcceptFocus);
    // Without a compositing manager translucent pixels come out black.
    if (hasCompositor()) panel->setAttribute(Qt::WA_TranslucentBackground);
    panel_ = panel;
  }
  putIconInto(panel_);
  placePanel();
  if (!panel_->isVisible()) {
    panel_->show();
    if (x11_) x11_->keepOffTaskbar(static_cast<xcb_window_t>(panel_->winId()));
  }
}

void TrayIconHost::dropPanel() {
  if (!panel_) return;
  if (icon_ && icon_->parentWidget() == panel_) putIconInto(parking_.get());
  delete panel_.data();
}

void TrayIconHost::placePanel() {
  if (!panel_) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  panel_->setGeometry(area.right() - kPanelGapToRightEdge - kIconSide + 1, area.top(), kIconSide,
                      kIconSide);
}

void TrayIconHost::putIconInto(QWidget* host) {
  if (!icon_ || host == nullptr) return;
  if (icon_->parentWidget() != host) icon_->setParent(host);
  icon_->setGeometry(host->rect());
  if (host != parking_.get()) icon_->show();
}

void TrayIconHost::setDocked(bool docked) {
  if (docked == docked_) return;
  docked_ = docked;
  emit dockedChanged(docked);
}

}  // namespace brindlecap
