#include "engine/engine_internal.h"

namespace nrx {
namespace {
constexpr std::string_view kSource = "nrxEngine.Index";
}

Index::Index(std::string name) : name_(std::move(name)) {}

void Index::CheckChangeable() const {
  // An index of a stored table is rebuilt, not edited: delete it and append a new one.
  if (appended_) Raise(err::kNotSupported, kSource, name_);
}

void Index::SetName(std::string_view name) {
  CheckChangeable();
  name_ = std::string(name);
}

void Index::SetFields(std::string_view fields) {
  CheckChangeable();
  fields_ = std::string(fields);
}

std::vector<std::string> Index::FieldNames() const {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= fields_.size()) {
    size_t end = fields_.find(';', start);
    if (end == std::string::npos) end = fields_.size();
    std::string part = fields_.substr(start, end - start);
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    if (!part.empty()) out.push_back(part);
    start = end + 1;
  }
  return out;
}

void Index::SetPrimary(bool primary) {
  CheckChangeable();
  primary_ = primary;
}

void Index::SetUnique(bool unique) {
  CheckChangeable();
  unique_ = unique;
}

void Index::AppendField(const FieldPtr& field) {
  CheckChangeable();
  if (!field) Raise(err::kObjectNotSet, kSource, name_);
  for (const auto& existing : FieldNames())
    if (detail::SameName(existing, field->Name())) Raise(err::kAlreadyInCollection, kSource, field->Name());
  fields_ += (fields_.empty() ? "" : ";") + field->Name();
}

namespace detail {

IndexInfo InfoOf(const Index& index) {
  IndexInfo info;
  info.name = index.Name();
  info.primary = index.Primary();
  info.unique = index.Unique();
  for (auto& f : index.FieldNames()) info.fields.push_back(f.front() == '+' ? f.substr(1) : f);
  return info;
}

IndexPtr MakeIndex(const IndexInfo& info) {
  auto ix = std::make_shared<Index>(info.name);
  std::string fields;
  for (const auto& f : info.fields) fields += (fields.empty() ? "" : ";") + f;
  ix->SetFields(fields);
  ix->SetPrimary(info.primary);
  ix->SetUnique(info.unique);
  EngineAccess::MarkAppended(*ix);
  return ix;
}

}  // namespace detail
}  // namespace nrx
