#pragma once
// Passwords of protected jobs on the command line: never an argument (other users could read
// it in the process list), but a file, or a prompt that does not echo on a terminal.

#include <functional>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "commands.h"

namespace njb {

struct PasswordOptions {
  std::string file;  // --password-file: the password is its first line
};

// Adds --password-file to a job command.
void AddPasswordOption(CLI::App& cmd, PasswordOptions& options);

// The password in the first line of `file` (without its line end). Raises nrx::Error 53 when
// the file cannot be read.
std::string ReadPasswordFile(const std::string& file);

// Asks for a password on the terminal with echo off; nullopt when there is no terminal.
std::optional<std::string> PromptPassword(const std::string& prompt);

// Runs a job command with the engine's default password set from --password-file. Without
// one, a job that turns out to need a password (3031) is asked for it on a terminal, and the
// command runs once more with it.
int RunWithPassword(const PasswordOptions& options, const Context& context,
                    const std::function<int()>& run);

}  // namespace njb
