#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brindlecap {

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::optional<std::string> variable(const std::string& name) const = 0;
};

// Where diagnostic marker lines go (standard output in the application).
class DiagnosticOutput {
 public:
  virtual ~DiagnosticOutput() = default;
  // Writes one line (a line break is appended) and flushes.
  virtual void writeLine(std::string_view line) = 0;
};

}  // namespace brindlecap
