#include <utility>

#include "engine/engine_internal.h"

namespace nrx {
namespace {
constexpr std::string_view kSource = "nrxEngine.Field";
}

Field::Field(std::string name, int type, int size)
    : name_(std::move(name)), type_(type), size_(size) {
  if (size_ <= 0) size_ = detail::DefaultSize(type_);
}

detail::FieldOwner* Field::LockOwner() const {
  if (owner_.expired()) Raise(err::kObjectClosed, kSource, name_);
  return owner_raw_;
}

void Field::Bind(std::weak_ptr<detail::FieldOwner> owner, int position) {
  owner_raw_ = owner.lock().get();
  owner_ = std::move(owner);
  bound_ = true;
  position_ = position;
}

void Field::Define(std::string name, int type, int size, bool allowZeroLength, bool required) {
  name_ = std::move(name);
  type_ = type;
  size_ = size;
  allow_zero_length_ = allowZeroLength;
  required_ = required;
}

void Field::SetName(std::string_view name) {
  if (name.empty()) Raise(err::kInvalidCall, kSource, "a field needs a name");
  if (bound_) LockOwner()->RenameField(*this, name);
  name_ = std::string(name);
}

void Field::SetType(int type) {
  if (bound_ && LockOwner()->DefinitionFixed()) Raise(err::kNotSupported, kSource, name_);
  if (!detail::ValidFieldType(type)) Raise(err::kInvalidFieldType, kSource, name_);
  bool size_was_default = size_ == detail::DefaultSize(type_);
  type_ = type;
  if (size_was_default || type_ != dbText) size_ = detail::DefaultSize(type_);
}

void Field::SetSize(int size) {
  if (bound_ && LockOwner()->DefinitionFixed()) Raise(err::kNotSupported, kSource, name_);
  if (type_ != dbText) return;  // other types have their own fixed size
  if (size <= 0 || size > 255) Raise(err::kInvalidCall, kSource, name_);
  size_ = size;
}

void Field::SetAllowZeroLength(bool allow) { SetProperty(allow_zero_length_, allow); }

void Field::SetRequired(bool required) { SetProperty(required_, required); }

void Field::SetProperty(bool& property, bool value) {
  bool old = std::exchange(property, value);
  if (!bound_) return;
  try {
    LockOwner()->FieldPropertiesChanged(*this);
  } catch (...) {
    property = old;  // the stored field did not change
    throw;
  }
}

Variant Field::Value() const {
  if (!bound_) Raise(err::kNotSupported, kSource, name_);
  return LockOwner()->FieldValue(*this);
}

void Field::SetValue(const Variant& value) {
  if (!bound_) Raise(err::kNotSupported, kSource, name_);
  LockOwner()->SetFieldValue(*this, value);
}

namespace detail {

Variant FieldOwner::FieldValue(const Field& field) const {
  Raise(err::kNotSupported, kSource, field.Name());
}
void FieldOwner::SetFieldValue(Field& field, const Variant&) {
  Raise(err::kNotSupported, kSource, field.Name());
}
void FieldOwner::RenameField(Field& field, std::string_view) {
  Raise(err::kNotSupported, kSource, field.Name());
}
void FieldOwner::FieldPropertiesChanged(Field& field) {
  Raise(err::kNotSupported, kSource, field.Name());
}

FieldInfo InfoOf(const Field& field) {
  FieldInfo info;
  info.name = field.Name();
  info.type = field.Type();
  info.size = field.Size();
  info.allow_zero_length = field.AllowZeroLength();
  info.required = field.Required();
  return info;
}

FieldPtr MakeField(const FieldInfo& info) {
  auto f = std::make_shared<Field>(info.name, info.type, info.size);
  EngineAccess::Define(*f, info.name, info.type, info.size, info.allow_zero_length, info.required);
  return f;
}

}  // namespace detail
}  // namespace nrx
