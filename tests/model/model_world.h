#pragma once

// The whole program on fakes, driven through the piano's operations, beside a
// model of what it should do. Each step predicts the exact MIDI messages
// (device, bytes, time), the state, the controls, the marks and the status,
// then compares. The model keeps its own copy of every rule, written from the
// behaviour the user sees, not from the program's constants.
// Used by the random test and the fuzzers alike: a step returns the first fault
// it finds as text, or an empty string.

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_timer_service.h"
#include "instrument/piano.h"
#include "model/actions.h"
#include "model/smf_reader.h"
#include "model/world_fakes.h"
#include "recorder/event_buffer.h"
#include "recorder/midi_file_reader.h"

namespace tastarion::model {

struct WorldOptions {
  std::vector<std::string> devices = {"Synth", "Port A", "Dead port", "Port B"};
  int failing_device = 2;
  // Becomes the current directory while the world lives: the save dialog's
  // cancelled answer lands here, and the chosen files go here too.
  std::filesystem::path directory;
};

struct Totals {
  uint64_t steps = 0;
  uint64_t messages = 0;
  uint64_t recorded_notes = 0;
  uint64_t recordings_closed = 0;
  uint64_t full_recordings = 0;
  uint64_t files_checked = 0;
  uint64_t save_failures = 0;
  uint64_t replay_steps = 0;
  uint64_t replays_finished = 0;
  uint64_t clicks = 0;
  void add(const Totals& o) {
    steps += o.steps;
    messages += o.messages;
    recorded_notes += o.recorded_notes;
    recordings_closed += o.recordings_closed;
    full_recordings += o.full_recordings;
    files_checked += o.files_checked;
    save_failures += o.save_failures;
    replay_steps += o.replay_steps;
    replays_finished += o.replays_finished;
    clicks += o.clicks;
  }
};

class World {
 public:
  static constexpr uint8_t kRecordKey = 0x3C;  // F2
  static constexpr uint8_t kPauseKey = 0x45;
  static constexpr uint32_t kMaxNotes = 9999;

  explicit World(WorldOptions options)
      : options_(std::move(options)),
        midi_(options_.devices, timers_),
        // Trace lines and standard error are not looked at; the boxes are counted.
        piano_(
            midi_, timers_, clock_, view_, take_, [](std::string_view) {}, [](std::string_view) {}),
        old_directory_(std::filesystem::current_path()),
        sounding_(options_.devices.size()) {
    std::filesystem::current_path(options_.directory);
    midi_.failing_device = options_.failing_device;
    // The program's start: the settings and the device list shown, device 0
    // opened, then the buffer.
    piano_.start();
    buffer_ok_ = piano_.allocate_buffer();
    m_.device_count = static_cast<int>(options_.devices.size());
    m_.port_open = options_.failing_device != 0;
    if (!m_.port_open) ++m_.messages;
    m_.key_notes[kMetronomeChannel] = 0xFF;
    // The list shows no row while no device plays.
    m_.device_shown = m_.port_open ? 0 : -1;
    if (view_.device_names != options_.devices) m_.start_fault = "device list not shown";
  }
  ~World() {
    std::error_code ignored;
    std::filesystem::current_path(old_directory_, ignored);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // The program was closed (Pause or the menu's Exit); no further step is taken.
  bool ended() const { return m_.ended; }
  const Totals& totals() const { return totals_; }
  Piano& piano() { return piano_; }
  // The keys the model holds down, one per busy slot.
  std::vector<KeyEvent> held_keys() const {
    std::vector<KeyEvent> held;
    for (int slot = 0; slot < kChannelCount; ++slot) {
      if (busy(slot)) held.push_back(m_.keys[slot]);
    }
    return held;
  }
  bool recording() const { return m_.recording; }
  bool replaying() const { return m_.replaying; }
  size_t recorded_count() const { return m_.recorded.size(); }

  std::string step(const Action& action) {
    if (!buffer_ok_) return "event buffer not allocated";
    if (m_.ended) return "step after the program ended";
    ++totals_.steps;
    const size_t from = midi_.sent.size();
    std::vector<Out> expected, clicks;
    pending_save_.reset();
    bool timed = false;
    if (const auto* input = std::get_if<Input>(&action)) {
      predict_input(*input, expected);
      apply(*input);
    } else if (const auto* jump = std::get_if<ClockJump>(&action)) {
      clock_.now_ms += jump->ms;
    } else if (const auto* set = std::get_if<ClockSet>(&action)) {
      clock_.now_ms = set->ms;
    } else if (const auto* advance = std::get_if<TimerAdvance>(&action)) {
      const Micros until = timers_.now() + Micros{advance->ms} * 1000;
      predict_advance(until, clicks, expected);
      timers_.advance_to(until);
      timed = true;
    } else if (const auto* choose = std::get_if<ChooseSave>(&action)) {
      save_choice_ = choose->choice;
    }
    std::string fault = check_sent(from, expected, clicks, timed);
    if (fault.empty()) fault = check_state();
    if (fault.empty() && pending_save_) fault = check_save(*pending_save_);
    return fault;
  }

  // A run of note keys pressed and released and clock moves, checked once at
  // its end: every message is still compared with the prediction, in order,
  // but the state only as the run leaves it. Such a run saves nothing, runs
  // no timer and switches no device, so no check step() makes between its
  // actions sees what the end does not.
  std::string step_run(std::span<const Action> run) {
    if (!buffer_ok_) return "event buffer not allocated";
    if (m_.ended) return "step after the program ended";
    const size_t from = midi_.sent.size();
    std::vector<Out> expected;
    for (const Action& action : run) {
      ++totals_.steps;
      if (const auto* jump = std::get_if<ClockJump>(&action)) {
        clock_.now_ms += jump->ms;
        continue;
      }
      const auto* input = std::get_if<Input>(&action);
      if (input == nullptr || !plays_a_note(*input)) {
        return "a run holds " + describe(action) + ", which only step() takes";
      }
      predict_input(*input, expected);
      apply(*input);
    }
    std::string fault = check_sent(from, expected, {}, false);
    if (fault.empty()) fault = check_state();
    return fault;
  }

  // The end of a sequence. A running program has every held key released (by
  // key releases or by losing the keyboard), its replay and metronome stopped and
  // its timers run on; a closed one does what the program does at its end. Then
  // nothing may sound anywhere.
  std::string finish(bool release_by_key_up) {
    std::string fault;
    if (!m_.ended) {
      if (release_by_key_up) {
        for (const KeyEvent& key : held_keys()) {
          fault = step(Input{KeyUp{key_release(key.scan_code, key.extended)}});
          if (!fault.empty()) return "releasing the held keys: " + fault;
        }
      } else {
        fault = step(Input{KeyboardLost{}});
        if (!fault.empty()) return "losing the keyboard: " + fault;
      }
      // A replay stopped so shows the idle status, as F3's stop does.
      if (m_.replaying) m_.status = PianoStatus::idle;
      fault = stop_all([&] {
        piano_.stop_replay();
        piano_.stop_metronome();
      });
      if (!fault.empty()) return fault;
      fault = step(TimerAdvance{600'000});
      if (!fault.empty()) return "timers after the stop: " + fault;
      // No slot stayed taken: fifteen keys pressed together find fifteen channels.
      std::vector<Action> chord;
      for (const uint8_t scan : kChordKeys) chord.push_back(Input{KeyDown{key_press(scan)}});
      for (const uint8_t scan : kChordKeys) chord.push_back(Input{KeyUp{key_release(scan)}});
      fault = step_run(chord);
      if (!fault.empty()) return "fifteen keys with every key up: " + fault;
      if (view_.marks.any()) return "marks left on the picture: " + view_.marks.to_string();
    } else {
      // The program's end lets the buffer go: it is looked at before.
      fault = check_buffer();
      if (!fault.empty()) return fault;
      fault = stop_all([&] { piano_.finish(); });
      if (!fault.empty()) return fault;
    }
    if (timers_.pending() != 0) return std::to_string(timers_.pending()) + " timers still pending";
    for (size_t device = 0; device < sounding_.size(); ++device) {
      for (int channel = 0; channel < kChannelCount; ++channel) {
        if (sounding_[device][channel].any()) {
          return "device " + std::to_string(device) + " channel " + std::to_string(channel + 1) +
                 " left sounding: " + sounding_[device][channel].to_string();
        }
      }
    }
    if (!m_.ended) fault = check_buffer();
    if (fault.empty()) fault = check_directory();
    return fault;
  }

 private:
  struct ModelState {
    std::array<uint8_t, 16> key_notes{};
    std::array<uint8_t, 16> sent_notes{};
    std::array<KeyEvent, 16> keys{};
    int volume = 8, fine_pitch = 0, transpose = 0, instrument = 0, mm = 60;
    bool metronome = false;
    Micros metronome_start = 0;
    int device = 0, device_count = 0;
    bool port_open = false;
    int device_shown = 0;
    bool recording = false;
    std::vector<Rec> recorded;
    // How many of them were found in the take's memory.
    size_t records_seen = 0;
    bool recording_full = false;
    // Per channel, the note a recorded note-on left sounding, or -1.
    std::array<int, 16> recorded_open{};
    // Per channel, whether the take holds the press a release would end.
    std::array<bool, 16> recorded_pressed{};
    uint32_t last_event_time = 0;
    // What the buffer holds since the last stop (the replayer's material).
    std::vector<Rec> closed;
    bool any_closed = false;
    uint32_t cursor = EventBuffer::kFirstRecord;  // the recorder's
    uint32_t high_water = EventBuffer::kFirstRecord + EventBuffer::kRecordSize;
    bool replaying = false;
    size_t replay_next = 0;
    Micros replay_due = 0;
    // By recorded channel: the notes the replay sounds, and the channel they
    // sound on (-1 while none does).
    std::array<std::bitset<128>, 16> replay_on{};
    std::array<int, 16> replay_channel = {-1, -1, -1, -1, -1, -1, -1, -1,
                                          -1, -1, -1, -1, -1, -1, -1, -1};
    // A mark stays while a key or the replay holds its note.
    std::array<int, 128> key_holds{};
    std::array<int, 128> replay_holds{};
    std::bitset<128> marks;
    PianoStatus status = PianoStatus::none;
    std::string start_fault;
    int messages = 0;
    int save_dialogs = 0;
    int closes = 0;
    int default_saves = 0;
    int chosen_files = 0;
    bool ended = false;
  };

  struct PendingSave {
    std::string path;
    bool succeeds;
  };

  static constexpr std::array<int, 9> kPrograms = {0, 6, 11, 16, 24, 40, 56, 68, 73};
  // Fifteen keys of the bottom row, from Left Shift.
  static constexpr uint8_t kChordKeys[] = {0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F,
                                           0x22, 0x30, 0x31, 0x24, 0x32, 0x25, 0x33};

  // The keyboard as the user sees it: each row of keys from left to right with
  // the note it plays (C2 = 48), written out apart from the program's table.
  static uint8_t note_of_key(uint8_t scan) {
    static const std::array<uint8_t, 256> notes = [] {
      std::array<uint8_t, 256> n{};
      // Bottom letter row (white keys) and home row (black keys), from Left Shift.
      const uint8_t bottom[] = {0x2A, 0x1E, 0x2C, 0x1F, 0x2D, 0x2E, 0x21, 0x2F, 0x22, 0x30, 0x31,
                                0x24, 0x32, 0x25, 0x33, 0x26, 0x34, 0x35, 0x28, 0x73, 0x2B, 0x36};
      // Top letter row (white keys) and digit row (black keys), from Tab.
      const uint8_t top[] = {0x0F, 0x02, 0x10, 0x11, 0x04, 0x12, 0x05, 0x13,
                             0x06, 0x14, 0x15, 0x08, 0x16, 0x09, 0x17, 0x18,
                             0x0B, 0x19, 0x0C, 0x1A, 0x0D, 0x1B, 0x1C, 0x0E};
      for (int i = 0; i < 22; ++i) n[bottom[i]] = static_cast<uint8_t>(43 + i);  // G1 up
      for (int i = 0; i < 24; ++i) n[top[i]] = static_cast<uint8_t>(62 + i);     // D3 up
      return n;
    }();
    return notes[scan];
  }

  // A press or release of a key that plays a note, never a command's.
  static bool plays_a_note(const Input& input) {
    if (const auto* down = std::get_if<KeyDown>(&input)) {
      return !down->key.alt && note_of_key(down->key.scan_code) != 0;
    }
    if (const auto* up = std::get_if<KeyUp>(&input)) return note_of_key(up->key.scan_code) != 0;
    return false;
  }

  void emit(std::vector<Out>& out, ShortMessage message, Micros at) const {
    if (m_.port_open) out.push_back({m_.device, message, at});
  }

  // --- the model -----------------------------------------------------------

  bool busy(int slot) const { return m_.key_notes[slot] != 0 && m_.key_notes[slot] != 0xFF; }
  bool replay_holds_channel(int channel) const {
    return std::find(m_.replay_channel.begin(), m_.replay_channel.end(), channel) !=
           m_.replay_channel.end();
  }
  // Neither a key's nor the metronome's nor one the replay sounds on.
  bool free_channel(int channel) const {
    return m_.key_notes[channel] == 0 && !replay_holds_channel(channel);
  }
  void hold_mark(std::array<int, 128>& holds, uint8_t note, int by) {
    holds[note] += by;
    if (note >= 43 && note <= 85) m_.marks[note] = m_.key_holds[note] + m_.replay_holds[note] > 0;
  }
  static bool same_key(const KeyEvent& a, const KeyEvent& b) {
    return a.scan_code == b.scan_code && a.extended == b.extended;
  }

  void append_record(int slot, uint8_t sent_note, uint8_t velocity, bool opens, bool press_record) {
    m_.recorded.push_back({(clock_.now_ms - m_.last_event_time) & 0x0FFFFFFF,
                           static_cast<uint8_t>(0x90 + slot), sent_note, velocity});
    m_.recorded_open[slot] = opens ? sent_note : -1;
    m_.recorded_pressed[slot] = press_record;
    m_.last_event_time = clock_.now_ms;
    m_.cursor += EventBuffer::kRecordSize;
    ++totals_.recorded_notes;
  }

  void end_recorded_notes() {
    for (int channel = 0; channel < kChannelCount; ++channel) {
      const int note = m_.recorded_open[channel];
      if (note >= 0) append_record(channel, static_cast<uint8_t>(note), 0, false, false);
    }
  }

  // A recording keeps room to end every note it left sounding; once full, it
  // ends them and records nothing more.
  void record(bool press, int slot, uint8_t sent_note, uint8_t velocity) {
    if (!m_.recording || m_.recording_full) return;
    // A key held when the recording started: its release has no press to end.
    if (!press && !m_.recorded_pressed[slot]) return;
    const bool opens = press && velocity != 0;
    int open = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (channel != slot && m_.recorded_open[channel] >= 0) ++open;
    }
    if (m_.recorded.size() + 1 + open + (opens ? 1 : 0) > kMaxNotes) {
      end_recorded_notes();
    } else {
      append_record(slot, sent_note, velocity, opens, press);
      if (m_.recorded.size() < kMaxNotes) return;
    }
    m_.recording_full = true;
    m_.status = PianoStatus::recording_full;
    ++totals_.full_recordings;
  }

  void press(const KeyEvent& key, std::vector<Out>& out) {
    if (key.repeat) return;
    const uint8_t note = note_of_key(key.scan_code);
    if (note == 0) return;
    int slot = 0;
    while (slot < kChannelCount && !free_channel(slot)) ++slot;
    if (slot == kChannelCount) return;
    const auto sent = static_cast<uint8_t>(note + m_.transpose);
    const auto velocity = static_cast<uint8_t>(m_.volume * 12);
    m_.key_notes[slot] = note;
    m_.sent_notes[slot] = sent;
    m_.keys[slot] = key;
    emit(out, ShortMessage::from_bytes(0x90 + slot, sent, velocity), timers_.now());
    record(true, slot, sent, velocity);
    hold_mark(m_.key_holds, note, 1);
  }

  void release_slot(int slot, std::vector<Out>& out) {
    const uint8_t note = m_.key_notes[slot];
    const uint8_t sent = m_.sent_notes[slot];
    emit(out, ShortMessage::from_bytes(0x90 + slot, sent, 0), timers_.now());
    m_.key_notes[slot] = 0;
    m_.sent_notes[slot] = 0;
    hold_mark(m_.key_holds, note, -1);
    record(false, slot, sent, 0);
  }

  void release(const KeyEvent& key, std::vector<Out>& out) {
    const uint8_t note = note_of_key(key.scan_code);
    if (note == 0) return;
    for (int slot = 0; slot < kChannelCount; ++slot) {
      if (busy(slot) && same_key(m_.keys[slot], key)) return release_slot(slot, out);
    }
  }

  void send_all(uint8_t kind, uint8_t data1, uint8_t data2, std::vector<Out>& out) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
      emit(out, ShortMessage::from_bytes(kind | channel, data1, data2), timers_.now());
    }
  }
  void pitch_bends(std::vector<Out>& out) {
    send_all(0xE0, 0, static_cast<uint8_t>(m_.fine_pitch / 3 + 64), out);
  }
  void program_changes(std::vector<Out>& out) {
    send_all(0xC0, static_cast<uint8_t>(kPrograms[m_.instrument]), 0, out);
  }

  void switch_device(int index, std::vector<Out>& out) {
    if (index < 0 || index >= m_.device_count) return;
    if (m_.port_open) {
      // The old device hears a note-off for each note it still sounds.
      for (int channel = 0; channel < kChannelCount; ++channel) {
        for (int note = 0; note < 128; ++note) {
          if (sounding_[m_.device][channel][note]) {
            emit(out, ShortMessage::from_bytes(0x90 | channel, note, 0), timers_.now());
          }
        }
      }
    }
    if (index == options_.failing_device) {
      // The program stays on the device it had, opened again when it was open,
      // and says why.
      ++m_.messages;
      m_.device_shown = m_.port_open ? m_.device : -1;
      if (!m_.port_open) return;
      for (auto& notes : sounding_[m_.device]) notes.reset();
    } else {
      m_.device = index;
      m_.port_open = true;
    }
    program_changes(out);
    pitch_bends(out);
  }

  void silence_replay(std::vector<Out>& out, Micros at) {
    for (int recorded = 0; recorded < kChannelCount; ++recorded) {
      for (int note = 0; note < 128; ++note) {
        if (!m_.replay_on[recorded][note]) continue;
        emit(out, ShortMessage::from_bytes(0x90 | m_.replay_channel[recorded], note, 0), at);
        hold_mark(m_.replay_holds, static_cast<uint8_t>(note), -1);
      }
      m_.replay_on[recorded].reset();
      m_.replay_channel[recorded] = -1;
    }
  }

  // A replayed record: a note-on on the channel its recorded channel's notes
  // sound on (the recorded one unless a key holds it), a note-off only for a
  // note the replay sounds.
  void replay_record(const Rec& r, std::vector<Out>& out, Micros at) {
    const int recorded = r.status & 0x0F;
    int& channel = m_.replay_channel[recorded];
    if (r.velocity != 0) {
      if (channel < 0) {
        if (free_channel(recorded)) {
          channel = recorded;
        } else {
          for (int c = 0; c < kChannelCount && channel < 0; ++c) {
            if (free_channel(c)) channel = c;
          }
        }
      }
      if (channel < 0) return;
      emit(out, ShortMessage::from_bytes(0x90 | channel, r.note, r.velocity), at);
      if (!m_.replay_on[recorded][r.note]) hold_mark(m_.replay_holds, r.note, 1);
      m_.replay_on[recorded][r.note] = true;
    } else if (m_.replay_on[recorded][r.note]) {
      emit(out, ShortMessage::from_bytes(0x90 | channel, r.note, 0), at);
      m_.replay_on[recorded][r.note] = false;
      hold_mark(m_.replay_holds, r.note, -1);
      if (m_.replay_on[recorded].none()) channel = -1;
    }
  }

  void stop_replay_model(std::vector<Out>& out) {
    if (!m_.replaying) return;
    m_.replaying = false;
    silence_replay(out, timers_.now());
  }

  void toggle_recording_model(std::vector<Out>& out) {
    if (!m_.recording) {
      stop_replay_model(out);
      m_.recording = true;
      m_.recorded.clear();
      m_.records_seen = 0;
      m_.recording_full = false;
      m_.recorded_open.fill(-1);
      m_.recorded_pressed.fill(false);
      m_.cursor = EventBuffer::kFirstRecord;
      m_.last_event_time = clock_.now_ms;
      m_.status = PianoStatus::recording;
      return;
    }
    m_.recording = false;
    // Keys still held at the stop end in the file where the recording ends.
    if (!m_.recording_full) end_recorded_notes();
    m_.closed = m_.recorded;
    m_.any_closed = true;
    m_.cursor += EventBuffer::kRecordSize;
    m_.high_water = std::max(m_.high_water, m_.cursor);
    m_.status = PianoStatus::none;
    ++m_.save_dialogs;
    ++totals_.recordings_closed;
    PendingSave save;
    const auto& dir = options_.directory;
    switch (save_choice_) {
      case SaveChoice::new_file:
        save = {(dir / ("take-" + std::to_string(++m_.chosen_files) + ".mid")).string(), true};
        view_.save_answer = save.path;
        break;
      case SaveChoice::same_file:
        save = {(dir / "take-0.mid").string(), true};
        view_.save_answer = save.path;
        break;
      case SaveChoice::unwritable:
        save = {(dir / "missing" / "take.mid").string(), false};
        view_.save_answer = save.path;
        break;
      case SaveChoice::cancel:
        save = {m_.default_saves == 0 ? "vemola.mid"
                                      : "vemola-" + std::to_string(m_.default_saves + 1) + ".mid",
                true};
        ++m_.default_saves;
        view_.save_answer.reset();
        break;
    }
    if (save.succeeds) {
      saved_files_.insert(std::filesystem::path(save.path).filename().string());
    } else {
      ++m_.messages;
      ++totals_.save_failures;
    }
    pending_save_ = save;
  }

  void toggle_replay_model(std::vector<Out>& out) {
    if (m_.recording) return;
    if (m_.replaying) {
      stop_replay_model(out);
      m_.status = PianoStatus::idle;
      return;
    }
    m_.status = PianoStatus::replaying;
    m_.replaying = true;
    m_.replay_next = 0;
    m_.replay_due = timers_.now() + 10'000;
    for (auto& channel : m_.replay_on) channel.reset();
    m_.replay_channel.fill(-1);
  }

  void restart_metronome() { m_.metronome_start = timers_.now(); }

  // Returns whether the program ends.
  bool run_command_model(const KeyEvent& key, std::vector<Out>& out) {
    const uint8_t scan = key.scan_code;
    switch (scan) {
      case 0x3B:
        ++m_.messages;
        break;
      case 0x3C:
        toggle_recording_model(out);
        break;
      case 0x3D:
        toggle_replay_model(out);
        break;
      case 0x42:
        // F8 with no take to save (none closed, or one without events) says
        // so, and so does a take longer than a MIDI file may be.
        if (!key.repeat && !m_.recording) {
          uint64_t length_ms = 0;
          for (const Rec& r : m_.closed) length_ms += r.delta;
          if (m_.closed.empty() || length_ms * 1000 > kMaxMidiFileMicros) ++m_.messages;
        }
        break;
      case 0x3F:
        m_.metronome = !m_.metronome;
        if (m_.metronome) restart_metronome();
        break;
      case 0x40:
      case 0x41: {
        const int next = m_.mm + (scan == 0x40 ? -1 : 1);
        if (next < 30 || next > 240) break;
        m_.mm = next;
        if (m_.metronome) restart_metronome();
        break;
      }
      case 0x45:
        if (key.extended) break;  // Num Lock
        ++m_.closes;
        return true;
      case 0x47:
      case 0x4F: {
        const int next = m_.instrument + (scan == 0x47 ? -1 : 1);
        if (next < 0 || next > 8) break;
        m_.instrument = next;
        program_changes(out);
        break;
      }
      case 0x48:
      case 0x50: {
        const int next = m_.volume + (scan == 0x50 ? -1 : 1);
        if (next < 0 || next > 10) break;
        m_.volume = next;
        break;
      }
      case 0x49:
      case 0x51: {
        const int next = m_.device + (scan == 0x49 ? -1 : 1);
        if (next < 0 || next >= m_.device_count) break;
        m_.device_shown = next;
        switch_device(next, out);
        break;
      }
      case 0x4B:
      case 0x4D: {
        const int next = m_.fine_pitch + (scan == 0x4B ? -1 : 1);
        if (next < -100 || next > 100) break;
        m_.fine_pitch = next;
        pitch_bends(out);
        break;
      }
      case 0x52:
      case 0x53: {
        const int next = m_.transpose + (scan == 0x52 ? 1 : -1);
        if (next < -12 || next > 12) break;
        m_.transpose = next;
        break;
      }
      default:
        break;
    }
    return false;
  }

  void menu_model(MenuItem item) {
    if (item == MenuItem::help) ++m_.messages;
    if (item == MenuItem::exit) {
      ++m_.closes;
      m_.ended = true;
    }
  }

  // What the window does with an input: the piano's operation for it.
  void apply(const Input& input) {
    if (const auto* down = std::get_if<KeyDown>(&input)) {
      piano_.key_down(down->key);
    } else if (const auto* up = std::get_if<KeyUp>(&input)) {
      piano_.key_up(up->key);
    } else if (const auto* moved = std::get_if<ControlMoved>(&input)) {
      static constexpr void (Piano::*kChange[])(int) = {
          &Piano::change_volume,    &Piano::change_fine_pitch, &Piano::change_mm_speed,
          &Piano::change_transpose, &Piano::change_instrument, &Piano::change_device};
      (piano_.*kChange[static_cast<int>(moved->control)])(moved->value);
    } else if (const auto* menu = std::get_if<MenuChosen>(&input)) {
      if (menu->item == MenuItem::help) piano_.show_help();
      if (menu->item == MenuItem::exit) piano_.exit_program();
    } else if (std::holds_alternative<KeyboardLost>(input)) {
      piano_.release_all_keys();
    }
  }

  void predict_input(const Input& input, std::vector<Out>& out) {
    if (const auto* down = std::get_if<KeyDown>(&input)) {
      if (down->key.alt) return;  // a system key
      if (run_command_model(down->key, out)) {
        m_.ended = true;
        return;
      }
      press(down->key, out);
    } else if (const auto* up = std::get_if<KeyUp>(&input)) {
      release(up->key, out);
    } else if (const auto* moved = std::get_if<ControlMoved>(&input)) {
      // The control shows the user's value before the program hears of it.
      // Values outside a control's range cannot come from it and are dropped.
      const int value = moved->value;
      switch (moved->control) {
        case Control::volume:
          if (value < 0 || value > 10) break;
          m_.volume = value;
          view_.volume = value;
          break;
        case Control::pitch:
          if (value < -100 || value > 100) break;
          m_.fine_pitch = value;
          view_.fine_pitch = value;
          pitch_bends(out);
          break;
        case Control::mm_speed:
          m_.mm = std::clamp(value, 30, 240);
          view_.mm_speed = value;
          if (m_.metronome) restart_metronome();
          break;
        case Control::transpose:
          if (value < -12 || value > 12) break;
          m_.transpose = value;
          view_.transpose = value;
          break;
        case Control::instrument:
          if (value < 0 || value > 8) break;
          m_.instrument = value;
          view_.instrument = value;
          program_changes(out);
          break;
        case Control::device:
          if (value < 0 || value >= m_.device_count) break;
          m_.device_shown = value;
          view_.device = value;
          switch_device(value, out);
          break;
      }
    } else if (const auto* menu = std::get_if<MenuChosen>(&input)) {
      menu_model(menu->item);
    } else if (std::holds_alternative<KeyboardLost>(input)) {
      for (int slot = 0; slot < kChannelCount; ++slot) {
        if (m_.key_notes[slot] != 0 && m_.key_notes[slot] != 0xFF) release_slot(slot, out);
      }
    }
  }

  void predict_advance(Micros until, std::vector<Out>& clicks, std::vector<Out>& others) {
    while (m_.replaying && m_.replay_due <= until) {
      const Micros at = m_.replay_due;
      if (m_.replay_next < m_.closed.size()) {
        const Rec& r = m_.closed[m_.replay_next];
        replay_record(r, others, at);
        ++m_.replay_next;
        ++totals_.replay_steps;
        const uint32_t delta =
            m_.replay_next < m_.closed.size() ? m_.closed[m_.replay_next].delta : 0;
        m_.replay_due = at + Micros{std::max<uint32_t>(delta, 10)} * 1000;
      } else {
        silence_replay(others, at);
        m_.replaying = false;
        m_.status = PianoStatus::idle;
        ++totals_.replays_finished;
      }
    }
    if (m_.metronome) {
      const Micros period = Micros{60000 / m_.mm} * 1000;
      const Micros now = timers_.now();
      for (Micros t = m_.metronome_start + ((now - m_.metronome_start) / period + 1) * period;
           t <= until; t += period) {
        emit(clicks, ShortMessage::note_on(9, 0x38, m_.volume * 12), t);
        ++totals_.clicks;
      }
    }
  }

  template <class Stop>
  std::string stop_all(Stop stop) {
    const size_t from = midi_.sent.size();
    std::vector<Out> expected;
    stop_replay_model(expected);
    m_.metronome = false;
    if (m_.ended && m_.port_open) {
      // The port's last act: a note-off for everything still sounding there.
      std::vector<std::bitset<128>> left(sounding_[m_.device].begin(), sounding_[m_.device].end());
      for (const Out& o : expected) {
        left[o.message.status() & 0x0F][o.message.data1()] = false;
      }
      for (int channel = 0; channel < kChannelCount; ++channel) {
        for (int note = 0; note < 128; ++note) {
          if (left[channel][note])
            emit(expected, ShortMessage::from_bytes(0x90 | channel, note, 0), timers_.now());
        }
      }
      m_.port_open = false;
    }
    stop();
    std::string fault = check_sent(from, expected, {}, false);
    if (!fault.empty()) return "stopping: " + fault;
    return m_.ended ? "" : check_state();
  }

  // --- the checks ----------------------------------------------------------

  static std::string diff(const char* what, const std::vector<Out>& expected,
                          const std::vector<Out>& actual) {
    if (expected == actual) return "";
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
    std::string text = std::string(what) + " differ at message " + std::to_string(i) + " of " +
                       std::to_string(expected.size()) + " expected, " +
                       std::to_string(actual.size()) + " sent:";
    for (size_t k = i; k < i + 6; ++k) {
      text += "\n    expected " + (k < expected.size() ? describe(expected[k]) : "-") + "   sent " +
              (k < actual.size() ? describe(actual[k]) : "-");
    }
    return text;
  }

  std::string check_sent(size_t from, const std::vector<Out>& expected,
                         const std::vector<Out>& clicks, bool timed) {
    std::vector<Out> actual, actual_clicks;
    for (size_t i = from; i < midi_.sent.size(); ++i) {
      const Out o{midi_.sent[i].device, midi_.sent[i].message, midi_.stamps[i]};
      ++totals_.messages;
      if (std::string why = malformed(o.message); !why.empty()) {
        return "malformed message " + describe(o) + ": " + why;
      }
      const uint8_t status = o.message.status();
      if ((status & 0xF0) == 0x90 && (status & 0x0F) != kMetronomeChannel) {
        sounding_[o.device][status & 0x0F][o.message.data1()] = o.message.data2() != 0;
      }
      (timed && status == 0x99 ? actual_clicks : actual).push_back(o);
    }
    if (midi_.double_open) return "a device was opened while another was open";
    if (midi_.sends_while_closed != 0) return "a send reached the service with no device open";
    std::string fault = diff(timed ? "replayed messages" : "messages", expected, actual);
    if (fault.empty()) fault = diff("clicks", clicks, actual_clicks);
    return fault;
  }

  std::string check_state() {
    auto mismatch = [](const char* what, long long real, long long model) {
      return std::string(what) + " is " + std::to_string(real) + ", expected " +
             std::to_string(model);
    };
    if (!m_.start_fault.empty()) return m_.start_fault;
    // The settings, the device, the recording and the replay show in the
    // messages, the controls, the status and the timers; the take's newest
    // records in its memory.
    for (; m_.records_seen < m_.recorded.size(); ++m_.records_seen) {
      const Rec written = record_at(take_.data() + EventBuffer::kFirstRecord +
                                    m_.records_seen * EventBuffer::kRecordSize);
      if (written != m_.recorded[m_.records_seen]) {
        return "record " + std::to_string(m_.records_seen) + " is " + describe(written) +
               ", expected " + describe(m_.recorded[m_.records_seen]);
      }
    }
    const size_t timers_expected = (m_.metronome ? 1 : 0) + (m_.replaying ? 1 : 0);
    if (timers_.pending() != timers_expected) {
      return mismatch("pending timers", timers_.pending(), timers_expected);
    }
    if (view_.volume != m_.volume) return mismatch("volume shown", view_.volume, m_.volume);
    if (view_.fine_pitch != m_.fine_pitch) {
      return mismatch("pitch shown", view_.fine_pitch, m_.fine_pitch);
    }
    if (std::clamp(view_.mm_speed, 30, 240) != m_.mm) {
      return mismatch("mm speed shown", view_.mm_speed, m_.mm);
    }
    if (view_.transpose != m_.transpose) {
      return mismatch("transpose shown", view_.transpose, m_.transpose);
    }
    if (view_.instrument != m_.instrument) {
      return mismatch("instrument shown", view_.instrument, m_.instrument);
    }
    if (view_.device != m_.device_shown) {
      return mismatch("device shown", view_.device, m_.device_shown);
    }
    if (view_.stray_marks != 0) return "a mark for a note outside the keyboard";
    if (view_.marks != m_.marks) {
      return "marks " + view_.marks.to_string() + "\n expected " + m_.marks.to_string();
    }
    if (view_.status != m_.status) {
      return mismatch("status", static_cast<int>(view_.status), static_cast<int>(m_.status));
    }
    if (view_.message_count != m_.messages) {
      return mismatch("message boxes", view_.message_count, m_.messages) +
             " (last: " + view_.last_message + ")";
    }
    if (view_.save_dialogs != m_.save_dialogs) {
      return mismatch("save dialogs", view_.save_dialogs, m_.save_dialogs);
    }
    if (view_.closes != m_.closes) return mismatch("window closes", view_.closes, m_.closes);
    return "";
  }

  std::span<const uint8_t> buffer_bytes(uint32_t size) const { return {take_.data(), size}; }

  static std::string compare_records(const char* what, const std::vector<Rec>& expected,
                                     const std::vector<Rec>& actual) {
    if (expected == actual) return "";
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
    return std::string(what) + " holds " + std::to_string(actual.size()) + " events, expected " +
           std::to_string(expected.size()) + "; first difference at event " + std::to_string(i) +
           ": " + (i < actual.size() ? describe(actual[i]) : "-") + " against " +
           (i < expected.size() ? describe(expected[i]) : "-");
  }

  std::string check_save(const PendingSave& save) {
    auto in_buffer = read_recording(buffer_bytes(m_.cursor), true);
    if (auto* why = std::get_if<std::string>(&in_buffer)) return "closed buffer: " + *why;
    std::string fault =
        compare_records("closed buffer", m_.closed, std::get<std::vector<Rec>>(in_buffer));
    if (!fault.empty()) return fault;
    std::error_code error;
    const bool exists = std::filesystem::exists(save.path, error);
    if (!save.succeeds) {
      if (exists) return "a file appeared at the unwritable path " + save.path;
      if (view_.last_message.find(save.path) == std::string::npos) {
        return "the failure message does not name the file: " + view_.last_message;
      }
      return "";
    }
    if (!exists) return "no file saved at " + save.path;
    std::ifstream file(save.path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
    auto in_file = read_recording(bytes);
    if (auto* why = std::get_if<std::string>(&in_file)) return save.path + ": " + *why;
    fault = compare_records(save.path.c_str(), m_.closed, std::get<std::vector<Rec>>(in_file));
    if (!fault.empty()) return fault;
    ++totals_.files_checked;
    return "";
  }

  // The header as the template left it, the last track length, and nothing
  // ever written past the furthest end record.
  std::string check_buffer() {
    const uint8_t* bytes = take_.data();
    for (uint32_t i = 0; i < EventBuffer::kTrackLengthOffset; ++i) {
      if (bytes[i] != smf_template[i])
        return "buffer header byte " + std::to_string(i) + " changed";
    }
    const uint32_t length = m_.any_closed
                                ? uint32_t(EventBuffer::kRecordSize * (m_.closed.size() + 1))
                                : uint32_t{0x42595423};  // "BYT#"
    const uint8_t* field = bytes + EventBuffer::kTrackLengthOffset;
    const uint32_t stored =
        uint32_t{field[0]} << 24 | uint32_t{field[1]} << 16 | uint32_t{field[2]} << 8 | field[3];
    if (stored != length) return "track length field " + hex(stored) + ", expected " + hex(length);
    const uint32_t high_water = std::max(m_.high_water, m_.cursor);
    static const std::array<uint8_t, EventBuffer::kSize> zeros{};
    if (std::memcmp(bytes + high_water, zeros.data(), EventBuffer::kSize - high_water) != 0) {
      return "buffer bytes written past every record (from byte " + std::to_string(high_water) +
             " on)";
    }
    return "";
  }

  // Only the files the user saved, and no temporary file left behind.
  std::string check_directory() {
    std::set<std::string> expected = saved_files_;
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(options_.directory)) {
      found.insert(entry.path().filename().string());
    }
    if (found != expected) {
      std::string text = "files in the save directory:";
      for (const auto& name : found) text += " " + name;
      return text;
    }
    return "";
  }

  WorldOptions options_;
  testing::FakeTimerService timers_;
  testing::FakeClock clock_;
  StampedMidi midi_;
  ModelView view_;
  EventBuffer take_;
  Piano piano_;
  std::filesystem::path old_directory_;
  bool buffer_ok_ = false;
  ModelState m_;
  std::vector<std::array<std::bitset<128>, 16>> sounding_;
  SaveChoice save_choice_ = SaveChoice::new_file;
  std::optional<PendingSave> pending_save_;
  std::set<std::string> saved_files_;
  Totals totals_;
};

}  // namespace tastarion::model
