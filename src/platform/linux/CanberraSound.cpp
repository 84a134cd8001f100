#include "platform/linux/CanberraSound.h"

#include <canberra.h>

#include <QApplication>

namespace brindlecap {

namespace {

constexpr const char* kEventId = "alarm-clock-elapsed";
constexpr const char* kEventDescription = "Таймер завершён";

}  // namespace

CanberraSound::CanberraSound() {
  if (ca_context_create(&context_) != CA_SUCCESS) {
    context_ = nullptr;
    return;
  }
  // Sound servers show these next to the stream; failing to set them changes nothing else.
  ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Brindlecap", CA_PROP_APPLICATION_ID,
                          BRINDLECAP_APP_ID, nullptr);
}

CanberraSound::~CanberraSound() {
  if (context_ != nullptr) ca_context_destroy(context_);
}

bool CanberraSound::play() {
  if (context_ == nullptr) return false;
  // Without a sound device this answers CA_ERROR_NOTFOUND, the same as a missing theme sound.
  return ca_context_play(context_, 0, CA_PROP_EVENT_ID, kEventId, CA_PROP_EVENT_DESCRIPTION,
                         kEventDescription, nullptr) == CA_SUCCESS;
}

void CanberraSound::beep() {
  QApplication::beep();
}

}  // namespace brindlecap
