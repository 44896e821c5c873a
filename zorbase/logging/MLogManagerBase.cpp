#include <zorbase/logging/MLogManagerBase.h>

#include <algorithm>

std::vector<MLogManagerBase*> MLogManagerBase::mg_stack_managers;

MLogManagerBase::~MLogManagerBase() = default;

void MLogManagerBase::PushManager(MLogManagerBase* manager) {
  mg_stack_managers.push_back(manager);
}

void MLogManagerBase::PopManager(MLogManagerBase* manager) {
  auto it = std::find(mg_stack_managers.rbegin(), mg_stack_managers.rend(), manager);
  if (it != mg_stack_managers.rend()) mg_stack_managers.erase(std::next(it).base());
}

MLogManagerBase* MLogManagerBase::GetCurrentManager() {
  return mg_stack_managers.empty() ? nullptr : mg_stack_managers.back();
}
