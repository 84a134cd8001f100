#pragma once

#include <QPointer>

#include "platform/CompletionBannerPanel.h"

class QWidget;

namespace brindlecap {

class CompletionBannerView;

// The completion banner's seam over a CompletionBannerView window: texts, placement in y-up
// points, showing, fading and the snooze menu. `hasCompositor` decides whether the window is
// translucent or shaped.
class QtCompletionBannerPanel : public CompletionBannerPanel {
 public:
  explicit QtCompletionBannerPanel(bool hasCompositor);
  ~QtCompletionBannerPanel() override;
  QtCompletionBannerPanel(const QtCompletionBannerPanel&) = delete;
  QtCompletionBannerPanel& operator=(const QtCompletionBannerPanel&) = delete;

  void setTitle(const std::string& title) override;
  void setBody(const std::string& body) override;
  void setQuickSnoozeTitle(const std::string& title) override;
  void setAccentColor(Color accent) override;
  void setButtonsEnabled(bool enabled) override;

  Rect frame() const override;
  void setFrame(const Rect& frame) override;
  void setAlpha(double alpha) override;
  void orderFrontRegardless() override;
  void orderOut() override;
  bool isVisible() const override;
  // A fade started while another runs does not cancel it; each completion runs once.
  void fadeOut(double duration, std::function<void()> completion) override;
  // A menu still open is closed first (reporting no choice).
  void popUpSnoozeMenu(std::vector<SnoozeMenuItem> items,
                       std::function<void(std::optional<int> tag)> closed) override;

  // The window itself, for tests and screenshots.
  QWidget* widget();

 private:
  QPointer<CompletionBannerView> widget_;
};

}  // namespace brindlecap
