// What a MIDI input port may receive, whatever it is: events of any bytes and
// lengths, floods that fill the queue, a port that goes away, the PC keyboard,
// panic, the window losing the keyboard and takes saved in between. Checked:
// the piano never sounds a note on channel 10 nor two on one channel, and once
// every key and the pedal have come up, no note sounds and fifteen keys find
// fifteen channels.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/midi_input_feed.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "fuzz/fuzz_world.h"
#include "instrument/piano.h"

namespace tastarion::fuzz {
namespace {

constexpr uint8_t kKeyC = 0x2E;
// Fifteen note keys of the bottom row, from Left Shift.
constexpr uint8_t kBottomRow[] = {0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F,
                                  0x22, 0x30, 0x31, 0x24, 0x32, 0x25, 0x33};

[[noreturn]] void fault(const std::string& what) {
  std::fprintf(stderr, "fault: %s\n", what.c_str());
  std::abort();
}

// The save dialog's answer: one file in a directory of the process's own,
// removed when the process ends.
class SavingView : public PianoView {
 public:
  std::optional<std::string> ask_save_file_name() override {
    return (directory() / "take.mid").string();
  }

 private:
  static const std::filesystem::path& directory() {
    static const struct Directory {
      std::filesystem::path path = make_directory();
      ~Directory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
      }
    } made;
    return made.path;
  }
};

class Rig {
 public:
  Rig()
      : piano_(
            midi_, timers_, clock_, view_, take_, [](std::string_view) {},
            [](std::string_view) {}) {
    piano_.start_midi_out();
    piano_.allocate_buffer();
  }

  // The window's turn: up to `count` messages from the feed.
  void take(MidiInputFeed& feed, int count) {
    MidiInput input;
    for (int i = 0; i < count && feed.pop(input); ++i) piano_.midi_in(input);
    check();
  }

  // The notes sent since the last look: none on channel 10, one at most on any other.
  void check() {
    for (; checked_ < midi_.sent.size(); ++checked_) {
      const ShortMessage message = midi_.sent[checked_].message;
      if (!message.starts_note()) continue;
      if (message.channel() == kMetronomeChannel) fault("channel 10 taken by a note");
    }
    if (midi_.most_notes_on_a_channel() > 1) fault("two notes sound on one channel");
  }

  Piano& piano() { return piano_; }
  testing::FakeMidi& midi() { return midi_; }

 private:
  testing::FakeMidi midi_;
  testing::FakeTimerService timers_;
  testing::FakeClock clock_;
  SavingView view_;
  EventBuffer take_;
  Piano piano_;
  size_t checked_ = 0;
};

void play(Bytes& in) {
  Rig rig;
  MidiInputFeed feeds[2] = {MidiInputFeed(0), MidiInputFeed(1)};
  bool key_down = false;
  while (!in.empty()) {
    const uint8_t op = in.u8();
    MidiInputFeed& feed = feeds[op >> 7];
    switch (op & 0x0F) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4: {
        // One event of any bytes, cut short or too long as it comes.
        uint8_t bytes[16];
        const size_t length = in.u8() % (sizeof bytes + 1);
        for (size_t i = 0; i < length; ++i) bytes[i] = in.u8();
        feed.read(bytes, length);
        break;
      }
      case 5: {
        // A flood of whole notes, more than the queue holds.
        const int count = 1 + in.u8() * 4;
        const uint8_t seed = in.u8();
        for (int i = 0; i < count; ++i) {
          const auto status = static_cast<uint8_t>((i + seed) % 3 ? 0x90 : 0x80);
          const uint8_t event[3] = {static_cast<uint8_t>(status | (i + seed) % 16),
                                    static_cast<uint8_t>((i * 7 + seed) % 128),
                                    static_cast<uint8_t>(i % 128)};
          feed.read(event, sizeof event);
        }
        break;
      }
      case 6:
        // The start of the driver's next batch, or the end of this one.
        if (op & 0x40) {
          feed.end_batch();
        } else {
          feed.settle_owed();
        }
        break;
      case 7:
      case 8:
        rig.take(feed, 1 + in.u8());
        break;
      case 9:
        // The port goes away once the window took all it had queued.
        rig.take(feed, static_cast<int>(MidiInputFeed::kCapacity));
        if (!feed.port_lost()) fault("no room for a lost port in an empty queue");
        break;
      case 10:
        if (!key_down) rig.piano().key_down(key_press(kKeyC));
        key_down = true;
        break;
      case 11:
        rig.piano().key_up(key_release(kKeyC));
        key_down = false;
        break;
      case 12:
        rig.piano().panic();
        break;
      case 13:
        // The window loses the keyboard; the key's release then goes elsewhere.
        rig.piano().release_all_keys();
        key_down = false;
        break;
      case 14:
        rig.piano().change_transpose(static_cast<int>(in.u8() % 25) - 12);
        break;
      default:
        if (op & 0x40) {
          // A keyboard's expression: wheels, controllers (the mode messages
          // among them), pressures and programs, some cut short, some with
          // their status left out (running status), System Exclusive between;
          // some end the driver's batch, so that the wheels' values are thinned
          // across batches of any length.
          const int count = 1 + in.u8() % 32;
          for (int i = 0; i < count; ++i) {
            static constexpr uint8_t kinds[] = {0xE0, 0xB0, 0xD0, 0xA0, 0xC0, 0xF0};
            const uint8_t kind = kinds[in.u8() % 6];
            const uint8_t first = in.u8();
            uint8_t event[6] = {static_cast<uint8_t>(kind | (first & 0x0F)),
                                static_cast<uint8_t>(in.u8() & 0x7F),
                                static_cast<uint8_t>(in.u8() & 0x7F), 0xF7};
            size_t length = 1 + ShortMessage::data_length(event[0]);
            if (kind == 0xF0) length = 4;           // a short System Exclusive
            if (first & 0x10) length -= 1;          // cut short
            if (first & 0x20) event[0] = event[1];  // running status: no status byte
            if (first & 0x40 && kind == 0xB0) event[1] = static_cast<uint8_t>(120 + first % 8);
            feed.read(event, length);
            if (first & 0x80) feed.end_batch();
          }
        } else {
          rig.piano().toggle_recording();
        }
        break;
    }
    rig.check();
  }

  // Every key and the pedal come up; whatever is owed gets through.
  rig.piano().key_up(key_release(kKeyC));
  for (MidiInputFeed& feed : feeds) {
    for (uint8_t channel = 0; channel < 16; ++channel) {
      for (uint8_t note = 0; note < 128; ++note) {
        const uint8_t off[3] = {static_cast<uint8_t>(0x80 | channel), note, 0};
        feed.read(off, sizeof off);
        if (note % 64 == 63) rig.take(feed, static_cast<int>(MidiInputFeed::kCapacity));
      }
    }
    const uint8_t pedal_up[3] = {0xB0, 64, 0};
    feed.read(pedal_up, sizeof pedal_up);
    // Each turn a full queue's worth goes out, so that whatever is owed is paid.
    for (int turn = 0; turn < 64; ++turn) {
      feed.settle_owed();
      rig.take(feed, static_cast<int>(MidiInputFeed::kCapacity));
    }
  }
  // The pedal: the Space key was never pressed, so only MIDI held it.
  if (rig.midi().sounding_count() != 0) fault("a note still sounds");
  // No slot stayed taken: fifteen keys sound on fifteen channels.
  for (const uint8_t key : kBottomRow) rig.piano().key_down(key_press(key));
  if (rig.midi().sounding_channels() != 15) fault("a slot still taken");
  // Escape brings every wheel back to the fine pitch's bend (never moved here).
  rig.piano().panic();
  int bends[16];
  for (int& bend : bends) bend = ShortMessage::kBendCentre;
  for (const ShortMessage m : rig.midi().messages()) {
    if (m.kind() == ShortMessage::Kind::pitch_bend) bends[m.channel()] = m.bend();
  }
  for (const int bend : bends) {
    if (bend != ShortMessage::kBendCentre) fault("a wheel left off its rest");
  }
}

}  // namespace
}  // namespace tastarion::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tastarion::fuzz::Bytes in(data, size);
  tastarion::fuzz::play(in);
  return 0;
}
