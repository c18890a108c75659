#include "engine/piano.h"

#include <cstdio>

namespace tastarion {

const std::string_view version_line = "Tastarion v0.7e 2002.11.10 tastarion@example.org";

void print_to_stdout(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void print_to_stderr(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void set_title_status(Piano& piano, std::string_view text) {
  std::string title(version_line);
  title += "        ";
  title += text;
  piano.view.set_title(title);
}

}  // namespace tastarion
