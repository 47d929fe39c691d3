#include "frame/live_objects.h"

#include <atomic>

namespace nrx::frame {
namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

}  // namespace

void ObjectCreated() { ++objects; }
void ObjectDestroyed() { --objects; }
void ServerLocked(bool lock) { lock ? ++locks : --locks; }
bool Unloadable() { return objects.load() <= 0 && locks.load() <= 0; }

}  // namespace nrx::frame
