#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "ui/command.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  talewick::ui::Io io{std::cin, std::cout, std::cerr,
                      ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1};
  const int status = talewick::ui::run(args, io);
  std::cout.flush();
  return status;
}
