#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "instrument/piano_view.h"
#include "recorder/midi_file_reader.h"

namespace tastarion::testing {

inline const char* status_name(PianoStatus status) {
  switch (status) {
    case PianoStatus::none:
      return "none";
    case PianoStatus::idle:
      return "idle";
    case PianoStatus::recording:
      return "recording";
    case PianoStatus::recording_full:
      return "recording full";
    case PianoStatus::replaying:
      return "replaying";
  }
  return "?";
}

// A view that writes down what the piano told it, as short text lines
// ("mark on 48", "status recording", "volume 9", ...).
class RecordingView : public PianoView {
 public:
  void draw_mark(bool on, uint8_t note) override {
    log(std::string("mark ") + (on ? "on " : "off ") + std::to_string(note));
  }
  void show_status(PianoStatus status) override {
    std::lock_guard lock(mutex_);
    this->status = status;
    events.push_back(std::string("status ") + status_name(status));
  }
  void erase_marks() override { log("erase marks"); }
  void show_volume(int v) override {
    shown.volume = v;
    log("volume " + std::to_string(v));
  }
  void show_fine_pitch(int v) override {
    shown.fine_pitch = v;
    log("pitch " + std::to_string(v));
  }
  void show_mm_speed(int v) override {
    shown.mm_speed = v;
    log("mm " + std::to_string(v));
  }
  void show_transpose(int v) override {
    shown.transpose = v;
    log("transpose " + std::to_string(v));
  }
  void show_instrument(int v) override {
    shown.instrument = v;
    log("instrument " + std::to_string(v));
  }
  void show_device_names(const std::vector<std::string>& names) override {
    shown.device_count = static_cast<int>(names.size());
    for (const auto& name : names) log("device name " + name);
  }
  void show_device(int v) override {
    shown.device = v;
    log("device " + std::to_string(v));
  }
  void show_message(const PlayerText& text) override { log("message " + text.english()); }
  std::optional<std::string> ask_save_file_name() override {
    log("save dialog");
    if (later_save_answers.empty()) return save_answer;
    auto answer = later_save_answers.front();
    later_save_answers.erase(later_save_answers.begin());
    return answer;
  }
  bool ask_save_elsewhere(const PlayerText& text) override {
    show_message(text);
    if (save_elsewhere_times == 0) return false;
    --save_elsewhere_times;
    return true;
  }
  std::optional<std::string> ask_open_file_name() override {
    log("open dialog");
    return open_answer;
  }
  void show_file_name(const std::string& name) override { log("file " + name); }
  void save_as_audio(const MidiSong& song, const std::string& beside) override {
    log("audio of " + std::to_string(song.events.size()) + " events beside " + beside);
  }
  void close_program() override { log("close"); }

  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    auto out = std::move(events);
    events.clear();
    return out;
  }
  PianoStatus current_status() const {
    std::lock_guard lock(mutex_);
    return status;
  }

  // What the controls show now, as the player sees them; -1 until told.
  struct Shown {
    int volume = -1;
    int fine_pitch = -1;
    int mm_speed = -1;
    int transpose = -1;
    int instrument = -1;
    int device = -1;
    int device_count = -1;
  };
  Shown shown;

  std::optional<std::string> save_answer;
  // Answers of the save dialogs after the first, in order; then save_answer.
  std::vector<std::optional<std::string>> later_save_answers;
  std::optional<std::string> open_answer;
  // How often a failed save's box is answered with "save elsewhere".
  int save_elsewhere_times = 0;
  std::vector<std::string> events;
  PianoStatus status = PianoStatus::none;

 private:
  void log(std::string line) {
    std::lock_guard lock(mutex_);
    events.push_back(std::move(line));
  }
  mutable std::mutex mutex_;
};

}  // namespace tastarion::testing
