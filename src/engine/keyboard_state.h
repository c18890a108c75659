#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace tastarion {

// What holds a note down. Each source keeps its own count, so that one letting
// go does not lift a note another still holds.
enum class NoteSource : uint8_t { keys, mouse, midi_input, replay };
inline constexpr int kNoteSourceCount = 4;

// Told when a note starts or stops being held by any source, on the thread
// that changed it, under the state's lock: it must be quick, never wait, and
// not call back into the state.
class KeyboardStateListener {
 public:
  virtual ~KeyboardStateListener() = default;
  virtual void held_changed(uint8_t note, bool held) = 0;
};

// Which notes are held, and by which sources: the truth under the drawn
// keyboard, which marks a note while any source holds it. Any thread.
class KeyboardState {
 public:
  explicit KeyboardState(KeyboardStateListener& listener) : listener_(listener) {}

  void press(NoteSource source, uint8_t note);
  // A release without a press (its press came before a clear) does nothing.
  void release(NoteSource source, uint8_t note);
  // Every note of `source` released.
  void release_all(NoteSource source);
  // Every note of every source released.
  void clear();

  bool held(uint8_t note) const;
  bool held_by(NoteSource source, uint8_t note) const;

 private:
  KeyboardStateListener& listener_;
  mutable std::mutex lock_;
  std::array<std::array<uint8_t, kNoteSourceCount>, 128> counts_{};
};

}  // namespace tastarion
