#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "platform/Uuid.h"

namespace brindlecap {

namespace {

using Action = CommandLine::Action;

constexpr std::array<std::pair<std::string_view, Action>, 7> kCommands{{
    {"add", Action::add},
    {"list", Action::list},
    {"remove", Action::remove},
    {"snooze", Action::snooze},
    {"extend", Action::extend},
    {"toggle-list", Action::toggleList},
    {"quit", Action::quit},
}};

Parsed<CommandLine> failure(std::string message) {
  return Parsed<CommandLine>::failure(std::move(message));
}

std::string quoted(std::string_view text) {
  return "«" + std::string(text) + "»";
}

// "-5m" is a (negative) value that deserves its own message, not an unknown option.
bool looksLikeOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9');
}

std::string joined(const std::vector<std::string>& words, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < words.size(); ++i) {
    if (i > from) text += ' ';
    text += words[i];
  }
  return text;
}

}  // namespace

bool cutTitle(std::string& title) {
  std::size_t codePoints = 0;
  for (std::size_t i = 0; i < title.size(); ++i) {
    // Each code point starts with a byte that is not a continuation byte (10xxxxxx).
    if ((static_cast<unsigned char>(title[i]) & 0xC0) == 0x80) continue;
    if (codePoints++ == kLongestTitle) {
      title.resize(i);
      return true;
    }
  }
  return false;
}

Parsed<CommandLine> parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  // --help and --version win over anything else on the line, mistakes included.
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "-h" || argument == "--help") {
      command.action = Action::help;
      return {command, {}};
    }
  }
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "-v" || argument == "--version") {
      command.action = Action::version;
      return {command, {}};
    }
  }

  std::vector<std::string> words;
  std::optional<std::string> at;
  std::vector<std::string> options;  // as written, to say which one does not fit the command
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") {
      words.insert(words.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                   arguments.end());
      break;
    }
    if (!looksLikeOption(argument)) {
      words.push_back(argument);
    } else if (argument == "--json") {
      command.json = true;
      options.push_back(argument);
    } else if (argument == "--all") {
      command.all = true;
      options.push_back(argument);
    } else if (argument == "--at" || argument.rfind("--at=", 0) == 0) {
      if (argument == "--at") {
        if (i + 1 == arguments.size())
          return failure("После --at нужно время, например --at 14:30.");
        at = arguments[++i];
      } else {
        at = argument.substr(5);
      }
      options.push_back("--at");
    } else {
      return failure("Неизвестный параметр " + quoted(argument) + ".");
    }
  }

  if (words.empty()) {
    if (!options.empty()) return failure("Не указана команда.");
    return {command, {}};  // plain start
  }
  const auto known = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const auto& entry) { return entry.first == words[0]; });
  if (known == kCommands.end()) return failure("Неизвестная команда " + quoted(words[0]) + ".");
  command.action = known->second;

  const auto allows = [&](std::string_view option) {
    return (option == "--at" && command.action == Action::add) ||
           (option == "--json" && command.action == Action::list) ||
           (option == "--all" && command.action == Action::remove);
  };
  for (const std::string& option : options) {
    if (!allows(option)) {
      return failure("Параметр " + quoted(option) + " не подходит к команде " + quoted(words[0]) +
                     ".");
    }
  }
  const auto noMoreThan = [&](std::size_t count) -> std::optional<std::string> {
    if (words.size() > count) return "Лишний аргумент " + quoted(words[count]) + ".";
    return std::nullopt;
  };
  const auto readId = [&](const std::string& text) -> std::optional<std::string> {
    const auto id = Uuid::parse(text);
    if (!id) return std::nullopt;
    command.id = id->toString();
    return command.id;
  };
  const auto badId = [&](const std::string& text) {
    return failure(quoted(text) +
                   " — не id таймера: нужен UUID, например 2CE8BFF1-A983-4E40-84A6-61AA2F1D9B29.");
  };

  switch (command.action) {
    case Action::add: {
      std::size_t titleStart = 1;
      if (at) {
        const auto time = parseClockTime(*at);
        if (!time) return failure(time.error);
        command.at = time.value;
      } else {
        const auto duration = parseDuration(words.size() > 1 ? words[1] : std::string());
        if (!duration) return failure(duration.error);
        command.duration = duration.value;
        titleStart = 2;
      }
      // "add 1h 30m" would otherwise quietly become a one-hour timer named "30m".
      if (words.size() > titleStart && parseDuration(words[titleStart])) {
        return failure(at ? "Укажите длительность или --at, но не то и другое вместе."
                          : "Длительность пишется одним словом, например 1h30m.");
      }
      command.title = joined(words, titleStart);
      command.titleWasCut = cutTitle(command.title);
      break;
    }
    case Action::list:
    case Action::toggleList:
    case Action::quit:
      if (auto extra = noMoreThan(1)) return failure(*extra);
      break;
    case Action::remove:
      if (command.all) {
        if (words.size() > 1) return failure("Укажите id или --all, но не то и другое вместе.");
        break;
      }
      if (words.size() < 2) return failure("Не указан id таймера (или --all).");
      if (auto extra = noMoreThan(2)) return failure(*extra);
      if (!readId(words[1])) return badId(words[1]);
      break;
    case Action::snooze:
    case Action::extend:
      if (words.size() < 2) return failure("Не указан id таймера.");
      if (auto extra = noMoreThan(3)) return failure(*extra);
      if (!readId(words[1])) return badId(words[1]);
      if (words.size() == 3) {
        const auto minutes = parseMinutes(words[2]);
        if (!minutes) return failure(minutes.error);
        command.seconds = *minutes.value;
      }
      break;
    case Action::start:
    case Action::help:
    case Action::version:
      break;
  }
  return {command, {}};
}

std::string usageText() {
  return "Использование: brindlecap [КОМАНДА]\n"
         "\n"
         "Без команды запускает Brindlecap, а если он уже запущен, открывает список таймеров.\n"
         "\n"
         "Команды:\n"
         "  add ДЛИТЕЛЬНОСТЬ [НАЗВАНИЕ]  новый таймер; длительность: 25m, 1h30m, 90s, 2d, 1:30:00\n"
         "  add --at ЧЧ:ММ [НАЗВАНИЕ]    таймер на время суток: сегодня, а если оно прошло, "
         "завтра\n"
         "  list [--json]                активные таймеры, ближайший первым\n"
         "  remove ID | --all            удалить таймер или все активные таймеры\n"
         "  snooze ID [МИНУТЫ]           отложить: сработает через столько минут (по умолчанию 5)\n"
         "  extend ID [МИНУТЫ]           продлить на столько минут (по умолчанию 5)\n"
         "  toggle-list                  открыть или закрыть список таймеров\n"
         "  quit                         завершить Brindlecap\n"
         "\n"
         "Параметры:\n"
         "  -h, --help                   эта справка\n"
         "  -v, --version                версия\n"
         "\n"
         "Таймер идёт от 1 секунды до 7 дней. Без запущенного Brindlecap add запускает его,\n"
         "а list читает сохранённые таймеры.\n"
         "\n"
         "Коды выхода: 0 — готово; 1 — Brindlecap недоступен или таймер не найден;\n"
         "2 — ошибка в команде.\n";
}

}  // namespace brindlecap
