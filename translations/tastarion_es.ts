<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage: tastarion [--help | --version | QT-OPTION...]
Play a 43-key MIDI piano on the PC keyboard.

  -h, --help     print this help and exit
  -v, --version  print the name and version and exit

Qt&apos;s own options, such as -platform NAME, -style NAME or -display DISPLAY,
are passed on to Qt. Without options the window opens; F1 in it lists the keys.
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>&lt;&lt; Outline &gt;&gt;
  Tastarion turns the computer keyboard into an electronic piano of
  43 keys on two rows. It sounds at most 15 tones at once and has a
  fine pitch tuning and a metronome. It runs on Linux and plays through
  a MIDI device or its own built-in synthesizer, and the program file
  is small enough to carry on a floppy disk.

&lt;&lt; Features &gt;&gt;
   1. Small: the program file fits on a floppy disk.
   2. Up to 15 tones at once. The keyboard hardware limits how many
      held keys it registers: one notebook PC takes 4 keys at once,
      one desktop PC 6. Play a big chord as an arpeggio to get past it.
   3. Recording and replay of what you play.
   4. Output of the recording as a MIDI file.
   5. Transposition up to an octave either way.
   6. Fine pitch tuning.
   7. Metronome: slow it down to practise a difficult passage.

&lt;&lt; Usage &gt;&gt;  Each function below has a key of its own.
   1. Two rows of keys play the notes: the C key plays C2 (do), the
      V key C2 re, the &quot;/&quot; key C3 do and the Y key C4 do. A guide mark
      shows on the picture while a key is held.
   2. Volume: [Up]/[Down] arrow keys.
   3. Fine pitch: [Left]/[Right] arrow keys, +-100 cent. Default A=440Hz.
   4. Transpose: [Ins]/[Del].
   5. Instrument: [Home]/[End].
   6. MIDI device: [PgUp]/[PgDn].
   7. [F1] shows this document.
   8. [F2] starts and ends a recording, then saves it as a MIDI file.
   9. [F3] replays the recording; [F2] takes precedence over it.
  10. [F5] metronome on/off; [F6]/[F7] change its speed (30 to 240).
  11. [Pause] ends the program.
  12. A right mouse click on the keyboard opens a menu: Help shows this
      document, Exit ends the program.

&lt;&lt; Responsibility &gt;&gt;
  This software comes without any warranty. Its author is not liable
  for any damage that arises from its use. Use it at your own risk.

&lt;&lt; Legal &gt;&gt;
  Copyright (C) 2002 the Tastarion author. This software is free of charge.

&lt;&lt; Contact &gt;&gt;
  Comments and suggestions are welcome: tastarion@example.org</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;&lt; More keys &gt;&gt;
  [Esc] silences every note (panic). [Space] is the sustain pedal.
  Press a key of the picture with the left mouse button to play it;
  slide to play the next. The device list follows ports that come and
  go; its last row, &quot;Own MIDI port (for patchbays)&quot;, opens a port of
  the program&apos;s own that a patchbay connects.
  A MIDI keyboard plays too: wire it to the input port
  &quot;Tastarion-in:midi_in&quot; (JACK) or &quot;Tastarion&quot; / &quot;MIDI in&quot; (ALSA).
  Its notes play, show and record like keys, with their own velocity;
  controller 64 is the pedal. Other messages are ignored.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Piano</name>
    <message>
        <source>%1 went away.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Device 0 (%1) plays now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The recording is kept; F3 replays it. Save it elsewhere?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to open Midi out driver.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Not enough memory for the recording buffer; Tastarion cannot run.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SavedFile</name>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: the file exists and is not writable, so it is left as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: that is not a plain file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tastarion::MainWindow</name>
    <message>
        <source>[Recording...]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Recording full]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Replaying...]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mid記録ファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save elsewhere...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep it unsaved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Press [F1] for Help or
Click right button of a mouse</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tastarion::ui::ControlStrip</name>
    <message>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume(Up/Down arrow key)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fine pitch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fine Picth ±100Cent
(Left/Right arrow key)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Metronome speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>M.M On/Off(F5)
M.M Speed(F6/F7)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transpose</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transpose([Ins]/[Del])</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Instrument([Home]/[End])</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MIDI device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Midi Source([PgUp]/[PgDn])</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Volume     Pitch      M.M    Transpose     Instrument               Midi device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Control captions</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tastarion::ui::KeyboardWidget</name>
    <message>
        <source>Keyboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left mouse button. F1 lists the keys; the right mouse button opens a menu.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
