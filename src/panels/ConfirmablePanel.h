#pragma once

#include <QPointer>
#include <QWidget>

namespace brindlecap {

// A small panel with a default action (Return) and a cancel action (Escape) anywhere in it,
// hosted in a popover or a floating window. Subclasses say what the two actions do and which
// field takes the keyboard when the panel appears.
class ConfirmablePanel : public QWidget {
 public:
  explicit ConfirmablePanel(QWidget* parent = nullptr) : QWidget(parent) {}

 protected:
  virtual void create() = 0;
  virtual void cancel() = 0;
  // Called as the panel comes on screen, before it takes focus.
  virtual void aboutToShow() {}
  // Called when the palette or the application font changed.
  virtual void applyTextStyles() {}
  void setFocusTarget(QWidget* widget) { focusTarget_ = widget; }

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool handleKey(QKeyEvent* event);

  QPointer<QWidget> focusTarget_;
  QPointer<QWidget> filteredWindow_;
};

}  // namespace brindlecap
