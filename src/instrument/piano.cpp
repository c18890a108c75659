#include "instrument/piano.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/channel_messages.h"
#include "instrument/command_keys.h"
#include "instrument/help_text.h"
#include "recorder/midi_file_reader.h"
#include "recorder/recording_file.h"

namespace tastarion {

Piano::Piano(MidiOutputService& midi, TimerService& timers, Clock& clock, PianoView& view,
             EventBuffer& take, TraceSink trace, TraceSink errors)
    : view_(view),
      trace_(std::move(trace)),
      errors_(std::move(errors)),
      port_(midi),
      devices_(port_),
      notes_(port_, settings_, *this),
      recorder_(clock, take, trace_),
      replayer_(timers, port_, recorder_.buffer(), notes_, *this),
      metronome_(timers, port_, settings_) {}

// The timers go before anything their routines use.
Piano::~Piano() {
  metronome_.stop();
  replayer_.stop_replay();
  replayer_.set_track(nullptr);
}

void Piano::start() {
  show_settings();
  start_midi_out();
}

void Piano::show_settings() {
  view_.show_volume(settings_.volume());
  view_.show_fine_pitch(settings_.fine_pitch());
  view_.show_mm_speed(metronome_.mm_speed());
  view_.show_transpose(settings_.transpose());
  view_.show_instrument(settings_.instrument());
}

void Piano::start_midi_out() {
  device_started(port_.open_first());
}

void Piano::device_started(const FirstDevice& first) {
  devices_.set_list(first.names, first.keys);
  devices_started_ = true;
  view_.show_device_names(first.names);
  // The list shows the device that plays, and no row while none does.
  view_.show_device(first.opened ? 0 : -1);
  if (!first.opened) report_open_failure(first.opened.reason(), first.opened.remedy());
}

void Piano::report_open_failure(const std::string& reasons, const std::string& remedy) {
  // The devices' reasons and remedies are the sound system's own words.
  PlayerText text(kOpenFailure);
  text.add_as_is("\n");
  if (!reasons.empty()) text.add_as_is(reasons + (reasons.back() == '\n' ? "" : "\n"));
  if (remedy.empty()) {
    text.add(kOpenFailureAdvice);
  } else {
    text.add_as_is(remedy);
  }
  errors_(text.english() + '\n');
  view_.show_message(text);
}

void Piano::finish() {
  stop_metronome();
  replayer_.stop_replay();
  port_.silence_and_close();
  recorder_.release();
}

void Piano::key_down(const KeyEvent& key) {
  // A key pressed with Alt held is a system key: it neither plays nor commands.
  if (key.alt) return;
  if (const CommandKey* command = command_key_of(key)) {
    if (command->repeats || !key.repeat) command->run(*this);
    if (command->ends_program) return;
  }
  // A command key's first press goes on like any key; the note path drops it.
  if (!key.repeat) note_key_down(key);
}

void Piano::key_up(const KeyEvent& key) {
  if (const CommandKey* command = command_key_of(key); command && command->release) {
    command->release(*this);
  }
  note_key_up(key);
}

namespace {
NoteSource source_of(uint16_t key_id) {
  if (is_input_key(key_id)) return NoteSource::midi_input;
  return key_id == kMouseKeyId ? NoteSource::mouse : NoteSource::keys;
}
}  // namespace

void Piano::note_played(const PlayedNote& note) {
  if (note.press) {
    record_and_report(note);
    keys_.press(source_of(note.key_id), note.key_note);
  } else {
    keys_.release(source_of(note.key_id), note.key_note);
    record_and_report(note);
  }
}

void Piano::held_changed(uint8_t note, bool held) {
  view_.draw_mark(held, note);
}

void Piano::record_and_report(const PlayedNote& note) {
  recorder_.record_note_event(note.press, note.slot, note.sent_note, note.velocity);
  report_if_filled();
}

void Piano::report_if_filled() {
  if (recorder_.recording() && recorder_.full() && !full_shown_) {
    full_shown_ = true;
    view_.show_status(PianoStatus::recording_full);
  }
}

void Piano::panic() {
  // The player's pedal and the held keys' note-offs go the usual way, so that a
  // recording ends them too. The pedal goes up first, the replay's as well,
  // before any note-off.
  notes_.pedal_up();
  port_.lift_pedal();
  notes_.release_all_keys();
  mouse_held_ = false;
  mouse_note_ = 0;
  // The port brings back the wheels and controllers anyone moved; the wheel
  // rests at the fine pitch.
  forget_input_controllers();
  wheel_ = 0;
  port_.panic(note_channel_bend(settings_.fine_pitch(), 0));
  note_bend_.store(note_channel_bend(settings_.fine_pitch(), 0), std::memory_order_relaxed);
  record_bend();
  keys_.clear();
  view_.erase_marks();
}

void Piano::mouse_down(uint8_t key_note, int depth) {
  mouse_up();
  mouse_held_ = true;
  mouse_move(key_note, depth);
}

void Piano::mouse_move(uint8_t key_note, int depth) {
  if (!mouse_held_ || key_note == mouse_note_) return;
  if (mouse_note_ != 0) notes_.note_up(kMouseKeyId);
  mouse_note_ = key_note;
  if (key_note == 0) return;
  const int share = kBackShare + (100 - kBackShare) * std::clamp(depth, 0, kFrontEdge) / kFrontEdge;
  notes_.note_down(key_note, kMouseKeyId, (settings_.velocity() * share + 50) / 100);
}

void Piano::mouse_up() {
  mouse_move(0);
  mouse_held_ = false;
}

void Piano::midi_in(const MidiInput& input) {
  const uint16_t key_id = input_key_id(input.port, input.channel, input.note);
  const auto port_bit = static_cast<uint8_t>(1u << (input.port & 7));
  switch (input.kind) {
    case MidiInput::Kind::note_on:
      notes_.note_in_down(key_id, input.note, input.value);
      break;
    case MidiInput::Kind::note_off:
      notes_.note_in_up(key_id);
      break;
    case MidiInput::Kind::pedal:
      if (input.value >= 64) {
        input_pedals_ |= port_bit;
        notes_.pedal_down();
      } else {
        input_pedals_ &= ~port_bit;
        notes_.pedal_up();
      }
      break;
    case MidiInput::Kind::port_lost:
      notes_.release_input_port(input.port);
      if (input_pedals_ & port_bit) {
        input_pedals_ &= ~port_bit;
        notes_.pedal_up();
      }
      break;
    default:
      expression_in(input);
      break;
  }
}

void Piano::refresh_devices() {
  if (!replayer_.replaying()) restore_channels();
  if (!devices_started_ || refreshing_) return;
  refreshing_ = true;
  for (std::string& notice : port_.take_notices()) {
    errors_(notice + "\n");
    view_.show_message(PlayerText().add_as_is(std::move(notice)));
  }
  // The device that failed for want of a sound server is opened once one is there.
  if (port_.sound_server_appeared() && !devices_.playing() && devices_.count() > 0) {
    change_device(devices_.index());
    if (devices_.playing()) view_.show_device(devices_.index());
  }
  refreshing_ = false;
  // A JACK server that went away and came back at once leaves the list as it
  // was, but the device plays no more.
  const bool lost = port_.device_lost();
  if (!port_.refresh() && !lost) return;
  refreshing_ = true;
  DeviceList list = port_.list_devices();
  const bool was_playing = devices_.playing();
  const std::string selected = devices_.count() > 0 ? devices_.names()[devices_.index()] : "";
  const int row = devices_.update_list(list.names, std::move(list.keys));
  view_.show_device_names(list.names);
  if ((row >= 0 && !lost) || !was_playing) {
    view_.show_device(row >= 0 && was_playing ? row : -1);
  } else {
    device_gone(selected);
  }
  refreshing_ = false;
}

void Piano::device_gone(const std::string& name) {
  PlayerText text(PLAYER_TEXT("Piano", "%1 went away."), {name});
  if (devices_.count() > 0) {
    view_.show_device(0);
    change_device(0);
    // Device 0 may have failed to open as well (its own box said why).
    if (devices_.playing()) {
      text.add(PLAYER_TEXT("Piano", " Device 0 (%1) plays now."), {devices_.names()[0]});
    }
  } else {
    port_.silence_and_close();
    view_.show_device(-1);
  }
  errors_(text.english() + "\n");
  view_.show_message(text);
}

void Piano::replayed_note(bool on, uint8_t note) {
  if (on) {
    keys_.press(NoteSource::replay, note);
  } else {
    keys_.release(NoteSource::replay, note);
  }
}

void Piano::replay_finished() {
  // The window thread puts the settings back (refresh_devices) after a file.
  view_.show_status(PianoStatus::idle);
}

void Piano::restore_channels() {
  if (!file_played_) return;
  file_played_ = false;
  constexpr uint8_t kResetAllControllers = 121;
  for (int channel = 0; channel < kChannelCount; ++channel) {
    port_.send(ShortMessage::control_change(channel, kResetAllControllers, 0));
  }
  send_program_changes();
  send_pitch_bends();
}

bool Piano::open_midi_file(const std::string& path) {
  if (recorder_.recording()) return false;
  const MidiFileReading reading = load_midi_file(path);
  if (!reading.ok()) {
    errors_(reading.failure.english() + "\n");
    view_.show_message(reading.failure);
    return false;
  }
  auto track = std::make_unique<ReplayTrack>(reading.song, path.substr(path.find_last_of('/') + 1));
  stop_replay();
  restore_channels();
  replayer_.set_track(track.get());
  opened_ = std::move(track);
  opened_path_ = path;
  view_.show_file_name(opened_->name());
  return true;
}

void Piano::close_opened_file() {
  if (opened_ == nullptr) return;
  replayer_.set_track(nullptr);
  opened_.reset();
  opened_path_.clear();
  view_.show_file_name({});
}

void Piano::open_file() {
  if (recorder_.recording()) return;
  if (const std::optional<std::string> path = view_.ask_open_file_name()) open_midi_file(*path);
}

void Piano::save_as_audio() {
  if (recorder_.recording()) return;
  if (opened_ != nullptr) {
    const MidiFileReading reading = load_midi_file(opened_path_);
    if (!reading.ok()) {
      errors_(reading.failure.english() + "\n");
      view_.show_message(reading.failure);
      return;
    }
    view_.save_as_audio(reading.song, opened_path_);
    return;
  }
  const EventBuffer& buffer = recorder_.buffer();
  const uint32_t end = recorder_.event_cursor();
  const std::vector<uint8_t> bytes =
      buffer.allocated() && end > EventBuffer::kFirstRecord
          ? midi_file_bytes(std::span<const uint8_t>(buffer.data(), end))
          : std::vector<uint8_t>{};
  const MidiFileReading reading = read_midi_file(bytes, "The take");
  if (bytes.empty() || (reading.ok() && reading.song.events.empty())) {
    view_.show_message(PlayerText(PLAYER_TEXT("Piano",
                                              "There is nothing to save as audio yet: record a "
                                              "take with F2 or open a MIDI file with F4 first.")));
    return;
  }
  if (!reading.ok()) {
    errors_(reading.failure.english() + "\n");
    view_.show_message(reading.failure);
    return;
  }
  view_.save_as_audio(reading.song, take_path_.empty() ? kDefaultFileName : take_path_);
}

void Piano::send_program_changes() {
  port_.prepare_program(settings_.program_number());
  send_program_change_all(port_, settings_.program_number());
}

void Piano::send_pitch_bends() {
  send_pitch_bend_all(port_, settings_.fine_pitch(), wheel_);
  note_bend_.store(note_channel_bend(settings_.fine_pitch(), wheel_), std::memory_order_relaxed);
  record_bend();
}

void Piano::record_bend() {
  // The fine pitch alone is the instrument's tuning, not part of the take; a
  // wheel is, and so is its return to the centre.
  if (wheel_ == 0 && !wheel_recorded_) return;
  recorder_.record_shared(ShortMessage::pitch_bend(0, note_bend_.load(std::memory_order_relaxed)));
  wheel_recorded_ = wheel_ != 0;
  report_if_filled();
}

void Piano::change_volume(int value) {
  settings_.set_volume(value);
}

void Piano::change_fine_pitch(int value) {
  if (settings_.set_fine_pitch(value)) send_pitch_bends();
}

void Piano::change_transpose(int value) {
  settings_.set_transpose(value);
}

void Piano::change_instrument(int index) {
  if (settings_.set_instrument(index)) send_program_changes();
}

void Piano::change_device(int index) {
  if (index < 0 || index >= devices_.count()) return;
  if (Result opened = devices_.select(index); !opened) {
    view_.show_device(devices_.playing() ? devices_.index() : -1);
    report_open_failure(opened.reason(), opened.remedy());
    if (!devices_.playing()) return;
    // Opened again, the device the program stayed on needs the settings again too.
  }
  send_program_changes();
  // The fine pitch follows the instrument, so that the slider tells the truth.
  send_pitch_bends();
}

void Piano::change_mm_speed(int value) {
  metronome_.change_mm_speed(value);
}

bool Piano::step_setting(const Setting& setting, int current, int direction,
                         bool (SoundSettings::*set)(int), void (PianoView::*show)(int)) {
  const auto next = setting.stepped(current, direction);
  if (!next) return false;
  (settings_.*set)(*next);
  (view_.*show)(*next);
  return true;
}

void Piano::step_volume(int direction) {
  step_setting(kVolumeSetting, settings_.volume(), direction, &SoundSettings::set_volume,
               &PianoView::show_volume);
}

void Piano::step_fine_pitch(int direction) {
  if (step_setting(kFinePitchSetting, settings_.fine_pitch(), direction,
                   &SoundSettings::set_fine_pitch, &PianoView::show_fine_pitch)) {
    send_pitch_bends();
  }
}

void Piano::step_transpose(int direction) {
  step_setting(kTransposeSetting, settings_.transpose(), direction, &SoundSettings::set_transpose,
               &PianoView::show_transpose);
}

void Piano::step_instrument(int direction) {
  if (step_setting(kInstrumentSetting, settings_.instrument(), direction,
                   &SoundSettings::set_instrument, &PianoView::show_instrument)) {
    send_program_changes();
  }
}

void Piano::step_mm_speed(int direction) {
  if (metronome_.step_mm_speed(direction)) view_.show_mm_speed(metronome_.mm_speed());
}

void Piano::select_previous_device() {
  if (!devices_.has_previous()) return;
  view_.show_device(devices_.index() - 1);
  change_device(devices_.index() - 1);
}

void Piano::select_next_device() {
  if (!devices_.has_next()) return;
  view_.show_device(devices_.index() + 1);
  change_device(devices_.index() + 1);
}

void Piano::toggle_recording() {
  if (recorder_.recording()) {
    stop_recording();
  } else {
    start_recording();
  }
}

void Piano::start_recording() {
  // The replay reads the buffer the recording writes: it must be wholly stopped
  // first. Stopped before the status is shown, so that a replay's own status
  // change cannot come after "recording".
  replayer_.stop_replay();
  restore_channels();
  // The new take is what F3 replays from now on.
  close_opened_file();
  view_.show_status(PianoStatus::recording);
  recorder_.start_recording();
  full_shown_ = false;
  record_expression_in_force();
}

void Piano::stop_recording() {
  const std::vector<uint8_t> bytes = midi_file_bytes(recorder_.stop_recording());
  if (bytes.empty()) {
    view_.show_status(PianoStatus::none);
    return;
  }
  std::optional<std::string> chosen = view_.ask_save_file_name();
  bool traced = false;
  for (;;) {
    // A dialog ended by the end of the program (a signal) saves under the
    // default name, as a cancel does: the take is never lost.
    const SavedFile saved = save_recording(bytes, chosen);
    if (!traced) {
      char line[32];
      std::snprintf(line, sizeof line, "終了 byte=%X\n", unsigned(bytes.size()));
      trace_(line);
      view_.show_status(PianoStatus::none);
      traced = true;
    }
    if (saved.default_name && saved.saved()) trace_("file=" + saved.path + "\n");
    if (saved.saved()) {
      take_path_ = saved.path;
      break;
    }
    PlayerText text = saved.failure_text();
    text.add(PLAYER_TEXT("Piano", "\nThe recording is kept; F3 replays it. Save it elsewhere?"));
    errors_(text.english() + "\n");
    if (!view_.ask_save_elsewhere(text)) break;
    // Cancelling the dialog now gives up, as the box has offered that already.
    chosen = view_.ask_save_file_name();
    if (!chosen) break;
  }
  if (!traced) view_.show_status(PianoStatus::none);
}

void Piano::toggle_replay() {
  if (recorder_.recording() || stop_replay()) return;
  restore_channels();
  file_played_ = opened_ != nullptr;
  // The status goes first so that the end of an empty recording, one step later,
  // is the last to set it.
  view_.show_status(PianoStatus::replaying);
  replayer_.start_replay();
}

bool Piano::stop_replay() {
  if (!replayer_.stop_replay()) return false;
  view_.show_status(PianoStatus::idle);
  restore_channels();
  return true;
}

void Piano::show_help() {
  view_.show_message(PlayerText(help_outline).add_as_is("\n\n").add(help_more_keys_outline));
}

void Piano::exit_program() {
  view_.close_program();
}

}  // namespace tastarion
