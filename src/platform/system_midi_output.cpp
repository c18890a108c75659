#include "platform/system_midi_output.h"

namespace tastarion {

std::string shorten_device_name(const std::string& name, size_t limit) {
  if (name.size() <= limit) return name;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

const std::vector<SystemMidiOutput::Device>& SystemMidiOutput::list_devices() const {
  if (listed_) return devices_;
  listed_ = true;
  soundfonts_ = soundfont_candidates(sources_.soundfont_dir);
  if (!soundfonts_.empty()) devices_.push_back({kSynthDeviceName, true, {}});
  for (PortApi api : {PortApi::alsa, PortApi::jack}) {
    if (!(api == PortApi::alsa ? sources_.alsa : sources_.jack)) continue;
    for (std::string& name : list_output_ports(api)) {
      devices_.push_back({shorten_device_name(name), false, {api, std::move(name)}});
    }
  }
  return devices_;
}

std::string SystemMidiOutput::device_name(int id) const {
  if (id < 0 || id >= device_count()) return {};
  return devices_[id].shown_name;
}

Result SystemMidiOutput::open(int id) {
  close();
  if (id < 0 || id >= device_count()) {
    return Result::failure(
        "No MIDI output device was found: no SoundFont for the built-in synthesizer, no "
        "ALSA sequencer port and no JACK MIDI port.");
  }
  const Device& device = devices_[id];
  if (device.synth) return synth_.open(soundfonts_, FluidSynthOutput::Audio::system);
  Result opened = port_.open(device.port);
  if (opened) return opened;
  return Result::failure(device.shown_name + ": " + opened.reason());
}

void SystemMidiOutput::close() {
  synth_.close();
  port_.close();
}

void SystemMidiOutput::send(ShortMessage message) noexcept {
  if (synth_.is_open()) synth_.send(message);
  if (port_.is_open()) port_.send(message);
}

}  // namespace tastarion
