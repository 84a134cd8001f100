#pragma once

#include <cstdint>
#include <string>

namespace brindlecap {

// A typed read from the defaults store that tells a missing key from one holding another type.
template <typename T>
struct DefaultsValue {
  enum class Status { absent, wrongType, present };
  Status status = Status::absent;
  T value{};

  bool isPresent() const { return status == Status::present; }
  static DefaultsValue absent() { return {}; }
  static DefaultsValue wrongType() { return {Status::wrongType, T{}}; }
  static DefaultsValue present(T v) { return {Status::present, std::move(v)}; }
};

// The per-user preferences store: a flat map of keys to typed values, written through at once.
class DefaultsStore {
 public:
  virtual ~DefaultsStore() = default;
  virtual DefaultsValue<bool> boolValue(const std::string& key) const = 0;
  virtual DefaultsValue<std::int64_t> integerValue(const std::string& key) const = 0;
  virtual DefaultsValue<std::string> stringValue(const std::string& key) const = 0;
  // Opaque bytes (the shortcut's JSON).
  virtual DefaultsValue<std::string> dataValue(const std::string& key) const = 0;

  virtual void setBool(const std::string& key, bool value) = 0;
  virtual void setInteger(const std::string& key, std::int64_t value) = 0;
  virtual void setString(const std::string& key, const std::string& value) = 0;
  virtual void setData(const std::string& key, const std::string& bytes) = 0;
};

}  // namespace brindlecap
