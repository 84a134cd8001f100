#include "platform/Diagnostics.h"

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

}  // namespace brindlecap
