#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace brindlecap {

// Unsubscribes when destroyed. Safe to outlive the Published it came from.
class Subscription {
 public:
  Subscription() = default;
  explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      reset();
      cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  ~Subscription() { reset(); }

  void reset() {
    if (cancel_) std::exchange(cancel_, nullptr)();
  }

 private:
  std::function<void()> cancel_;
};

// An observable value. Subscribers are told after every change, on the thread that changed it.
template <typename T>
class Published {
 public:
  using Observer = std::function<void(const T&)>;

  enum class Delivery {
    currentAndChanges,  // the current value at once, then every change
    changesOnly,        // later changes only
  };

  Published() = default;
  explicit Published(T initial) : value_(std::move(initial)) {}
  Published(const Published&) = delete;
  Published& operator=(const Published&) = delete;

  const T& value() const { return value_; }
  const T& operator*() const { return value_; }
  const T* operator->() const { return &value_; }

  void set(T newValue) {
    value_ = std::move(newValue);
    notify();
  }
  // Changes the value in place, then notifies once.
  template <typename F>
  void mutate(F&& change) {
    change(value_);
    notify();
  }

  // `removeDuplicates` skips a notification whose value equals the one this observer saw last.
  [[nodiscard]] Subscription subscribe(Observer observer,
                                       Delivery delivery = Delivery::currentAndChanges,
                                       bool removeDuplicates = false) {
    auto entry = std::make_shared<Entry>();
    entry->observer = std::move(observer);
    entry->removeDuplicates = removeDuplicates;
    observers_->push_back(entry);
    if (delivery == Delivery::currentAndChanges) deliver(*entry);
    std::weak_ptr<Entry> weakEntry = entry;
    std::weak_ptr<std::vector<std::shared_ptr<Entry>>> weakList = observers_;
    return Subscription([weakEntry, weakList] {
      auto list = weakList.lock();
      auto e = weakEntry.lock();
      if (!list || !e) return;
      e->active = false;
      std::erase(*list, e);
    });
  }

  std::size_t subscriberCount() const { return observers_->size(); }

 private:
  struct Entry {
    Observer observer;
    bool removeDuplicates = false;
    bool active = true;
    std::unique_ptr<T> lastSeen;
  };

  void deliver(Entry& entry) {
    if (entry.removeDuplicates) {
      if (entry.lastSeen && *entry.lastSeen == value_) return;
      entry.lastSeen = std::make_unique<T>(value_);
    }
    entry.observer(value_);
  }

  void notify() {
    // A copy, so observers may subscribe or unsubscribe while being told.
    auto snapshot = *observers_;
    for (auto& entry : snapshot) {
      if (entry->active) deliver(*entry);
    }
  }

  T value_{};
  std::shared_ptr<std::vector<std::shared_ptr<Entry>>> observers_ =
      std::make_shared<std::vector<std::shared_ptr<Entry>>>();
};

}  // namespace brindlecap
