#pragma once
// The engine's own way to the members of its public objects that callers must not reach: making
// and binding objects, and the state they share. Only code in src/engine can include this; the
// public classes name EngineAccess as their friend.

#include <memory>
#include <string>

#include "nrxJobDb/engine.h"

namespace nrx::detail {

struct EngineAccess {
  static const std::shared_ptr<Connection>& Conn(const Database& db) { return db.conn_; }
  static DatabasePtr MakeDatabase(std::shared_ptr<Connection> conn, std::weak_ptr<WorkspaceState> ws) {
    return Database::Make(std::move(conn), std::move(ws));
  }

  static TableDefPtr MakeUnappended(std::weak_ptr<Database> db, std::string name) {
    return TableDef::MakeUnappended(std::move(db), std::move(name));
  }
  static TableDefPtr MakeAppended(std::weak_ptr<Database> db, std::shared_ptr<Connection> conn,
                                  std::string name) {
    return TableDef::MakeAppended(std::move(db), std::move(conn), std::move(name));
  }
  static TableDefState& State(const TableDef& table) { return *table.state_; }

  static void Bind(Field& field, std::weak_ptr<FieldOwner> owner, int position) {
    field.Bind(std::move(owner), position);
  }
  static bool Bound(const Field& field) { return field.bound_; }
  static int Position(const Field& field) { return field.position_; }
  static void Define(Field& field, std::string name, int type, int size, bool allowZeroLength,
                     bool required) {
    field.Define(std::move(name), type, size, allowZeroLength, required);
  }

  static bool Appended(const Index& index) { return index.appended_; }
  static void MarkAppended(Index& index) { index.appended_ = true; }
};

}  // namespace nrx::detail
