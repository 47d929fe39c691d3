// The engine's members for encrypted jobs: changing a password, and checking every page.

#include "engine/connect_string.h"
#include "engine/engine_internal.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";
// More would bury the first problems, which tell the most.
constexpr std::size_t kMostProblems = 100;

}  // namespace

void Database::NewPassword(std::string_view oldPassword, std::string_view newPassword) {
  CheckOpen();
  for (const auto& w : recordsets_) {
    if (auto rs = w.lock(); rs && rs->IsOpen())
      RaiseText(err::kFileInUse, std::string(kSource),
                "Close the job's recordsets before changing its password.");
  }
  conn_->Rekey(oldPassword, newPassword);
}

bool Database::HasPassword() const {
  CheckOpen();
  return conn_->HasPassword();
}

std::vector<std::string> Database::Verify() {
  CheckOpen();
  return conn_->Verify(kMostProblems);
}

std::vector<std::string> DBEngine::VerifyDatabase(const std::string& name,
                                                  std::string_view connect) {
  detail::OpenOptions options;
  options.read_only = true;
  options.password = detail::ConnectPassword(connect);
  options.fallback_password = default_password_;
  std::shared_ptr<detail::Connection> conn;
  try {
    conn = detail::Connection::Open(name, options);
  } catch (const Error& e) {
    // A file that cannot even be opened is the first problem to report.
    if (e.Number() == err::kNotADatabase) return {e.Description()};
    throw;
  }
  return conn->Verify(kMostProblems);
}

}  // namespace nrx
