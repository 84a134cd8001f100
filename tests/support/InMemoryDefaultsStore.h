#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "platform/DefaultsStore.h"

namespace brindlecap::testing {

// A typed in-memory defaults store that records every write in order.
class InMemoryDefaultsStore : public DefaultsStore {
 public:
  struct Data {
    std::string bytes;
    friend bool operator==(const Data&, const Data&) = default;
  };
  using Value = std::variant<bool, std::int64_t, std::string, Data, double>;

  DefaultsValue<bool> boolValue(const std::string& key) const override { return read<bool>(key); }
  DefaultsValue<std::int64_t> integerValue(const std::string& key) const override {
    return read<std::int64_t>(key);
  }
  DefaultsValue<std::string> stringValue(const std::string& key) const override {
    return read<std::string>(key);
  }
  DefaultsValue<std::string> dataValue(const std::string& key) const override {
    auto it = values.find(key);
    if (it == values.end()) return DefaultsValue<std::string>::absent();
    if (auto* d = std::get_if<Data>(&it->second))
      return DefaultsValue<std::string>::present(d->bytes);
    return DefaultsValue<std::string>::wrongType();
  }

  void setBool(const std::string& key, bool value) override { write(key, value); }
  void setInteger(const std::string& key, std::int64_t value) override { write(key, value); }
  void setString(const std::string& key, const std::string& value) override { write(key, value); }
  void setData(const std::string& key, const std::string& bytes) override {
    write(key, Data{bytes});
  }

  std::map<std::string, Value> values;
  std::vector<std::pair<std::string, Value>> writes;  // every write, in order

 private:
  template <typename T>
  DefaultsValue<T> read(const std::string& key) const {
    auto it = values.find(key);
    if (it == values.end()) return DefaultsValue<T>::absent();
    if (auto* v = std::get_if<T>(&it->second)) return DefaultsValue<T>::present(*v);
    return DefaultsValue<T>::wrongType();
  }
  void write(const std::string& key, Value value) {
    values[key] = value;
    writes.emplace_back(key, std::move(value));
  }
};

}  // namespace brindlecap::testing
