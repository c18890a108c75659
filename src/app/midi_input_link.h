#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace tastarion {

class MidiInputPorts;
class Piano;

// Brings what the MIDI input ports received to the piano, on the window thread,
// as soon as the ports wake it: the note path runs here as for a key.
class MidiInputLink final : public QObject {
 public:
  // How many messages one turn hands over before the window's other events
  // (the PC keyboard) get their turn.
  static constexpr int kPerTurn = 64;

  MidiInputLink(MidiInputPorts& ports, Piano& piano, QObject* parent = nullptr);

 private:
  void deliver();

  MidiInputPorts& ports_;
  Piano& piano_;
  QSocketNotifier notifier_;
};

}  // namespace tastarion
