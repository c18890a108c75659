#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/device_selection.h"
#include "engine/key_event.h"
#include "engine/keyboard_state.h"
#include "engine/midi_input_reader.h"
#include "engine/midi_output_service.h"
#include "engine/midi_port.h"
#include "engine/note_path.h"
#include "engine/player_text.h"
#include "engine/sound_settings.h"
#include "engine/trace.h"
#include "instrument/piano_view.h"
#include "recorder/recorder.h"
#include "recorder/replayer.h"
#include "timing/clock.h"
#include "timing/metronome.h"
#include "timing/timer_service.h"

namespace tastarion {

inline constexpr MarkedText kOpenFailure = PLAYER_TEXT("Piano", "Fail to open Midi out driver.");
inline constexpr MarkedText kOpenFailureAdvice = PLAYER_TEXT(
    "Piano",
    "Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.");
inline constexpr const char* kOpenFailureText = kOpenFailure.english;
inline constexpr const char* kOpenFailureHelp = kOpenFailureAdvice.english;

// The instrument: the subsystems wired together and the operations a player
// reaches through keys, controls and the menu. Every operation runs on the
// window thread; the metronome and the replayer run their steps on the timer
// service's thread and report through the view.
class Piano final : private NoteListener, private ReplayListener, private KeyboardStateListener {
 public:
  // The takes are recorded into `take`, which the owner keeps for the piano's
  // life. Trace lines go to `trace`; what went wrong goes to `errors` as well
  // as to the view.
  Piano(MidiOutputService& midi, TimerService& timers, Clock& clock, PianoView& view,
        EventBuffer& take, TraceSink trace = print_to_stdout, TraceSink errors = print_to_stderr);
  ~Piano() override;
  Piano(const Piano&) = delete;
  Piano& operator=(const Piano&) = delete;

  // Start-up on this thread: show_settings, then start_midi_out.
  void start();
  // The view shown the settings' start values.
  void show_settings();
  // The device list read and device 0 opened here and now (device_started).
  void start_midi_out();
  // Reads the device list and opens device 0 (MidiPort::open_first): once, on
  // any thread, before device_started, which takes the result.
  FirstDevice open_first_device() { return port_.open_first(); }
  // The window thread's half of the start when device 0 was opened elsewhere
  // (MidiPort::open_first): the list shown, and a failure with its reasons; the
  // program goes on without a device.
  void device_started(const FirstDevice& first);
  // The failure box and the same lines on standard error: the failure text, the
  // reasons and what helps.
  void report_open_failure(const std::string& reasons, const std::string& remedy = {});
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
  // The window lost the keyboard: the keys and the mouse come up, and the pedal
  // too (its release would not come here either) unless a MIDI keyboard holds
  // it. Notes from MIDI inputs go on.
  void release_all_keys() {
    notes_.release_window_keys();
    if (input_pedals_ == 0) notes_.pedal_up();
  }

  // A message from a MIDI input port, played like a key: a note-on takes a slot
  // with its own velocity (the volume is the PC keys'), a note-off ends the
  // note that the same port, channel and note started, controller 64 works the
  // pedal, and a port that went away ends its notes and lets its pedal up.
  // Its wheel bends all 15 note channels on top of the fine pitch, its other
  // controllers go to all 15, a channel aftertouch to the channels of the
  // notes its channel started, a polyphonic one to its note's channel; the
  // channel mode messages act on its own notes and what it set; a program
  // change selects the instrument of that program, if one has it.
  void midi_in(const MidiInput& input);

  // Escape: the sustain pedal lifted wherever it is down (the player's and the
  // replay's), every sounding note off (the held keys' and the replay's, then
  // All Notes Off on all channels), every mark erased, every slot freed, and
  // the wheel and the controllers back to rest where they were moved. Held keys
  // sound again only when pressed again.
  void panic();
  // Space: the sustain pedal, recorded while recording.
  void sustain_down() { notes_.pedal_down(); }
  void sustain_up() { notes_.pedal_up(); }

  // The left mouse button on the picture: `key_note` is the key under the
  // pointer, 0 for none, and `depth` how far down the key it is, from 0 at
  // its back to kFrontEdge at its front edge. A press plays it, a slide moves
  // the note to the key now under the pointer, the release ends it. The
  // velocity is the volume's at the front edge, down to kBackShare percent of
  // it at the back, taken where each key is entered.
  static constexpr int kFrontEdge = 100;
  static constexpr int kBackShare = 30;
  void mouse_down(uint8_t key_note, int depth = kFrontEdge);
  void mouse_move(uint8_t key_note, int depth = kFrontEdge);
  void mouse_up();

  // Reads the device list again; a device that came is listed, one that went
  // away is no more. The selected device stays selected; if it went away, the
  // program says so and device 0 plays.
  void refresh_devices();

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
  // Stops a running replay: when it returns no step of it runs or is pending,
  // its notes are silenced and the status is idle. False when none ran.
  bool stop_replay();
  // Opens a MIDI file for F3 to replay (the command line, F4, a drop): true
  // when it opened. Refused while recording; a file that cannot be read is
  // named with its reason and changes nothing.
  bool open_midi_file(const std::string& path);
  // F4: the open dialog, then open_midi_file.
  void open_file();
  // F8: the opened file, or else the last take, saved as audio beside it.
  void save_as_audio();
  void toggle_metronome() { metronome_.toggle_metronome(); }
  // Stops the metronome; when it returns no click is pending.
  void stop_metronome() { metronome_.stop(); }
  void show_help();
  void exit_program();

  // True once the start's device list is shown and device 0 opened or failed.
  bool devices_started() const { return devices_started_; }

 private:
  void note_played(const PlayedNote& note) override;
  void pedal_played(bool down) override {
    recorder_.record_pedal(down);
    report_if_filled();
  }
  void replayed_note(bool on, uint8_t note) override;
  // A note's mark, drawn while any source holds it (any thread).
  void held_changed(uint8_t note, bool held) override;
  void replay_finished() override;
  int resting_bend() const override { return note_bend_.load(std::memory_order_relaxed); }
  void record_and_report(const PlayedNote& note);
  // Shows that the recording is full, once a recording.
  void report_if_filled();
  // The MIDI input's wheel, controllers, pressures and programs.
  void expression_in(const MidiInput& input);
  void controller_in(const MidiInput& input);
  void channel_mode_in(const MidiInput& input);
  void program_in(uint8_t program);
  // The controllers the keyboard set go back to rest on every note channel
  // (forget: the port has sent that already), and the recording says so.
  void reset_input_controllers();
  void forget_input_controllers();
  // The keyboard's wheel and controllers as they stand, for a recording that starts.
  void record_expression_in_force();
  // Moves a sound setting one step and shows it; false, with nothing done, at the limit.
  bool step_setting(const Setting& setting, int current, int direction,
                    bool (SoundSettings::*set)(int), void (PianoView::*show)(int));
  void send_program_changes();
  void send_pitch_bends();
  // The note channels' bend into the recording while the wheel bends them.
  void record_bend();
  void device_gone(const std::string& name);
  // Back to the take: the opened file is closed.
  void close_opened_file();
  // Once a file's replay is over, the channels get the player's settings back:
  // the file's programs, bends and controllers were its own.
  void restore_channels();

  PianoView& view_;
  // Before everything that plays: the notes it marks.
  KeyboardState keys_{*this};
  TraceSink trace_;
  TraceSink errors_;
  MidiPort port_;
  SoundSettings settings_;
  DeviceSelection devices_;
  NotePath notes_;
  Recorder recorder_;
  Replayer replayer_;
  Metronome metronome_;
  // The note the mouse holds, 0 for none.
  uint8_t mouse_note_ = 0;
  bool mouse_held_ = false;
  // The MIDI input ports that hold the pedal down, one bit each.
  uint8_t input_pedals_ = 0;
  // The MIDI input's wheel, as an offset from its centre, and the value of
  // each controller it set (-1 for none).
  int wheel_ = 0;
  // The recording was last given a bend off the wheel's centre.
  bool wheel_recorded_ = false;
  bool full_shown_ = false;
  std::array<int16_t, 128> input_controllers_ = make_unset_controllers();
  static constexpr std::array<int16_t, 128> make_unset_controllers() {
    std::array<int16_t, 128> unset{};
    unset.fill(-1);
    return unset;
  }
  // The bend the note channels carry now (the replay reads it on the timer thread).
  std::atomic<int> note_bend_{ShortMessage::kBendCentre};
  // A box shown while the list changes runs the event loop, which may ask again.
  bool refreshing_ = false;
  // The list is read again only after the start read it (maybe on another thread).
  bool devices_started_ = false;
  // The opened file and its path; F3 replays it instead of the take.
  std::unique_ptr<ReplayTrack> opened_;
  std::string opened_path_;
  // Where the last take was saved, for F8's name.
  std::string take_path_;
  // A file's replay started, and the channels have not had the settings back.
  bool file_played_ = false;
};

}  // namespace tastarion
