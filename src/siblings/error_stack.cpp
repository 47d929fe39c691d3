#include "nrxJobDb/error_stack.h"

#include <algorithm>

namespace nrx {

// Never destroyed: objects destroyed at exit may still report to it from their termination.
ErrorStack& ErrorStack::Instance() {
  static auto* stack = new ErrorStack();
  return *stack;
}

bool ErrorStack::Suspended() const {
  std::lock_guard lock(mutex_);
  return suspended_;
}

void ErrorStack::SetSuspended(bool suspended) {
  std::lock_guard lock(mutex_);
  suspended_ = suspended;
}

void ErrorStack::Record(std::string source, std::string procedure) {
  {
    std::lock_guard lock(mutex_);
    if (records_.size() == kCapacity) records_.erase(records_.begin());
    records_.emplace_back(source, procedure);
  }
  Tell(source, procedure);
}

void ErrorStack::Note(const std::string& source, const std::string& text) { Tell(source, text); }

void ErrorStack::Tell(const std::string& source, const std::string& text) const {
  std::vector<Listener> listeners;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : listeners_) listeners.push_back(entry.second);
  }
  // Outside the lock: a listener may read the stack.
  for (const Listener& listener : listeners) listener(source, text);
}

void ErrorStack::Reset() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

std::vector<ErrorStack::Entry> ErrorStack::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::size_t ErrorStack::Count() const {
  std::lock_guard lock(mutex_);
  return records_.size();
}

int ErrorStack::AddListener(Listener listener) {
  std::lock_guard lock(mutex_);
  int id = next_listener_++;
  listeners_.emplace_back(id, std::move(listener));
  return id;
}

void ErrorStack::RemoveListener(int id) {
  std::lock_guard lock(mutex_);
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace nrx
