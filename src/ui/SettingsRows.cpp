#include "ui/SettingsRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/PanelStyle.h"
#include "ui/SettingsControls.h"

namespace brindlecap {

// SettingsSection

SettingsSection::SettingsSection(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)), stack_(new QVBoxLayout(this)) {
  title_->setFont(pixelSizedFont(14, QFont::DemiBold));
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->setSpacing(6);
  stack_->addWidget(title_);
}

void SettingsSection::addRow(QWidget* row) {
  stack_->addWidget(row);
}

// SettingsControlRow

SettingsControlRow::SettingsControlRow(const QString& title, QWidget* control, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(12);
  row->addWidget(title_, 0, Qt::AlignVCenter);
  row->addStretch(1);
  row->addWidget(control, 0, Qt::AlignVCenter);
}

// SettingsToggleRow

SettingsToggleRow::SettingsToggleRow(const QString& title, QWidget* parent)
    : SettingsToggleRow(title, new SettingsSwitch, parent) {}

SettingsToggleRow::SettingsToggleRow(const QString& title, SettingsSwitch* toggle, QWidget* parent)
    : SettingsControlRow(title, toggle, parent), toggle_(toggle) {
  toggle_->setAccessibleName(title);
}

}  // namespace brindlecap
