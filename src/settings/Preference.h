#pragma once

#include <functional>
#include <utility>

#include "platform/Published.h"

namespace brindlecap {

// A published preference that is written through to its store on every set: subscribers hear
// the new value first, then `write` persists it. Main thread only.
template <class T>
class Preference {
 public:
  using Writer = std::function<void(const T&)>;

  Preference(T initial, Writer write) : published_(std::move(initial)), write_(std::move(write)) {}
  Preference(const Preference&) = delete;
  Preference& operator=(const Preference&) = delete;

  const T& value() const { return published_.value(); }

  void set(T newValue) {
    published_.set(std::move(newValue));
    // Persist what is current now: if a subscriber set the preference again while being told,
    // the store must end up with that later value, not this one.
    if (write_) write_(published_.value());
  }

  [[nodiscard]] Subscription subscribe(
      typename Published<T>::Observer observer,
      typename Published<T>::Delivery delivery = Published<T>::Delivery::currentAndChanges,
      bool removeDuplicates = false) {
    return published_.subscribe(std::move(observer), delivery, removeDuplicates);
  }

 private:
  Published<T> published_;
  Writer write_;
};

}  // namespace brindlecap
