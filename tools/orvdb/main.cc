// orvdb: ask, explain and inspect the model's data base from the shell.
#include <iostream>

#include "tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return orvtool::run_tool(args, std::cout, std::cerr);
}
