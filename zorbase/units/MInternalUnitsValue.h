// A number kept in internal units raised to the power N (1 a length, 2 an area, 3 a volume) that
// rescales itself when the internal units change, and converts to and from the default scale of
// 10000 internal units per millimetre.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/units/IInternalUnitsObserver.h>

// Computations run in double and convert back to T: float rounds to nearest, integer types
// truncate toward zero and saturate at their limits (unsigned types through a 64-bit
// intermediate; negative results give 0; NaN gives the type's minimum). Not locked: changing the
// scale while other threads read values is the caller's concern.
template <class T, int N>
class ZORBASE_API MInternalUnitsValue : public IInternalUnitsObserver {
 public:
  // Registered, value 0.
  MInternalUnitsValue();
  // Copies the value; the copy is not registered and keeps its number when the scale changes.
  MInternalUnitsValue(const MInternalUnitsValue& other);
  // Copies the value only.
  MInternalUnitsValue& operator=(const MInternalUnitsValue& other);
  virtual ~MInternalUnitsValue();

  operator T() const { return m_value; }

  // T(value * (10000 / IU)^N).
  T GetInDefaultInternalUnits() const;
  // Stores v given in the default scale: value = T(v * (IU / 10000)^N).
  void SetInDefaultInternalUnits(T v);

 protected:
  using IInternalUnitsObserver::_OnInternalUnitsChange;
  // With `convert`, value = T(value * (newUnits / oldUnits)^N). Returns true.
  bool _OnInternalUnitsChange(const double& oldUnits, const double& newUnits, bool convert) override;

 private:
  T m_value;
};

extern template class MInternalUnitsValue<short, 1>;
extern template class MInternalUnitsValue<unsigned short, 1>;
extern template class MInternalUnitsValue<int, 1>;
extern template class MInternalUnitsValue<unsigned int, 1>;
extern template class MInternalUnitsValue<long, 1>;
extern template class MInternalUnitsValue<unsigned long, 1>;
extern template class MInternalUnitsValue<float, 1>;
extern template class MInternalUnitsValue<float, 2>;
extern template class MInternalUnitsValue<float, 3>;
extern template class MInternalUnitsValue<double, 1>;
extern template class MInternalUnitsValue<double, 2>;
extern template class MInternalUnitsValue<double, 3>;
