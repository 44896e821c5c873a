#include <zorbase/strings/MLoadString.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <cwchar>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/resource_fixtures.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>
#include <zorbase/strings/CZorResource.h>
#include <zorbase/strings/IResStringWrapper.h>
#include <zorbase/strings/MString.h>
#include <zorbase/strings/MStringTable.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

std::wstring Long600() {
  std::wstring text;
  for (int i = 0; i < 600; ++i) text += static_cast<wchar_t>(L'0' + i % 10);
  return text;
}

// Points the process-wide resource module at a module for one scope.
class ResourceModuleScope {
 public:
  explicit ResourceModuleScope(HINSTANCE module) : saved_(CZorResource::GetResInstance()) {
    CZorResource::SetResInstance(module);
  }
  ~ResourceModuleScope() { CZorResource::SetResInstance(saved_); }

 private:
  HINSTANCE saved_;
};

// Records what the library passes to each slot.
class RecordingWrapper : public IResStringWrapper {
 public:
  CString ZorResLoadStringEx(unsigned int id) override {
    last_id = id;
    return CString(L"slot0");
  }
  bool ZorResLoadStringEx(std::wstring& out, unsigned int) override {
    out = L"slot1";
    return true;
  }
  bool ZorResLoadStringEx(CString& out, unsigned int id) override {
    last_id = id;
    out = L"slot2";
    return true;
  }
  int ZorResLoadCharEx(wchar_t* buffer, unsigned int size, unsigned int id) override {
    last_id = id;
    last_size = size;
    std::wcscpy(buffer, L"slot3");
    return 5;
  }
  unsigned int last_id = 0;
  unsigned int last_size = 0;
};

}  // namespace

SUITE(ResourceStrings) {

TEST(BufferFormEdgeCases) {
  wchar_t buffer[32];
  std::wcscpy(buffer, L"untouched");
  CHECK(MLoadString(1, buffer, 0) == buffer);
  CHECK_WIDE(L"untouched", buffer);
  MLoadString(0u, buffer, 32);
  CHECK_WIDE(L"", buffer);
  MLoadString(1, buffer, 32);
  CHECK_WIDE(L"First string", buffer);
  MLoadString(1, buffer, 6);
  CHECK_WIDE(L"First", buffer);
}

TEST(MissingStringGivesReadableMessage) {
  wchar_t module_name[MAX_PATH];
  CHECK(GetModuleFileNameW(nullptr, module_name, MAX_PATH) > 0);
  wchar_t buffer[400];
  MLoadString(300, buffer, 400);
  const std::wstring text = buffer;
  const std::wstring head = std::wstring(L"ID=300: can't load string from module: '") + module_name + L"', h=";
  CHECK_WIDE(head, text.substr(0, head.size()));
  CHECK(text.size() > head.size());
  CHECK(text.size() <= 199);
  // Cut at size - 1 like any text.
  wchar_t small[10];
  MLoadString(300, small, 10);
  CHECK_WIDE(L"ID=300: c", small);
}

TEST(LongStringLoadsWholeIntoCString) {
  CString out;
  CHECK_WIDE(Long600(), MLoadString(out, 600).GetString());
  CHECK_WIDE(L"Highest id", MLoadString(out, 65535).GetString());
  // From a Windows PE file as the resource module.
  HMODULE pe = LoadLibraryExW(zb::test::ResourceFixture("pe_without_version.dll").c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE);
  CHECK(pe != nullptr);
  {
    ResourceModuleScope scope(pe);
    CHECK_WIDE(Long600(), MLoadString(out, 600).GetString());
    MLoadString(out, 301);
    CHECK_WIDE(L"ID=301: ", std::wstring(out.GetString()).substr(0, 8));
  }
  FreeLibrary(pe);
}

TEST(FormattedString) {
  wchar_t buffer[64];
  MLoadStringF(100, buffer, 64, L"abc", 42);
  CHECK_WIDE(L"Format abc and 42", buffer);
  MLoadStringF(100, buffer, 8, L"abc", 42);
  CHECK_WIDE(L"Format ", buffer);
  MLoadStringF(0, buffer, 64, L"abc", 42);
  CHECK_WIDE(L"", buffer);
}

TEST(WrapperSlots) {
  SetMResStringWrapper(nullptr);
  CString out(L"old");
  CHECK(ZorResLoadStringEx(7).IsEmpty());
  CHECK(!ZorResLoadStringEx(out, 7));
  CHECK(out.IsEmpty());
  wchar_t buffer[8] = L"old";
  CHECK_EQUAL(0, ZorResLoadCharEx(buffer, 7, 8));
  CHECK_EQUAL(0, buffer[0]);

  RecordingWrapper wrapper;
  SetMResStringWrapper(&wrapper);
  CHECK_WIDE(L"slot0", ZorResLoadStringEx(11).GetString());
  CHECK_EQUAL(11u, wrapper.last_id);
  CHECK(ZorResLoadStringEx(out, 12));
  CHECK_WIDE(L"slot2", out.GetString());
  CHECK_EQUAL(12u, wrapper.last_id);
  CHECK_EQUAL(5, ZorResLoadCharEx(buffer, 13, 8));
  CHECK_WIDE(L"slot3", buffer);
  CHECK_EQUAL(13u, wrapper.last_id);
  CHECK_EQUAL(8u, wrapper.last_size);
  SetMResStringWrapper(nullptr);
}

TEST(RawResources) {
  CZorResource resource;
  CHECK(resource.Load(MAKEINTRESOURCEW(7), RT_RCDATA));
  CHECK_EQUAL(10u, resource.m_size);
  CHECK(resource.m_handle != nullptr);
  CHECK(std::memcmp(resource.m_data, "native raw", 10) == 0);
  CZorResource copy;
  copy = resource;
  CHECK(copy.m_data == resource.m_data && copy.m_size == 10u);
  resource.Release();
  CHECK(resource.m_data == nullptr && resource.m_handle == nullptr);

  SetLastError(0);
  CHECK(!resource.Load(L"NOSUCH", RT_RCDATA));
  CHECK_EQUAL(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
  CHECK(resource.m_data == nullptr && resource.m_handle == nullptr && resource.m_size == 0u);
  // An empty resource is found but gives no data: a failure whose last error is never 0.
  SetLastError(0);
  CHECK(!resource.Load(MAKEINTRESOURCEW(8), RT_RCDATA));
  CHECK(GetLastError() != 0);
  CHECK(resource.m_data == nullptr && resource.m_size == 0u);
}

TEST(StringTableOverrides) {
  MStringTable table;
  CHECK_WIDE(L"", table.GetMessageFor(5));
  table.SetMessageFor(5, L"permanent");
  table.SetMessageFor(-7, L"negative");
  table.SetMessageForTemporary(5, L"temporary");
  CHECK_WIDE(L"temporary", table.GetMessageFor(5));
  MStringTable copy(table);
  table.ResetTemporary(5);
  CHECK_WIDE(L"permanent", table.GetMessageFor(5));
  CHECK_WIDE(L"temporary", copy.GetMessageFor(5));
  table.ResetTemporary(99);
  CHECK_WIDE(L"negative", table.GetMessageFor(-7));
  MStringTable moved(std::move(copy));
  CHECK_WIDE(L"temporary", moved.GetMessageFor(5));
  table = moved;
  CHECK_WIDE(L"temporary", table.GetMessageFor(5));
}

TEST(MStringLoadString) {
  MString text(L"previous");
  CHECK(text.LOAD_STRING(600));
  CHECK_EQUAL(512u, text.LEN());
  CHECK_WIDE(Long600().substr(0, 512), text.C_STR());
  CHECK_EQUAL(513u, text.SIZE());
  CHECK(text.LOAD_STRING(1));
  CHECK_WIDE(L"First string", text.C_STR());
  CHECK_EQUAL(13u, text.SIZE());  // mode 1 shrinks to fit
  CHECK(!text.LOAD_STRING(300));
  CHECK_WIDE(L"", text.C_STR());
  // A reuse-mode string keeps a larger buffer.
  MString reuse;
  reuse.RESERVE(1000, false, 2);
  reuse.RELEASE(0);
  CHECK(reuse.LOAD_STRING(600));
  CHECK_EQUAL(600u, reuse.LEN());
  CHECK_EQUAL(1001u, reuse.SIZE());
}

}
