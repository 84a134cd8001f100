#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "platform/Color.h"

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace brindlecap {

// The form both timer panels share: "Новый таймер" over a dimmed subtitle, an optional name
// field and "Отмена" / "Создать", with a default action (Return) and a cancel action (Escape)
// anywhere in it, hosted in a popover or a floating window. Subclasses fill the subtitle, may add
// rows above the name field, and say what creating does.
class ConfirmablePanel : public QWidget {
 public:
  static constexpr int kWidth = 300;

  ConfirmablePanel(Color accent, std::function<void()> onCancel, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  virtual void create() = 0;
  // Hands the decision back through onCancel; it closes nothing itself.
  virtual void cancel();
  // Called as the panel comes on screen, before it takes focus.
  virtual void aboutToShow() { refreshSubtitle(); }
  virtual void refreshSubtitle() = 0;
  // Called when the palette or the application font changed; overrides call this one first.
  virtual void applyTextStyles();

  // Places `row` between the header and the name field.
  void addRowAboveName(QLayout* row);
  void setRowSpacing(int spacing);
  void setFocusTarget(QWidget* widget) { focusTarget_ = widget; }
  QLabel* subtitleLabel() const { return subtitleLabel_; }
  QLineEdit* nameField() const { return nameField_; }
  // The name field's exact text.
  std::string enteredTitle() const;

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool handleKey(QKeyEvent* event);

  std::function<void()> onCancel_;
  QLabel* titleLabel_;
  QLabel* subtitleLabel_;
  QLineEdit* nameField_;
  QPushButton* cancelButton_;
  QPushButton* createButton_;
  QVBoxLayout* stack_;
  QPointer<QWidget> focusTarget_;
  QPointer<QWidget> filteredWindow_;
};

}  // namespace brindlecap
