#pragma once
// State shared between the engine's public objects.

#include <memory>
#include <string>
#include <vector>

#include "engine/connection.h"
#include "engine/engine_access.h"
#include "engine/schema_store.h"
#include "nrxJobDb/engine.h"

namespace nrx::detail {

// The transactions of a workspace and the databases open in it.
struct WorkspaceState {
  int level = 0;
  // The commit of the current level was refused (the file busy) and its transaction is still
  // pending, to be committed again or rolled back before another begins.
  bool commit_refused = false;
  std::vector<std::weak_ptr<Database>> databases;

  // The connections of the databases still open, pruning the gone ones.
  std::vector<std::shared_ptr<Connection>> OpenConnections();
  // The open connections whose transaction stands at the current level.
  std::vector<std::shared_ptr<Connection>> ConnectionsAtLevel();
};

// What a bound Field asks of the object that owns it.
class FieldOwner {
 public:
  virtual ~FieldOwner() = default;
  virtual Variant FieldValue(const Field& field) const;
  virtual void SetFieldValue(Field& field, const Variant& value);
  // Renames the stored column; the field's own name is changed by the caller after success.
  virtual void RenameField(Field& field, std::string_view name);
  // Persists AllowZeroLength and Required after the field's own copy changed.
  virtual void FieldPropertiesChanged(Field& field);
  // True when type and size can no longer change (the field is part of a stored table).
  virtual bool DefinitionFixed() const { return true; }
};

struct TableDefState : FieldOwner, std::enable_shared_from_this<TableDefState> {
  std::weak_ptr<Database> db;
  std::shared_ptr<Connection> conn;  // empty until appended
  std::string name;
  std::vector<FieldPtr> fields;
  std::vector<IndexPtr> indexes;
  bool fields_loaded = false;
  bool indexes_loaded = false;
  // The connection's schema generation when fields and indexes were read: a change of table
  // definitions made elsewhere (a statement, a rollback) makes them stale.
  std::uint64_t fields_generation = 0;
  std::uint64_t indexes_generation = 0;

  bool Appended() const { return conn != nullptr; }
  Connection& Conn(std::string_view source) const;
  void LoadFields();
  void LoadIndexes();

  void RenameField(Field& field, std::string_view name) override;
  void FieldPropertiesChanged(Field& field) override;
  bool DefinitionFixed() const override { return Appended(); }
};

FieldInfo InfoOf(const Field& field);
IndexInfo InfoOf(const Index& index);
FieldPtr MakeField(const FieldInfo& info);
IndexPtr MakeIndex(const IndexInfo& info);

}  // namespace nrx::detail
