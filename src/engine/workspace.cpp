#include <algorithm>
#include <exception>
#include <filesystem>

#include "engine/connect_string.h"
#include "engine/engine_internal.h"

namespace nrx {
namespace {
constexpr std::string_view kSource = "nrxEngine.Workspace";
}

namespace detail {

std::vector<std::shared_ptr<Connection>> WorkspaceState::OpenConnections() {
  std::vector<std::shared_ptr<Connection>> out;
  std::erase_if(databases, [&](const std::weak_ptr<Database>& w) {
    auto db = w.lock();
    if (!db || !db->IsOpen()) return true;
    out.push_back(EngineAccess::Conn(*db));
    return false;
  });
  return out;
}

std::vector<std::shared_ptr<Connection>> WorkspaceState::ConnectionsAtLevel() {
  auto conns = OpenConnections();
  std::erase_if(conns, [&](const auto& conn) { return conn->SavepointDepth() != level; });
  return conns;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    // Every field look-up by name comes here: ASCII letters are folded without a call into the
    // C library, which would cost more than the rest of the look-up.
    if (x < 0x80 && y < 0x80) {
      const auto lower = static_cast<unsigned char>(x | 0x20);
      if (lower != (y | 0x20) || lower < 'a' || lower > 'z') return false;
      continue;
    }
    if (std::toupper(x) != std::toupper(y)) return false;
  }
  return true;
}

}  // namespace detail

DBEngine& DBEngine::Instance() {
  static DBEngine engine;
  return engine;
}

DBEngine::DBEngine() : default_workspace_(std::make_shared<Workspace>("#Default Workspace#")) {}

WorkspacePtr DBEngine::Workspaces(int index) {
  if (index != 0) Raise(err::kItemNotFound, "nrxEngine.DBEngine", std::to_string(index));
  return default_workspace_;
}

void DBEngine::RepairDatabase(const std::string& name, std::string_view connect,
                              std::vector<std::string>* losses) {
  std::string password = detail::ConnectPassword(connect);
  auto lost = files::RepairFile(name, password.empty() ? default_password_ : password);
  if (losses != nullptr) *losses = std::move(lost);
}

bool IsFileHeld(const std::string& path) { return files::IsHeld(path); }

bool IsFileHeldExclusively(const std::string& path) { return files::IsHeldExclusively(path); }

bool IsOnNetworkFileSystem(const std::string& path) { return files::OnNetworkFileSystem(path); }

Workspace::Workspace(std::string name)
    : name_(std::move(name)), state_(std::make_shared<detail::WorkspaceState>()) {}

Workspace::~Workspace() { Close(); }

namespace {

DatabasePtr Register(const std::shared_ptr<detail::WorkspaceState>& state,
                     std::shared_ptr<detail::Connection> conn) {
  // A database opened while transactions are pending joins them at the same depth.
  for (int i = 0; i < state->level; ++i) conn->PushSavepoint();
  auto db = detail::EngineAccess::MakeDatabase(std::move(conn), state);
  state->databases.push_back(db);
  return db;
}

}  // namespace

DatabasePtr Workspace::OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                    std::string_view connect) {
  detail::OpenOptions options;
  options.exclusive = exclusive;
  options.read_only = readOnly;
  options.refuse_network = DBEngine::Instance().RefusesNetworkFiles();
  options.password = detail::ConnectPassword(connect);
  options.fallback_password = DBEngine::Instance().DefaultPassword();
  return Register(state_, detail::Connection::Open(name, options));
}

DatabasePtr Workspace::CreateDatabase(const std::string& name, std::string_view connect,
                                      int options) {
  detail::OpenOptions open;
  open.create = true;
  open.encrypted = (options & dbEncrypt) != 0;
  open.password = detail::ConnectPassword(connect);
  open.fallback_password = DBEngine::Instance().DefaultPassword();
  // SQLite reports a missing folder only as a failed write; the engine names the path instead.
  std::error_code ec;
  if (auto folder = std::filesystem::path(name).parent_path();
      !folder.empty() && !std::filesystem::is_directory(folder, ec))
    Raise(err::kInvalidPath, kSource, name);
  auto conn = detail::Connection::Open(name, open);
  try {
    detail::CreateSystemTables(*conn);
    auto st = conn->Prepare("INSERT INTO MSysInfo (Property, Value) VALUES ('Connect', ?1)", kSource);
    st.Bind(1, detail::WithoutPassword(connect));
    st.Step();
  } catch (...) {
    // Leave no half-made file behind.
    conn->Close();
    std::filesystem::remove(name, ec);
    throw;
  }
  return Register(state_, std::move(conn));
}

int Workspace::DatabasesCount() const { return static_cast<int>(state_->OpenConnections().size()); }

DatabasePtr Workspace::Databases(int index) const {
  state_->OpenConnections();
  if (index < 0 || index >= static_cast<int>(state_->databases.size()))
    Raise(err::kItemNotFound, kSource, std::to_string(index));
  return state_->databases[static_cast<size_t>(index)].lock();
}

Collection<Database> Workspace::Databases() const {
  state_->OpenConnections();  // drops the closed ones
  std::vector<DatabasePtr> open;
  for (const auto& w : state_->databases)
    if (auto db = w.lock()) open.push_back(std::move(db));
  return Collection<Database>(std::move(open));
}

void Workspace::BeginTrans() {
  // A level begun on top of a refused commit would report its own commit done while nothing of
  // it reaches the file until that refused one goes through.
  if (state_->commit_refused)
    RaiseText(err::kFileInUse, std::string(kSource),
              "A commit that the file refused is still pending: commit it again or roll it back "
              "before beginning another transaction.");
  auto conns = state_->OpenConnections();
  for (size_t i = 0; i < conns.size(); ++i) {
    try {
      conns[i]->PushSavepoint();
    } catch (...) {
      for (size_t j = 0; j < i; ++j) conns[j]->RollbackSavepoint();
      throw;
    }
  }
  ++state_->level;
}

// SQLite commits each job file on its own: only files attached to one connection share an
// atomic commit, and the workspace's databases are separate connections with locks of their
// own. So the workspace commits them one after the other and, when one refuses (its file busy),
// stops there: the databases before it are committed for good, that one and those after it
// keep their transaction, the level stays, and CommitTrans again commits just those, or
// Rollback undoes just those. The level drops once no database holds a transaction at it, so
// it always says whether anything of the transaction is still to reach a file.
void Workspace::CommitTrans(int /*options*/) {
  if (state_->level == 0) Raise(err::kNoTransaction, kSource);
  try {
    for (auto& conn : state_->ConnectionsAtLevel()) conn->ReleaseSavepoint();
  } catch (...) {
    // A database whose commit failed otherwise than by a busy file may have lost its
    // transaction altogether (SQLite rolled it back); then nothing of the level is pending.
    state_->commit_refused = !state_->ConnectionsAtLevel().empty();
    if (!state_->commit_refused) --state_->level;
    throw;
  }
  state_->commit_refused = false;
  --state_->level;
}

// Always ends the level: each database at it is rolled back even when another reports
// trouble, and the first trouble is raised afterwards.
void Workspace::Rollback() {
  if (state_->level == 0) Raise(err::kNoTransaction, kSource);
  std::exception_ptr failure;
  for (auto& conn : state_->ConnectionsAtLevel()) {
    try {
      conn->RollbackSavepoint();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  state_->commit_refused = false;
  --state_->level;
  if (failure) std::rethrow_exception(failure);
}

int Workspace::TransactionLevel() const { return state_->level; }

void Workspace::Close() {
  auto databases = state_->databases;  // closing prunes the workspace's own list
  for (auto& w : databases)
    if (auto db = w.lock()) db->Close();
  state_->databases.clear();
  state_->level = 0;
  state_->commit_refused = false;
}

}  // namespace nrx
