// njb: open, create, check and inspect survey job databases from the command line.

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "nrxJobDb/errors.h"

int main(int argc, char** argv) {
  CLI::App app{"njb - survey job databases: create, inspect, check and maintain job files"};
  app.require_subcommand(1);
  njb::AddSchemaCommand(app);
  njb::AddSampleCommand(app);
  njb::AddCatalogueCommand(app);
  njb::AddCheckCommand(app);
  njb::AddDemoCommand(app);
  njb::AddOpenCommand(app);
  njb::AddBackupCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const nrx::Error& e) {
    fmt::print(stderr, "njb: error {}: {}\n", e.Number(), e.what());
    return 2;
  } catch (const std::exception& e) {
    fmt::print(stderr, "njb: {}\n", e.what());
    return 2;
  }
  return 0;
}
