#include <zorbase/units/MInternalUnitsValue.h>

#include <zorbase/units/internal/number_conversion.h>

using zb::units_internal::TruncateTo;

namespace {

// value * k^N, multiplied in the order k * value * k * k.
template <int N>
double Scale(double value, double k) {
  double result = k * value;
  if (N >= 2) result *= k;
  if (N >= 3) result *= k;
  return result;
}

}  // namespace

template <class T, int N>
MInternalUnitsValue<T, N>::MInternalUnitsValue() : m_value(0) {}

template <class T, int N>
MInternalUnitsValue<T, N>::MInternalUnitsValue(const MInternalUnitsValue& other)
    : IInternalUnitsObserver(other), m_value(other.m_value) {}

template <class T, int N>
MInternalUnitsValue<T, N>& MInternalUnitsValue<T, N>::operator=(const MInternalUnitsValue& other) {
  m_value = other.m_value;
  return *this;
}

template <class T, int N>
MInternalUnitsValue<T, N>::~MInternalUnitsValue() = default;

template <class T, int N>
T MInternalUnitsValue<T, N>::GetInDefaultInternalUnits() const {
  const double k = m_default_units / GetInternalUnits();
  return TruncateTo<T>(Scale<N>(static_cast<double>(m_value), k));
}

template <class T, int N>
void MInternalUnitsValue<T, N>::SetInDefaultInternalUnits(T v) {
  const double k = GetInternalUnits() / m_default_units;
  m_value = TruncateTo<T>(Scale<N>(static_cast<double>(v), k));
}

template <class T, int N>
bool MInternalUnitsValue<T, N>::_OnInternalUnitsChange(const double& oldUnits, const double& newUnits,
                                                       bool convert) {
  if (convert) {
    const double r = newUnits / oldUnits;
    double value = static_cast<double>(m_value) * r;
    if (N >= 2) value *= r;
    if (N >= 3) value *= r;
    m_value = TruncateTo<T>(value);
  }
  return true;
}

template class MInternalUnitsValue<short, 1>;
template class MInternalUnitsValue<unsigned short, 1>;
template class MInternalUnitsValue<int, 1>;
template class MInternalUnitsValue<unsigned int, 1>;
template class MInternalUnitsValue<long, 1>;
template class MInternalUnitsValue<unsigned long, 1>;
template class MInternalUnitsValue<float, 1>;
template class MInternalUnitsValue<float, 2>;
template class MInternalUnitsValue<float, 3>;
template class MInternalUnitsValue<double, 1>;
template class MInternalUnitsValue<double, 2>;
template class MInternalUnitsValue<double, 3>;
