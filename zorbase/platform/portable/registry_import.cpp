// Importing .reg text: all or nothing (ImportRegistryText) or line by line as the Windows reg tool
// does (ImportRegistryLines), over the backend's ApplyDocument and ApplyEachChange.
#include <zorbase/platform/portable/registry_import.h>

#include <algorithm>
#include <utility>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format_message.h>

namespace zb {
namespace platform {
namespace reg {

std::string ErrorText(LONG status) {
  std::wstring text;
  if (SystemMessageText(static_cast<DWORD>(status), &text)) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    if (!text.empty()) return WideToUtf8(text);
  }
  return "error " + std::to_string(status);
}

}  // namespace reg

LONG ImportRegistryText(const void* bytes, std::size_t size, std::string* problem) {
  regfile::Document document;
  regfile::ParseError error;
  if (!regfile::Parse(bytes, size, &document, &error)) {
    if (problem != nullptr) *problem = "line " + std::to_string(error.line) + ": " + error.message;
    return ERROR_NOT_REGISTRY_FILE;
  }
  return reg::ApplyDocument(document);
}

LONG ImportRegistryLines(const void* bytes, std::size_t size, bool strict,
                         std::vector<RegistryImportProblem>* problems) {
  problems->clear();
  regfile::Document document;
  std::vector<regfile::ParseError> skipped;
  const bool accepted = regfile::ReadLines(bytes, size, &document, &skipped);
  for (const regfile::ParseError& error : skipped) {
    RegistryImportProblem problem;
    problem.line = error.line;
    problem.reason = error.message;
    problems->push_back(std::move(problem));
  }
  if (!accepted || (strict && !skipped.empty())) return ERROR_NOT_REGISTRY_FILE;
  LONG status = reg::ApplyDocument(document);
  if (status == ERROR_SUCCESS || strict) {
    if (status != ERROR_SUCCESS) {
      RegistryImportProblem problem;
      problem.status = status;
      problem.reason = reg::ErrorText(status);
      problems->push_back(std::move(problem));
    }
    return status;
  }
  // The whole did not go in: write what can be written, one change at a time.
  status = reg::ApplyEachChange(document, problems);
  std::stable_sort(problems->begin(), problems->end(),
                   [](const RegistryImportProblem& a, const RegistryImportProblem& b) { return a.line < b.line; });
  return status;
}

}  // namespace platform
}  // namespace zb
