#include <algorithm>

#include "engine/collection_items.h"
#include "engine/engine_internal.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxEngine.TableDef";

const std::vector<FieldPtr>& FieldsOf(detail::TableDefState& state) {
  state.LoadFields();
  return state.fields;
}

const std::vector<IndexPtr>& IndexesOf(detail::TableDefState& state) {
  state.LoadIndexes();
  return state.indexes;
}

}  // namespace

namespace detail {

Connection& TableDefState::Conn(std::string_view source) const {
  conn->CheckOpen(source);
  // A statement or a rollback may have dropped or renamed the table since it was read.
  if (!FindTable(*conn, name)) Raise(err::kObjectClosed, source, name);
  return *conn;
}

void TableDefState::LoadFields() {
  if (!Appended()) return;
  conn->CheckOpen(kSource);
  if (fields_loaded && fields_generation == conn->SchemaGeneration()) return;
  auto& c = Conn(kSource);
  fields.clear();
  std::weak_ptr<FieldOwner> self = shared_from_this();
  int pos = 0;
  for (const auto& info : detail::LoadFields(c, name)) {
    auto f = MakeField(info);
    EngineAccess::Bind(*f, self, pos++);
    fields.push_back(std::move(f));
  }
  fields_loaded = true;
  fields_generation = c.SchemaGeneration();
}

void TableDefState::LoadIndexes() {
  if (!Appended()) return;
  conn->CheckOpen(kSource);
  if (indexes_loaded && indexes_generation == conn->SchemaGeneration()) return;
  auto& c = Conn(kSource);
  indexes.clear();
  for (const auto& info : detail::LoadIndexes(c, name)) indexes.push_back(MakeIndex(info));
  indexes_loaded = true;
  indexes_generation = c.SchemaGeneration();
}

void TableDefState::RenameField(Field& field, std::string_view new_name) {
  if (!Appended()) return;
  LoadFields();
  auto& conn_ref = Conn(kSource);
  conn_ref.CheckWritable(kSource);
  if (!SameName(field.Name(), new_name))
    for (const auto& f : fields)
      if (SameName(f->Name(), new_name)) Raise(err::kFieldExists, kSource, new_name);
  detail::RenameColumn(conn_ref, name, field.Name(), new_name);
  indexes_loaded = false;  // their field lists name the column
}

void TableDefState::FieldPropertiesChanged(Field& field) {
  if (!Appended()) return;
  auto& conn_ref = Conn(kSource);
  conn_ref.CheckWritable(kSource);
  SaveFieldProps(conn_ref, name, InfoOf(field));
}

}  // namespace detail

TableDefPtr TableDef::MakeUnappended(std::weak_ptr<Database> db, std::string name) {
  TableDefPtr t(new TableDef());
  t->state_ = std::make_shared<detail::TableDefState>();
  t->state_->db = std::move(db);
  t->state_->name = std::move(name);
  return t;
}

TableDefPtr TableDef::MakeAppended(std::weak_ptr<Database> db,
                                   std::shared_ptr<detail::Connection> conn, std::string name) {
  auto t = MakeUnappended(std::move(db), std::move(name));
  t->state_->conn = std::move(conn);
  return t;
}

TableDef::~TableDef() = default;

const std::string& TableDef::Name() const { return state_->name; }

void TableDef::SetName(std::string_view name) {
  if (name.empty()) Raise(err::kInvalidCall, kSource, "a table needs a name");
  if (state_->Appended()) {
    auto& conn = state_->Conn(kSource);
    conn.CheckWritable(kSource);
    if (!detail::SameName(name, state_->name) && detail::FindTable(conn, name))
      Raise(err::kTableExists, kSource, name);
    detail::RenameTable(conn, state_->name, name);
  }
  state_->name = std::string(name);
}

bool TableDef::Appended() const { return state_->Appended(); }

bool TableDef::IsSystem() const { return state_->name.starts_with(detail::kSystemTablePrefix); }

long TableDef::RecordCount() {
  if (!state_->Appended()) return 0;
  state_->conn->CheckOpen(kSource);
  try {
    auto& conn = state_->Conn(kSource);
    auto st = conn.Prepare("SELECT count(*) FROM " + detail::QuoteName(state_->name), kSource);
    st.Step();
    return static_cast<long>(st.Int(0));
  } catch (const Error&) {
    return -1;  // the table cannot be counted (damaged, or gone with a rolled-back transaction)
  }
}

Collection<Field> TableDef::Fields() { return Collection<Field>(FieldsOf(*state_)); }

int TableDef::FieldsCount() { return static_cast<int>(FieldsOf(*state_).size()); }

FieldPtr TableDef::Fields(int index) { return detail::ItemAt(FieldsOf(*state_), index, kSource); }

FieldPtr TableDef::Fields(std::string_view name) {
  return detail::ItemNamed(FieldsOf(*state_), name, kSource);
}

FieldPtr TableDef::FindField(std::string_view name) {
  return detail::FindByName(FieldsOf(*state_), name);
}

FieldPtr TableDef::CreateField(std::string_view name, int type, int size) {
  if (!detail::ValidFieldType(type)) Raise(err::kInvalidFieldType, kSource, name);
  auto field = std::make_shared<Field>(std::string(name), type, 0);
  // A size given goes through the field's own check: a Text holds 1 to 255 characters.
  if (size != 0) field->SetSize(size);
  return field;
}

void TableDef::FieldsAppend(const FieldPtr& field) {
  if (!field) Raise(err::kObjectNotSet, kSource, state_->name);
  if (field->Name().empty()) Raise(err::kInvalidCall, kSource, "a field needs a name");
  if (detail::EngineAccess::Bound(*field)) Raise(err::kAlreadyInCollection, kSource, field->Name());
  state_->LoadFields();
  if (detail::FindByName(state_->fields, field->Name())) {
    Raise(state_->Appended() ? err::kFieldExists : err::kAlreadyInCollection, kSource,
          field->Name());
  }
  if (state_->Appended()) {
    auto& conn = state_->Conn(kSource);
    conn.CheckWritable(kSource);
    detail::AddColumn(conn, state_->name, detail::InfoOf(*field));
  }
  detail::EngineAccess::Bind(*field, std::weak_ptr<detail::FieldOwner>(state_),
                             static_cast<int>(state_->fields.size()));
  state_->fields.push_back(field);
}

Collection<Index> TableDef::Indexes() { return Collection<Index>(IndexesOf(*state_)); }

int TableDef::IndexesCount() { return static_cast<int>(IndexesOf(*state_).size()); }

IndexPtr TableDef::Indexes(int index) { return detail::ItemAt(IndexesOf(*state_), index, kSource); }

IndexPtr TableDef::Indexes(std::string_view name) {
  return detail::ItemNamed(IndexesOf(*state_), name, kSource);
}

IndexPtr TableDef::FindIndex(std::string_view name) {
  return detail::FindByName(IndexesOf(*state_), name);
}

void TableDef::IndexesRefresh() { state_->indexes_loaded = false; }

IndexPtr TableDef::CreateIndex(std::string_view name) {
  return std::make_shared<Index>(std::string(name));
}

void TableDef::IndexesAppend(const IndexPtr& index) {
  if (!index) Raise(err::kObjectNotSet, kSource, state_->name);
  if (detail::EngineAccess::Appended(*index))
    Raise(err::kAlreadyInCollection, kSource, index->Name());
  state_->LoadIndexes();
  if (index->FieldNames().empty()) Raise(err::kNoFields, kSource, index->Name());
  if (detail::FindByName(state_->indexes, index->Name()))
    Raise(err::kIndexNameExists, kSource, index->Name());
  if (index->Primary()) {
    for (const auto& ix : state_->indexes)
      if (ix->Primary()) Raise(err::kPrimaryExists, kSource, state_->name);
  }
  if (state_->Appended()) {
    auto& conn = state_->Conn(kSource);
    conn.CheckWritable(kSource);
    detail::ScopedSavepoint unit(conn, kSource);
    auto info = detail::InfoOf(*index);
    detail::CreateIndex(conn, state_->name, info);
    unit.Commit();
  }
  detail::EngineAccess::MarkAppended(*index);
  state_->indexes.push_back(index);
}

void TableDef::IndexesDelete(std::string_view name) {
  state_->LoadIndexes();
  auto it = std::find_if(state_->indexes.begin(), state_->indexes.end(),
                         [&](const auto& ix) { return detail::SameName(ix->Name(), name); });
  if (it == state_->indexes.end()) Raise(err::kItemNotFound, kSource, name);
  if (state_->Appended()) {
    auto& conn = state_->Conn(kSource);
    conn.CheckWritable(kSource);
    detail::ScopedSavepoint unit(conn, kSource);
    detail::DropIndex(conn, state_->name, (*it)->Name());
    unit.Commit();
  }
  state_->indexes.erase(it);
}

}  // namespace nrx
