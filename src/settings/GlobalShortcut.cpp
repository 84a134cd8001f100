#include "settings/GlobalShortcut.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace brindlecap {

const std::vector<GlobalShortcut>& GlobalShortcut::alternatives() {
  static const std::vector<GlobalShortcut> kAlternatives = {
      {kKeyM, kControl | kOption | kCommand},
      {kKeyT, kControl | kOption | kCommand},
      {kKeyD, kControl | kOption | kCommand},
  };
  return kAlternatives;
}

std::string GlobalShortcut::identity() const {
  return std::to_string(keyCode) + "-" + std::to_string(modifiers);
}

std::string GlobalShortcut::toJson() const {
  return nlohmann::json{{"keyCode", keyCode}, {"modifiers", modifiers}}.dump();
}

namespace {
std::optional<std::uint32_t> readUInt32(const nlohmann::json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  if (it->is_number_unsigned()) {
    auto v = it->get<std::uint64_t>();
    if (v > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(v);
  }
  // A float with an integral value (e.g. 46.0) is still a valid unsigned number.
  if (it->is_number_float()) {
    double d = it->get<double>();
    if (d >= 0 && d <= std::numeric_limits<std::uint32_t>::max() &&
        d == static_cast<std::uint32_t>(d))
      return static_cast<std::uint32_t>(d);
  }
  return std::nullopt;
}
}  // namespace

std::optional<GlobalShortcut> GlobalShortcut::fromJson(std::string_view json) {
  auto parsed = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!parsed.is_object()) return std::nullopt;
  auto keyCode = readUInt32(parsed, "keyCode");
  auto modifiers = readUInt32(parsed, "modifiers");
  if (!keyCode || !modifiers) return std::nullopt;
  return GlobalShortcut{*keyCode, *modifiers};
}

std::vector<std::string> GlobalShortcut::displayTokens() const {
  std::vector<std::string> tokens;
  if (modifiers & kControl) tokens.emplace_back("Ctrl");
  if (modifiers & kOption) tokens.emplace_back("Alt");
  if (modifiers & kShift) tokens.emplace_back("Shift");
  if (modifiers & kCommand) tokens.emplace_back("Super");
  switch (keyCode) {
    case kKeyM:
      tokens.emplace_back("M");
      break;
    case kKeyT:
      tokens.emplace_back("T");
      break;
    case kKeyD:
      tokens.emplace_back("D");
      break;
    default:
      tokens.emplace_back("?");
      break;
  }
  return tokens;
}

HotKeyCombination GlobalShortcut::hotKeyCombination() const {
  HotKeyCombination combination;
  switch (keyCode) {
    case kKeyM:
      combination.letter = 'M';
      break;
    case kKeyT:
      combination.letter = 'T';
      break;
    case kKeyD:
      combination.letter = 'D';
      break;
    default:
      break;
  }
  combination.control = (modifiers & kControl) != 0;
  combination.alt = (modifiers & kOption) != 0;
  combination.super = (modifiers & kCommand) != 0;
  combination.shift = (modifiers & kShift) != 0;
  return combination;
}

}  // namespace brindlecap
