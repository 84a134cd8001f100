#pragma once

#include <optional>
#include <string>

#include "platform/LoginItems.h"

namespace brindlecap::testing {

// A login-item service whose state and failures a test controls; counts the calls made.
class FakeLoginItems : public LoginItems {
 public:
  bool isEnabled() const override { return enabled; }
  std::optional<std::string> registerItem() override {
    ++registerCalls;
    if (registerFailure) return registerFailure;
    enabled = true;
    return std::nullopt;
  }
  std::optional<std::string> unregisterItem() override {
    ++unregisterCalls;
    if (unregisterFailure) return unregisterFailure;
    enabled = false;
    return std::nullopt;
  }

  bool enabled = false;
  std::optional<std::string> registerFailure;
  std::optional<std::string> unregisterFailure;
  int registerCalls = 0;
  int unregisterCalls = 0;
};

}  // namespace brindlecap::testing
