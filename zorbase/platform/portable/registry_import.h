// Internal: importing .reg text is the same on every system; applying what was read is each
// backend's. The backend provides ApplyDocument and ApplyEachChange; registry_import.cpp builds
// ImportRegistryText and ImportRegistryLines on them.
#pragma once

#include <string>
#include <vector>

#include <zorbase/platform/portable/reg_file.h>
#include <zorbase/platform/registry.h>

namespace zb {
namespace platform {
namespace reg {

// Applies a parsed document; where the store has transactions, each hive's changes are one.
// Returns the first error.
LONG ApplyDocument(const regfile::Document& document);
// Applies a document change by change, in file order, so that every change that can be written
// is; each one that cannot is appended to `problems` with its line. Applying again what an earlier
// attempt wrote is harmless. Returns the first error.
LONG ApplyEachChange(const regfile::Document& document, std::vector<RegistryImportProblem>* problems);
// The system's text for a registry error ("Access is denied."), or "error N".
std::string ErrorText(LONG status);

}  // namespace reg
}  // namespace platform
}  // namespace zb
