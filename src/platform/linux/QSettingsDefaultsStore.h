#pragma once

#include <memory>
#include <string>

#include "platform/DefaultsStore.h"
#include "platform/Environment.h"

class QSettings;

namespace brindlecap {

// The defaults store as an INI file read with strict types. INI keeps no types, so a value reads
// as the type its text spells: "true"/"false" as a bool, a whole 64-bit number as an integer,
// and both also as a string; opaque data is kept apart (as @ByteArray) and reads only as data.
class QSettingsDefaultsStore : public DefaultsStore {
 public:
  explicit QSettingsDefaultsStore(const std::string& iniPath);
  ~QSettingsDefaultsStore() override;
  QSettingsDefaultsStore(const QSettingsDefaultsStore&) = delete;
  QSettingsDefaultsStore& operator=(const QSettingsDefaultsStore&) = delete;

  // "$XDG_CONFIG_HOME/Brindlecap/settings.ini" (default ~/.config).
  static std::string defaultPath(const Environment& environment);

  DefaultsValue<bool> boolValue(const std::string& key) const override;
  DefaultsValue<std::int64_t> integerValue(const std::string& key) const override;
  DefaultsValue<std::string> stringValue(const std::string& key) const override;
  DefaultsValue<std::string> dataValue(const std::string& key) const override;

  void setBool(const std::string& key, bool value) override;
  void setInteger(const std::string& key, std::int64_t value) override;
  void setString(const std::string& key, const std::string& value) override;
  void setData(const std::string& key, const std::string& bytes) override;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace brindlecap
