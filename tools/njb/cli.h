#pragma once
// The command line of njb: parses the arguments into a command's options and runs it.

#include "commands.h"

namespace njb {

// Returns the exit status: the command's own, kExitError (with the error's number and text on
// stderr) when it failed, or CLI11's for --help and argument errors.
int RunCommandLine(int argc, const char* const* argv, const Context& context);

}  // namespace njb
