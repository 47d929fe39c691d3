#include <algorithm>

#include "engine/collection_items.h"
#include "engine/engine_internal.h"

namespace nrx {
namespace {
constexpr std::string_view kSource = "nrxEngine.Database";
}

DatabasePtr Database::Make(std::shared_ptr<detail::Connection> conn,
                           std::weak_ptr<detail::WorkspaceState> ws) {
  DatabasePtr db(new Database());
  db->conn_ = std::move(conn);
  db->workspace_ = std::move(ws);
  return db;
}

Database::~Database() { Close(); }

const std::string& Database::Name() const { return conn_->Path(); }
bool Database::ReadOnly() const { return conn_->ReadOnly(); }
bool Database::Exclusive() const { return conn_->Exclusive(); }
bool Database::IsOpen() const { return conn_->IsOpen(); }
bool Database::OnNetworkFileSystem() const { return conn_->OnNetworkFileSystem(); }
const std::string& Database::ForeignJournal() const { return conn_->ForeignJournal(); }

void Database::CheckOpen() const { conn_->CheckOpen(kSource); }

std::string Database::Connect() const {
  CheckOpen();
  if (!detail::HasSystemTables(*conn_)) return {};
  auto st = conn_->Prepare("SELECT Value FROM MSysInfo WHERE Property = 'Connect'", kSource);
  return st.Step() ? st.Text(0) : std::string();
}

void Database::LoadTableDefs() {
  CheckOpen();
  if (tabledefs_loaded_ && tabledefs_generation_ == conn_->SchemaGeneration()) return;
  // Keep the objects of tables still there, so a caller's TableDef stays the collection's.
  std::vector<TableDefPtr> fresh;
  for (auto& name : detail::ListTables(*conn_)) {
    auto it = std::find_if(tabledefs_.begin(), tabledefs_.end(),
                           [&](const TableDefPtr& t) { return t->Name() == name; });
    fresh.push_back(it != tabledefs_.end() ? *it
                                           : detail::EngineAccess::MakeAppended(weak_from_this(), conn_, name));
  }
  tabledefs_ = std::move(fresh);
  tabledefs_loaded_ = true;
  tabledefs_generation_ = conn_->SchemaGeneration();
}

// Another connection may have changed the file's tables: read them again from the file.
void Database::TableDefsRefresh() {
  CheckOpen();
  conn_->ForgetSchema();
  tabledefs_loaded_ = false;
}

Collection<TableDef> Database::TableDefs() {
  LoadTableDefs();
  return Collection<TableDef>(tabledefs_);
}

int Database::TableDefsCount() {
  LoadTableDefs();
  return static_cast<int>(tabledefs_.size());
}

TableDefPtr Database::TableDefs(int index) {
  LoadTableDefs();
  return detail::ItemAt(tabledefs_, index, kSource);
}

TableDefPtr Database::TableDefs(std::string_view name) {
  if (auto t = FindTableDef(name)) return t;
  Raise(err::kItemNotFound, kSource, name);
}

TableDefPtr Database::FindTableDef(std::string_view name) {
  LoadTableDefs();
  return detail::FindByName(tabledefs_, name);
}

TableDefPtr Database::CreateTableDef(std::string_view name) {
  CheckOpen();
  return detail::EngineAccess::MakeUnappended(weak_from_this(), std::string(name));
}

void Database::TableDefsAppend(const TableDefPtr& tableDef) {
  conn_->CheckWritable(kSource);
  if (!tableDef) Raise(err::kObjectNotSet, kSource);
  auto& state = detail::EngineAccess::State(*tableDef);
  if (state.Appended()) Raise(err::kAlreadyInCollection, kSource, state.name);
  if (state.name.empty()) Raise(err::kInvalidCall, kSource, "a table needs a name");
  if (detail::FindTable(*conn_, state.name)) Raise(err::kTableExists, kSource, state.name);
  if (state.fields.empty()) Raise(err::kNoFields, kSource, state.name);
  std::vector<detail::FieldInfo> fields;
  for (const auto& f : state.fields) {
    for (const auto& seen : fields)
      if (detail::SameName(seen.name, f->Name())) Raise(err::kFieldTwice, kSource, f->Name());
    fields.push_back(detail::InfoOf(*f));
  }
  detail::ScopedSavepoint unit(*conn_, kSource);
  detail::CreateTable(*conn_, state.name, fields);
  // Indexes appended to the definition before the table existed are built with it.
  for (const auto& ix : state.indexes) {
    auto info = detail::InfoOf(*ix);
    detail::CreateIndex(*conn_, state.name, info);
  }
  unit.Commit();
  state.conn = conn_;
  state.db = weak_from_this();
  state.fields_loaded = false;
  state.indexes_loaded = false;
  tabledefs_loaded_ = false;
  // The caller's object is the collection's object from now on.
  tabledefs_.push_back(tableDef);
}

void Database::TableDefsDelete(std::string_view name) {
  conn_->CheckWritable(kSource);
  auto table = detail::FindTable(*conn_, name);
  if (!table) Raise(err::kItemNotFound, kSource, name);
  detail::ScopedSavepoint unit(*conn_, kSource);
  detail::DropTable(*conn_, *table);
  unit.Commit();
  std::erase_if(tabledefs_, [&](const TableDefPtr& t) { return detail::SameName(t->Name(), name); });
}

int Database::RecordsAffected() const { return records_affected_; }

void Database::RegisterRecordset(const std::shared_ptr<Recordset>& rs) {
  std::erase_if(recordsets_, [](const std::weak_ptr<Recordset>& w) { return w.expired(); });
  recordsets_.push_back(rs);
}

int Database::RecordsetsCount() {
  std::erase_if(recordsets_, [](const std::weak_ptr<Recordset>& w) {
    auto rs = w.lock();
    return !rs || !rs->IsOpen();
  });
  return static_cast<int>(recordsets_.size());
}

Collection<Recordset> Database::Recordsets() {
  RecordsetsCount();  // drops the closed ones
  std::vector<RecordsetPtr> open;
  for (const auto& w : recordsets_)
    if (auto rs = w.lock()) open.push_back(std::move(rs));
  return Collection<Recordset>(std::move(open));
}

RecordsetPtr Database::Recordsets(int index) {
  int count = RecordsetsCount();
  if (index < 0 || index >= count) Raise(err::kItemNotFound, kSource, std::to_string(index));
  return recordsets_[static_cast<size_t>(index)].lock();
}

void Database::Close() {
  if (!conn_ || !conn_->IsOpen()) return;
  for (auto& w : recordsets_)
    if (auto rs = w.lock()) rs->Close();
  recordsets_.clear();
  conn_->Close();
  if (auto ws = workspace_.lock()) ws->OpenConnections();
}

}  // namespace nrx
