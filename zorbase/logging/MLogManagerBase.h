// The stack of log managers: the manager constructed last and not yet destroyed is the current one.
#pragma once

#include <vector>

#include <zorbase/platform/export.h>

// Base of the log managers. It holds the process-wide stack; its top entry is the current
// manager. The stack is not locked: managers are constructed and destroyed by one thread at a
// time (normally at start-up and shut-down), while log calls from any thread only read it.
class ZORBASE_API MLogManagerBase {
 protected:
  MLogManagerBase() = default;
  MLogManagerBase(const MLogManagerBase&) = default;
  MLogManagerBase& operator=(const MLogManagerBase&) = default;
  virtual ~MLogManagerBase();

  // Appends `manager` to the stack; it becomes the current manager.
  static void PushManager(MLogManagerBase* manager);
  // Removes `manager` from the stack (its last entry). A manager destroyed out of order is
  // removed where it stands, so the stack never keeps a pointer to a destroyed manager; a
  // pointer that is not on the stack changes nothing.
  static void PopManager(MLogManagerBase* manager);
  // The top entry, or null when the stack is empty.
  static MLogManagerBase* GetCurrentManager();

  // Every manager, from the bottom (oldest) to the top (current). Not owned.
  static std::vector<MLogManagerBase*> mg_stack_managers;
};
