#include "app/CommandRunner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "timers/TimeFormatting.h"
#include "timers/TimerStore.h"

namespace brindlecap {

namespace {

using Action = CommandLine::Action;

std::size_t codePoints(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A title on one line: tabs and line breaks would break the columns.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return text;
}

// "2026-03-29T03:30:00+02:00": the fire time on the local clock, for scripts.
std::string localIsoTime(TimePoint t, const TimeZone& zone) {
  const int offset = zone.utcOffset(t);
  const auto local = static_cast<long long>(std::floor(unixFromTimePoint(t))) + offset;
  const long long days = (local >= 0 ? local : local - 86399) / 86400;
  const long long secondOfDay = local - days * 86400;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
  const long long z = days + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long dayOfEra = z - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long mp = (5 * dayOfYear + 2) / 153;
  const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const int offsetMinutes = std::abs(offset) / 60;
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld%c%02d:%02d", year,
                month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60,
                offset < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
  return text;
}

class Runner {
 public:
  Runner(const CommandLine& command, const CommandServices& services)
      : command_(command), s_(services), now_(services.clock.now()) {}

  int run() {
    switch (command_.action) {
      case Action::add:
        return add();
      case Action::list:
        return list();
      case Action::remove:
        return remove();
      case Action::snooze:
      case Action::extend:
        return withInstance([&](RemoteControl& control) {
          return command_.action == Action::snooze
                     ? control.snoozeTimer(command_.id, command_.seconds)
                     : control.extendTimer(command_.id, command_.seconds);
        });
      case Action::toggleList:
        return withInstance([](RemoteControl& control) { return control.toggleList(); });
      case Action::quit: {
        const int status = withInstance([](RemoteControl& control) { return control.quit(); });
        if (status == kExitDone && !s_.instance.waitUntilGone()) {
          return message("Brindlecap получил команду, но ещё не завершился.", kExitUnavailable);
        }
        return status;
      }
      case Action::start:
      case Action::help:
      case Action::version:
        break;
    }
    return kExitUsage;
  }

 private:
  int message(const std::string& text, int status) {
    s_.err << "brindlecap: " << text << '\n';
    return status;
  }

  int failed(const RemoteFailure& failure) {
    const bool usage = failure.error == RemoteError::invalidDuration ||
                       failure.error == RemoteError::invalidArgument;
    return message(failure.message, usage ? kExitUsage : kExitUnavailable);
  }

  template <typename Request>
  int withInstance(Request request) {
    RemoteControl* control = s_.instance.connect();
    if (!control) return message("Brindlecap не запущен.", kExitUnavailable);
    const RemoteResult<Done> result = request(*control);
    return result.ok() ? kExitDone : failed(result.failure());
  }

  int add() {
    double seconds = command_.duration.value_or(0);
    if (command_.at) {
      const auto fireDate = fireDateAt(*command_.at, now_, s_.zone);
      if (!fireDate) return message(fireDate.error, kExitUsage);
      seconds = *fireDate.value - now_;
    }
    if (command_.titleWasCut) {
      message("Название длиннее " + std::to_string(kLongestTitle) + " символов: сохранены первые " +
                  std::to_string(kLongestTitle) + ".",
              kExitDone);
    }
    RemoteControl* control = s_.instance.connect();
    if (!control) control = s_.instance.launch();
    if (!control) return message("Не удалось запустить Brindlecap.", kExitUnavailable);
    const auto id = control->addTimer(seconds, command_.title);
    if (!id.ok()) return failed(id.failure());
    s_.out << id.value() << '\t' << TimeFormatting::relativeFireDate(now_ + seconds, now_, s_.dates)
           << '\n';
    return kExitDone;
  }

  int list() {
    std::vector<RemoteTimer> timers;
    if (RemoteControl* control = s_.instance.connect()) {
      auto listed = control->listTimers();
      if (!listed.ok()) return failed(listed.failure());
      timers = listed.value();
    } else if (!readSavedTimers(timers)) {
      return message("Сохранённые таймеры не читаются: " + TimerStore::defaultFileURL(s_.files),
                     kExitUnavailable);
    }
    if (command_.json) {
      printJson(timers);
    } else {
      printTable(timers);
    }
    return kExitDone;
  }

  // Without an instance the file is the truth; it is only read, never written or moved aside.
  bool readSavedTimers(std::vector<RemoteTimer>& timers) const {
    const FileRead read = s_.files.readFile(TimerStore::defaultFileURL(s_.files));
    if (read.status == FileRead::Status::missing) return true;
    if (read.status != FileRead::Status::ok) return false;
    auto items = decodeTimerItems(read.contents);
    if (!items) return false;
    std::stable_sort(items->begin(), items->end(),
                     [](const auto& a, const auto& b) { return a.fireDate < b.fireDate; });
    for (const TimerItem& item : *items) {
      if (item.fireDate > now_) {
        timers.push_back({item.id.toString(), item.title, item.fireDate, item.createdAt});
      }
    }
    return true;
  }

  void printTable(const std::vector<RemoteTimer>& timers) {
    if (timers.empty()) {
      s_.out << "Нет активных таймеров\n";
      return;
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<std::size_t> widths(3, 0);
    for (const RemoteTimer& timer : timers) {
      rows.push_back({TimeFormatting::remainingPhrase(timer.fireDate, now_),
                      TimeFormatting::relativeFireDate(timer.fireDate, now_, s_.dates),
                      oneLine(timer.title), timer.id});
      for (std::size_t column = 0; column < widths.size(); ++column) {
        widths[column] = std::max(widths[column], codePoints(rows.back()[column]));
      }
    }
    for (const auto& row : rows) {
      for (std::size_t column = 0; column < widths.size(); ++column) {
        s_.out << row[column] << std::string(widths[column] - codePoints(row[column]) + 2, ' ');
      }
      s_.out << row.back() << '\n';
    }
  }

  void printJson(const std::vector<RemoteTimer>& timers) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const RemoteTimer& timer : timers) {
      list.push_back({
          {"id", timer.id},
          {"title", timer.title},
          {"remaining", TimeFormatting::remainingPhrase(timer.fireDate, now_)},
          {"remainingSeconds",
           static_cast<long long>(std::max(0.0, std::ceil(timer.fireDate - now_)))},
          {"fireDate", unixFromTimePoint(timer.fireDate)},
          {"fireTime", localIsoTime(timer.fireDate, s_.zone)},
          {"createdAt", unixFromTimePoint(timer.createdAt)},
      });
    }
    s_.out << list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  }

  int remove() {
    if (!command_.all) {
      return withInstance([&](RemoteControl& control) { return control.removeTimer(command_.id); });
    }
    return withInstance([](RemoteControl& control) -> RemoteResult<Done> {
      const auto listed = control.listTimers();
      if (!listed.ok()) return listed.failure();
      for (const RemoteTimer& timer : listed.value()) {
        const auto removed = control.removeTimer(timer.id);
        // One that finished and went in the meantime is as good as removed.
        if (!removed.ok() && removed.failure().error != RemoteError::notFound) return removed;
      }
      return Done{};
    });
  }

  const CommandLine& command_;
  const CommandServices& s_;
  const TimePoint now_;
};

}  // namespace

int runCommand(const CommandLine& command, const CommandServices& services) {
  return Runner(command, services).run();
}

}  // namespace brindlecap
