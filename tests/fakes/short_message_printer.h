#pragma once

#include <cstdio>
#include <ostream>

#include "engine/short_message.h"

namespace tastarion {

// How a failing expectation shows a message: its meaning, then its bytes on the wire.
inline void PrintTo(const ShortMessage& m, std::ostream* os) {
  using Kind = ShortMessage::Kind;
  const int ch = m.channel();
  switch (m.kind()) {
    case Kind::note_on:
    case Kind::note_off:
      *os << (m.starts_note() ? "note on" : "note off") << " ch " << ch << " note " << m.note()
          << " vel " << m.velocity();
      break;
    case Kind::control_change:
      *os << "control ch " << ch << " #" << m.controller() << " = " << m.value();
      break;
    case Kind::program_change:
      *os << "program ch " << ch << " " << m.program();
      break;
    case Kind::pitch_bend:
      *os << "pitch bend ch " << ch << " " << m.bend();
      break;
    default:
      *os << "message";
      break;
  }
  char bytes[16];
  std::snprintf(bytes, sizeof bytes, " (%02X %02X %02X)", unsigned{m.status()}, unsigned{m.data1()},
                unsigned{m.data2()});
  *os << bytes;
}
inline std::ostream& operator<<(std::ostream& os, const ShortMessage& m) {
  PrintTo(m, &os);
  return os;
}

}  // namespace tastarion
