#include "engine/trace.h"

#include <cstdio>

namespace tastarion {

void print_to_stdout(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace tastarion
