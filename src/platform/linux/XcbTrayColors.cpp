#include "platform/linux/XcbTrayColors.h"

#include "platform/linux/XcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace brindlecap {

namespace {

// Adds to the events we get from `window` without dropping those Qt or the tray host asked for.
void addEventMask(xcb_connection_t* c, xcb_window_t window, uint32_t mask) {
  auto* attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  if (attributes == nullptr) return;
  const uint32_t wanted = attributes->your_event_mask | mask;
  if (wanted != attributes->your_event_mask)
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &wanted);
  std::free(attributes);
  xcb_flush(c);
}

}  // namespace

class XcbTrayColors::X11 : public QAbstractNativeEventFilter {
 public:
  X11(XcbTrayColors& owner, xcb_connection_t* connection) : c(connection), owner_(owner) {
    const auto [number, screen] = defaultScreen(c);
    this->screen = screen;
    root = screen != nullptr ? screen->root : XCB_NONE;
    traySelection = internAtom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(number));
    trayColors = internAtom(c, "_NET_SYSTEM_TRAY_COLORS");
    manager = internAtom(c, "MANAGER");
    if (root != XCB_NONE) addEventMask(c, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    watchTray();
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (damage != nullptr && damage->present) {
      auto* version = xcb_damage_query_version_reply(
          c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
          nullptr);
      if (version != nullptr) damageNotify = damage->first_event + XCB_DAMAGE_NOTIFY;
      std::free(version);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~X11() override {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
    unwatch();
  }
  X11(const X11&) = delete;
  X11& operator=(const X11&) = delete;

  void watchTray() {
    tray = selectionOwner(c, traySelection);
    if (tray != XCB_NONE)
      addEventMask(c, tray, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
  }

  // One damage object per window that holds the icon; each reports once until re-armed.
  void watch(xcb_window_t window) {
    unwatch();
    if (damageNotify < 0) return;
    while (window != XCB_NONE && window != root) {
      auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
      if (tree == nullptr) break;
      const xcb_window_t parent = tree->parent;
      std::free(tree);
      if (parent == XCB_NONE || parent == root) break;
      const xcb_damage_damage_t damage = xcb_generate_id(c);
      quietly(xcb_damage_create_checked(c, damage, parent, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY));
      damages.push_back(damage);
      window = parent;
    }
    xcb_flush(c);
  }
  // The tray's windows, and the damage objects on them, go whenever the tray does: a request
  // that finds one gone is expected, not worth a line on standard error.
  void quietly(xcb_void_cookie_t cookie) { xcb_discard_reply(c, cookie.sequence); }
  void unwatch() {
    for (xcb_damage_damage_t damage : damages) quietly(xcb_damage_destroy_checked(c, damage));
    if (!damages.empty()) xcb_flush(c);
    damages.clear();
  }
  void rearm() {
    for (xcb_damage_damage_t damage : damages)
      quietly(xcb_damage_subtract_checked(c, damage, XCB_NONE, XCB_NONE));
    if (!damages.empty()) xcb_flush(c);
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (damageNotify >= 0 && (event->response_type & 0x7f) == damageNotify) {
      const auto* d = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
      if (std::find(damages.begin(), damages.end(), d->damage) != damages.end()) post(false);
      return false;
    }
    switch (event->response_type & 0x7f) {
      case XCB_CLIENT_MESSAGE: {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->window == root && m->type == manager && m->format == 32 &&
            m->data.data32[1] == traySelection)
          post(true);
        break;
      }
      case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == tray &&
            tray != XCB_NONE)
          post(true);
        break;
      case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (p->window == tray && tray != XCB_NONE && p->atom == trayColors) post(false);
        break;
      }
      default:
        break;
    }
    return false;
  }

  xcb_connection_t* c;
  xcb_screen_t* screen = nullptr;
  xcb_window_t root = XCB_NONE;
  xcb_window_t tray = XCB_NONE;
  xcb_atom_t traySelection = XCB_ATOM_NONE;
  xcb_atom_t trayColors = XCB_ATOM_NONE;
  xcb_atom_t manager = XCB_ATOM_NONE;
  int damageNotify = -1;  // the event code, when the server has the extension
  std::vector<xcb_damage_damage_t> damages;

 private:
  // Handled once Qt has seen the event too.
  void post(bool trayChanged) {
    QMetaObject::invokeMethod(
        &owner_,
        [this, trayChanged] {
          if (trayChanged) watchTray();
          emit owner_.changed();
        },
        Qt::QueuedConnection);
  }

  XcbTrayColors& owner_;
};

XcbTrayColors::XcbTrayColors(QObject* parent) : QObject(parent) {
  if (xcb_connection_t* c = x11Connection()) x11_ = std::make_unique<X11>(*this, c);
}

XcbTrayColors::~XcbTrayColors() = default;

std::optional<Color> XcbTrayColors::foreground() const {
  if (!x11_ || x11_->tray == XCB_NONE || x11_->trayColors == XCB_ATOM_NONE) return std::nullopt;
  auto* reply = xcb_get_property_reply(
      x11_->c, xcb_get_property(x11_->c, 0, x11_->tray, x11_->trayColors, XCB_ATOM_CARDINAL, 0, 12),
      nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<Color> color;
  // Foreground, error, warning, success: each red, green, blue in 16 bits.
  if (reply->format == 32 && xcb_get_property_value_length(reply) >= 12) {
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    color = Color{v[0] / 65535.0, v[1] / 65535.0, v[2] / 65535.0, 1};
  }
  std::free(reply);
  return color;
}

void XcbTrayColors::watchSurroundings(unsigned long window) {
  if (x11_) x11_->watch(static_cast<xcb_window_t>(window));
}

std::optional<Color> XcbTrayColors::backgroundAround(const QRect& area) const {
  if (!x11_) return std::nullopt;
  x11_->rearm();
  if (x11_->screen == nullptr || x11_->screen->root_depth != 24 ||
      xcb_get_setup(x11_->c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
    return std::nullopt;
  const QRect screen(0, 0, x11_->screen->width_in_pixels, x11_->screen->height_in_pixels);
  const QRect frame = area.adjusted(-1, -1, 1, 1).intersected(screen);
  if (frame.isEmpty()) return std::nullopt;
  auto* image = xcb_get_image_reply(
      x11_->c,
      xcb_get_image(x11_->c, XCB_IMAGE_FORMAT_Z_PIXMAP, x11_->root, int16_t(frame.x()),
                    int16_t(frame.y()), uint16_t(frame.width()), uint16_t(frame.height()), ~0u),
      nullptr);
  if (image == nullptr) return std::nullopt;
  // 24-bit depth comes as 32 bits per pixel: 0xRRGGBB, least significant byte first.
  const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
  const int length = xcb_get_image_data_length(image) / 4;
  std::map<uint32_t, int> counts;
  for (int y = frame.top(); y <= frame.bottom(); ++y) {
    for (int x = frame.left(); x <= frame.right(); ++x) {
      if (area.contains(x, y)) continue;  // the icon itself
      const int index = (y - frame.top()) * frame.width() + (x - frame.left());
      if (index < length) ++counts[pixels[index] & 0xffffff];
    }
  }
  std::free(image);
  if (counts.empty()) return std::nullopt;
  // A neighbour's icon may touch the frame; the panel behind them is what most of it shows.
  const auto commonest =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  return Color{((commonest >> 16) & 0xff) / 255.0, ((commonest >> 8) & 0xff) / 255.0,
               (commonest & 0xff) / 255.0, 1};
}

}  // namespace brindlecap
