#include "nrxJobDb/verify_failures.h"

namespace nrx {
namespace {

// Per thread: each call runs to its end on its caller's thread, and a collector made by one
// caller must not take another's failures.
thread_local VerifyFailureCollector* current_collector = nullptr;

}  // namespace

VerifyFailureCollector::VerifyFailureCollector() : previous_(current_collector) {
  current_collector = this;
}

VerifyFailureCollector::~VerifyFailureCollector() { current_collector = previous_; }

VerifyFailureCollector* VerifyFailureCollector::Current() { return current_collector; }

}  // namespace nrx
