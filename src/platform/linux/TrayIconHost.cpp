#include "platform/linux/TrayIconHost.h"

#include "platform/linux/XcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QWidget>

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace brindlecap {

namespace {

constexpr int kIconSide = 24;

constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedVersion = 0;
constexpr uint32_t kXEmbedMapped = 1u << 0;

// Programs that own the tray selection only to hand the icons on to a notifier host.
constexpr const char* kTrayProxies[] = {"xembedsniproxy", "gnome-shell"};

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

// The program behind a window, by the X server's own record of its client (X-Resource).
std::string clientProgram(xcb_connection_t* c, xcb_window_t window) {
  xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
  auto* reply = xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr);
  if (reply == nullptr) return {};
  std::optional<uint32_t> pid;
  for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem > 0;
       xcb_res_client_id_value_next(&it)) {
    if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) && it.data->length >= 4)
      pid = *xcb_res_client_id_value_value(it.data);
  }
  std::free(reply);
  std::string name;
  if (pid) std::getline(std::ifstream("/proc/" + std::to_string(*pid) + "/comm"), name);
  return name;
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

  bool isProxy(xcb_window_t owner) const {
    if (owner == XCB_NONE) return false;
    const std::string program = clientProgram(c, owner);
    for (const char* proxy : kTrayProxies)
      if (program == proxy) return true;
    return false;
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

  xcb_window_t trayOwner = XCB_NONE;
  // A tray that let the icon go while it kept running; not asked again until a tray announces.
  xcb_window_t refusedBy = XCB_NONE;
  xcb_window_t dockWindow = XCB_NONE;
  xcb_window_t dockOwner = XCB_NONE;
  bool embedded = false;

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
    trayIsProxy_ = x11_->isProxy(x11_->trayOwner);
  }
  reported_ = {trayAvailable(), trayIsProxy_, docked_};
}

TrayIconHost::~TrayIconHost() {
  delete icon_.data();
  delete dockWindow_.data();
}

bool TrayIconHost::trayAvailable() const {
  return x11_ && x11_->trayOwner != XCB_NONE && x11_->trayOwner != x11_->refusedBy;
}

QRect TrayIconHost::iconGeometryInScreen() const {
  if (!icon_ || !docked_ || !x11_ || !dockWindow_) return {};
  if (const auto position = x11_->positionOnRoot(x11_->dockWindow)) {
    const qreal ratio = dockWindow_->devicePixelRatioF();
    return QRect(QPoint(qRound(position->x() / ratio), qRound(position->y() / ratio)),
                 icon_->size());
  }
  return QRect(icon_->mapToGlobal(QPoint(0, 0)), icon_->size());
}

void TrayIconHost::setToolTip(const QString& text) {
  if (icon_) icon_->setToolTip(text);
}

void TrayIconHost::setWanted(bool wanted) {
  if (wanted == wanted_) return;
  wanted_ = wanted;
  update();
}

// One place decides where the icon lives, from what is known right now; every event ends here.
void TrayIconHost::update() {
  if (!icon_) return;
  if (wanted_ && x11_ && x11_->embedded && dockWindow_) {
    putIconInto(dockWindow_);
    docked_ = true;
  } else {
    docked_ = false;
    if (!wanted_) dropDockWindow();
    if (wanted_ && trayAvailable() && !dockWindow_) startDocking();
  }
  const std::tuple<bool, bool, bool> state{trayAvailable(), trayIsProxy_, docked_};
  if (state != reported_) {
    reported_ = state;
    emit changed();
  }
}

void TrayIconHost::trayOwnerChanged() {
  const xcb_window_t owner = x11_->watchTrayOwner();
  x11_->trayOwner = owner;
  trayIsProxy_ = x11_->isProxy(owner);
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
  x11_->requestDock(x11_->trayOwner, x11_->dockWindow);
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

void TrayIconHost::putIconInto(QWidget* host) {
  if (!icon_ || host == nullptr) return;
  if (icon_->parentWidget() != host) icon_->setParent(host);
  icon_->setGeometry(host->rect());
  if (host != parking_.get()) icon_->show();
}

}  // namespace brindlecap
