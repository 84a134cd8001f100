#include "timers/TimerItem.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace brindlecap {

bool TimerItem::snooze(TimePoint occurrenceDate, TimePoint now, double by) {
  if (!(by > 0)) return false;
  // A reminder for an earlier firing no longer matches once the timer has moved.
  if (!(std::abs(occurrenceDate - fireDate) < kOccurrenceTolerance)) return false;
  if (!originalFireDate) originalFireDate = fireDate;
  fireDate = now + by;
  snoozeCount = snoozeCount.value_or(0) + 1;
  lastSnoozedAt = now;
  return true;
}

void to_json(nlohmann::json& json, const TimerItem& item) {
  json = nlohmann::json{{"id", item.id.toString()},
                        {"title", item.title},
                        {"createdAt", item.createdAt},
                        {"fireDate", item.fireDate}};
  if (item.originalFireDate) json["originalFireDate"] = *item.originalFireDate;
  if (item.snoozeCount) json["snoozeCount"] = *item.snoozeCount;
  if (item.lastSnoozedAt) json["lastSnoozedAt"] = *item.lastSnoozedAt;
}

namespace {

[[noreturn]] void fail(const std::string& message) {
  throw nlohmann::json::type_error::create(302, message, nullptr);
}

const nlohmann::json& required(const nlohmann::json& json, const char* key) {
  auto it = json.find(key);
  if (it == json.end()) fail(std::string("missing key ") + key);
  return *it;
}

double requiredNumber(const nlohmann::json& json, const char* key) {
  const auto& value = required(json, key);
  if (!value.is_number()) fail(std::string("key ") + key + " is not a number");
  return value.get<double>();
}

std::optional<double> optionalNumber(const nlohmann::json& json, const char* key) {
  auto it = json.find(key);
  if (it == json.end() || it->is_null()) return std::nullopt;
  if (!it->is_number()) fail(std::string("key ") + key + " is not a number");
  return it->get<double>();
}

}  // namespace

void from_json(const nlohmann::json& json, TimerItem& item) {
  if (!json.is_object()) fail("timer is not an object");
  const auto& id = required(json, "id");
  if (!id.is_string()) fail("id is not a string");
  auto uuid = Uuid::parse(id.get_ref<const std::string&>());
  if (!uuid) fail("id is not a UUID");
  const auto& title = required(json, "title");
  if (!title.is_string()) fail("title is not a string");

  item.id = *uuid;
  item.title = title.get<std::string>();
  item.createdAt = requiredNumber(json, "createdAt");
  item.fireDate = requiredNumber(json, "fireDate");
  item.originalFireDate = optionalNumber(json, "originalFireDate");
  item.lastSnoozedAt = optionalNumber(json, "lastSnoozedAt");
  item.snoozeCount.reset();
  if (auto it = json.find("snoozeCount"); it != json.end() && !it->is_null()) {
    if (!it->is_number_integer()) fail("snoozeCount is not an integer");
    item.snoozeCount = it->get<std::int64_t>();
  }
}

std::string encodeTimerItems(const std::vector<TimerItem>& items) {
  nlohmann::json array = nlohmann::json::array();
  for (const auto& item : items) array.push_back(item);
  return array.dump();
}

std::optional<std::vector<TimerItem>> decodeTimerItems(std::string_view text) {
  auto parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!parsed.is_array()) return std::nullopt;
  std::vector<TimerItem> items;
  items.reserve(parsed.size());
  try {
    for (const auto& element : parsed) items.push_back(element.get<TimerItem>());
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
  return items;
}

}  // namespace brindlecap
