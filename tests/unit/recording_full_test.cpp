// A take that fills up says so in the status at once, whatever filled it: a
// wheel flood from a MIDI keyboard, or the pedal alone.
#include <gtest/gtest.h>

#include "fixture/piano_fixture.h"

namespace tastarion::testing {
namespace {

constexpr uint8_t kScanC = 0x2E;
constexpr uint8_t kScanSpace = 0x39;

class RecordingFullTest : public PianoTest {
 protected:
  RecordingFullTest() { piano.toggle_recording(); }
  // The records the take holds: each begins with a delta byte, never 0.
  uint32_t records_in_take() const {
    uint32_t n = 0;
    while (n <= EventBuffer::kMaxNoteRecords && take.data()[EventBuffer::kFirstRecord + 7 * n]) ++n;
    return n;
  }
  // Steps until the status changes, and what it changed to; by then the take
  // has no room left: it is near its end and does not grow.
  template <typename Step>
  PianoStatus status_when_full(Step step) {
    int i = 0;
    for (; i < 100'000 && view.current_status() == PianoStatus::recording; ++i) {
      clock.now_ms += 1;
      step(i);
    }
    const uint32_t held = records_in_take();
    EXPECT_GT(held, EventBuffer::kMaxNoteRecords - 32);
    clock.now_ms += 1;
    step(i);
    EXPECT_EQ(records_in_take(), held);
    return view.current_status();
  }
};

TEST_F(RecordingFullTest, AWheelFloodWhileAKeyboardNoteSounds) {
  piano.midi_in({MidiInput::Kind::note_on, 0, 0, 60, 100});
  const PianoStatus status = status_when_full([this](int i) {
    const int bend = i * 37 % 16384;
    piano.midi_in({MidiInput::Kind::pitch_bend, 0, 0, static_cast<uint8_t>(bend & 0x7F),
                   static_cast<uint8_t>(bend >> 7)});
  });
  EXPECT_EQ(status, PianoStatus::recording_full);
  // The take ends its note, and the keyboard's note still ends at the device.
  piano.midi_in({MidiInput::Kind::note_off, 0, 0, 60, 0});
  EXPECT_EQ(midi.sounding_count(), 0);
}

TEST_F(RecordingFullTest, ThePedalAloneWhileAKeySounds) {
  press(kScanC);
  const PianoStatus status = status_when_full([this](int i) {
    if (i % 2 == 0) {
      key_down(kScanSpace);
    } else {
      key_up(kScanSpace);
    }
  });
  EXPECT_EQ(status, PianoStatus::recording_full);
}

}  // namespace
}  // namespace tastarion::testing
