#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Environment.h"

namespace brindlecap::testing {

class FakeEnvironment : public Environment {
 public:
  std::optional<std::string> variable(const std::string& name) const override {
    auto it = variables.find(name);
    if (it == variables.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, std::string> variables;
};

class RecordingDiagnosticOutput : public DiagnosticOutput {
 public:
  void writeLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

}  // namespace brindlecap::testing
