#include "timers/TimerItem.h"

#include <charconv>
#include <cmath>

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

void appendNumber(std::string& out, double value) {
  // The file is only ever read as JSON, which has no NaN or infinity.
  if (!std::isfinite(value)) value = 0;
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);  // shortest round trip
  out.append(buffer, result.ptr);
}

void appendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not valid.
std::size_t validSequenceLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF)
    length = 2;
  else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

void appendString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      text.remove_prefix(1);
    } else if (c < 0x20) {
      switch (c) {
        case '\n':
          out.append("\\n");
          break;
        case '\t':
          out.append("\\t");
          break;
        case '\r':
          out.append("\\r");
          break;
        default:
          out.append("\\u00");
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 0xF]);
      }
      text.remove_prefix(1);
    } else if (auto length = validSequenceLength(text)) {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    } else {
      out.append("\xEF\xBF\xBD");  // U+FFFD for a byte that is not UTF-8
      text.remove_prefix(1);
    }
  }
  out.push_back('"');
}

void appendItem(std::string& out, const TimerItem& item) {
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
  out.push_back('}');
}

// A strict JSON reader for exactly the timers file's shape. It is several times faster than a
// general parser building a document, and the file is read at every start.
class TimerArrayReader {
 public:
  explicit TimerArrayReader(std::string_view text) : s_(text) {}

  std::optional<std::vector<TimerItem>> read() {
    std::vector<TimerItem> items;
    skipSpace();
    if (!consume('[')) return std::nullopt;
    skipSpace();
    if (!consume(']')) {
      do {
        skipSpace();
        if (!readItem(items)) return std::nullopt;
        skipSpace();
      } while (consume(','));
      if (!consume(']')) return std::nullopt;
    }
    skipSpace();
    if (pos_ != s_.size()) return std::nullopt;
    return items;
  }

 private:
  struct Number {
    double value = 0;
    std::optional<std::int64_t> integer;  // set when written without fraction or exponent
  };

  bool readItem(std::vector<TimerItem>& items) {
    std::optional<Uuid> id;
    std::optional<std::string> title;
    std::optional<double> createdAt, fireDate, originalFireDate, lastSnoozedAt;
    std::optional<std::int64_t> snoozeCount;
    if (!consume('{')) return false;
    skipSpace();
    if (!consume('}')) {
      do {
        skipSpace();
        std::string key;
        if (!readString(key)) return false;
        skipSpace();
        if (!consume(':')) return false;
        skipSpace();
        bool ok;
        if (key == "id") {
          std::string text;
          ok = readString(text) && (id = Uuid::parse(text)).has_value();
        } else if (key == "title") {
          std::string text;
          ok = readString(text);
          title = std::move(text);
        } else if (key == "createdAt") {
          ok = readRequiredNumber(createdAt);
        } else if (key == "fireDate") {
          ok = readRequiredNumber(fireDate);
        } else if (key == "originalFireDate") {
          ok = readOptionalNumber(originalFireDate);
        } else if (key == "lastSnoozedAt") {
          ok = readOptionalNumber(lastSnoozedAt);
        } else if (key == "snoozeCount") {
          ok = readOptionalInteger(snoozeCount);
        } else {
          ok = skipValue(0);  // members added by a later version are ignored
        }
        if (!ok) return false;
        skipSpace();
      } while (consume(','));
      if (!consume('}')) return false;
    }
    if (!id || !title || !createdAt || !fireDate) return false;
    items.push_back(TimerItem{*id, std::move(*title), *createdAt, *fireDate, originalFireDate,
                              snoozeCount, lastSnoozedAt});
    return true;
  }

  bool readRequiredNumber(std::optional<double>& field) {
    Number n;
    if (!readNumber(n)) return false;
    field = n.value;
    return true;
  }
  bool readOptionalNumber(std::optional<double>& field) {
    if (consumeWord("null")) return field.reset(), true;
    return readRequiredNumber(field);
  }
  bool readOptionalInteger(std::optional<std::int64_t>& field) {
    if (consumeWord("null")) return field.reset(), true;
    Number n;
    if (!readNumber(n) || !n.integer) return false;
    field = n.integer;
    return true;
  }

  bool readNumber(Number& n) {
    const std::size_t start = pos_;
    consume('-');
    if (consume('0')) {
    } else if (!readDigits()) {
      return false;
    }
    bool integral = true;
    if (consume('.')) {
      integral = false;
      if (!readDigits()) return false;
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      integral = false;
      ++pos_;
      if (!consume('+')) consume('-');
      if (!readDigits()) return false;
    }
    const char* first = s_.data() + start;
    const char* last = s_.data() + pos_;
    if (integral) {
      std::int64_t i;
      if (std::from_chars(first, last, i).ec == std::errc()) n.integer = i;
    }
    auto result = std::from_chars(first, last, n.value);
    if (result.ec == std::errc::result_out_of_range) {
      return false;  // beyond a double's range: no instant this program writes
    }
    return result.ec == std::errc() && result.ptr == last;
  }

  bool readDigits() {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  bool readString(std::string& out) {
    if (!consume('"')) return false;
    for (;;) {
      // Copy the plain run up to the next quote, escape or control character in one go.
      std::size_t run = pos_;
      while (run < s_.size()) {
        const auto c = static_cast<unsigned char>(s_[run]);
        if (c == '"' || c == '\\' || c < 0x20) break;
        if (c < 0x80) {
          ++run;
        } else if (auto length = validSequenceLength(s_.substr(run))) {
          run += length;
        } else {
          return false;
        }
      }
      out.append(s_.substr(pos_, run - pos_));
      pos_ = run;
      if (pos_ >= s_.size()) return false;
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (c != '\\') return false;  // an unescaped control character
      if (!readEscape(out)) return false;
    }
  }

  bool readEscape(std::string& out) {
    if (pos_ >= s_.size()) return false;
    switch (s_[pos_++]) {
      case '"':
        out.push_back('"');
        return true;
      case '\\':
        out.push_back('\\');
        return true;
      case '/':
        out.push_back('/');
        return true;
      case 'b':
        out.push_back('\b');
        return true;
      case 'f':
        out.push_back('\f');
        return true;
      case 'n':
        out.push_back('\n');
        return true;
      case 'r':
        out.push_back('\r');
        return true;
      case 't':
        out.push_back('\t');
        return true;
      case 'u':
        break;
      default:
        return false;
    }
    std::uint32_t code;
    if (!readHex4(code)) return false;
    if (code >= 0xDC00 && code <= 0xDFFF) return false;  // a lone low surrogate
    if (code >= 0xD800 && code <= 0xDBFF) {
      std::uint32_t low;
      if (!consume('\\') || !consume('u') || !readHex4(low) || low < 0xDC00 || low > 0xDFFF)
        return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUtf8(out, code);
    return true;
  }

  bool readHex4(std::uint32_t& code) {
    if (s_.size() - pos_ < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      std::uint32_t digit;
      if (c >= '0' && c <= '9')
        digit = static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        digit = static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        digit = static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return false;
      code = code << 4 | digit;
    }
    return true;
  }

  static void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | code >> 6));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | code >> 12));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | code >> 18));
      out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  // Validates and skips any JSON value. Nesting is bounded so a hostile file cannot exhaust the
  // stack.
  bool skipValue(int depth) {
    if (depth > 256 || pos_ >= s_.size()) return false;
    const char c = s_[pos_];
    if (c == '"') {
      std::string ignored;
      return readString(ignored);
    }
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++pos_;
      skipSpace();
      if (consume(close)) return true;
      do {
        skipSpace();
        if (c == '{') {
          std::string key;
          if (!readString(key)) return false;
          skipSpace();
          if (!consume(':')) return false;
          skipSpace();
        }
        if (!skipValue(depth + 1)) return false;
        skipSpace();
      } while (consume(','));
      return consume(close);
    }
    if (consumeWord("true") || consumeWord("false") || consumeWord("null")) return true;
    Number ignored;
    return readNumber(ignored);
  }

  void skipSpace() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
      ++pos_;
  }
  bool consume(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool consumeWord(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string encodeTimerItems(const std::vector<TimerItem>& items) {
  std::string out;
  out.reserve(items.size() * 200 + 2);
  out.push_back('[');
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out.push_back(',');
    appendItem(out, items[i]);
  }
  out.push_back(']');
  return out;
}

std::optional<std::vector<TimerItem>> decodeTimerItems(std::string_view text) {
  return TimerArrayReader(text).read();
}

}  // namespace brindlecap
