#include "nrxJobDb/ls_preferences.h"

#include "nrxJobDb/errors.h"

namespace nrx::model {
namespace {

constexpr std::string_view kSource = "nrxModel.LSOptPrefs";

template <class T>
T As(const Variant& value);
template <>
double As(const Variant& value) {
  return value.ToDouble();
}
template <>
float As(const Variant& value) {
  return value.ToSingle();
}
template <>
bool As(const Variant& value) {
  return value.ToBoolean();
}
template <>
std::int16_t As(const Variant& value) {
  return value.ToInteger();
}
template <>
std::int32_t As(const Variant& value) {
  return value.ToLong();
}
template <>
std::string As(const Variant& value) {
  return value.ToText();
}

}  // namespace

Variant LSOptPrefs::Option(std::string_view fieldName) const {
#define NRX_LS_PREFERENCE_GET(type, name, value) \
  if (fieldName == #name) return Variant(name##_);
  NRX_LS_PREFERENCES(NRX_LS_PREFERENCE_GET)
#undef NRX_LS_PREFERENCE_GET
  Raise(err::kNoSuchMember, kSource, fieldName);
}

void LSOptPrefs::SetOption(std::string_view fieldName, const Variant& value) {
#define NRX_LS_PREFERENCE_SET(type, name, value_) \
  if (fieldName == #name) {                       \
    name##_ = As<type>(value);                    \
    return;                                       \
  }
  NRX_LS_PREFERENCES(NRX_LS_PREFERENCE_SET)
#undef NRX_LS_PREFERENCE_SET
  Raise(err::kNoSuchMember, kSource, fieldName);
}

}  // namespace nrx::model
