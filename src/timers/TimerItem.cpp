#include "timers/TimerItem.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
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

namespace {

using Json = nlohmann::json;

void appendNumber(std::string& out, double value) {
  // JSON has no NaN or infinity. An infinity becomes the largest number of its sign, so the timer
  // keeps its place in time; NaN has no place and becomes 0.
  if (std::isnan(value)) value = 0;
  value =
      std::clamp(value, std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max());
  // The shortest text that reads back as the same double. Json::dump would write 8e8 as
  // "800000000.0"; files have always said "8e+08".
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendString(std::string& out, const std::string& text) {
  // Bytes that are not UTF-8 become U+FFFD: a stray byte in a title must not make the whole file
  // unreadable.
  out.append(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace));
}

void appendItem(std::string& out, const TimerItem& item, const TimePoint* watchedUntil) {
  out.append("{\"id\":\"").append(item.id.toString()).append("\",\"title\":");
  appendString(out, item.title);
  out.append(",\"createdAt\":");
  appendNumber(out, item.createdAt);
  out.append(",\"fireDate\":");
  appendNumber(out, item.fireDate);
  if (item.originalFireDate) {
    out.append(",\"originalFireDate\":");
    appendNumber(out, *item.originalFireDate);
  }
  if (item.snoozeCount) {
    out.append(",\"snoozeCount\":");
    appendInteger(out, *item.snoozeCount);
  }
  if (item.lastSnoozedAt) {
    out.append(",\"lastSnoozedAt\":");
    appendNumber(out, *item.lastSnoozedAt);
  }
  if (watchedUntil) {
    out.append(",\"watchedUntil\":");
    appendNumber(out, *watchedUntil);
  }
  out.push_back('}');
}

Json* member(Json& object, const char* key) {
  auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

// Missing and null both read as absent; any other type than a number spoils the file.
bool readOptionalTime(Json& object, const char* key, std::optional<TimePoint>& field) {
  const Json* value = member(object, key);
  if (!value || value->is_null()) return true;
  if (!value->is_number()) return false;
  field = value->get<double>();
  return true;
}

bool readOptionalCount(Json& object, std::optional<std::int64_t>& field) {
  const Json* value = member(object, "snoozeCount");
  if (!value || value->is_null()) return true;
  // Only integers written as such, and within 64 signed bits: 2.0 or 1e3 is not a count.
  if (value->is_number_unsigned()) {
    const auto count = value->get<std::uint64_t>();
    if (count > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
    field = static_cast<std::int64_t>(count);
    return true;
  }
  if (!value->is_number_integer()) return false;
  field = value->get<std::int64_t>();
  return true;
}

std::optional<TimerItem> readItem(Json& object) {
  if (!object.is_object()) return std::nullopt;
  Json* id = member(object, "id");
  Json* title = member(object, "title");
  const Json* createdAt = member(object, "createdAt");
  const Json* fireDate = member(object, "fireDate");
  if (!id || !id->is_string() || !title || !title->is_string() || !createdAt ||
      !createdAt->is_number() || !fireDate || !fireDate->is_number())
    return std::nullopt;
  const auto uuid = Uuid::parse(id->get_ref<const std::string&>());
  if (!uuid) return std::nullopt;
  TimerItem item{*uuid,
                 std::move(title->get_ref<std::string&>()),
                 createdAt->get<double>(),
                 fireDate->get<double>(),
                 {},
                 {},
                 {}};
  if (!readOptionalTime(object, "originalFireDate", item.originalFireDate) ||
      !readOptionalCount(object, item.snoozeCount) ||
      !readOptionalTime(object, "lastSnoozedAt", item.lastSnoozedAt))
    return std::nullopt;
  return item;
}

}  // namespace

std::string encodeTimerItems(const std::vector<TimerItem>& items,
                             std::span<const TimePoint> watchedUntil) {
  std::string out;
  out.reserve(items.size() * 230 + 2);
  out.push_back('[');
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out.push_back(',');
    appendItem(out, items[i], i < watchedUntil.size() ? &watchedUntil[i] : nullptr);
  }
  out.push_back(']');
  return out;
}

std::optional<TimersFile> decodeTimersFile(std::string_view text) {
  // The parser takes a NUL byte for the end of the input, which would let a valid document with
  // trailing junk through; JSON text never holds a raw NUL.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  Json document = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!document.is_array()) return std::nullopt;  // also when it is not JSON at all
  TimersFile file;
  file.items.reserve(document.size());
  file.watchedUntil.reserve(document.size());
  for (Json& object : document) {
    auto item = readItem(object);
    if (!item) return std::nullopt;
    file.items.push_back(std::move(*item));
    // Only bookkeeping: a damaged value costs at most a missed catch-up, never the file.
    const Json* watched = member(object, "watchedUntil");
    file.watchedUntil.push_back(watched && watched->is_number()
                                    ? std::optional<TimePoint>(watched->get<double>())
                                    : std::nullopt);
  }
  return file;
}

std::optional<std::vector<TimerItem>> decodeTimerItems(std::string_view text) {
  auto file = decodeTimersFile(text);
  if (!file) return std::nullopt;
  return std::move(file->items);
}

}  // namespace brindlecap
