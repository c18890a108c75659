#include "ports/system_midi_output.h"

#include "ports/midi_input_ports.h"

namespace tastarion {

std::string shorten_device_name(const std::string& name, size_t limit) {
  if (name.size() <= limit) return name;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

std::vector<SystemMidiOutput::Device> SystemMidiOutput::devices_of(
    const PortSnapshot& ports) const {
  std::vector<Device> devices;
  if (!soundfonts_.empty()) devices.push_back({kSynthDeviceName, true, false, {}});
  for (const PortId& port : ports.ports) {
    if (port.api == PortApi::alsa && is_own_alsa_input_port(port.name)) continue;
    devices.push_back({shorten_device_name(port.name), false, false, port});
  }
  if (sources_.own_port && ports.service_found) {
    devices.push_back({kOwnPortName, false, true, {}});
  }
  return devices;
}

const std::vector<SystemMidiOutput::Device>& SystemMidiOutput::list_devices() const {
  if (listed_) return devices_;
  listed_ = true;
  soundfonts_ = sources_.soundfont_dir.empty() ? soundfont_candidates()
                                               : soundfont_candidates(sources_.soundfont_dir);
  devices_ = devices_of(watch_.first());
  return devices_;
}

bool SystemMidiOutput::refresh() {
  list_devices();
  const std::optional<PortSnapshot> ports = watch_.latest();
  if (!ports) return false;
  std::vector<Device> now = devices_of(*ports);
  if (now == devices_) return false;
  devices_ = std::move(now);
  return true;
}

std::string SystemMidiOutput::device_key(int id) const {
  if (id < 0 || id >= device_count()) return {};
  const Device& device = devices_[id];
  if (device.synth || device.own) return device.shown_name;
  return (device.port.api == PortApi::alsa ? "alsa:" : "jack:") + device.port.name;
}

std::string SystemMidiOutput::device_name(int id) const {
  if (id < 0 || id >= device_count()) return {};
  return devices_[id].shown_name;
}

Result SystemMidiOutput::open(int id) {
  close();
  if (id < 0 || id >= device_count()) {
    return Result::failure(std::string("No MIDI output device was found: no SoundFont for the "
                                       "built-in synthesizer (") +
                           kSoundFontPackages + "), no ALSA sequencer port and no JACK MIDI port.");
  }
  const Device& device = devices_[id];
  if (device.synth) return synth_.open(soundfonts_, FluidSynthOutput::Audio::system);
  if (device.own) return port_.open_own();
  Result opened = port_.open(device.port);
  if (opened) return opened;
  return Result::failure(device.shown_name + ": " + opened.reason(), opened.remedy());
}

void SystemMidiOutput::close() {
  synth_.close();
  port_.close();
}

void SystemMidiOutput::send(ShortMessage message) noexcept {
  if (synth_.is_open()) synth_.send(message);
  if (port_.is_open()) port_.send(message);
}

// PipeWire's socket comes a moment before its session manager can link a
// stream (a stream made at once is refused with "no node available"): the
// socket counts once it has been there for a while.
bool SystemMidiOutput::sound_server_appeared() {
  constexpr auto kSettle = std::chrono::seconds(2);
  const bool present = PipeWireAudio::server_socket_present();
  const auto now = std::chrono::steady_clock::now();
  if (present && !pipewire_seen_) {
    pipewire_pending_ = true;
    pipewire_since_ = now;
  }
  pipewire_seen_ = present;
  if (!present || !pipewire_pending_ || now - pipewire_since_ < kSettle) return false;
  pipewire_pending_ = false;
  return true;
}

}  // namespace tastarion
