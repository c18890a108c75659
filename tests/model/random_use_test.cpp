// Long random sequences of user actions and passing time, each step checked
// against the model of model_world.h. CI runs a fixed set of seeds; any other
// set runs by hand:
//   TASTARION_FIRST_SEED=1000 TASTARION_SEEDS=500 ./model_tests
// A failure names its seed and step, and the actions that led there.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "model/model_world.h"

namespace tastarion::model {
namespace {

uint64_t env_number(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 0) : fallback;
}

// A fresh directory on a memory file system where there is one: saves fsync.
std::filesystem::path make_base_directory() {
  std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') base = tmp;
  std::string pattern = base + "/tastarion-model-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

class Actions {
 public:
  Actions(uint64_t seed, const World& world) : rng_(static_cast<uint32_t>(seed)), world_(world) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int one_in) { return below(one_in) == 0; }
  uint32_t any32() { return static_cast<uint32_t>(rng_()); }

  // The 46 piano keys by scan code; now and then the extended twin of one,
  // such as keypad Enter beside Enter.
  KeyEvent piano_key() { return {piano_scan_code(), chance(12)}; }
  uint8_t piano_scan_code() {
    static constexpr uint8_t kKeys[46] = {
        0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F, 0x22, 0x30, 0x31, 0x24,
        0x32, 0x25, 0x33, 0x26, 0x34, 0x35, 0x28, 0x73, 0x2B, 0x36, 0x0F, 0x02,
        0x10, 0x11, 0x04, 0x12, 0x05, 0x13, 0x06, 0x14, 0x15, 0x08, 0x16, 0x09,
        0x17, 0x18, 0x0B, 0x19, 0x0C, 0x1A, 0x0D, 0x1B, 0x1C, 0x0E};
    return kKeys[below(46)];
  }
  // Now and then with Alt held.
  Action down(KeyEvent key, bool repeat = false) {
    return Input{KeyDown{key_press(key.scan_code, key.extended, repeat, chance(30))}};
  }
  Action down(uint8_t scan, bool repeat = false) { return down(KeyEvent{scan}, repeat); }
  Action up(KeyEvent key) { return Input{KeyUp{key_release(key.scan_code, key.extended)}}; }
  Action up(uint8_t scan) { return up(KeyEvent{scan}); }

  KeyEvent held_or_any() {
    auto held = world_.held_keys();
    if (!held.empty() && !chance(6)) return held[below(static_cast<int>(held.size()))];
    return piano_key();
  }

  Action clock_jump() {
    const int kind = below(100);
    if (kind < 70) return ClockJump{static_cast<uint32_t>(below(300))};
    if (kind < 94) return ClockJump{static_cast<uint32_t>(300 + below(70'000))};
    if (kind < 97) return ClockJump{any32()};
    // Just short of the 32-bit wrap of the millisecond clock.
    return ClockSet{0xFFFFFFFFu - static_cast<uint32_t>(below(600))};
  }

  Action timer_advance() {
    const int kind = below(100);
    if (kind < 60) return TimerAdvance{static_cast<uint32_t>(1 + below(100))};
    if (kind < 95) return TimerAdvance{static_cast<uint32_t>(100 + below(5'000))};
    return TimerAdvance{static_cast<uint32_t>(5'000 + below(300'000))};
  }

  Action command_key() {
    // 0x3B..0x53; 0x45 comes as Num Lock here, Pause has its own rare turn.
    uint8_t scan = static_cast<uint8_t>(0x3B + below(0x53 - 0x3B + 1));
    if (scan == World::kPauseKey) return Input{KeyDown{key_press(scan, true)}};
    if (chance(3)) return up(scan);
    return down(scan, chance(5));
  }

  Action control() {
    if (chance(20)) {
      // A value no control can give: nothing may come of it.
      const int value = chance(2) ? static_cast<int>(any32()) : below(400) - 200;
      return Input{ControlMoved{static_cast<Control>(below(6)), value}};
    }
    switch (below(6)) {
      case 0:
        return Input{ControlMoved{Control::volume, below(11)}};
      case 1:
        return Input{ControlMoved{Control::pitch, below(201) - 100}};
      case 2:
        return Input{ControlMoved{Control::mm_speed, 30 + below(211)}};
      case 3:
        return Input{ControlMoved{Control::transpose, below(25) - 12}};
      case 4:
        return Input{ControlMoved{Control::instrument, below(9)}};
      default:
        return Input{ControlMoved{Control::device, below(4)}};
    }
  }

  Action misc() {
    switch (below(4)) {
      case 0:
        // The popup menu, mostly closed without a choice.
        return Input{MenuChosen{below(4) == 0 ? MenuItem::help : MenuItem::none}};
      case 1:
        return Input{KeyboardLost{}};
      default:
        return ChooseSave{static_cast<SaveChoice>(below(4))};
    }
  }

  // Everything a user and the passing time can do.
  Action mixed() {
    if (chance(12'000)) {
      // The end of the program, by Pause or by the menu.
      if (chance(2)) return Input{KeyDown{key_press(World::kPauseKey)}};
      return Input{MenuChosen{MenuItem::exit}};
    }
    const int roll = below(100);
    if (roll < 26) return down(piano_key());
    if (roll < 48) return up(held_or_any());
    if (roll < 52) return down(held_or_any(), true);
    if (roll < 61) return command_key();
    if (roll < 63) return down(World::kRecordKey, chance(8));
    if (roll < 65) return down(0x3D);
    if (roll < 67) return down(static_cast<uint8_t>(0x3F + below(3)));
    if (roll < 71) {
      // Any key at all, piano key or not.
      const uint8_t scan = modelled_scan_code(static_cast<uint8_t>(any32()));
      return chance(2) ? down(scan, chance(4)) : up(scan);
    }
    if (roll < 76) return control();
    if (roll < 86) return clock_jump();
    if (roll < 96) return timer_advance();
    return misc();
  }

  // Note traffic while recording, enough to fill the recorder.
  Action notes() {
    const int roll = below(100);
    if (roll < 44) return down(piano_key());
    if (roll < 88) return up(held_or_any());
    if (roll < 96) return ClockJump{static_cast<uint32_t>(below(40))};
    if (roll < 97) return TimerAdvance{static_cast<uint32_t>(below(50))};
    // Anything else, but F2: the recording is to run full.
    Action other = mixed();
    const auto* input = std::get_if<Input>(&other);
    const auto* key = input != nullptr ? std::get_if<KeyDown>(input) : nullptr;
    if (key != nullptr && key->key.scan_code == World::kRecordKey) return ClockJump{0};
    // Small gaps only, so that the replay of the full recording ends in time.
    if (std::holds_alternative<ClockJump>(other) || std::holds_alternative<ClockSet>(other)) {
      return ClockJump{static_cast<uint32_t>(below(300))};
    }
    return other;
  }

 private:
  std::mt19937 rng_;
  const World& world_;
};

struct Outcome {
  std::string fault;
  uint64_t failing_step = 0;
  std::string history;
};

// One seed: a world on its own directory and a sequence of actions. Every
// eighth seed is a marathon that fills a recording and replays it to its end.
Outcome run_seed(uint64_t seed, const std::filesystem::path& base, Totals& totals) {
  const std::filesystem::path directory = base / ("seed-" + std::to_string(seed));
  std::filesystem::create_directories(directory);
  std::mt19937 setup(static_cast<uint32_t>(seed * 2654435761u));
  WorldOptions options;
  options.directory = directory;
  // Mostly a dead port among good ones; sometimes the first device is the dead one.
  options.failing_device = setup() % 6 == 0 ? 0 : 1 + static_cast<int>(setup() % 3);
  Outcome outcome;
  {
    World world(options);
    Actions actions(seed, world);
    std::deque<std::string> recent;
    uint64_t step = 0;
    auto apply = [&](const Action& action) {
      recent.push_back(describe(action));
      if (recent.size() > 40) recent.pop_front();
      ++step;
      outcome.fault = world.step(action);
      return outcome.fault.empty() && !world.ended();
    };
    const bool marathon = seed % 8 == 0;
    if (marathon) {
      // The recording runs across the wrap of the millisecond clock.
      bool going = apply(ClockSet{0xFFFFFFFFu - static_cast<uint32_t>(actions.below(60'000))}) &&
                   apply(ChooseSave{static_cast<SaveChoice>(actions.below(3))}) &&
                   apply(actions.down(World::kRecordKey));
      // On past the limit for a while: the full recorder must stay full.
      for (int past = 0, i = 0; going && world.recording() && past < 300 && i < 60'000; ++i) {
        going = apply(actions.notes());
        if (world.recorded_count() >= World::kMaxNotes) ++past;
      }
      if (going && world.recording()) going = apply(actions.down(World::kRecordKey));
      if (going && !world.recording()) going = apply(actions.down(0x3D));
      for (int i = 0; going && world.replaying() && i < 100; ++i) {
        going = apply(TimerAdvance{60'000});
      }
    }
    const int length = 500 + actions.below(marathon ? 2'000 : 6'000);
    for (int i = 0; i < length && outcome.fault.empty() && !world.ended(); ++i) {
      apply(actions.mixed());
    }
    if (outcome.fault.empty() && !world.ended() && world.recording() && actions.chance(2)) {
      apply(actions.down(World::kRecordKey));
    }
    if (outcome.fault.empty()) {
      ++step;
      recent.push_back("(end of sequence)");
      outcome.fault = world.finish(actions.chance(2));
    }
    if (!outcome.fault.empty()) {
      outcome.failing_step = step;
      for (const auto& line : recent) outcome.history += "    " + line + "\n";
    }
    totals.add(world.totals());
  }
  if (outcome.fault.empty()) std::filesystem::remove_all(directory);
  return outcome;
}

TEST(RandomUse, EverySeedKeepsTheModel) {
  const uint64_t first = env_number("TASTARION_FIRST_SEED", 1);
  const uint64_t seeds = env_number("TASTARION_SEEDS", 40);
  const std::filesystem::path base = make_base_directory();
  ASSERT_FALSE(base.empty()) << "no temporary directory";
  Totals totals;
  int failures = 0;
  for (uint64_t seed = first; seed < first + seeds && failures < 5; ++seed) {
    Outcome outcome = run_seed(seed, base, totals);
    if (outcome.fault.empty()) continue;
    ++failures;
    ADD_FAILURE() << "seed " << seed << ", step " << outcome.failing_step << ": " << outcome.fault
                  << "\n  last actions:\n"
                  << outcome.history << "  rerun: TASTARION_FIRST_SEED=" << seed
                  << " TASTARION_SEEDS=1, files kept in " << (base / "seed-").string() << seed;
  }
  if (failures == 0) std::filesystem::remove_all(base);
  std::cout << "random use: " << seeds << " seeds from " << first << ", " << totals.steps
            << " steps, " << totals.messages << " MIDI messages, " << totals.recorded_notes
            << " notes recorded, " << totals.recordings_closed << " recordings closed ("
            << totals.full_recordings << " full, " << totals.files_checked << " files read back, "
            << totals.save_failures << " failed saves), " << totals.replay_steps
            << " replay steps, " << totals.replays_finished << " replays to the end, "
            << totals.clicks << " clicks\n";
  ::testing::Test::RecordProperty("steps", std::to_string(totals.steps));
}

}  // namespace
}  // namespace tastarion::model
