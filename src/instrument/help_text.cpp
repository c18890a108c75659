#include "instrument/help_text.h"

namespace tastarion {

const std::string_view version_line = "Tastarion v0.7e 2002.11.10 tastarion@example.org";

// Marked for translation with their lines as they were.
// clang-format off
constexpr MarkedText help_outline = PLAYER_TEXT("Help",
    "<< Outline >>\n"
    "  Tastarion turns the computer keyboard into an electronic piano of\n"
    "  43 keys on two rows. It sounds at most 15 tones at once and has a\n"
    "  fine pitch tuning and a metronome. It runs on Linux and plays through\n"
    "  a MIDI device or its own built-in synthesizer, and the program file\n"
    "  is small enough to carry on a floppy disk.\n"
    "\n"
    "<< Features >>\n"
    "   1. Small: the program file fits on a floppy disk.\n"
    "   2. Up to 15 tones at once. The keyboard hardware limits how many\n"
    "      held keys it registers: one notebook PC takes 4 keys at once,\n"
    "      one desktop PC 6. Play a big chord as an arpeggio to get past it.\n"
    "   3. Recording and replay of what you play.\n"
    "   4. Output of the recording as a MIDI file.\n"
    "   5. Transposition up to an octave either way.\n"
    "   6. Fine pitch tuning.\n"
    "   7. Metronome: slow it down to practise a difficult passage.\n"
    "\n"
    "<< Usage >>  Each function below has a key of its own.\n"
    "   1. Two rows of keys play the notes: the C key plays C2 (do), the\n"
    "      V key C2 re, the \"/\" key C3 do and the Y key C4 do. A guide mark\n"
    "      shows on the picture while a key is held.\n"
    "   2. Volume: [Up]/[Down] arrow keys.\n"
    "   3. Fine pitch: [Left]/[Right] arrow keys, +-100 cent. Default A=440Hz.\n"
    "   4. Transpose: [Ins]/[Del].\n"
    "   5. Instrument: [Home]/[End].\n"
    "   6. MIDI device: [PgUp]/[PgDn].\n"
    "   7. [F1] shows this document.\n"
    "   8. [F2] starts and ends a recording, then saves it as a MIDI file.\n"
    "   9. [F3] replays the recording; [F2] takes precedence over it.\n"
    "  10. [F5] metronome on/off; [F6]/[F7] change its speed (30 to 240).\n"
    "  11. [Pause] ends the program.\n"
    "  12. A right mouse click on the keyboard opens a menu: Help shows this\n"
    "      document, Exit ends the program.\n"
    "\n"
    "<< Responsibility >>\n"
    "  This software comes without any warranty. Its author is not liable\n"
    "  for any damage that arises from its use. Use it at your own risk.\n"
    "\n"
    "<< Legal >>\n"
    "  Copyright (C) 2002 the Tastarion author. This software is free of charge.\n"
    "\n"
    "<< Contact >>\n"
    "  Comments and suggestions are welcome: tastarion@example.org");
// clang-format on
constexpr std::string_view help_text = help_outline.english;

// clang-format off
constexpr MarkedText help_more_keys_outline = PLAYER_TEXT("Help",
    "<< More keys >>\n"
    "  [Esc] silences every note (panic). [Space] is the sustain pedal.\n"
    "  Press a key of the picture with the left mouse button to play it,\n"
    "  louder nearer its front edge; slide to play the next. The device list\n"
    "  follows ports that come and go; its last row, \"Own MIDI port (for\n"
    "  patchbays)\", opens a port of the program's own that a patchbay connects.\n"
    "  A MIDI keyboard plays too: wire it to the input port\n"
    "  \"Tastarion:midi_in\" (JACK) or \"Tastarion\" / \"MIDI in\" (ALSA).\n"
    "  Its notes play, show and record like keys, with their own velocity;\n"
    "  controller 64 is the pedal; its wheel, controllers and aftertouch\n"
    "  shape its notes; a program change picks the instrument of that program.\n"
    "  [F4] opens a MIDI file (or drop one on the window): [F3] then\n"
    "  replays it in its own time, on its own channels. [F8] saves the\n"
    "  opened file, or else the last recording, as audio (.wav, .flac or\n"
    "  .ogg); tastarion --render FILE.mid OUT.wav does it without a window.");
// clang-format on
constexpr std::string_view help_more_keys = help_more_keys_outline.english;

}  // namespace tastarion
