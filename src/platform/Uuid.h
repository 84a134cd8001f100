#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brindlecap {

// A 128-bit identifier. Text form: canonical 8-4-4-4-12 hexadecimal, upper case.
class Uuid {
 public:
  using Bytes = std::array<std::uint8_t, 16>;

  Uuid() = default;  // all zero
  explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

  // A random version-4 identifier.
  static Uuid random();
  // Accepts the canonical form in either case; nothing for any other text.
  static std::optional<Uuid> parse(std::string_view text);

  std::string toString() const;
  const Bytes& bytes() const { return bytes_; }

  friend bool operator==(const Uuid&, const Uuid&) = default;
  friend auto operator<=>(const Uuid&, const Uuid&) = default;

 private:
  Bytes bytes_{};
};

}  // namespace brindlecap

template <>
struct std::hash<brindlecap::Uuid> {
  std::size_t operator()(const brindlecap::Uuid& id) const noexcept {
    std::uint64_t h = 1469598103934665603ull;
    for (auto b : id.bytes()) h = (h ^ b) * 1099511628211ull;
    return static_cast<std::size_t>(h);
  }
};
