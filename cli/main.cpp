#include <clocale>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "filesys/console.h"
#include "filesys/platform.h"

int main(int argc, char** argv) {
  // Numbers in the output follow the user's locale.
  std::setlocale(LC_ALL, "");
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::unique_ptr<qv::TConsole> console = qv::NewPosixConsole();
  console->IgnoreBrokenPipe();
  qv::TCliEnvironment environment{qv::DefaultPlatform(), std::cout, std::cerr};
  environment.console = console.get();
  return qv::RunCli(args, environment);
}
