// Random use with what the model world leaves out: Space's pedal, Escape, the
// replay of pedalled takes, and a sound server that goes away (the device
// vanishes from the list, or stays listed but plays no more) and comes back.
// Checked by what must always hold rather than by an exact model:
// - right after Escape the open device has no note sounding and no pedal down;
// - a device is silent (notes off, pedal up) when the program closes it;
// - a lost device is closed at the next look at the ports, and said to be gone;
// - the fifteen records of a replayed pedal change go out at one moment;
// - every saved take holds no release without its press, and ends silent.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fakes/fake_clock.h"
#include "fakes/recording_view.h"
#include "instrument/piano.h"
#include "model/world_fakes.h"

namespace tastarion::model {
namespace {

const std::vector<std::string> kDevices = {"Synth", "Port A", "Port B"};

// The fake devices, with what each one sounds now.
class CheckedMidi : public StampedMidi {
 public:
  using StampedMidi::StampedMidi;
  struct Sounding {
    std::array<std::bitset<128>, 16> notes{};
    std::bitset<16> pedal{};
    bool silent() const {
      return pedal.none() &&
             std::all_of(notes.begin(), notes.end(), [](const auto& n) { return n.none(); });
    }
  };
  void send(ShortMessage m) noexcept override {
    const int device = open_device();
    StampedMidi::send(m);
    if (device < 0) return;
    Sounding& s = state[device];
    const int channel = m.status() & 0x0F;
    const int kind = m.status() & 0xF0;
    if (kind == 0xB0 && m.data1() == kSustainPedal) s.pedal[channel] = m.data2() >= 64;
    if (kind == 0xB0 && m.data1() == kAllNotesOff) s.notes[channel].reset();
    if (kind == 0x90 && channel != kMetronomeChannel) {
      s.notes[channel][m.data1() & 0x7F] = m.data2() != 0;
    }
  }
  void close() override {
    const int device = open_device();
    if (device >= 0 && !state[device].silent() && fault.empty()) {
      fault = "device " + std::to_string(device) + " closed while it still sounds";
    }
    if (device >= 0) state[device] = {};
    StampedMidi::close();
  }
  std::array<Sounding, 8> state{};
  std::string fault;
};

class World {
 public:
  World(uint32_t seed, const std::filesystem::path& dir)
      : rng_(seed),
        midi_(kDevices, timers_),
        piano_(
            midi_, timers_, clock_, view_, take_, [](std::string_view) {},
            [](std::string_view) {}) {
    view_.save_answer = (dir / "take.mid").string();
    piano_.start_midi_out();
    piano_.allocate_buffer();
  }
  ~World() { piano_.finish(); }

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  // One random action; the fault it shows, or "".
  std::string step() {
    const int roll = below(100);
    static constexpr uint8_t kKeys[] = {0x2E, 0x2F, 0x30, 0x31, 0x10, 0x11};
    const uint8_t key = kKeys[below(6)];
    if (roll < 20)
      piano_.key_down(key_press(key));
    else if (roll < 38)
      piano_.key_up(key_release(key));
    else if (roll < 46)
      piano_.key_down(key_press(kSpace));
    else if (roll < 54)
      piano_.key_up(key_release(kSpace));
    else if (roll < 58)
      return escape();
    else if (roll < 61)
      return toggle_recording();
    else if (roll < 65)
      piano_.key_down(key_press(0x3D));  // F3
    else if (roll < 85)
      return advance();
    else if (roll < 90)
      clock_.now_ms += static_cast<uint32_t>(below(500));
    else if (roll < 95)
      return server_gone();
    else
      server_back();
    return midi_.fault;
  }

 private:
  static constexpr uint8_t kSpace = 0x39;

  std::string escape() {
    piano_.key_down(key_press(0x01));
    const int device = midi_.open_device();
    if (device >= 0 && !midi_.state[device].silent()) return "Escape left the device sounding";
    return midi_.fault;
  }

  std::string advance() {
    const size_t before = midi_.sent.size();
    timers_.advance_ms(1 + below(400));
    // A replayed pedal change: fifteen controllers of one value at one moment.
    for (size_t i = before + 1; i < midi_.sent.size(); ++i) {
      const ShortMessage a = midi_.sent[i - 1].message, b = midi_.sent[i].message;
      const auto pedal = [](ShortMessage m) {
        return (m.status() & 0xF0) == 0xB0 && m.data1() == kSustainPedal;
      };
      if (pedal(a) && pedal(b) && a.data2() == b.data2() &&
          midi_.stamps[i] != midi_.stamps[i - 1]) {
        return "a replayed pedal change took more than one step";
      }
    }
    return midi_.fault;
  }

  std::string toggle_recording() {
    const PianoStatus before = view_.current_status();
    const bool was_recording =
        before == PianoStatus::recording || before == PianoStatus::recording_full;
    piano_.key_down(key_press(0x3C));
    if (!was_recording) return midi_.fault;
    return check_take(*view_.save_answer);
  }

  // The server goes: the open device vanishes from the list, or stays listed
  // but plays no more. Either way the next look closes it and says so.
  std::string server_gone() {
    // The list's row that plays: -1 while none does.
    const int playing = view_.shown.device;
    if (midi_.open_device() < 0 || playing < 0) return "";
    view_.take();
    const bool lost = below(2) == 0;
    if (lost) {
      midi_.lost = true;
    } else {
      std::vector<std::string> names = last_names_;
      const std::string gone = names.at(playing);
      std::erase(names, gone);
      if (names.empty()) return "";  // the fake lists something always
      midi_.change_names(names);
      last_names_ = names;
    }
    piano_.refresh_devices();
    if (midi_.lost) return "a lost device is still open";
    bool told = false;
    for (const std::string& event : view_.take())
      told = told || event.find("went away") != std::string::npos;
    if (!told) return std::string("nobody said the device went away") + (lost ? " (lost)" : "");
    return midi_.fault;
  }

  void server_back() {
    if (last_names_ == kDevices) return;
    midi_.change_names(kDevices);
    last_names_ = kDevices;
    piano_.refresh_devices();
  }

  // The saved take: no release without its press, and nothing left sounding.
  static std::string check_take(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.size() < 36) return "saved take of " + std::to_string(bytes.size()) + " bytes";
    std::array<std::bitset<128>, 16> on{};
    bool pedal = false;
    for (size_t at = 29; at + 7 <= bytes.size(); at += 7) {
      const uint8_t* r = bytes.data() + at;
      if (r[4] == 0xFF)
        return at + 7 == bytes.size() && pedal == false &&
                       std::all_of(on.begin(), on.end(), [](const auto& n) { return n.none(); })
                   ? ""
                   : "the saved take does not end silent";
      if ((r[4] & 0xF0) == 0xB0) {
        pedal = r[6] >= 64;
      } else if (r[6] != 0) {
        on[r[4] & 0x0F].set(r[5]);
      } else if (!on[r[4] & 0x0F].test(r[5])) {
        return "the saved take releases a note it never pressed";
      } else {
        on[r[4] & 0x0F].reset(r[5]);
      }
    }
    return "the saved take has no end";
  }

  std::mt19937 rng_;
  testing::FakeTimerService timers_;
  testing::FakeClock clock_;
  testing::RecordingView view_;
  CheckedMidi midi_;
  EventBuffer take_;
  Piano piano_;
  std::vector<std::string> last_names_ = kDevices;
};

TEST(RandomServerAndPedal, WhatMustHoldHoldsForEverySeed) {
  // On a memory file system where there is one: saves fsync.
  char pattern[] = "/dev/shm/tastarion-pedal-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    World world(seed, dir);
    for (int i = 0; i < 3000; ++i) {
      const std::string fault = world.step();
      ASSERT_EQ(fault, "") << "seed " << seed << ", step " << i;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tastarion::model
