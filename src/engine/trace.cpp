#include "engine/trace.h"

#include <cstdio>

namespace tastarion {

void print_to_stdout(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void print_to_stderr(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace tastarion
