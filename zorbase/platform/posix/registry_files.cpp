// Registry hives and .reg files: RegSaveKeyW, RegRestoreKeyW, RegLoadKeyW, RegUnLoadKeyW,
// RegReplaceKeyW, and the import and export of whole .reg files.
#include <zorbase/platform/registry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <map>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/durable_file.h>
#include <zorbase/platform/format_message.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/portable/reg_file.h>
#include <zorbase/platform/portable/registry_import.h>
#include <zorbase/platform/portable/registry_internal.h>

namespace zb {
namespace platform {
namespace reg {

LONG AddMount(bool users, const std::wstring& name, const std::shared_ptr<Hive>& hive, const std::string& file);
LONG RemoveMount(bool users, const std::wstring& name, std::shared_ptr<Hive>* hive, std::string* file);

namespace {

constexpr std::size_t kMaxRegFileSize = 1u << 30;

LONG FromErrno(int error) { return static_cast<LONG>(ErrorFromErrno(error)); }

// The subtree of `object` as a .reg document (the key under its full path).
LONG ExportObject(const KeyObject& object, regfile::Document* document) {
  if (!object.hive) return ERROR_ACCESS_DENIED;
  TreeKey tree;
  LONG status = object.hive->ExportTree(object.id, &tree);
  if (status != ERROR_SUCCESS) return status;
  regfile::AppendTree(object.path, tree, document);
  return ERROR_SUCCESS;
}

// Writes `document` as the whole content of the .reg file at native `path`, durably.
LONG WriteRegFile(const std::string& path, const regfile::Document& document, DurableTarget target) {
  const std::string bytes = regfile::Write(document);
  return static_cast<LONG>(WriteFileDurably(path, bytes.data(), bytes.size(), target));
}

LONG ReadDocument(const std::wstring& file, regfile::Document* document, std::string* problem) {
  std::string bytes;
  LONG status = ReadWholeFile(NativeFilePath(file), &bytes);
  if (status != ERROR_SUCCESS) return status;
  regfile::ParseError error;
  if (!regfile::Parse(bytes.data(), bytes.size(), document, &error)) {
    if (problem != nullptr) *problem = "line " + std::to_string(error.line) + ": " + error.message;
    return ERROR_NOT_REGISTRY_FILE;
  }
  return ERROR_SUCCESS;
}

using regfile::RootOfName;

// The edits of one section of a document (its key's creation or deletion first, then one per
// value) and the hive that holds its key; no edits for a deletion of what does not exist.
LONG SectionEdits(const regfile::Section& section, std::shared_ptr<Hive>* hive, std::vector<Edit>* edits) {
  std::wstring root_name;
  std::wstring rest;
  if (!regfile::SplitRootPath(section.path, &root_name, &rest)) return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring> levels;
  LONG status = SplitKeyPath(rest.c_str(), &levels);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::wstring> hive_levels;
  const HKEY root = RootOfName(root_name);
  status = HiveOfPath(root, levels, hive, &hive_levels);
  if (status == ERROR_FILE_NOT_FOUND && root == HKEY_USERS) {
    // No hive of that name is loaded: there is nothing to delete, and nothing can be created
    // directly below HKEY_USERS (as RegCreateKeyExW says).
    return section.remove ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  }
  if (status != ERROR_SUCCESS) return status;
  Edit edit;
  edit.levels = hive_levels;
  if (section.remove) {
    if (hive_levels.empty()) return ERROR_ACCESS_DENIED;
    edit.kind = Edit::Kind::kDeleteTree;
    edits->push_back(std::move(edit));
    return ERROR_SUCCESS;
  }
  edit.kind = Edit::Kind::kCreateKey;
  edits->push_back(std::move(edit));
  for (const regfile::Value& value : section.values) {
    Edit value_edit;
    value_edit.levels = hive_levels;
    value_edit.value_name = value.name;
    if (value.remove) {
      value_edit.kind = Edit::Kind::kDeleteValue;
    } else {
      value_edit.kind = Edit::Kind::kSetValue;
      value_edit.type = value.type;
      value_edit.data = value.data;
    }
    edits->push_back(std::move(value_edit));
  }
  return ERROR_SUCCESS;
}

}  // namespace

// Applies a parsed document: its edits are grouped by hive and each hive's edits are one
// transaction, applied in the order the hives first appear.
LONG ApplyDocument(const regfile::Document& document) {
  std::vector<std::pair<std::shared_ptr<Hive>, std::vector<Edit>>> batches;
  auto batch_of = [&](const std::shared_ptr<Hive>& hive) -> std::vector<Edit>& {
    for (auto& batch : batches) {
      if (batch.first == hive) return batch.second;
    }
    batches.emplace_back(hive, std::vector<Edit>());
    return batches.back().second;
  };
  for (const regfile::Section& section : document.sections) {
    std::shared_ptr<Hive> hive;
    std::vector<Edit> edits;
    LONG status = SectionEdits(section, &hive, &edits);
    if (status != ERROR_SUCCESS) return status;
    if (edits.empty()) continue;
    std::vector<Edit>& batch = batch_of(hive);
    for (Edit& edit : edits) batch.push_back(std::move(edit));
  }
  for (auto& batch : batches) {
    LONG status = batch.first->Apply(batch.second);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

// Applies a document one change at a time, in file order, so that every change that can be
// written is and each one that cannot is listed with its line. A key that cannot be written takes
// its values with it. Writing again what a failed batch already committed is harmless: the
// changes are replayed in the same order and end in the same state. Returns the first error.
LONG ApplyEachChange(const regfile::Document& document, std::vector<RegistryImportProblem>* problems) {
  LONG first = ERROR_SUCCESS;
  auto fail = [&](int line, LONG status) {
    RegistryImportProblem problem;
    problem.line = line;
    problem.status = status;
    problem.reason = ErrorText(status);
    problems->push_back(std::move(problem));
    if (first == ERROR_SUCCESS) first = status;
  };
  for (const regfile::Section& section : document.sections) {
    std::shared_ptr<Hive> hive;
    std::vector<Edit> edits;
    LONG status = SectionEdits(section, &hive, &edits);
    if (status == ERROR_SUCCESS && edits.empty()) continue;
    if (status == ERROR_SUCCESS) status = hive->Apply({edits[0]});
    if (status != ERROR_SUCCESS) {
      fail(section.line, status);
      for (const regfile::Value& value : section.values) fail(value.line, status);
      continue;
    }
    for (std::size_t i = 1; i < edits.size(); ++i) {
      status = hive->Apply({edits[i]});
      if (status != ERROR_SUCCESS) fail(section.values[i - 1].line, status);
    }
  }
  return first;
}

namespace {

LONG LoadHiveFromFile(const std::wstring& file, std::shared_ptr<Hive>* hive) {
  regfile::Document document;
  LONG status = ReadDocument(file, &document, nullptr);
  if (status != ERROR_SUCCESS) return status;
  TreeKey tree;
  std::wstring base;
  if (!regfile::BuildTree(document, &tree, &base)) return ERROR_NOT_REGISTRY_FILE;
  DWORD error = ERROR_SUCCESS;
  std::unique_ptr<Hive> made = Hive::OpenMemory(&error);
  if (!made) return static_cast<LONG>(error);
  status = made->ReplaceTree(kRootKeyId, tree);
  if (status != ERROR_SUCCESS) return status;
  made->set_change_listener(&OnHiveChange);
  *hive = std::shared_ptr<Hive>(std::move(made));
  return ERROR_SUCCESS;
}

}  // namespace

std::string NativeFilePath(const std::wstring& path) {
  // Native paths are taken as they are; Windows paths go through the platform's drive mapping.
  if (!path.empty() && path[0] == L'/') return EncodeNativeName(path);
  ResolvedPath resolved;
  if (ResolveWindowsPath(path.c_str(), &resolved) != ERROR_SUCCESS) return std::string();
  return resolved.native;
}

LONG ReadWholeFile(const std::string& path, std::string* bytes) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FromErrno(errno);
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return ERROR_ACCESS_DENIED;
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxRegFileSize) {
    close(fd);
    return ERROR_FILE_TOO_LARGE;
  }
  bytes->clear();
  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      close(fd);
      return FromErrno(error);
    }
    if (got == 0) break;
    bytes->append(buffer, static_cast<std::size_t>(got));
    if (bytes->size() > kMaxRegFileSize) {
      close(fd);
      return ERROR_FILE_TOO_LARGE;
    }
  }
  close(fd);
  return ERROR_SUCCESS;
}

}  // namespace reg

LONG ImportRegistryFile(const std::wstring& file, std::string* problem) {
  regfile::Document document;
  LONG status = reg::ReadDocument(file, &document, problem);
  if (status != ERROR_SUCCESS) return status;
  return reg::ApplyDocument(document);
}

LONG ExportRegistryKey(HKEY root, const wchar_t* sub_key, const std::wstring& file) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExW(root, sub_key, 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;
  reg::KeyPtr object;
  status = reg::ResolveKey(key, &object);
  regfile::Document document;
  document.editor_strings = true;
  if (status == ERROR_SUCCESS) status = reg::ExportObject(*object, &document);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return status;
  return reg::WriteRegFile(reg::NativeFilePath(file), document, DurableTarget::kReplace);
}

}  // namespace platform
}  // namespace zb

using zb::platform::reg::KeyPtr;

LONG RegSaveKeyW(HKEY key, LPCWSTR file, const SECURITY_ATTRIBUTES* /*security*/) {
  if (file == nullptr || *file == 0) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = zb::platform::reg::ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  if ((object->granted & KEY_READ & ~READ_CONTROL) == 0) return ERROR_ACCESS_DENIED;
  zb::platform::regfile::Document document;
  status = zb::platform::reg::ExportObject(*object, &document);
  if (status != ERROR_SUCCESS) return status;
  return zb::platform::reg::WriteRegFile(zb::platform::reg::NativeFilePath(file), document,
                                         zb::platform::DurableTarget::kCreateNew);
}

LONG RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD /*flags*/) {
  if (file == nullptr || *file == 0) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = zb::platform::reg::ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  if ((object->granted & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != (KEY_SET_VALUE | KEY_CREATE_SUB_KEY) || !object->hive) {
    return ERROR_ACCESS_DENIED;
  }
  zb::platform::regfile::Document document;
  status = zb::platform::reg::ReadDocument(file, &document, nullptr);
  if (status != ERROR_SUCCESS) return status;
  zb::platform::reg::TreeKey tree;
  std::wstring base;
  if (!zb::platform::regfile::BuildTree(document, &tree, &base)) return ERROR_NOT_REGISTRY_FILE;
  return object->hive->ReplaceTree(object->id, tree);
}

LONG RegLoadKeyW(HKEY key, LPCWSTR sub_key, LPCWSTR file) {
  if (sub_key == nullptr || *sub_key == 0 || file == nullptr || *file == 0) return ERROR_INVALID_PARAMETER;
  if (key != HKEY_USERS && key != HKEY_LOCAL_MACHINE) return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring> levels;
  LONG status = zb::platform::reg::SplitKeyPath(sub_key, &levels);
  if (status != ERROR_SUCCESS) return status;
  if (levels.size() != 1) return ERROR_INVALID_PARAMETER;
  bool users = key == HKEY_USERS;
  // A name that already exists below the root cannot be a mount point.
  HKEY existing = nullptr;
  if (RegOpenKeyExW(key, sub_key, 0, KEY_QUERY_VALUE, &existing) == ERROR_SUCCESS) {
    RegCloseKey(existing);
    return ERROR_ALREADY_EXISTS;
  }
  std::shared_ptr<zb::platform::reg::Hive> hive;
  status = zb::platform::reg::LoadHiveFromFile(file, &hive);
  if (status != ERROR_SUCCESS) return status;
  return zb::platform::reg::AddMount(users, levels[0], hive, zb::platform::reg::NativeFilePath(file));
}

LONG RegUnLoadKeyW(HKEY key, LPCWSTR sub_key) {
  if (sub_key == nullptr || *sub_key == 0) return ERROR_INVALID_PARAMETER;
  if (key != HKEY_USERS && key != HKEY_LOCAL_MACHINE) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<zb::platform::reg::Hive> hive;
  std::string file;
  std::wstring name(sub_key);
  while (!name.empty() && name.back() == L'\\') name.pop_back();
  LONG status = zb::platform::reg::RemoveMount(key == HKEY_USERS, name, &hive, &file);
  if (status != ERROR_SUCCESS) return status;
  // The hive goes back to its file, under the name it was loaded as.
  zb::platform::reg::TreeKey tree;
  status = hive->ExportTree(zb::platform::reg::kRootKeyId, &tree);
  if (status != ERROR_SUCCESS) return status;
  zb::platform::regfile::Document document;
  std::wstring path = std::wstring(key == HKEY_USERS ? L"HKEY_USERS\\" : L"HKEY_LOCAL_MACHINE\\") + name;
  zb::platform::regfile::AppendTree(path, tree, &document);
  return zb::platform::reg::WriteRegFile(file, document, zb::platform::DurableTarget::kReplace);
}

LONG RegReplaceKeyW(HKEY key, LPCWSTR sub_key, LPCWSTR new_file, LPCWSTR old_file) {
  if (new_file == nullptr || *new_file == 0 || old_file == nullptr || *old_file == 0) return ERROR_INVALID_PARAMETER;
  HKEY target = nullptr;
  LONG status = RegOpenKeyExW(key, sub_key, 0, KEY_ALL_ACCESS, &target);
  if (status != ERROR_SUCCESS) return status;
  // Read the new contents first, so a bad file changes nothing.
  zb::platform::regfile::Document document;
  status = zb::platform::reg::ReadDocument(new_file, &document, nullptr);
  zb::platform::reg::TreeKey tree;
  std::wstring base;
  if (status == ERROR_SUCCESS && !zb::platform::regfile::BuildTree(document, &tree, &base)) status = ERROR_NOT_REGISTRY_FILE;
  if (status == ERROR_SUCCESS) status = RegSaveKeyW(target, old_file, nullptr);
  KeyPtr object;
  if (status == ERROR_SUCCESS) status = zb::platform::reg::ResolveKey(target, &object);
  if (status == ERROR_SUCCESS) status = object->hive->ReplaceTree(object->id, tree);
  RegCloseKey(target);
  return status;
}
