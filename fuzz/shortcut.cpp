// The stored hot-key combination against any bytes: a decoded one survives a round trip and can
// be shown and grabbed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/GlobalShortcut.h"

using namespace brindlecap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto shortcut = GlobalShortcut::fromJson(text);
  if (!shortcut) return 0;
  FUZZ_CHECK(GlobalShortcut::fromJson(shortcut->toJson()) == shortcut);
  FUZZ_CHECK(!shortcut->displayTokens().empty());
  FUZZ_CHECK(!shortcut->identity().empty());
  (void)shortcut->hotKeyCombination().text();
  return 0;
}
