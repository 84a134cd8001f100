#include "platform/Diagnostics.h"

#include <charconv>

namespace brindlecap {

Diagnostics::Diagnostics(const Environment& environment, DiagnosticOutput& output)
    : mode_(environment.variable(kVariable)), output_(output) {}

void Diagnostics::print(std::string_view event, std::string_view payload) {
  if (!isEnabled()) return;
  std::string line = "BRINDLECAP_";
  line.append(event);
  if (!payload.empty()) {
    line.push_back(' ');
    line.append(payload);
  }
  output_.writeLine(line);
}

namespace {
std::string number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value == 0 ? 0.0 : value);
  return std::string(buffer, result.ptr);
}
}  // namespace

std::string describe(Point point) {
  return "{" + number(point.x) + ", " + number(point.y) + "}";
}

std::string describe(const Rect& rect) {
  return "{" + describe(rect.origin) + ", {" + number(rect.size.width) + ", " +
         number(rect.size.height) + "}}";
}

}  // namespace brindlecap
