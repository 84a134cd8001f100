#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"

namespace brindlecap {

// The process's environment variables.
class ProcessEnvironment : public Environment {
 public:
  std::optional<std::string> variable(const std::string& name) const override;
};

// Diagnostic lines on standard output, one flushed write per line, safe from any thread.
class StandardOutputDiagnostics : public DiagnosticOutput {
 public:
  void writeLine(std::string_view line) override;

 private:
  std::mutex mutex_;
};

// An XDG base directory: `variable` when it holds an absolute path, else `fallbackUnderHome`
// inside the home folder ($HOME, or the password database when HOME is unset).
std::string xdgBaseDirectory(const Environment& environment, const std::string& variable,
                             const std::string& fallbackUnderHome);

}  // namespace brindlecap
