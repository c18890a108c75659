#pragma once

// The program's surroundings as the model world sees them: the MIDI devices
// with the time of each message, the window's controls, marks and status.

#include <bitset>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/short_message.h"
#include "fakes/fake_midi.h"
#include "fakes/fake_timer_service.h"
#include "instrument/piano_view.h"
#include "model/actions.h"

namespace tastarion::model {

// A message that reached a device, and when (timer-service time).
struct Out {
  int device;
  ShortMessage message;
  Micros at;
  bool operator==(const Out&) const = default;
};

inline std::string describe(const Out& o) {
  char bytes[16];
  std::snprintf(bytes, sizeof bytes, "%02X %02X %02X", unsigned{o.message.status()},
                unsigned{o.message.data1()}, unsigned{o.message.data2()});
  return "device " + std::to_string(o.device) + ": " + bytes + " at " + std::to_string(o.at) +
         " us";
}

// Every message the program may send: a note-on on a played channel, a program
// change or pitch bend on any channel, the click on channel 10.
inline std::string malformed(ShortMessage m) {
  const uint8_t status = m.status(), d1 = m.data1(), d2 = m.data2();
  if ((status & 0x80) == 0) return "status without bit 7";
  if (d1 >= 0x80 || d2 >= 0x80) return "data byte >= 0x80";
  switch (status) {
    case 0x99:
      return d1 == 0x38 ? "" : "channel 10 note other than the click";
    case 0xC9:
    case 0xE9:
      break;
    default:
      if ((status & 0x0F) == kMetronomeChannel) return "channel 10 message other than the click";
  }
  switch (status & 0xF0) {
    case 0x90:
    case 0xE0:
      return "";
    case 0xC0:
      return d2 == 0 ? "" : "program change with a third byte";
    default:
      return "status the program never sends";
  }
}

// A MIDI output service that also notes the time of each message it passes on.
class StampedMidi : public testing::FakeMidi {
 public:
  StampedMidi(std::vector<std::string> names, const testing::FakeTimerService& timers)
      : FakeMidi(std::move(names)), timers_(timers) {}
  void send(ShortMessage message) noexcept override {
    const size_t before = sent.size();
    FakeMidi::send(message);
    if (sent.size() != before) stamps.push_back(timers_.now());
  }
  std::vector<Micros> stamps;

 private:
  const testing::FakeTimerService& timers_;
};

// The window's side of the piano: the controls as shown, the marks on the
// picture, the status, message boxes, the save dialog and the closing.
class ModelView : public PianoView {
 public:
  void draw_mark(bool on, uint8_t note) override {
    if (note < 43 || note > 85) {
      ++stray_marks;
    } else {
      marks[note] = on;
    }
  }
  void show_status(PianoStatus s) override { status = s; }
  void show_volume(int v) override { volume = v; }
  void show_fine_pitch(int v) override { fine_pitch = v; }
  void show_mm_speed(int v) override { mm_speed = v; }
  void show_transpose(int v) override { transpose = v; }
  void show_instrument(int v) override { instrument = v; }
  void show_device_names(const std::vector<std::string>& names) override { device_names = names; }
  void show_device(int v) override { device = v; }
  void show_message(const PlayerText& text) override {
    ++message_count;
    last_message = text.english();
  }
  std::optional<std::string> ask_save_file_name() override {
    ++save_dialogs;
    return save_answer;
  }
  void close_program() override { ++closes; }

  std::bitset<128> marks;
  int stray_marks = 0;
  PianoStatus status = PianoStatus::none;
  int volume = -1, fine_pitch = -1, mm_speed = -1, transpose = -100, instrument = -1, device = -1;
  std::vector<std::string> device_names;
  int message_count = 0;
  std::string last_message;
  int save_dialogs = 0;
  int closes = 0;
  std::optional<std::string> save_answer;
};

}  // namespace tastarion::model
