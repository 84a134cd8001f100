#include "platform/linux/CanberraSound.h"

#include <canberra.h>
#include <dlfcn.h>

#include <QApplication>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace brindlecap {

namespace {

constexpr const char* kEventId = "alarm-clock-elapsed";
constexpr const char* kEventDescription = "Таймер завершён";

// ALSA's own hook for its messages (snd_lib_error_set_handler), reached through the library
// libcanberra's ALSA driver loads anyway, so that no development package is needed for it.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

std::mutex alsaMessageMutex;
std::string lastAlsaMessage;

// ALSA reports every device it probes and does not find; on a machine without a sound card
// that is a dozen lines at the first sound. They are kept, not printed: the last one explains a
// failure worth reporting.
void keepAlsaMessage(const char*, int, const char* function, int, const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  const std::lock_guard lock(alsaMessageMutex);
  lastAlsaMessage = std::string(function != nullptr ? function : "") + ": " + text;
}

void quietAlsa() {
  // Loaded for good: the handler must stay in place for the driver that loads it again.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (alsa == nullptr) return;
  if (auto set = reinterpret_cast<SetAlsaErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
    set(&keepAlsaMessage);
}

// libcanberra and what it brings (ALSA, Vorbis, tdb: about 0.6 MB resident) are loaded at the first
// sound, not at start: most sessions never hear one.
struct Canberra {
  decltype(&ca_context_create) create = nullptr;
  decltype(&ca_context_destroy) destroy = nullptr;
  decltype(&ca_context_change_props) changeProps = nullptr;
  decltype(&ca_context_play) play = nullptr;
  decltype(&ca_strerror) strerror = nullptr;
};

const Canberra* canberra() {
  static const Canberra* loaded = []() -> const Canberra* {
    void* library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      std::fprintf(stderr, "brindlecap: the completion sound cannot be played: %s\n", dlerror());
      return nullptr;
    }
    static Canberra functions;
    functions.create =
        reinterpret_cast<decltype(functions.create)>(dlsym(library, "ca_context_create"));
    functions.destroy =
        reinterpret_cast<decltype(functions.destroy)>(dlsym(library, "ca_context_destroy"));
    functions.changeProps = reinterpret_cast<decltype(functions.changeProps)>(
        dlsym(library, "ca_context_change_props"));
    functions.play = reinterpret_cast<decltype(functions.play)>(dlsym(library, "ca_context_play"));
    functions.strerror =
        reinterpret_cast<decltype(functions.strerror)>(dlsym(library, "ca_strerror"));
    if (!functions.create || !functions.destroy || !functions.changeProps || !functions.play ||
        !functions.strerror) {
      std::fprintf(stderr,
                   "brindlecap: the completion sound cannot be played: libcanberra.so.0 "
                   "lacks ca_context_play\n");
      return nullptr;
    }
    quietAlsa();
    return &functions;
  }();
  return loaded;
}

// No device and no such sound both mean: nothing to hear, ring the bell instead. Anything else is
// a fault someone should be able to find.
bool isFault(int result) {
  return result != CA_SUCCESS && result != CA_ERROR_NOTFOUND && result != CA_ERROR_NODRIVER &&
         result != CA_ERROR_DISABLED && result != CA_ERROR_NOTAVAILABLE;
}

void reportOnce(const Canberra& library, int result) {
  static std::once_flag reported;
  std::call_once(reported, [&library, result] {
    std::string alsa;
    {
      const std::lock_guard lock(alsaMessageMutex);
      alsa = lastAlsaMessage;
    }
    std::fprintf(stderr, "brindlecap: the completion sound cannot be played: %s%s%s\n",
                 library.strerror(result), alsa.empty() ? "" : "; ", alsa.c_str());
  });
}

}  // namespace

CanberraSound::CanberraSound() = default;

CanberraSound::~CanberraSound() {
  if (context_ != nullptr) canberra()->destroy(context_);
}

bool CanberraSound::play() {
  if (!opened_) {
    opened_ = true;
    open();
  }
  if (context_ == nullptr) return false;
  const Canberra& library = *canberra();
  // Without a sound device this answers CA_ERROR_NOTFOUND, the same as a missing theme sound.
  const int result = library.play(context_, 0, CA_PROP_EVENT_ID, kEventId,
                                  CA_PROP_EVENT_DESCRIPTION, kEventDescription, nullptr);
  if (isFault(result)) reportOnce(library, result);
  return result == CA_SUCCESS;
}

void CanberraSound::open() {
  const Canberra* library = canberra();
  if (library == nullptr) return;
  if (const int result = library->create(&context_); result != CA_SUCCESS) {
    context_ = nullptr;
    reportOnce(*library, result);
    return;
  }
  // Sound servers show these next to the stream; failing to set them changes nothing else.
  library->changeProps(context_, CA_PROP_APPLICATION_NAME, "Brindlecap", CA_PROP_APPLICATION_ID,
                       BRINDLECAP_APP_ID, nullptr);
}

void CanberraSound::beep() {
  QApplication::beep();
}

}  // namespace brindlecap
