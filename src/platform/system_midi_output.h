#pragma once

#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "platform/fluidsynth_output.h"
#include "platform/rtmidi_ports.h"

namespace tastarion {

inline constexpr const char* kSynthDeviceName = "FluidSynth GM";
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
  explicit SystemMidiOutput(const Sources& sources);
  ~SystemMidiOutput() override { close(); }

  int device_count() const override { return static_cast<int>(devices_.size()); }
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

  std::vector<Device> devices_;
  std::vector<std::string> soundfonts_;
  FluidSynthOutput synth_;
  OutputPort port_;
};

// `name` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string shorten_device_name(const std::string& name, size_t limit = kDeviceNameLimit);

}  // namespace tastarion
