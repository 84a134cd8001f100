#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace brindlecap {

class SettingsSwitch;

// A titled group: the title in 14 semibold, then its rows, all 6 apart.
class SettingsSection : public QWidget {
 public:
  SettingsSection(const QString& title, QWidget* parent = nullptr);

  void addRow(QWidget* row);
  QLabel* titleLabel() const { return title_; }

 private:
  QLabel* title_;
  QVBoxLayout* stack_;
};

// A row: the title on the left, at least 12 of space, the control on the right.
class SettingsControlRow : public QWidget {
 public:
  SettingsControlRow(const QString& title, QWidget* control, QWidget* parent = nullptr);

  QLabel* titleLabel() const { return title_; }

 private:
  QLabel* title_;
};

// A row ending in a switch.
class SettingsToggleRow : public SettingsControlRow {
 public:
  explicit SettingsToggleRow(const QString& title, QWidget* parent = nullptr);

  SettingsSwitch* toggle() const { return toggle_; }

 private:
  explicit SettingsToggleRow(const QString& title, SettingsSwitch* toggle, QWidget* parent);

  SettingsSwitch* toggle_;
};

}  // namespace brindlecap
