#pragma once

// What the fuzzers share: the model world of the random test on a fresh
// directory per input, and a reader that turns input bytes into values.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "model/model_world.h"

namespace tastarion::fuzz {

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | u8() << 8); }
  uint32_t u32() { return u16() | uint32_t{u16()} << 16; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A fresh directory for one input, on a memory file system where there is one.
inline std::filesystem::path make_directory() {
  std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  pattern += "/tastarion-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

// Prints the fault and the actions that led to it, the last ones taken last.
[[noreturn]] inline void fail(const std::string& fault, std::span<const model::Action> actions) {
  std::fprintf(stderr, "fault: %s\nlast actions:\n", fault.c_str());
  const size_t from = actions.size() > 80 ? actions.size() - 80 : 0;
  for (size_t i = from; i < actions.size(); ++i) {
    std::fprintf(stderr, "  %zu %s\n", i, model::describe(actions[i]).c_str());
  }
  std::abort();
}

// The actions of one input in order. Those of a run (note keys and clock moves
// only) are checked together at its end, each other action on its own.
struct Script {
  std::vector<model::Action> actions;
  // The first action of each run and the one after its last, in order.
  std::vector<std::pair<size_t, size_t>> runs;

  void add(model::Action action) { actions.push_back(action); }
  void begin_run() { runs.emplace_back(actions.size(), actions.size()); }
  void end_run() { runs.back().second = actions.size(); }
};

// Runs the script on a fresh program and checks the end state; aborts on the
// first fault.
inline void run(const Script& script, bool release_by_key_up) {
  const std::vector<model::Action>& actions = script.actions;
  const std::filesystem::path directory = make_directory();
  {
    model::WorldOptions options;
    options.directory = directory;
    model::World world(options);
    auto next_run = script.runs.begin();
    for (size_t i = 0; i < actions.size() && !world.ended();) {
      std::string fault;
      if (next_run != script.runs.end() && next_run->first == i) {
        fault = world.step_run(std::span(actions).subspan(i, next_run->second - i));
        i = next_run++->second;
      } else {
        fault = world.step(actions[i++]);
      }
      if (!fault.empty()) fail(fault, std::span(actions).first(i));
    }
    if (std::string fault = world.finish(release_by_key_up); !fault.empty()) fail(fault, actions);
    if (std::getenv("TASTARION_FUZZ_VERBOSE") != nullptr) {
      const model::Totals& t = world.totals();
      std::fprintf(stderr,
                   "%zu actions: %llu messages, %llu notes recorded, %llu full, %llu files read "
                   "back, %llu replay steps, %llu replays to the end, %llu clicks\n",
                   actions.size(), (unsigned long long)t.messages,
                   (unsigned long long)t.recorded_notes, (unsigned long long)t.full_recordings,
                   (unsigned long long)t.files_checked, (unsigned long long)t.replay_steps,
                   (unsigned long long)t.replays_finished, (unsigned long long)t.clicks);
    }
  }
  std::filesystem::remove_all(directory);
}

inline void run(std::vector<model::Action> actions, bool release_by_key_up) {
  run(Script{std::move(actions), {}}, release_by_key_up);
}

}  // namespace tastarion::fuzz
