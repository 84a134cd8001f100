#pragma once

#include <optional>
#include <string>

namespace brindlecap {

// Whether the application starts when the user logs in.
class LoginItems {
 public:
  virtual ~LoginItems() = default;
  virtual bool isEnabled() const = 0;
  // Each returns nothing on success, or a readable description of the failure.
  virtual std::optional<std::string> registerItem() = 0;
  virtual std::optional<std::string> unregisterItem() = 0;
};

}  // namespace brindlecap
