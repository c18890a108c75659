#pragma once

#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "platform/fluidsynth_output.h"
#include "platform/rtmidi_ports.h"

namespace tastarion {

// Longest device name shown, as the device list has always shown them.
inline constexpr size_t kDeviceNameLimit = 31;

// The machine's MIDI outputs: the built-in synthesizer when a General MIDI
// SoundFont is installed, then the ALSA sequencer ports that take output, then
// the JACK MIDI input ports. What this machine lacks is simply not listed.
class SystemMidiOutput final : public MidiOutputService {
 public:
  struct Sources {
    std::string soundfont_dir = kSoundFontDir;
    bool alsa = true;
    bool jack = true;
  };

  SystemMidiOutput() : SystemMidiOutput(Sources{}) {}
  // Lists nothing yet: the list is read by prepare() or the first call needing it.
  explicit SystemMidiOutput(const Sources& sources) : sources_(sources) {}
  ~SystemMidiOutput() override { close(); }

  void prepare() override { list_devices(); }
  int device_count() const override { return static_cast<int>(list_devices().size()); }
  std::string device_name(int id) const override;
  Result open(int id) override;
  void close() override;
  void send(ShortMessage message) noexcept override;

 private:
  struct Device {
    std::string shown_name;
    bool synth = false;
    PortId port{PortApi::alsa, {}};
  };

  const std::vector<Device>& list_devices() const;

  Sources sources_;
  mutable bool listed_ = false;
  mutable std::vector<Device> devices_;
  mutable std::vector<std::string> soundfonts_;
  FluidSynthOutput synth_;
  OutputPort port_;
};

// `name` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string shorten_device_name(const std::string& name, size_t limit = kDeviceNameLimit);

}  // namespace tastarion
