#include "timing/metronome.h"

namespace tastarion {

void Metronome::restart() {
  timer_.stop();
  if (on_) timer_.start_periodic(metronome_period_ms(mm_speed_), [this] { metronome_tick(); });
}

void Metronome::toggle_metronome() {
  on_ = !on_;
  restart();
}

void Metronome::change_mm_speed(int value) {
  mm_speed_ = kMmSpeedSetting.clamp(value);
  restart();
}

bool Metronome::step_mm_speed(int direction) {
  const auto next = kMmSpeedSetting.stepped(mm_speed_, direction);
  if (!next) return false;
  mm_speed_ = *next;
  restart();
  return true;
}

void Metronome::metronome_tick() {
  port_.send(metronome_click(settings_.volume()));
}

void Metronome::stop() {
  on_ = false;
  timer_.stop();
}

}  // namespace tastarion
