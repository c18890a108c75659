#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/player_text.h"

namespace tastarion {

struct MidiSong;

// What the title line shows beside the version: nothing at all (at the start
// and after a save), an empty status (after a replay) or one of the states.
enum class PianoStatus { none, idle, recording, recording_full, replaying };

// What the piano tells the window. It reports values and states; the window
// decides how to show them. Every method has a do-nothing default so that tests
// override only what they watch.
class PianoView {
 public:
  virtual ~PianoView() = default;

  // May be called from the timer thread: the window hands these to its own thread
  // with a queued call and never makes the caller wait.
  virtual void draw_mark(bool /*on*/, uint8_t /*note*/) {}
  virtual void show_status(PianoStatus /*status*/) {}
  // Every guide mark erased, in order with the marks asked for before.
  virtual void erase_marks() {}

  // Window thread only. A setting changed by a command key; the control shows it
  // without telling the piano again.
  virtual void show_volume(int /*volume*/) {}
  virtual void show_fine_pitch(int /*cents*/) {}
  virtual void show_mm_speed(int /*bpm*/) {}
  virtual void show_transpose(int /*semitones*/) {}
  virtual void show_instrument(int /*index*/) {}
  virtual void show_device_names(const std::vector<std::string>& /*names*/) {}
  // The device that plays, or -1 while none does.
  virtual void show_device(int /*index*/) {}
  // A modal OK box; the window shows the text in the player's language.
  virtual void show_message(const PlayerText& /*text*/) {}
  // The save dialog: the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ask_save_file_name() { return std::nullopt; }
  // The open dialog for a MIDI file: the chosen path, or nothing.
  virtual std::optional<std::string> ask_open_file_name() { return std::nullopt; }
  // What F3 replays now: an opened file's name, or empty for the last take.
  virtual void show_file_name(const std::string& /*name*/) {}
  // F8: asks where, beside `beside` (a MIDI file's path), and renders the song
  // there as audio.
  virtual void save_as_audio(const MidiSong& /*song*/, const std::string& /*beside*/) {}
  // A failed save's box, offering another place: true when the user wants the
  // save dialog again.
  virtual bool ask_save_elsewhere(const PlayerText& text) {
    show_message(text);
    return false;
  }
  // True once the program is ending: a dialog that returns now was not
  // answered by the user.
  virtual bool closing() const { return false; }
  // The program is to end (Pause, the menu's Exit).
  virtual void close_program() {}
};

}  // namespace tastarion
