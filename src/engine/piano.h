#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/midi_port.h"
#include "engine/piano_state.h"
#include "engine/piano_view.h"
#include "timing/clock.h"
#include "timing/timer_service.h"

namespace tastarion {

// Where trace lines go; by default standard output.
using TraceSink = std::function<void(std::string_view line)>;
void print_to_stdout(std::string_view line);
void print_to_stderr(std::string_view line);

// The state together with the services it reaches the world through. Every
// operation of the program takes one of these.
struct Piano {
  Piano(MidiOutputService& midi, TimerService& timer_service, Clock& millisecond_clock,
        PianoView& piano_view, TraceSink trace_sink = print_to_stdout)
      : midi_out(midi),
        timers(timer_service),
        clock(millisecond_clock),
        view(piano_view),
        trace(std::move(trace_sink)) {}

  PianoState state;
  MidiPort midi_out;
  TimerService& timers;
  Clock& clock;
  PianoView& view;
  TraceSink trace;
  // What went wrong, for whoever started the program from a terminal.
  TraceSink errors = print_to_stderr;
};

// The window title and the caption of the program's message boxes.
extern const std::string_view version_line;

// Sets the title to version_line, eight blanks and `text`. Any thread.
void set_title_status(Piano& piano, std::string_view text);

}  // namespace tastarion
