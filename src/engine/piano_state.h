#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <mutex>

#include "engine/voice_slots.h"
#include "recorder/event_buffer.h"
#include "timing/timer_service.h"

namespace tastarion {

// The program-wide state. Fields without a note are touched on the window thread
// only; the timer thread reads `volume` and works on the replay fields behind
// `replay_lock`.
struct PianoState {
  // Voice slots and note messages. Written on the window thread under
  // `replay_lock`, together with the note message: the end of a replay reads
  // them on the timer thread to leave the held keys' notes sounding.
  VoiceSlots voice_slots;
  int current_slot = 0;

  // Sound settings. The metronome reads `volume` at each click on the timer thread.
  std::atomic<int> volume{8};
  int fine_pitch = 0;
  int transpose = 0;
  int instrument_index = 0;
  int program_number = 0;

  // MIDI output device.
  int device_index = 0;
  int device_count = 0;

  // Recorder. `event_cursor` is also the replayer's read position; a replay is
  // stopped, with no step running, before the recorder moves it.
  uint32_t recording = 0;
  std::atomic<uint32_t> event_cursor{EventBuffer::kFirstRecord};
  uint32_t last_event_time = 0;
  uint32_t recorded_notes = 0;
  // Set when the recording reached its capacity and closed its notes.
  bool recording_full = false;
  // Per channel, the note whose recorded note-on still waits for its note-off, or -1.
  std::array<int16_t, 16> recorded_open{-1, -1, -1, -1, -1, -1, -1, -1,
                                        -1, -1, -1, -1, -1, -1, -1, -1};
  EventBuffer event_buffer;

  // Replayer, shared with the timer thread.
  std::mutex replay_lock;
  uint8_t replaying = 0;
  TimerId replay_timer = 0;
  uint32_t replay_generation = 0;
  Micros replay_due = 0;
  // Notes the replay switched on and has not switched off yet.
  std::array<std::bitset<128>, 16> replay_sounding{};

  // Metronome.
  int mm_speed = 60;
  uint32_t metronome_on = 0;
  TimerId metronome_timer = 0;
};

}  // namespace tastarion
