#include <zorbase/platform/portable/chm_archive.h>

#include <chm_lib.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>

#include <zorbase/platform/isolated_call.h>
#include <zorbase/platform/portable/chm_streams.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace chm {
namespace {

constexpr DWORD kReadTimeoutMs = 30000;

void PutString(std::string* out, const std::string& s) {
  const std::uint32_t size = static_cast<std::uint32_t>(s.size());
  out->append(reinterpret_cast<const char*>(&size), 4);
  out->append(s);
}

bool GetString(const std::string& in, std::size_t* at, std::string* s) {
  if (in.size() - *at < 4) return false;
  std::uint32_t size;
  std::memcpy(&size, in.data() + *at, 4);
  *at += 4;
  if (in.size() - *at < size) return false;
  s->assign(in, *at, size);
  *at += size;
  return true;
}

bool IsPage(const std::string& name) {
  const std::string lower = LowerAscii(name);
  for (const char* ext : {".htm", ".html"}) {
    const std::size_t n = std::strlen(ext);
    if (lower.size() >= n && lower.compare(lower.size() - n, n, ext) == 0) return true;
  }
  return false;
}

int CollectName(chmFile*, chmUnitInfo* info, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(info->path);
  return CHM_ENUMERATOR_CONTINUE;
}

// Reads one object; false when it is missing, too large for what is left, or unreadable.
bool ReadObject(chmFile* file, const std::string& name, std::size_t* budget, std::string* data) {
  chmUnitInfo info;
  if (name.empty() || name.size() >= sizeof info.path) return false;
  if (chm_resolve_object(file, name.c_str(), &info) != CHM_RESOLVE_SUCCESS) return false;
  if (info.length > *budget) return false;
  data->assign(static_cast<std::size_t>(info.length), '\0');
  if (info.length == 0) return true;
  const LONGINT64 got = chm_retrieve_object(
      file, &info, reinterpret_cast<unsigned char*>(&(*data)[0]), 0,
      static_cast<LONGINT64>(info.length));
  if (got != static_cast<LONGINT64>(info.length)) return false;
  *budget -= static_cast<std::size_t>(info.length);
  return true;
}

// The work of one read, in the isolated child: "B" for a file chmlib cannot open, else "O" and
// the names, then the objects as name/bytes pairs.
std::string ReadInChild(const std::string& path, const ReadRequest& request) {
  chmFile* file = chm_open(path.c_str());
  if (file == nullptr) return "B";
  std::vector<std::string> names;
  if (request.list) chm_enumerate(file, CHM_ENUMERATE_ALL, &CollectName, &names);
  std::map<std::string, std::string> objects;
  std::size_t budget = request.max_bytes;
  for (const std::string& name : request.objects) {
    std::string data;
    if (objects.size() < request.max_files && ReadObject(file, name, &budget, &data)) {
      objects[name] = std::move(data);
    }
  }
  std::deque<std::pair<std::string, int>> queue;
  std::set<std::string> seen;
  for (const std::string& page : request.follow) queue.emplace_back(page, 0);
  while (!queue.empty() && objects.size() < request.max_files) {
    auto [name, depth] = queue.front();
    queue.pop_front();
    if (!seen.insert(LowerAscii(name)).second) continue;
    std::string data;
    if (!ReadObject(file, name, &budget, &data)) continue;
    if (depth < request.depth && IsPage(name)) {
      for (const std::string& linked : LinkedNames(name, data)) {
        queue.emplace_back(linked, depth + 1);
      }
    }
    objects[name] = std::move(data);
  }
  chm_close(file);
  std::string out = "O";
  PutString(&out, std::to_string(names.size()));
  for (const std::string& name : names) PutString(&out, name);
  for (const auto& [name, data] : objects) {
    PutString(&out, name);
    PutString(&out, data);
  }
  return out;
}

}  // namespace

DWORD ReadArchive(const std::string& native_path, const ReadRequest& request, Archive* archive) {
  *archive = Archive();
  std::error_code error_code;
  const auto status = std::filesystem::status(native_path, error_code);
  if (!std::filesystem::exists(status)) return ERROR_FILE_NOT_FOUND;
  if (!std::filesystem::is_regular_file(status)) return ERROR_BAD_FORMAT;
  std::string answer;
  const DWORD error = RunIsolated([&] { return ReadInChild(native_path, request); },
                                  kReadTimeoutMs, &answer);
  if (error != ERROR_SUCCESS) return error;
  if (answer == "B") return ERROR_BAD_FORMAT;
  if (answer.empty() || answer[0] != 'O') return ERROR_INVALID_DATA;
  std::size_t at = 1;
  std::string count_text;
  if (!GetString(answer, &at, &count_text)) return ERROR_INVALID_DATA;
  const std::size_t count = std::strtoull(count_text.c_str(), nullptr, 10);
  for (std::size_t i = 0; i < count; ++i) {
    std::string name;
    if (!GetString(answer, &at, &name)) return ERROR_INVALID_DATA;
    archive->names.push_back(std::move(name));
  }
  while (at < answer.size()) {
    std::string name;
    std::string data;
    if (!GetString(answer, &at, &name) || !GetString(answer, &at, &data)) {
      return ERROR_INVALID_DATA;
    }
    archive->objects[name] = std::move(data);
  }
  return ERROR_SUCCESS;
}

bool IsContentName(const std::string& name) {
  return !name.empty() && name[0] == '/' && name.size() > 1 && name[1] != '#' && name[1] != '$' &&
         name.back() != '/';
}

std::string FindObject(const std::vector<std::string>& names, const std::string& topic) {
  const std::string wanted = LowerAscii(NormalizeName(topic));
  if (wanted.empty()) return std::string();
  std::string best;
  std::size_t best_length = 0;
  for (const std::string& name : names) {
    if (!IsContentName(name)) continue;
    const std::string lower = LowerAscii(name);
    if (lower == wanted) return name;
    // A tail that starts at a folder boundary of the topic's path.
    if (lower.size() < wanted.size() &&
        wanted.compare(wanted.size() - lower.size(), lower.size(), lower) == 0 &&
        lower.size() > best_length) {
      best = name;
      best_length = lower.size();
    }
  }
  return best;
}

}  // namespace chm
}  // namespace platform
}  // namespace zb
