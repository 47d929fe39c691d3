// njb: open, create, check and inspect survey job databases from the command line.

#include <unistd.h>

#include "cli.h"

int main(int argc, char** argv) {
  return njb::RunCommandLine(argc, argv, {stdout, ::isatty(STDIN_FILENO) != 0});
}
