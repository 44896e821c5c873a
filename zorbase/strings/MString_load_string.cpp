// MString::LOAD_STRING: a string resource into the string's own buffer.
#include <zorbase/strings/MString.h>

#include <climits>

#include <zorbase/platform/resources.h>
#include <zorbase/strings/CZorResource.h>

bool MString::LOAD_STRING(unsigned int id) {
  _ALLOC(512);  // mode 1 or a smaller buffer: exactly 513 characters; else the buffer is kept
  const int capacity = m_size > INT_MAX ? INT_MAX : static_cast<int>(m_size);
  const int loaded = LoadStringW(CZorResource::GetResInstance(), id, m_text, capacity);
  RELEASE(0);
  return loaded > 0;
}
