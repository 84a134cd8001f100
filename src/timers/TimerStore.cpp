#include "timers/TimerStore.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace brindlecap {

namespace {

constexpr const char* kFolderName = "Brindlecap";
constexpr const char* kFileName = "timers.json";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Trims ASCII white space and the Unicode spaces and line breaks a pasted title may carry.
std::string trimmed(const std::string& text) {
  auto leadingSpaceLength = [](std::string_view s) -> std::size_t {
    if (s.empty()) return 0;
    if (isBlank(s[0])) return 1;
    // U+0085, U+00A0 (C2 85, C2 A0); U+2028, U+2029, U+2000–U+200A, U+202F, U+205F (E2 …); U+3000.
    if (s.size() >= 2 && static_cast<unsigned char>(s[0]) == 0xC2 &&
        (static_cast<unsigned char>(s[1]) == 0x85 || static_cast<unsigned char>(s[1]) == 0xA0))
      return 2;
    if (s.size() >= 3 && static_cast<unsigned char>(s[0]) == 0xE2) {
      auto b1 = static_cast<unsigned char>(s[1]), b2 = static_cast<unsigned char>(s[2]);
      if (b1 == 0x80 && (b2 <= 0x8A || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF)) return 3;
      if (b1 == 0x81 && b2 == 0x9F) return 3;
    }
    if (s.size() >= 3 && static_cast<unsigned char>(s[0]) == 0xE3 &&
        static_cast<unsigned char>(s[1]) == 0x80 && static_cast<unsigned char>(s[2]) == 0x80)
      return 3;
    return 0;
  };
  std::string_view view(text);
  while (auto n = leadingSpaceLength(view)) view.remove_prefix(n);
  // Scan from the back by trying each possible sequence length ending at the last byte.
  for (bool changed = true; changed && !view.empty();) {
    changed = false;
    for (std::size_t n = 1; n <= 3 && n <= view.size(); ++n) {
      if (leadingSpaceLength(view.substr(view.size() - n)) == n) {
        view.remove_suffix(n);
        changed = true;
        break;
      }
    }
  }
  return std::string(view);
}

}  // namespace

TimerStore::TimerStore(const WallClock& clock, MainQueue& mainQueue, FileSystem& files)
    : now(clock.now()), clock_(clock), files_(files), fileURL_(defaultFileURL(files)) {
  // A failure shows up as failed saves, which are silent.
  files_.createDirectories(files_.applicationSupportDirectory() + "/" + kFolderName);
  load();
  removeOldItems();
  ticker_ = mainQueue.every(kTickInterval, [this] { tick(); });
}

std::string TimerStore::defaultFileURL(const FileSystem& files) {
  return files.applicationSupportDirectory() + "/" + kFolderName + "/" + kFileName;
}

TimerStore::~TimerStore() {
  ticker_.cancel();
}

void TimerStore::load() {
  FileRead read = files_.readFile(fileURL_);
  if (read.status == FileRead::Status::missing) return;
  if (read.status == FileRead::Status::ok) {
    if (auto decoded = decodeTimersFile(read.contents)) {
      catchUp(*decoded);
      items.set(std::move(decoded->items));
      return;
    }
  }
  unpreservedFile_ = !preserveUnreadableFile();
}

void TimerStore::catchUp(const TimersFile& file) {
  const TimePoint current = now.value();
  const TimePoint cutoff = clock_.now() - kPruneAge;  // older firings are about to be pruned
  for (std::size_t i = 0; i < file.items.size(); ++i) {
    const TimerItem& item = file.items[i];
    // A file from before the moment was kept says nothing: what was due then counts as
    // announced, as it always did.
    const TimePoint watched = file.watchedUntil[i].value_or(current);
    if (item.fireDate <= watched) {
      // Announced by an earlier run; a clock set back across the stop must not announce it again.
      reportedFireDates_[item.id] = item.fireDate;
    } else if (item.fireDate <= current && item.fireDate >= cutoff) {
      missed_.push_back({item, watched});
    }
  }
  std::stable_sort(missed_.begin(), missed_.end(),
                   [](const auto& a, const auto& b) { return a.item.fireDate < b.item.fireDate; });
}

std::vector<TimerItem> TimerStore::missedItems() const {
  std::vector<TimerItem> list;
  for (const auto& missed : missed_) list.push_back(missed.item);
  return list;
}

void TimerStore::reportMissedItems() {
  if (!onTimerMissed) return;  // nobody to tell: they stay missed
  std::vector<TimerItem> due;
  for (const auto& missed : std::exchange(missed_, {})) {
    // Snoozed, postponed or removed since: that firing no longer exists.
    const auto index = indexOf(missed.item.id);
    if (!index || items.value()[*index].fireDate != missed.item.fireDate) continue;
    reportedFireDates_[missed.item.id] = missed.item.fireDate;
    due.push_back(items.value()[*index]);
  }
  if (due.empty()) return;
  for (const auto& item : due) onTimerMissed(item);
  // Only now is each recorded as announced: a crash before this repeats them, never loses them.
  save();
}

TimePoint TimerStore::watchedUntil(const TimerItem& item) const {
  for (const auto& missed : missed_) {
    if (missed.item.id == item.id && missed.item.fireDate == item.fireDate) {
      return missed.watchedUntil;
    }
  }
  // Every firing up to the last tick has been reported. A reported one ahead of a clock that went
  // back stays covered, so a later start does not announce it again.
  const auto reported = reportedFireDates_.find(item.id);
  if (reported != reportedFireDates_.end() && reported->second == item.fireDate) {
    return std::max(now.value(), item.fireDate);
  }
  return now.value();
}

bool TimerStore::preserveUnreadableFile() {
  // Never overwrite an earlier preserved copy: pick the first free name.
  const std::string stem = fileURL_.substr(0, fileURL_.size() - std::string_view(".json").size());
  const std::string base = stem + ".unreadable-" +
                           std::to_string(static_cast<long long>(unixFromTimePoint(clock_.now())));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = base + (attempt ? "-" + std::to_string(attempt) : "") + ".json";
    if (files_.exists(candidate)) continue;
    if (files_.moveWithoutReplacing(fileURL_, candidate)) {
      preservedFileURL_ = candidate;
      return true;
    }
    if (!files_.exists(fileURL_)) return true;  // gone meanwhile: nothing left to protect
    break;
  }
  return false;
}

void TimerStore::removeOldItems() {
  const TimePoint cutoff = clock_.now() - kPruneAge;
  items.mutate([cutoff](std::vector<TimerItem>& list) {
    std::erase_if(list, [cutoff](const TimerItem& item) { return item.fireDate < cutoff; });
  });
  save();
}

std::vector<TimerItem> TimerStore::activeItems() const {
  std::vector<TimerItem> active;
  const TimePoint current = now.value();
  for (const auto& item : items.value())
    if (item.fireDate > current) active.push_back(item);
  sortItems(active);
  return active;
}

void TimerStore::sortItems(std::vector<TimerItem>& list) const {
  std::stable_sort(list.begin(), list.end(),
                   [](const TimerItem& a, const TimerItem& b) { return a.fireDate < b.fireDate; });
}

TimerItem TimerStore::add(std::string title, TimePoint fireDate) {
  std::string name = trimmed(title);
  if (name.empty()) name = kDefaultTitle;
  const TimePoint created = clock_.now();
  // A non-finite date would be written as null and make the whole file unreadable.
  if (!std::isfinite(fireDate)) fireDate = created;
  TimerItem item{Uuid::random(), std::move(name), created, fireDate, {}, {}, {}};
  items.mutate([&](std::vector<TimerItem>& list) {
    list.push_back(item);
    sortItems(list);
  });
  save();
  if (notificationManager) notificationManager->schedule(item);
  return item;
}

void TimerStore::postpone(const Uuid& id, double by) {
  if (!std::isfinite(by)) return;
  auto index = indexOf(id);
  if (!index) return;
  TimerItem updated = items.value()[*index];
  // A running timer is extended from its fire date, a finished one restarted from the clock.
  updated.fireDate = std::max(now.value(), updated.fireDate) + by;
  replace(*index, updated);
}

bool TimerStore::snooze(const Uuid& id, TimePoint occurrenceDate, double by, TimePoint at) {
  if (!std::isfinite(by) || !std::isfinite(at)) return false;
  auto index = indexOf(id);
  if (!index) return false;
  TimerItem updated = items.value()[*index];
  if (!updated.snooze(occurrenceDate, at, by)) return false;
  replace(*index, updated);
  return true;
}

std::optional<std::size_t> TimerStore::indexOf(const Uuid& id) const {
  const auto& list = items.value();
  auto it = std::find_if(list.begin(), list.end(), [&](const TimerItem& i) { return i.id == id; });
  if (it == list.end()) return std::nullopt;
  return static_cast<std::size_t>(it - list.begin());
}

void TimerStore::replace(std::size_t index, const TimerItem& updated) {
  if (notificationManager) {
    notificationManager->cancel(updated.id);
    notificationManager->schedule(updated);
  }
  items.mutate([&](std::vector<TimerItem>& list) {
    list[index] = updated;
    sortItems(list);
  });
  save();
}

void TimerStore::remove(const Uuid& id) {
  items.mutate([&](std::vector<TimerItem>& list) {
    std::erase_if(list, [&](const TimerItem& item) { return item.id == id; });
  });
  reportedFireDates_.erase(id);
  if (notificationManager) notificationManager->cancel(id);
  save();
}

void TimerStore::restoreNotifications() {
  if (!notificationManager) return;
  for (const auto& item : activeItems()) {
    notificationManager->cancel(item.id);
    notificationManager->schedule(item);
  }
}

void TimerStore::save() {
  if (usesTransientDiagnosticItems) return;
  // An unreadable file that could not be moved aside yet is never replaced; try again now.
  if (unpreservedFile_) {
    unpreservedFile_ = !preserveUnreadableFile();
    if (unpreservedFile_) return;
  }
  // The watched moments travel in the same write as the timers, so no crash can separate them.
  std::vector<TimePoint> watched;
  watched.reserve(items->size());
  for (const auto& item : items.value()) watched.push_back(watchedUntil(item));
  files_.writeFileAtomically(fileURL_, encodeTimerItems(items.value(), watched));
}

void TimerStore::tick() {
  const TimePoint previous = now.value();
  const TimePoint current = clock_.now();
  std::vector<TimerItem> finished;
  for (const auto& item : items.value()) {
    if (item.fireDate > previous && item.fireDate <= current) {
      auto reported = reportedFireDates_.find(item.id);
      if (reported != reportedFireDates_.end() && reported->second == item.fireDate) continue;
      finished.push_back(item);
    }
  }
  sortItems(finished);
  for (const auto& item : finished) reportedFireDates_[item.id] = item.fireDate;
  // Forget timers that are gone so the record stays as small as the list.
  if (reportedFireDates_.size() > 2 * items->size() + 16) {
    std::unordered_map<Uuid, TimePoint> kept;
    for (const auto& item : items.value())
      if (auto r = reportedFireDates_.find(item.id); r != reportedFireDates_.end()) kept.insert(*r);
    reportedFireDates_.swap(kept);
  }
  now.set(current);
  if (finished.empty()) return;
  for (const auto& item : finished)
    if (onTimerFinished) onTimerFinished(item);
  // Records them as announced; a crash before this write repeats them at the next start. Firings
  // are the only moments that need it, so a quiet store never writes.
  save();
}

}  // namespace brindlecap
