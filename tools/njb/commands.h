#pragma once
// The subcommands of njb. Each registers itself on the application and runs through the library.

#include <CLI/CLI.hpp>

#include "nrxJobDb/engine.h"

namespace njb {

void AddSchemaCommand(CLI::App& app);
void AddSampleCommand(CLI::App& app);
void AddCatalogueCommand(CLI::App& app);
void AddCheckCommand(CLI::App& app);
void AddDemoCommand(CLI::App& app);
void AddOpenCommand(CLI::App& app);
void AddBackupCommand(CLI::App& app);

// Prints the tables of a job file as text, or as JSON; system tables only with `all`.
void PrintSchema(nrx::Database& db, bool all, bool json);



}  // namespace njb
