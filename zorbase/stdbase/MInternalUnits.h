// The process-wide internal-units scale of the sibling base library and the observer base through
// which values kept in internal units follow a change of that scale.
#pragma once

#include <map>
#include <mutex>

#include <zorbase/platform/export.h>

namespace StdBase {

// Told of every change of the internal units. The notification is the first virtual operation.
class ZORBASE_API IInternalUnitsObserver {
 public:
  // Called once per change, on the thread that changed the scale, with the old and the new number
  // of internal units per millimetre; `convert` says whether values are to follow. The result says
  // whether the observer handled the change; the singleton does not act on it.
  virtual bool _OnInternalUnitsChange(double oldUnits, double newUnits, bool convert) = 0;

 protected:
  IInternalUnitsObserver() = default;
  IInternalUnitsObserver(const IInternalUnitsObserver&) = default;
  IInternalUnitsObserver& operator=(const IInternalUnitsObserver&) = default;
  virtual ~IInternalUnitsObserver() = default;
};

// An observer that registers itself with MInternalUnits::mg_instance when it is default-constructed
// and unregisters when it is destroyed. A copy is not registered (and its destruction is harmless).
class ZORBASE_API MInternalUnitsObserver : public IInternalUnitsObserver {
 public:
  virtual ~MInternalUnitsObserver();

 protected:
  MInternalUnitsObserver();
  MInternalUnitsObserver(const MInternalUnitsObserver& other);
  MInternalUnitsObserver& operator=(const MInternalUnitsObserver&) { return *this; }
};

// The process's scale of internal units. Its two leading members are read directly by callers;
// both are current at every moment.
//  - m_internal_units: internal units per millimetre (10000 until changed).
//  - m_internal_units_per_user_unit: internal units per user unit, that is m_internal_units times
//    the conversion factor (millimetres per user unit) last given to SetConversionFactor.
// Thread safety: the observer list is locked, so observers may come and go on any thread. A change
// of the scale runs under the same lock; the two members are plain doubles that other threads read
// without synchronisation, so changing the scale while other threads convert is the host's concern.
class ZORBASE_API MInternalUnits {
 public:
  double m_internal_units = 10000.0;
  double m_internal_units_per_user_unit = 10000.0;

  // The one instance. It is constructed before, and destroyed after, any static object of a
  // library that links this one.
  static MInternalUnits mg_instance;

  MInternalUnits() = default;
  ~MInternalUnits();
  MInternalUnits(const MInternalUnits&) = delete;
  MInternalUnits& operator=(const MInternalUnits&) = delete;

  // False while a change is being reported to the observers (a change from inside an observer is
  // refused); true otherwise.
  bool CanChange() const;

  // Sets the internal units per millimetre. Refused (false) for a value that is not finite and
  // positive, or when CanChange() is false. A value equal to the current one is taken (true)
  // without notifying anyone. Otherwise both members are updated first, and then every observer
  // registered at the start of the change and still registered when its turn comes is called with
  // (old, new, true) in the order of registration. An exception of an observer is rethrown after
  // all of them have been called; the new scale stays.
  bool Set(double units);

  // Millimetres per user unit (1.0 for millimetres, 25.4 for inches); it only rescales
  // m_internal_units_per_user_unit. A value that is not finite and positive is ignored.
  void SetConversionFactor(double factor);
  double GetConversionFactor() const { return m_conversion_factor; }

  // Registration; both accept any object at any time, Unregister also one that is not registered.
  void Register(IInternalUnitsObserver* observer);
  void Unregister(IInternalUnitsObserver* observer);

 private:
  double m_conversion_factor = 1.0;
  mutable std::recursive_mutex m_mutex;
  // Registered observers with their registration number; allocated on first registration.
  std::map<IInternalUnitsObserver*, unsigned long long>* m_observers = nullptr;
  unsigned long long m_next_order = 0;
  int m_changing = 0;
  bool m_closed = false;
};

}  // namespace StdBase
