#pragma once
// Counts the component's objects and class-object locks, so the library can tell whether it
// may be unloaded.

namespace nrx::frame {

void ObjectCreated();
void ObjectDestroyed();
void ServerLocked(bool lock);
// True when no object is alive and no class object is locked.
bool Unloadable();

}  // namespace nrx::frame
