#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/piano_view.h"

namespace tastarion::testing {

// A view that writes down what the core asked of it, as short text lines
// ("mark on 48", "title ...", "volume slider 9", ...).
class RecordingView : public PianoView {
 public:
  void draw_mark(bool on, uint8_t note) override {
    log(std::string("mark ") + (on ? "on " : "off ") + std::to_string(note));
  }
  void set_title(const std::string& title) override {
    std::lock_guard lock(mutex_);
    this->title = title;
    events.push_back("title " + title);
  }
  void set_volume_slider(int v) override { log("volume slider " + std::to_string(v)); }
  void set_pitch_slider(int v) override { log("pitch slider " + std::to_string(v)); }
  void set_mm_slider(int v) override { log("mm slider " + std::to_string(v)); }
  void select_transpose_row(int r) override { log("transpose row " + std::to_string(r)); }
  void select_instrument_row(int r) override { log("instrument row " + std::to_string(r)); }
  void add_device_name(const std::string& n) override { log("device name " + n); }
  void select_device_row(int r) override { log("device row " + std::to_string(r)); }
  void show_message(const std::string& caption, const std::string& text) override {
    log("message [" + caption + "] " + text);
  }
  std::optional<std::string> ask_save_file_name() override {
    log("save dialog");
    if (later_save_answers.empty()) return save_answer;
    auto answer = later_save_answers.front();
    later_save_answers.erase(later_save_answers.begin());
    return answer;
  }
  bool ask_save_elsewhere(const std::string& caption, const std::string& text) override {
    show_message(caption, text);
    if (save_elsewhere_times == 0) return false;
    --save_elsewhere_times;
    return true;
  }

  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    auto out = std::move(events);
    events.clear();
    return out;
  }
  std::string current_title() const {
    std::lock_guard lock(mutex_);
    return title;
  }

  std::optional<std::string> save_answer;
  // Answers of the save dialogs after the first, in order; then save_answer.
  std::vector<std::optional<std::string>> later_save_answers;
  // How often a failed save's box is answered with "save elsewhere".
  int save_elsewhere_times = 0;
  std::vector<std::string> events;
  std::string title;

 private:
  void log(std::string line) {
    std::lock_guard lock(mutex_);
    events.push_back(std::move(line));
  }
  mutable std::mutex mutex_;
};

}  // namespace tastarion::testing
