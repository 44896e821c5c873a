// The framework's root class CObject with run-time class information (CRuntimeClass and the
// DECLARE_/IMPLEMENT_DYNAMIC, DYNCREATE and SERIAL macros), and the framework's invalid-argument
// exception.
#pragma once

#include <stdexcept>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class CObject;
class CArchive;
class CDumpContext;

// Describes one class derived from CObject: its name, size, schema, how to create an instance
// (classes declared DYNCREATE or SERIAL) and its base class. Instances are constant statics made by
// the IMPLEMENT_ macros; they live as long as the program.
struct ZORBASE_API CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF for classes that are not serializable
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;  // null for CObject

  // A new instance made with the class's default constructor (owned by the caller), or null when
  // the class cannot be created dynamically.
  CObject* CreateObject() const;
  // True when this class is `base` or derives from it.
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

// The framework's exception for an invalid argument (a bad index or size of the framework's
// arrays). Thrown by value.
class ZORBASE_API CInvalidArgException : public std::invalid_argument {
 public:
  explicit CInvalidArgException(const char* what) : std::invalid_argument(what) {}
};

// The root of the framework's classes. Objects are not copyable through CObject (derived classes
// offer their own copy operations, such as Copy for the arrays).
class ZORBASE_API CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  // Diagnostics and persistence slots of the framework; they do nothing here.
  virtual void Serialize(CArchive& archive);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& context) const;

  // True when the object's class is `runtime_class` or derives from it.
  BOOL IsKindOf(const CRuntimeClass* runtime_class) const;
  BOOL IsSerializable() const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;

 private:
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name) \
 public:                            \
  static const CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define ZB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, create)                     \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                       schema, create, RUNTIME_CLASS(base_class_name)}; \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  ZB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)          \
  CObject* class_name::CreateObject() { return new class_name; } \
  ZB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)     \
  CObject* class_name::CreateObject() { return new class_name; } \
  ZB_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, class_name::CreateObject)
