#include "app/midi_input_link.h"

#include "instrument/piano.h"
#include "ports/midi_input_ports.h"

namespace tastarion {

MidiInputLink::MidiInputLink(MidiInputPorts& ports, Piano& piano, QObject* parent)
    : QObject(parent),
      ports_(ports),
      piano_(piano),
      notifier_(ports.wake_fd(), QSocketNotifier::Read) {
  connect(&notifier_, &QSocketNotifier::activated, this, [this] { deliver(); });
}

void MidiInputLink::deliver() {
  ports_.clear_wake();
  MidiInput input;
  for (int n = 0; n < kPerTurn; ++n) {
    if (!ports_.pop(input)) return;
    piano_.midi_in(input);
  }
  // A flood: the rest in a later turn.
  ports_.wake();
}

}  // namespace tastarion
