// njb rekey: a job's password set, changed or removed, the job written anew in one rename.

#include <fmt/format.h>

#include "commands.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"
#include "password.h"

namespace njb {
namespace {

std::string NewPassword(const RekeyOptions& options) {
  if (!options.new_password_file.empty()) return ReadPasswordFile(options.new_password_file);
  std::optional<std::string> typed = PromptPassword("New password (empty for none): ");
  if (!typed)
    nrx::RaiseText(nrx::err::kArgumentNotOptional, "njb",
                   "No new password: give --new-password-file, or run njb on a terminal.");
  if (PromptPassword("The new password again: ") != typed)
    nrx::RaiseText(nrx::err::kNotValidPassword, "njb", "The two new passwords differ.");
  return *typed;
}

}  // namespace

int RunRekey(const RekeyOptions& options, const Context& context) {
  std::string next = NewPassword(options);
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, true, false);
  const bool had = db->HasPassword();
  db->NewPassword(had ? nrx::DBEngine::Instance().DefaultPassword() : "", next);
  db->Close();
  fmt::print(context.out, "{}: {}\n", options.file,
             next.empty() ? (had ? "password removed; still encrypted with the engine's key"
                                 : "encrypted with the engine's key, without a password")
                          : (had ? "password changed" : "password set"));
  return kExitOk;
}

}  // namespace njb
