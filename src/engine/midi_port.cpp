#include "engine/midi_port.h"

namespace tastarion {

FirstDevice MidiPort::open_first() {
  service_.prepare();
  FirstDevice found{list_devices()};
  // No lock while the service opens: a slow sound server must not hold up the
  // window thread's sends, which find the port closed and drop their messages.
  found.opened = service_.open(0);
  std::lock_guard lock(mutex_);
  open_ = found.opened.ok();
  return found;
}

DeviceList MidiPort::list_devices() const {
  DeviceList list;
  for (int id = 0; id < service_.device_count(); ++id) {
    list.names.push_back(service_.device_name(id));
    list.keys.push_back(service_.device_key(id));
  }
  return list;
}

Result MidiPort::switch_to(int id) {
  bool was_open = false;
  {
    std::lock_guard lock(mutex_);
    if (open_) {
      silence_locked(true);
      open_ = false;
      was_open = true;
    }
  }
  // As at the start, no lock while the service closes (a JACK client lets its
  // last messages out) and opens (a SoundFont loads, a sound server may be slow):
  // the timer thread's sends meanwhile find the port closed and are dropped
  // rather than wait for the window thread.
  if (was_open) service_.close();
  Result opened = service_.open(id);
  std::lock_guard lock(mutex_);
  open_ = opened.ok();
  return opened;
}

void MidiPort::silence_and_close() {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  silence_locked(true);
  service_.close();
  open_ = false;
}

void MidiPort::send(ShortMessage message) noexcept {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  service_.send(message);
  track_locked(message);
}

void MidiPort::panic(int resting_bend) {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  // The pedal first: held down, it would keep the silenced notes ringing.
  lift_pedal_locked();
  silence_locked(false);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    service_.send(ShortMessage::all_notes_off(channel));
  }
  moved_.bring_to_rest(resting_bend, [this](ShortMessage message) { service_.send(message); });
}

void MidiPort::lift_pedal() {
  std::lock_guard lock(mutex_);
  if (open_) lift_pedal_locked();
}

bool MidiPort::device_lost() const {
  std::lock_guard lock(mutex_);
  return open_ && service_.device_lost();
}

std::vector<std::string> MidiPort::take_notices() {
  std::lock_guard lock(mutex_);
  return service_.take_notices();
}

bool MidiPort::sound_server_appeared() {
  std::lock_guard lock(mutex_);
  return service_.sound_server_appeared();
}

bool MidiPort::is_open() const {
  std::lock_guard lock(mutex_);
  return open_;
}

void MidiPort::silence_locked(bool pedal) noexcept {
  sounding_.end_notes(
      [this](int channel, int note) { service_.send(ShortMessage::note_off(channel, note)); });
  if (pedal) lift_pedal_locked();
}

void MidiPort::lift_pedal_locked() noexcept {
  sounding_.lift_pedals(
      [this](int channel) { service_.send(ShortMessage::sustain_pedal(channel, false)); });
}

void MidiPort::track_locked(ShortMessage message) noexcept {
  // The metronome's click is a one-shot percussion note, owed no note-off.
  if (message.channel() == kMetronomeChannel && message.is_note()) return;
  sounding_.follow(message);
  moved_.follow(message);
}

}  // namespace tastarion
