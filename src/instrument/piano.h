#pragma once

#include <cstdint>

#include "engine/device_selection.h"
#include "engine/key_event.h"
#include "engine/midi_output_service.h"
#include "engine/midi_port.h"
#include "engine/note_path.h"
#include "engine/sound_settings.h"
#include "engine/trace.h"
#include "instrument/piano_view.h"
#include "recorder/recorder.h"
#include "recorder/replayer.h"
#include "timing/clock.h"
#include "timing/metronome.h"
#include "timing/timer_service.h"

namespace tastarion {

inline constexpr const char* kOpenFailureText = "Fail to open Midi out driver.";

// The instrument: the subsystems wired together and the operations a player
// reaches through keys, controls and the menu. Every operation runs on the
// window thread; the metronome and the replayer run their steps on the timer
// service's thread and report through the view.
class Piano final : private NoteListener, private ReplayListener {
 public:
  Piano(MidiOutputService& midi, TimerService& timers, Clock& clock, PianoView& view,
        TraceSink trace = print_to_stdout);
  ~Piano() override;
  Piano(const Piano&) = delete;
  Piano& operator=(const Piano&) = delete;

  // Start-up: the view shown the settings and the device list, device 0 opened
  // (a failure is shown with its reason and the program goes on).
  void start();
  // Obtains the recording buffer; false when the memory cannot be had.
  bool allocate_buffer() { return recorder_.allocate(); }
  // The end of the run: no timer routine runs or is pending, the notes left
  // sounding are silenced, the device is closed and the buffer released.
  void finish();

  // A key went down: its command first (on auto-repeats too), then, unless the
  // command ended the program or the key repeats, the note path. Nothing for a
  // key pressed with Alt held.
  void key_down(const KeyEvent& key);
  // A key went up: only the note path, Alt held or not.
  void key_up(const KeyEvent& key);

  void note_key_down(const KeyEvent& key) { notes_.note_key_down(key); }
  void note_key_up(const KeyEvent& key) { notes_.note_key_up(key); }
  void release_all_keys() { notes_.release_all_keys(); }

  // Change operations: a control moved to `value`, which the control already
  // shows. A value outside the setting's range cannot come from the control
  // and is dropped (the metronome's speed is taken to the nearest limit).
  void change_volume(int value);
  void change_fine_pitch(int value);
  void change_transpose(int value);
  void change_instrument(int index);
  void change_device(int index);
  void change_mm_speed(int value);

  // Step operations, direction +1 or -1: nothing at the limit, else the value
  // moves, the view shows it, and what the change sends is sent.
  void step_volume(int direction);
  void step_fine_pitch(int direction);
  void step_transpose(int direction);
  void step_instrument(int direction);
  void step_mm_speed(int direction);
  void select_previous_device();
  void select_next_device();

  // F2: starts a recording, or stops it and saves it.
  void toggle_recording();
  void start_recording();
  void stop_recording();
  // F3: refused while recording; starts or stops a replay.
  void toggle_replay();
  void toggle_metronome() { metronome_.toggle_metronome(); }
  void show_help();
  void exit_program();

  const SoundSettings& settings() const { return settings_; }
  const DeviceSelection& devices() const { return devices_; }
  const VoiceSlots& voice_slots() const { return notes_.voice_slots(); }
  const Recorder& recorder() const { return recorder_; }
  Recorder& recorder() { return recorder_; }
  const Replayer& replayer() const { return replayer_; }
  Replayer& replayer() { return replayer_; }
  const Metronome& metronome() const { return metronome_; }
  Metronome& metronome() { return metronome_; }
  MidiPort& port() { return port_; }

 private:
  void note_played(const PlayedNote& note) override;
  void replayed_note(bool on, uint8_t note) override;
  void replay_finished() override;
  void record_and_report(const PlayedNote& note);
  // Moves a sound setting one step and shows it; false, with nothing done, at the limit.
  bool step_setting(const Setting& setting, int current, int direction,
                    bool (SoundSettings::*set)(int), void (PianoView::*show)(int));
  void send_program_changes();
  void send_pitch_bends();

  PianoView& view_;
  TraceSink trace_;
  MidiPort port_;
  SoundSettings settings_;
  DeviceSelection devices_;
  NotePath notes_;
  Recorder recorder_;
  Replayer replayer_;
  Metronome metronome_;
};

}  // namespace tastarion
