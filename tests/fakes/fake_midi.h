#pragma once

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/midi_output_service.h"
#include "engine/sounding_notes.h"
#include "fakes/short_message_printer.h"

namespace tastarion::testing {

// A MIDI output service with named fake devices that records every call.
class FakeMidi : public MidiOutputService {
 public:
  struct Sent {
    int device;
    ShortMessage message;
  };

  explicit FakeMidi(std::vector<std::string> names = {"Fake synth"}) : names_(std::move(names)) {}

  int device_count() const override { return static_cast<int>(names_.size()); }
  std::string device_name(int id) const override { return names_.at(id); }
  // The ports change: the next refresh() finds `names`.
  void change_names(std::vector<std::string> names) { next_names_ = std::move(names); }
  bool refresh() override {
    if (next_names_.empty() || next_names_ == names_) return false;
    names_ = std::move(next_names_);
    next_names_.clear();
    return true;
  }
  Result open(int id) override {
    std::lock_guard lock(mutex_);
    calls.push_back("open " + std::to_string(id));
    if (open_device_ != -1) double_open = true;
    if (id < 0 || id >= device_count() || id == failing_device) {
      return Result::failure(
          !failure_text.empty() ? failure_text : "Fake device " + std::to_string(id) + " refused.",
          failure_remedy);
    }
    open_device_ = id;
    return Result::success();
  }
  void close() override {
    std::lock_guard lock(mutex_);
    calls.push_back("close " + std::to_string(open_device_));
    open_device_ = -1;
    lost = false;
  }
  void send(ShortMessage message) noexcept override {
    std::lock_guard lock(mutex_);
    if (open_device_ == -1) {
      ++sends_while_closed;
      return;
    }
    sent.push_back({open_device_, message});
    // The metronome's clicks are one-shot percussion notes, never ended.
    if (message.channel() == kMetronomeChannel) return;
    if (message.is_control(kAllNotesOff) || message.is_control(kAllSoundOff)) {
      heard_[open_device_].end_notes([](int, int) {}, message.channel());
    } else {
      heard_[open_device_].follow(message);
    }
  }
  // Notes the devices were told to start and not yet to end.
  int sounding_count() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [device, notes] : heard_) n += notes.count();
    return n;
  }
  // Channels with a note sounding, on any device: one for each held key.
  int sounding_channels() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [device, notes] : heard_) {
      for (int channel = 0; channel < kChannelCount; ++channel) n += notes.any_on(channel) ? 1 : 0;
    }
    return n;
  }
  // The most notes sounding together on one channel of one device.
  int most_notes_on_a_channel() const {
    std::lock_guard lock(mutex_);
    int most = 0;
    for (const auto& [device, notes] : heard_) {
      for (int channel = 0; channel < kChannelCount; ++channel) {
        if (!notes.any_on(channel)) continue;
        int on = 0;
        for (int note = 0; note < 128; ++note) on += notes.sounds(channel, note) ? 1 : 0;
        most = std::max(most, on);
      }
    }
    return most;
  }

  // Messages sent, as packed values, to any device.
  std::vector<ShortMessage> messages() const {
    std::lock_guard lock(mutex_);
    std::vector<ShortMessage> out;
    for (const auto& s : sent) out.push_back(s.message);
    return out;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    sent.clear();
    calls.clear();
  }
  int open_device() const {
    std::lock_guard lock(mutex_);
    return open_device_;
  }

  // The open device's sound server went away (until it is closed).
  bool device_lost() const override { return lost; }
  bool lost = false;
  std::vector<std::string> take_notices() override { return std::exchange(notices, {}); }
  bool sound_server_appeared() override { return std::exchange(server_appeared, false); }
  std::vector<std::string> notices;
  bool server_appeared = false;
  int failing_device = -1;
  // The reason a failing open gives; by default one naming the device.
  std::string failure_text;
  // The remedy it carries; by default none.
  std::string failure_remedy;
  std::vector<Sent> sent;
  std::vector<std::string> calls;
  int sends_while_closed = 0;
  bool double_open = false;

 private:
  std::vector<std::string> names_;
  std::vector<std::string> next_names_;
  mutable std::mutex mutex_;
  std::map<int, SoundingNotes> heard_;
  int open_device_ = -1;
};

}  // namespace tastarion::testing
