#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "ports/port_watch.h"
#include "ports/rtmidi_ports.h"
#include "synth/fluidsynth_output.h"
#include "synth/pipewire_audio.h"

namespace tastarion {

// Longest device name shown, as the device list has always shown them.
inline constexpr size_t kDeviceNameLimit = 31;

// The last row: a port of the program's own that a patchbay wires.
inline constexpr const char* kOwnPortName = "Own MIDI port (for patchbays)";

// The machine's MIDI outputs: the built-in synthesizer when a General MIDI
// SoundFont is installed, then the ALSA sequencer ports that take output, then
// the JACK MIDI input ports, and last the program's own port when a JACK server
// or the ALSA sequencer runs. What this machine lacks is simply not listed.
// refresh() follows the ports that come and go; the SoundFonts are looked for
// once.
class SystemMidiOutput final : public MidiOutputService {
 public:
  struct Sources {
    // Empty: the usual places (soundfont_candidates()).
    std::string soundfont_dir;
    bool alsa = true;
    bool jack = true;
    bool own_port = true;
  };

  SystemMidiOutput() : SystemMidiOutput(Sources{}) {}
  // Lists nothing yet: the list is read by prepare() or the first call needing it.
  explicit SystemMidiOutput(const Sources& sources)
      : sources_(sources), watch_({sources.alsa, sources.jack}) {}
  ~SystemMidiOutput() override { close(); }

  void prepare() override { list_devices(); }
  int device_count() const override { return static_cast<int>(list_devices().size()); }
  std::string device_name(int id) const override;
  std::string device_key(int id) const override;
  bool refresh() override;
  int change_fd() const override { return watch_.published_fd(); }
  void take_change() override { watch_.take_published(); }
  Result open(int id) override;
  void close() override;
  void send(ShortMessage message) noexcept override;
  void prepare_program(int program) override {
    if (synth_.is_open()) synth_.prepare_program(program);
  }
  bool device_lost() const override { return port_.lost(); }
  std::vector<std::string> take_notices() override { return synth_.take_notices(); }
  // True once when a PipeWire socket appears that was not there at the last look
  // (window thread; a stat, so cheap every second).
  bool sound_server_appeared() override;
  // No more reading of the ports (the end of the program); see left_behind.h.
  void stop_watching() { watch_.stop(); }

 private:
  struct Device {
    std::string shown_name;
    bool synth = false;
    bool own = false;
    PortId port{PortApi::alsa, {}};
    bool operator==(const Device&) const = default;
  };

  const std::vector<Device>& list_devices() const;
  std::vector<Device> devices_of(const PortSnapshot& ports) const;

  Sources sources_;
  mutable bool listed_ = false;
  mutable std::vector<Device> devices_;
  mutable std::vector<std::string> soundfonts_;
  mutable PortWatch watch_;
  FluidSynthOutput synth_;
  OutputPort port_;
  bool pipewire_seen_ = PipeWireAudio::server_socket_present();
  // A socket that appeared but is not yet reported, and since when it is there.
  bool pipewire_pending_ = false;
  std::chrono::steady_clock::time_point pipewire_since_{};
};

// `name` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string shorten_device_name(const std::string& name, size_t limit = kDeviceNameLimit);

}  // namespace tastarion
