// What a MIDI keyboard plays besides notes and the sustain pedal: its wheel,
// its controllers and channel mode messages, its pressures and its programs.
#include "engine/channel_messages.h"
#include "engine/resting_expression.h"
#include "instrument/piano.h"

namespace tastarion {

void Piano::expression_in(const MidiInput& input) {
  const VoiceSlots& slots = notes_.voice_slots();
  switch (input.kind) {
    case MidiInput::Kind::pitch_bend:
      wheel_ = input.bend() - ShortMessage::kBendCentre;
      send_pitch_bends();
      break;
    case MidiInput::Kind::control:
      controller_in(input);
      break;
    case MidiInput::Kind::channel_pressure:
      // Every note sounds on a channel of its own: the pressure of the
      // keyboard's channel goes to each channel that carries one of its notes.
      for (int slot = 0; slot < kChannelCount; ++slot) {
        if (!slots.busy(slot) || !is_input_key_of(slots.key_id(slot), input.port, input.channel)) {
          continue;
        }
        const auto message = ShortMessage::channel_pressure(slot, input.value);
        port_.send(message);
        recorder_.record_pressure(message);
      }
      break;
    case MidiInput::Kind::key_pressure:
      if (const int slot = slots.find_key(input_key_id(input.port, input.channel, input.note));
          slot >= 0) {
        // The note as it sounds, transposed.
        const auto message = ShortMessage::key_pressure(slot, slots.sent_note(slot), input.value);
        port_.send(message);
        recorder_.record_pressure(message);
      }
      break;
    case MidiInput::Kind::program:
      program_in(input.note);
      break;
    default:
      break;
  }
  report_if_filled();
}

void Piano::controller_in(const MidiInput& input) {
  if (input.note >= kAllSoundOff) {
    channel_mode_in(input);
    return;
  }
  const auto message = ShortMessage::control_change(0, input.note, input.value);
  send_to_note_channels(port_, message);
  recorder_.record_shared(message);
  input_controllers_[input.note] = input.value;
}

void Piano::channel_mode_in(const MidiInput& input) {
  switch (input.note) {
    case kAllSoundOff: {
      // At once, pedal or not: its notes' channels are silenced before the
      // note path ends the notes.
      const VoiceSlots& slots = notes_.voice_slots();
      for (int slot = 0; slot < kChannelCount; ++slot) {
        if (slots.busy(slot) && is_input_key_of(slots.key_id(slot), input.port, input.channel)) {
          port_.send(ShortMessage::control_change(slot, kAllSoundOff, 0));
        }
      }
      notes_.release_input_channel(input.port, input.channel);
      break;
    }
    case kResetAllControllers: {
      reset_input_controllers();
      const VoiceSlots& slots = notes_.voice_slots();
      for (int slot = 0; slot < kChannelCount; ++slot) {
        if (slots.busy(slot) && is_input_key_of(slots.key_id(slot), input.port, input.channel)) {
          port_.send(ShortMessage::channel_pressure(slot, 0));
        }
      }
      if (wheel_ != 0) {
        wheel_ = 0;
        send_pitch_bends();
      }
      const auto port_bit = static_cast<uint8_t>(1u << (input.port & 7));
      if (input_pedals_ & port_bit) {
        input_pedals_ &= ~port_bit;
        if (input_pedals_ == 0) notes_.pedal_up();
      }
      break;
    }
    case 122:  // local control: the keyboard's own business
      break;
    default:
      // All Notes Off, and the omni and mono/poly modes, which end notes as it does.
      notes_.release_input_channel(input.port, input.channel);
      break;
  }
}

void Piano::reset_input_controllers() {
  for (int controller = 0; controller < kAllSoundOff; ++controller) {
    const int rest = resting_value(controller);
    if (input_controllers_[controller] >= 0 && rest >= 0) {
      send_to_note_channels(port_, ShortMessage::control_change(0, controller, rest));
    }
  }
  forget_input_controllers();
}

void Piano::forget_input_controllers() {
  for (int controller = 0; controller < kAllSoundOff; ++controller) {
    const int rest = resting_value(controller);
    if (input_controllers_[controller] >= 0 && rest >= 0) {
      recorder_.record_shared(ShortMessage::control_change(0, controller, rest));
    }
    input_controllers_[controller] = -1;
  }
}

void Piano::record_expression_in_force() {
  wheel_recorded_ = false;
  record_bend();
  for (int controller = 0; controller < kAllSoundOff; ++controller) {
    if (input_controllers_[controller] >= 0) {
      recorder_.record_shared(
          ShortMessage::control_change(0, controller, input_controllers_[controller]));
    }
  }
}

void Piano::program_in(uint8_t program) {
  // Programs none of the instruments plays are passed over.
  for (int instrument = 0; instrument <= kInstrumentSetting.maximum; ++instrument) {
    if (program_number_of(instrument) != program) continue;
    if (settings_.set_instrument(instrument)) {
      view_.show_instrument(instrument);
      send_program_changes();
    }
    return;
  }
}

}  // namespace tastarion
