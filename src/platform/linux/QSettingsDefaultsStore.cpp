#include "platform/linux/QSettingsDefaultsStore.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <charconv>
#include <optional>

#include "platform/linux/ProcessEnvironment.h"

namespace brindlecap {

namespace {

QString toQString(const std::string& text) {
  return QString::fromStdString(text);
}

// A value as the text the file holds. Values set in this run are still cached with their own
// type, so they are turned into the text they will be written as; a later run sees the same.
std::optional<std::string> textOf(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QString:
      return value.toString().toStdString();
    case QMetaType::Bool:
      return value.toBool() ? "true" : "false";
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return value.toString().toStdString();
    default:
      // Data, or a list (an unquoted value with commas in a hand-edited file).
      return std::nullopt;
  }
}

}  // namespace

QSettingsDefaultsStore::QSettingsDefaultsStore(const std::string& iniPath)
    : settings_(std::make_unique<QSettings>(toQString(iniPath), QSettings::IniFormat)) {}

QSettingsDefaultsStore::~QSettingsDefaultsStore() = default;

std::string QSettingsDefaultsStore::defaultPath(const Environment& environment) {
  return xdgBaseDirectory(environment, "XDG_CONFIG_HOME", ".config") + "/Brindlecap/settings.ini";
}

DefaultsValue<bool> QSettingsDefaultsStore::boolValue(const std::string& key) const {
  const QVariant value = settings_->value(toQString(key));
  if (!value.isValid()) return DefaultsValue<bool>::absent();
  // Only the spelling we write: "1" or "yes" in the file is somebody else's value.
  auto text = textOf(value);
  if (text == "true") return DefaultsValue<bool>::present(true);
  if (text == "false") return DefaultsValue<bool>::present(false);
  return DefaultsValue<bool>::wrongType();
}

DefaultsValue<std::int64_t> QSettingsDefaultsStore::integerValue(const std::string& key) const {
  const QVariant value = settings_->value(toQString(key));
  if (!value.isValid()) return DefaultsValue<std::int64_t>::absent();
  auto text = textOf(value);
  if (!text || text->empty()) return DefaultsValue<std::int64_t>::wrongType();
  // from_chars takes no spaces, no '+' and no trailing text, and reports overflow.
  std::int64_t number = 0;
  const char* end = text->data() + text->size();
  auto [stop, error] = std::from_chars(text->data(), end, number);
  if (error != std::errc{} || stop != end) return DefaultsValue<std::int64_t>::wrongType();
  return DefaultsValue<std::int64_t>::present(number);
}

DefaultsValue<std::string> QSettingsDefaultsStore::stringValue(const std::string& key) const {
  const QVariant value = settings_->value(toQString(key));
  if (!value.isValid()) return DefaultsValue<std::string>::absent();
  auto text = textOf(value);
  if (!text) return DefaultsValue<std::string>::wrongType();
  return DefaultsValue<std::string>::present(std::move(*text));
}

DefaultsValue<std::string> QSettingsDefaultsStore::dataValue(const std::string& key) const {
  const QVariant value = settings_->value(toQString(key));
  if (!value.isValid()) return DefaultsValue<std::string>::absent();
  if (value.typeId() != QMetaType::QByteArray) return DefaultsValue<std::string>::wrongType();
  return DefaultsValue<std::string>::present(value.toByteArray().toStdString());
}

// Every write goes to disk at once: preferences are write-through, and a failure to write is
// silent by design (the in-memory value stays authoritative for this run).
void QSettingsDefaultsStore::setBool(const std::string& key, bool value) {
  settings_->setValue(toQString(key), value);
  settings_->sync();
}

void QSettingsDefaultsStore::setInteger(const std::string& key, std::int64_t value) {
  settings_->setValue(toQString(key), static_cast<qlonglong>(value));
  settings_->sync();
}

void QSettingsDefaultsStore::setString(const std::string& key, const std::string& value) {
  settings_->setValue(toQString(key), toQString(value));
  settings_->sync();
}

void QSettingsDefaultsStore::setData(const std::string& key, const std::string& bytes) {
  settings_->setValue(toQString(key),
                      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  settings_->sync();
}

}  // namespace brindlecap
