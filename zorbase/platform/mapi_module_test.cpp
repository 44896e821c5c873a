// The messaging module: loadable by name while a mail program is installed, with its entry points
// under plain and decorated names, and the interface's memory blocks.
#include <zorbase/platform/mapi_extended.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/internal/mail_capture.h>
#include <zorbase/platform/resources.h>

namespace {

template <typename T>
T Entry(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

SUITE(MessagingModule) {

TEST(PresentOnlyWithAMailProgram) {
  {
    zb::test::MailPrograms none("mapi_none");
    CHECK(LoadLibraryW(L"mapi32.dll") == nullptr);
    CHECK(LoadLibraryA("MAPI32") == nullptr);
  }
  for (const char* program : {"sendmail", "xdg-email"}) {
    zb::test::MailPrograms programs("mapi_some");
    programs.Add(program, "exit 0");
    HMODULE module = LoadLibraryA("MAPI32.DLL");
    CHECK(module != nullptr);
    if (module == nullptr) continue;
    for (const char* name : {"MAPISendMail", "MAPIFreeBuffer@4", "WrapCompressedRTFStream@12",
                             "MAPIInitialize@4", "MAPIUninitialize@0", "MAPILogonEx@20",
                             "MAPIAdminProfiles@8", "FreeProws@4", "FreePadrlist@4",
                             "PpropFindProp@12", "MAPIAllocateBuffer@8", "MAPIAllocateMore@12",
                             "MAPILogonEx"}) {
      CHECK(GetProcAddress(module, name) != nullptr);
    }
    CHECK(FreeLibrary(module));
  }
}

TEST(MemoryBlocksAreFreedTogetherAndForeignPointersRefused) {
  zb::test::MailPrograms programs("mapi_blocks");
  programs.Add("sendmail", "exit 0");
  HMODULE module = LoadLibraryW(L"mapi32.dll");
  CHECK(module != nullptr);
  if (module == nullptr) return;
  auto allocate = Entry<LPMAPIALLOCATEBUFFER>(module, "MAPIAllocateBuffer");
  auto more = Entry<LPMAPIALLOCATEMORE>(module, "MAPIAllocateMore");
  auto free_buffer = Entry<LPMAPIFREEBUFFER>(module, "MAPIFreeBuffer");
  auto find = Entry<LPPPROPFINDPROP>(module, "PpropFindProp");
  LPVOID root = nullptr;
  LPVOID child = nullptr;
  CHECK_EQUAL(S_OK, allocate(3 * sizeof(SPropValue), &root));
  CHECK_EQUAL(S_OK, more(64, root, &child));
  CHECK(reinterpret_cast<ULONG_PTR>(root) % 16 == 0 && reinterpret_cast<ULONG_PTR>(child) % 16 == 0);
  LPVOID nested = nullptr;
  CHECK(more(8, child, &nested) != S_OK);  // more memory hangs on a root block only
  auto* props = static_cast<SPropValue*>(root);
  props[0].ulPropTag = PR_SUBJECT_W;
  props[1].ulPropTag = PR_RECIPIENT_TYPE;
  props[1].Value.l = 2;
  props[2].ulPropTag = PR_BODY_W;
  CHECK(find(props, 3, PR_RECIPIENT_TYPE) == &props[1]);
  CHECK(find(props, 3, PROP_TAG(PT_UNSPECIFIED, 0x1000)) == &props[2]);
  CHECK(find(props, 3, PR_ENTRYID) == nullptr);
  CHECK(find(nullptr, 3, PR_BODY_W) == nullptr);
  int local = 0;
  CHECK(free_buffer(&local) != 0);  // not a block of the interface: refused, nothing freed
  CHECK(free_buffer(child) != 0);   // a linked block goes with its root only
  CHECK_EQUAL(0u, free_buffer(root));
  CHECK(free_buffer(root) != 0);    // and only once
  FreeLibrary(module);
}

}  // SUITE(MessagingModule)
