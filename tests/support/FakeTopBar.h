#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DisplayLink.h"
#include "platform/DragInput.h"
#include "platform/Screens.h"
#include "platform/TopBarWindows.h"

namespace brindlecap::testing {

class FakeScreens : public Screens {
 public:
  std::vector<ScreenInfo> screens() const override { return list; }
  Point pointerLocation() const override { return pointer; }
  std::vector<ScreenInfo> list{
      ScreenInfo{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875), 60, {}, {}}};
  Point pointer{1200, 887};
};

// A view host at a fixed place on screen that counts redraw requests.
class FakeSurface : public ViewSurface {
 public:
  explicit FakeSurface(std::optional<Rect> frame = Rect(1188, 876, 24, 24)) : frame(frame) {}
  void setNeedsDisplay() override { ++needsDisplayCount; }
  void setNeedsDisplay(const Rect& dirty) override { dirtyRects.push_back(dirty); }
  void displayIfNeeded() override {}
  Size boundsSize() const override { return frame ? frame->size : Size{24, 24}; }
  std::optional<Rect> frameInScreen() const override { return frame; }

  std::optional<Rect> frame;
  int needsDisplayCount = 0;
  std::vector<Rect> dirtyRects;
};

class FakeStatusItem : public StatusItem {
 public:
  explicit FakeStatusItem(DrawnView& content) { content.attach(&surface); }
  void setVisible(bool v) override { visible = v; }
  bool isVisible() const override { return visible; }
  void setLength(double) override {}
  void setToolTip(const std::string&) override {}
  std::optional<Rect> windowFrameInScreen() const override {
    return placed ? surface.frame : std::nullopt;
  }
  StatusItemHosts hosts() const override { return offered; }
  void setKind(StatusItemKind k) override { kind_ = k; }
  StatusItemKind kind() const override { return kind_; }
  Appearance appearance() const override { return look; }
  bool isPlaced() const override { return placed && kind_ != StatusItemKind::none; }
  // The desktop changes: what it offers, and whether the host has taken the icon.
  void change(StatusItemHosts hosts, bool isPlaced) {
    offered = hosts;
    placed = isPlaced;
    if (onDesktopChanged) onDesktopChanged();
  }

  FakeSurface surface;
  Appearance look = Appearance::light;
  bool visible = false;
  StatusItemHosts offered{true, false, false, false};  // a real tray
  bool placed = true;
  StatusItemKind kind_ = StatusItemKind::none;
};

class FakeFallbackPanel : public FallbackPanel {
 public:
  explicit FakeFallbackPanel(DrawnView& content) { content.attach(&surface); }
  bool isVisible() const override { return visible; }
  Rect frame() const override { return frame_; }
  void setFrame(const Rect& f) override { frame_ = surface.frame.emplace(f); }
  void setHasShadow(bool) override {}
  void orderFront() override { visible = true; }
  void orderOut() override { visible = false; }
  FakeSurface surface;
  Rect frame_;
  bool visible = false;
};

class FakeBubbleWindow : public BubbleWindow {
 public:
  Size size() const override { return bubbleSize; }
  void setAppearance(Appearance a) override { appearance = a; }
  void setFrame(const Rect& f) override { frame = f; }
  bool isVisible() const override { return visible; }
  void orderFront() override { visible = true; }
  void orderOut() override { visible = false; }
  void setSymbol(const std::string& s) override { symbol = s; }
  void setSymbolTint(const Color& c) override { tint = c; }
  void setTexts(const std::string& d, const std::string& t) override {
    durationText = d;
    timeText = t;
    ++textUpdates;
  }
  Size bubbleSize{224, 58};
  Appearance appearance = Appearance::light;
  Rect frame;
  bool visible = false;
  std::string symbol, durationText, timeText;
  Color tint;
  int textUpdates = 0;
};

class FakeLineWindow : public LineWindow {
 public:
  explicit FakeLineWindow(DrawnView& content) { content.attach(&surface); }
  Rect frame() const override { return frame_; }
  void setFrame(const Rect& f) override {
    frame_ = f;
    ++frameChanges;
  }
  bool isVisible() const override { return visible; }
  void orderFront() override { visible = true; }
  void orderOut() override { visible = false; }
  Rect frame_;
  bool visible = false;
  int frameChanges = 0;
  FakeSurface surface{Rect(0, 0, 1440, 900)};
};

class FakePopover : public Popover {
 public:
  bool isShown() const override { return shown; }
  void show(const ViewSurface&) override { shown = true; }
  void close() override {
    if (!shown) return;
    shown = false;
    if (onClose) onClose();
  }
  std::optional<Rect> windowFrame() const override {
    return shown ? std::optional<Rect>(frame) : std::nullopt;
  }
  void moveDown(double points) override { frame.origin.y -= points; }
  Size contentSize() const override { return size; }
  void setContentSize(Size s) override {
    size = s;
    ++sizeChanges;
  }
  Size size;
  int sizeChanges = 0;
  bool hasListContent = false;
  TimerListCallbacks listCallbacks;
  bool shown = false;
  Rect frame{1000, 700, 300, 142};
};

class FakeFloatingPanel : public FloatingPanel {
 public:
  FakeFloatingPanel(std::string title, Size size) : title(std::move(title)), size(size) {}
  bool isVisible() const override { return visible; }
  Rect frame() const override { return Rect(origin.x, origin.y, size.width, size.height); }
  Size contentSize() const override { return size; }
  void setContentSize(Size s) override { size = s; }
  void setFrameOrigin(Point o) override { origin = o; }
  void makeKeyAndOrderFront() override { visible = true; }
  void orderOut() override { visible = false; }

  std::string title;
  Size size;
  Point origin;
  bool visible = false;
  TimerListCallbacks listCallbacks;
  ManualTimerCallbacks manualCallbacks;
  int contentResets = 0;
};

struct NewTimerContent {
  double duration = 0;
  NewTimerPanelCallbacks callbacks;
  Color accent;
};

class FakeTopBarWindows : public TopBarWindowFactory {
 public:
  std::unique_ptr<StatusItem> makeStatusItem(DrawnView& content) override {
    return kept(statusItem, std::make_unique<FakeStatusItem>(content));
  }
  std::unique_ptr<FallbackPanel> makeFallbackPanel(DrawnView& content) override {
    return kept(fallbackPanel, std::make_unique<FakeFallbackPanel>(content));
  }
  std::unique_ptr<BubbleWindow> makeBubbleWindow(Size) override {
    return kept(bubble, std::make_unique<FakeBubbleWindow>());
  }
  std::unique_ptr<LineWindow> makeLineWindow(DrawnView& content) override {
    return kept(line, std::make_unique<FakeLineWindow>(content));
  }
  std::unique_ptr<Popover> makePopover() override {
    return kept(popovers.emplace_back(), std::make_unique<FakePopover>());
  }
  void setNewTimerContent(Popover& popover, Size, double duration, TimePoint, Color accent,
                          NewTimerPanelCallbacks callbacks) override {
    newTimerPopover = &popover;
    newTimer = NewTimerContent{duration, std::move(callbacks), accent};
  }

  std::unique_ptr<FloatingPanel> makeFloatingPanel(const std::string& title, Size size) override {
    return kept(panels.emplace_back(), std::make_unique<FakeFloatingPanel>(title, size));
  }
  void setTimerListContent(Popover& popover, std::shared_ptr<TimerStore>,
                           std::shared_ptr<AppSettingsStore>,
                           TimerListCallbacks callbacks) override {
    auto& fake = static_cast<FakePopover&>(popover);
    fake.hasListContent = true;
    fake.listCallbacks = std::move(callbacks);
  }
  void setTimerListContent(FloatingPanel& panel, std::shared_ptr<TimerStore>,
                           std::shared_ptr<AppSettingsStore>,
                           TimerListCallbacks callbacks) override {
    static_cast<FakeFloatingPanel&>(panel).listCallbacks = std::move(callbacks);
  }
  void setManualTimerContent(FloatingPanel& panel, Color, ManualTimerCallbacks callbacks) override {
    auto& fake = static_cast<FakeFloatingPanel&>(panel);
    fake.manualCallbacks = std::move(callbacks);
    ++fake.contentResets;
  }

  std::vector<FakeFloatingPanel*> panels;
  FakeStatusItem* statusItem = nullptr;
  FakeFallbackPanel* fallbackPanel = nullptr;
  FakeBubbleWindow* bubble = nullptr;
  FakeLineWindow* line = nullptr;
  std::vector<FakePopover*> popovers;
  Popover* newTimerPopover = nullptr;
  std::optional<NewTimerContent> newTimer;

 private:
  // Hands the window over, keeping a pointer to it in `slot` for the test.
  template <class Fake>
  static std::unique_ptr<Fake> kept(Fake*& slot, std::unique_ptr<Fake> window) {
    slot = window.get();
    return window;
  }
};

class FakeDragEvents : public DragEventMonitor {
 public:
  Token install(std::function<bool(const DragEvent&)> h) override {
    handler = std::move(h);
    auto token = std::make_shared<int>();
    current = token;
    return token;
  }
  Token installGrabbing(std::function<bool(const DragEvent&)> h) override {
    if (grabRefused) return nullptr;
    ++grabs;
    return install(std::move(h));
  }
  void remove(const Token& token) override {
    if (token == current.lock()) handler = nullptr;
    ++removals;
  }
  // Delivers an event as the grab would; returns whether it was swallowed.
  bool send(DragEvent event) { return handler ? handler(event) : false; }

  std::function<bool(const DragEvent&)> handler;
  std::weak_ptr<void> current;
  int removals = 0;
  int grabs = 0;
  bool grabRefused = false;  // another program holds the pointer
};

class FakeCursor : public Cursor {
 public:
  void hide() override { ++hidden; }
  void unhide() override { --hidden; }
  int hidden = 0;
};

class FakeHaptics : public Haptics {
 public:
  void performAlignment() override { ++alignments; }
  int alignments = 0;
};

// Display links whose frames the test fires by hand, on the calling thread. Every link made is
// kept, so a test can still look at one its owner dropped; a stopped link is silent.
class ManualDisplayLinks : public DisplayLinkFactory {
 public:
  struct Link {
    double fps = 0;
    std::function<void(double)> onFrame;
    bool running() const { return static_cast<bool>(onFrame); }
    void fire(double timestamp) {
      if (onFrame) onFrame(timestamp);
    }
  };
  std::unique_ptr<DisplayLink> makeDisplayLink() override {
    return std::make_unique<Handle>(made.emplace_back(std::make_shared<Link>()));
  }
  // The newest link.
  Link& last() { return *made.back(); }
  void fire(double timestamp) { last().fire(timestamp); }
  bool isRunning() const { return !made.empty() && made.back()->running(); }

  std::vector<std::shared_ptr<Link>> made;

 private:
  struct Handle : DisplayLink {
    explicit Handle(std::shared_ptr<Link> link) : link(std::move(link)) {}
    void start(double fps, std::function<void(double)> onFrame) override {
      link->fps = fps;
      link->onFrame = std::move(onFrame);
    }
    void stop() override { link->onFrame = nullptr; }
    std::shared_ptr<Link> link;
  };
};

}  // namespace brindlecap::testing
