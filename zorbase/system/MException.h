// The library's exception family for processor faults. MMExceptionTranslator (MMExceptionTranslator.h)
// throws these, by value, for faults of threads that installed it; client code catches them or
// builds its own MException objects with its own code tables.
//
//   MException                  common base, never thrown by the translator itself
//     MHardException            access violation, misalignment, breakpoint, single step, page-in
//                               error, illegal and privileged instruction, non-continuable exception,
//                               invalid disposition
//       MMException             array bounds exceeded, stack overflow
//         MMFltException        the seven floating-point faults
//         MMIntException        integer division by zero, integer overflow
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MException {
 public:
  // One entry of a code table. A table ends with an entry whose code is MAX_EX_CODE; in that entry
  // `description` holds a pointer to a further table (cast to const wchar_t*) in which a lookup goes
  // on, or null. Tables are static constant data; an exception only points at one.
  struct sType {
    DWORD code;
    const wchar_t* name;
    const wchar_t* description;
  };

  // The terminator's code.
  static constexpr DWORD MAX_EX_CODE = 0xFFFFFFFFu;

  // No table; the code is 0 until set.
  MException();
  // The table; the code is 0 until set.
  explicit MException(const sType* table);
  MException(DWORD code, const sType* table);
  MException(const MException& other);
  MException& operator=(const MException& other);
  virtual ~MException();

  DWORD GetType() const { return m_type; }
  void SetType(DWORD code) { m_type = code; }
  MException& operator=(DWORD code);
  bool operator==(DWORD code) const { return m_type == code; }
  bool operator!=(DWORD code) const { return m_type != code; }

  // The name and the description of the code, looked up in the table and the tables it links to;
  // "Uknown exception type.\n" when no table of the chain lists the code (also without a table, and
  // when a chain links back to itself).
  virtual const wchar_t* GetName() const;
  virtual const wchar_t* GetDescription() const;

 protected:
  // The same lookups, starting at `table`.
  const wchar_t* _GetName(const sType* table) const;
  const wchar_t* _GetDescription(const sType* table) const;

  DWORD m_type;
  const sType* m_table;
};

class ZORBASE_API MHardException : public MException {
 public:
  MHardException() = default;
  explicit MHardException(const sType* table) : MException(table) {}
  MHardException(DWORD code, const sType* table) : MException(code, table) {}
  MHardException(const MHardException& other) = default;
  MHardException& operator=(const MHardException& other) = default;
  using MException::operator=;
  ~MHardException() override;
};

class ZORBASE_API MMException : public MHardException {
 public:
  MMException() = default;
  explicit MMException(const sType* table) : MHardException(table) {}
  MMException(DWORD code, const sType* table) : MHardException(code, table) {}
  MMException(const MMException& other) = default;
  MMException& operator=(const MMException& other) = default;
  using MException::operator=;
  ~MMException() override;
};

class ZORBASE_API MMFltException : public MMException {
 public:
  MMFltException() = default;
  explicit MMFltException(const sType* table) : MMException(table) {}
  MMFltException(DWORD code, const sType* table) : MMException(code, table) {}
  MMFltException(const MMFltException& other) = default;
  MMFltException& operator=(const MMFltException& other) = default;
  using MException::operator=;
  ~MMFltException() override;
};

class ZORBASE_API MMIntException : public MMException {
 public:
  MMIntException() = default;
  explicit MMIntException(const sType* table) : MMException(table) {}
  MMIntException(DWORD code, const sType* table) : MMException(code, table) {}
  MMIntException(const MMIntException& other) = default;
  MMIntException& operator=(const MMIntException& other) = default;
  using MException::operator=;
  ~MMIntException() override;
};

// The system exception table: the 20 processor-fault codes the translator knows, each with its
// symbolic name and description (every text ends with a newline), then the terminator.
extern ZORBASE_API const MException::sType SeTypeTable[];
