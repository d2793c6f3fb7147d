#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "filesys/platform.h"

int main(int argc, char** argv) {
  // Numbers in the output follow the user's locale.
  std::setlocale(LC_ALL, "");
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return qv::RunCli(args, {qv::DefaultPlatform(), std::cout, std::cerr});
}
