// CComRegistrar (CComRegistrar.h).
#include <zorbase/settings/CComRegistrar.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/settings/MRegKey.h>

namespace {

const wchar_t kProxyStub[] = L"{00020420-0000-0000-C000-000000000046}";
const wchar_t kSafeForScripting[] = L"7DD95801-9882-11CF-9FA9-00AA006C42C4";
const wchar_t kSafeForInitializing[] = L"7DD95802-9882-11CF-9FA9-00AA006C42C4";

CString WithBraces(CString text) {
  if (text.IsEmpty()) return text;
  if (text[0] != L'{') text = L"{" + text;
  if (text[text.GetLength() - 1] != L'}') text += L'}';
  return text;
}

// Writes the default value of `path` below `parent` when it differs (null/empty: deletes it).
void UpdateDefault(MRegKey& parent, const wchar_t* path, const CString& value) {
  MRegKey key(path, parent);
  key.UpdRegStrE(nullptr, value);
}

}  // namespace

CComRegistrar::CComRegistrar(ParamInit* params) { InitParams(params); }

CComRegistrar::~CComRegistrar() = default;

void CComRegistrar::InitParams(ParamInit* params) {
  if (params == nullptr) return;
  for (; params->index != PARAM_END; ++params) {
    Set(static_cast<REGPARAM>(params->index), params->value != nullptr ? params->value : L"");
  }
}

void CComRegistrar::Set(REGPARAM index, CString value) {
  if (index < PARAM_CLSID || index >= PARAM_END) return;
  if (index == PARAM_CLSID || index == PARAM_IID || index == PARAM_TYPELIB_ID) value = WithBraces(value);
  SetAtGrow(index, value);
}

CString CComRegistrar::Get(REGPARAM index) {
  if (index < 0 || index >= GetSize()) return CString();
  return GetAt(index);
}

CString CComRegistrar::ServerPath() {
  CString path = Get(PARAM_SERVER_PATH);
  if (!path.IsEmpty()) return path;
  wchar_t module[MAX_PATH] = {0};
  if (GetModuleFileNameW(nullptr, module, MAX_PATH) == 0) return CString();
  return CString(module);
}

int CComRegistrar::Register(ParamInit* params) {
  InitParams(params);
  MRegKey root(HKEY_CLASSES_ROOT, FALSE);
  const CString clsid = Get(PARAM_CLSID);
  const CString progid = Get(PARAM_PROGID);
  const CString description = Get(PARAM_DESCRIPTION);
  const CString iid = Get(PARAM_IID);
  const CString typelib = Get(PARAM_TYPELIB_ID);
  const CString version = Get(PARAM_TYPELIB_VERSION);
  const bool has_typelib = !typelib.IsEmpty() && !version.IsEmpty();
  // The type-library reference of a class or an interface key.
  auto write_typelib_reference = [&](MRegKey& owner) {
    if (has_typelib) {
      MRegKey reference(L"TypeLib", owner);
      reference.UpdRegStr(nullptr, typelib);
      reference.UpdRegStr(L"Version", version);
    } else {
      owner.DeleteSubKey(L"TypeLib");
    }
  };

  if (!clsid.IsEmpty()) {
    MRegKey cls(L"CLSID\\" + clsid, root);
    cls.UpdRegStrE(nullptr, description);
    if (!progid.IsEmpty()) {
      UpdateDefault(cls, L"ProgID", progid);
    } else {
      cls.DeleteSubKey(L"ProgID");
    }
    const CString kind = Get(PARAM_SERVER_KIND);
    if (kind == L"LS" || kind == L"LSO" || kind == L"INP") {
      const CString server = ServerPath();
      if (kind == L"INP") {
        UpdateDefault(cls, L"InprocServer32", server);
      } else {
        UpdateDefault(cls, L"LocalServer32", server);
        if (kind == L"LSO") UpdateDefault(cls, L"InprocHandler32", L"ole32.dll");
      }
    }
    write_typelib_reference(cls);
  }

  if (!progid.IsEmpty()) {
    MRegKey prog(progid, root);
    prog.UpdRegStrE(nullptr, description);
    if (!clsid.IsEmpty()) {
      UpdateDefault(prog, L"CLSID", clsid);
    } else {
      prog.DeleteSubKey(L"CLSID");
    }
  }

  if (!iid.IsEmpty()) {
    MRegKey itf(L"Interface\\" + iid, root);
    itf.UpdRegStrE(nullptr, Get(PARAM_INTERFACE_NAME));
    UpdateDefault(itf, L"ProxyStubClsid", kProxyStub);
    UpdateDefault(itf, L"ProxyStubClsid32", kProxyStub);
    write_typelib_reference(itf);
  }

  if (has_typelib) {
    MRegKey library(L"TypeLib\\" + typelib + L"\\" + version, root);
    CString name = Get(PARAM_TYPELIB_NAME);
    library.UpdRegStrE(nullptr, name.IsEmpty() ? description : name);
    UpdateDefault(library, L"FLAGS", L"0");
    UpdateDefault(library, L"0\\win32", ServerPath());
  }
  return 1;
}

int CComRegistrar::UnRegister(ParamInit* params) {
  InitParams(params);
  MRegKey root(HKEY_CLASSES_ROOT, FALSE);
  const CString clsid = Get(PARAM_CLSID);
  const CString progid = Get(PARAM_PROGID);
  const CString server = Get(PARAM_SERVER_PATH);
  const CString iid = Get(PARAM_IID);
  const CString typelib = Get(PARAM_TYPELIB_ID);
  const CString version = Get(PARAM_TYPELIB_VERSION);
  if (!progid.IsEmpty()) root.DeleteSubKey(progid);
  if (!clsid.IsEmpty()) {
    root.DeleteSubKey(L"CLSID\\" + clsid);
    root.DeleteSubKey(L"AppID\\" + clsid);
  }
  if (!server.IsEmpty()) {
    int slash = server.ReverseFind(L'\\');
    CString file = server.Mid(slash + 1);
    if (!file.IsEmpty()) root.DeleteSubKey(L"AppID\\" + file);
  }
  if (!iid.IsEmpty()) root.DeleteSubKey(L"Interface\\" + iid);
  if (!typelib.IsEmpty() && !version.IsEmpty()) root.DeleteSubKey(L"TypeLib\\" + typelib + L"\\" + version);
  return 1;
}

int CComRegistrar::RegisterImplementedCategory(CString categoryId) {
  categoryId = WithBraces(categoryId);
  if (categoryId.IsEmpty()) return 1;
  MRegKey root(HKEY_CLASSES_ROOT, FALSE);
  MRegKey category(L"CLSID\\" + Get(PARAM_CLSID) + L"\\Implemented Categories\\" + categoryId, root);
  category.Create();
  return static_cast<HKEY>(category) != nullptr ? 1 : 0;
}

int CComRegistrar::RegisterSafeForScripting() {
  if (!RegisterImplementedCategory(kSafeForScripting)) return 0;
  return RegisterImplementedCategory(kSafeForInitializing);
}
