<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>die Option „%1“ braucht einen Wert</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>option &apos;--render&apos; needs a MIDI file and an audio file</source>
        <translation>die Option „--render“ braucht eine MIDI-Datei und eine Audiodatei</translation>
    </message>
    <message>
        <source>Usage: tastarion [QT-OPTION...] [FILE.mid]
       tastarion --render FILE.mid OUT.wav|OUT.flac|OUT.ogg
       tastarion --help | --version
Play a 43-key MIDI piano on the PC keyboard.

  FILE.mid       open a MIDI file: F3 replays it
  --render FILE.mid OUT
                 render the MIDI file as audio through the built-in
                 synthesizer, with no window and no sound server; the
                 type follows OUT&apos;s extension (.wav, .flac or .ogg)
  -h, --help     print this help and exit
  -v, --version  print the name and version and exit

Qt&apos;s own options, such as -platform NAME, -style NAME or -display DISPLAY,
are passed on to Qt. Without options the window opens; F1 in it lists the keys.
</source>
        <translation>Aufruf: tastarion [QT-OPTION...] [DATEI.mid]
        tastarion --render DATEI.mid AUS.wav|AUS.flac|AUS.ogg
        tastarion --help | --version
Spielt ein MIDI-Klavier mit 43 Tasten auf der PC-Tastatur.

  DATEI.mid      eine MIDI-Datei öffnen: F3 gibt sie wieder
  --render DATEI.mid AUS
                 die MIDI-Datei mit dem eingebauten Synthesizer als Audio
                 ausgeben, ohne Fenster und ohne Soundserver; die Art folgt
                 der Endung von AUS (.wav, .flac oder .ogg)
  -h, --help     diese Hilfe ausgeben und beenden
  -v, --version  Namen und Version ausgeben und beenden

Qts eigene Optionen wie -platform NAME, -style NAME oder -display DISPLAY
werden an Qt weitergegeben. Ohne Optionen öffnet sich das Fenster; F1 zeigt
dort die Tasten.
</translation>
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
        <translation>&lt;&lt; Überblick &gt;&gt;
  Tastarion macht die Computertastatur zu einem elektronischen Klavier mit
  43 Tasten in zwei Reihen. Es spielt bis zu 15 Töne zugleich und hat eine
  Feinstimmung und ein Metronom. Es läuft unter Linux und spielt über ein
  MIDI-Gerät oder seinen eingebauten Synthesizer, und die Programmdatei ist
  klein genug, um sie auf einer Diskette mitzunehmen.

&lt;&lt; Merkmale &gt;&gt;
   1. Klein: die Programmdatei passt auf eine Diskette.
   2. Bis zu 15 Töne zugleich. Die Tastatur selbst begrenzt, wie viele
      gehaltene Tasten sie erkennt: ein Notebook nimmt 4 Tasten zugleich,
      ein Desktop-PC 6. Einen großen Akkord spielt man dann als Arpeggio.
   3. Aufnahme und Wiedergabe des Gespielten.
   4. Ausgabe der Aufnahme als MIDI-Datei.
   5. Transponieren um bis zu eine Oktave nach oben oder unten.
   6. Feinstimmung.
   7. Metronom: langsamer gestellt hilft es, eine schwierige Stelle zu üben.

&lt;&lt; Bedienung &gt;&gt;  Jede der folgenden Funktionen hat eine eigene Taste.
   1. Zwei Tastenreihen spielen die Töne: die Taste C spielt C2 (do), die
      Taste V C2 re, die Taste &quot;/&quot; C3 do und die Taste Y C4 do. Solange eine
      Taste gehalten wird, zeigt das Bild eine Markierung.
   2. Lautstärke: Pfeiltasten [Auf]/[Ab].
   3. Feinstimmung: Pfeiltasten [Links]/[Rechts], +-100 Cent. Grundwert A=440Hz.
   4. Transponieren: [Einfg]/[Entf].
   5. Instrument: [Pos1]/[Ende].
   6. MIDI-Gerät: [Bild auf]/[Bild ab].
   7. [F1] zeigt dieses Dokument.
   8. [F2] beginnt und beendet eine Aufnahme und speichert sie als MIDI-Datei.
   9. [F3] spielt die Aufnahme ab; [F2] hat Vorrang davor.
  10. [F5] Metronom ein/aus; [F6]/[F7] ändern sein Tempo (30 bis 240).
  11. [Pause] beendet das Programm.
  12. Ein Klick mit der rechten Maustaste auf die Tastatur öffnet ein Menü:
      Hilfe zeigt dieses Dokument, Beenden beendet das Programm.

&lt;&lt; Haftung &gt;&gt;
  Diese Software wird ohne jede Gewährleistung überlassen. Ihr Autor haftet
  nicht für Schäden, die aus ihrer Benutzung entstehen. Die Benutzung
  geschieht auf eigene Gefahr.

&lt;&lt; Rechtliches &gt;&gt;
  Copyright (C) 2002 der Autor von Tastarion. Diese Software ist kostenlos.

&lt;&lt; Kontakt &gt;&gt;
  Anmerkungen und Vorschläge sind willkommen: tastarion@example.org</translation>
    </message>
    <message>
        <source>&lt;&lt; More keys &gt;&gt;
  [Esc] silences every note (panic). [Space] is the sustain pedal.
  Press a key of the picture with the left mouse button to play it,
  louder nearer its front edge; slide to play the next. The device list
  follows ports that come and go; its last row, &quot;Own MIDI port (for
  patchbays)&quot;, opens a port of the program&apos;s own that a patchbay connects.
  A MIDI keyboard plays too: wire it to the input port
  &quot;Tastarion:midi_in&quot; (JACK) or &quot;Tastarion&quot; / &quot;MIDI in&quot; (ALSA).
  Its notes play, show and record like keys, with their own velocity;
  controller 64 is the pedal; its wheel, controllers and aftertouch
  shape its notes; a program change picks the instrument of that program.
  [F4] opens a MIDI file (or drop one on the window): [F3] then
  replays it in its own time, on its own channels. [F8] saves the
  opened file, or else the last recording, as audio (.wav, .flac or
  .ogg); tastarion --render FILE.mid OUT.wav does it without a window.</source>
        <translation>&lt;&lt; Weitere Tasten &gt;&gt;
  [Esc] bringt alle Töne zum Schweigen (Panik). [Leertaste] ist das
  Haltepedal. Eine Taste des Bildes erklingt, wenn man sie mit der linken
  Maustaste drückt, lauter nahe ihrer Vorderkante; gleitet man weiter,
  spielt die nächste. Die Geräteliste folgt den Ports, die kommen und
  gehen; ihre letzte Zeile, &quot;Own MIDI port (for patchbays)&quot;, öffnet einen
  eigenen Port des Programms, den eine Patchbay verbindet.
  Auch ein MIDI-Keyboard spielt: verbinden Sie es mit dem Eingangsport
  &quot;Tastarion:midi_in&quot; (JACK) oder &quot;Tastarion&quot; / &quot;MIDI in&quot; (ALSA).
  Seine Töne klingen, erscheinen und werden aufgenommen wie Tasten, mit
  ihrer eigenen Anschlagstärke; Controller 64 ist das Pedal; sein Rad,
  seine Controller und Aftertouch formen seine Töne; ein Programmwechsel
  wählt das Instrument dieses Programms.
  [F4] öffnet eine MIDI-Datei (oder ziehen Sie eine auf das Fenster):
  [F3] gibt sie dann in ihrem eigenen Tempo auf eigenen Kanälen wieder.
  [F8] speichert die geöffnete Datei, sonst die letzte Aufnahme, als Audio
  (.wav, .flac oder .ogg); tastarion --render DATEI.mid AUS.wav tut es
  ohne Fenster.</translation>
    </message>
</context>
<context>
    <name>Instrument</name>
    <message>
        <source>0 Piano</source>
        <translation>0 Klavier</translation>
    </message>
    <message>
        <source>6 Harpsicord</source>
        <translation>6 Cembalo</translation>
    </message>
    <message>
        <source>11 Vibraphone</source>
        <translation>11 Vibraphon</translation>
    </message>
    <message>
        <source>16 Organ</source>
        <translation>16 Orgel</translation>
    </message>
    <message>
        <source>24 Guitar</source>
        <translation>24 Gitarre</translation>
    </message>
    <message>
        <source>40 Violin</source>
        <translation>40 Violine</translation>
    </message>
    <message>
        <source>56 Trampet</source>
        <translation>56 Trompete</translation>
    </message>
    <message>
        <source>68 Oboe</source>
        <translation>68 Oboe</translation>
    </message>
    <message>
        <source>73 Flute</source>
        <translation>73 Flöte</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The audio type of %1 is not known: name it .wav, .flac or .ogg.</source>
        <translation>Die Audioart von %1 ist unbekannt: benennen Sie die Datei .wav, .flac oder .ogg.</translation>
    </message>
</context>
<context>
    <name>MidiFile</name>
    <message>
        <source>%1 is too large for a MIDI file (%2 bytes; at most %3 are read).</source>
        <translation>%1 ist zu groß für eine MIDI-Datei (%2 Bytes; höchstens %3 werden gelesen).</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it does not begin with &quot;MThd&quot;).</source>
        <translation>%1 ist keine MIDI-Datei (sie beginnt nicht mit &quot;MThd&quot;).</translation>
    </message>
    <message>
        <source>%1 is cut short inside its header.</source>
        <translation>%1 bricht innerhalb ihres Kopfes ab.</translation>
    </message>
    <message>
        <source>%1 is damaged: its header claims %2 bytes.</source>
        <translation>%1 ist beschädigt: ihr Kopf gibt %2 Bytes an.</translation>
    </message>
    <message>
        <source>%1 is of format 2 (independent patterns), which the program does not play.</source>
        <translation>%1 hat Format 2 (unabhängige Muster), das das Programm nicht spielt.</translation>
    </message>
    <message>
        <source>%1 is of format %2, which does not exist.</source>
        <translation>%1 hat Format %2, das es nicht gibt.</translation>
    </message>
    <message>
        <source>%1 holds no track.</source>
        <translation>%1 enthält keine Spur.</translation>
    </message>
    <message>
        <source>%1 is damaged: its time division %2.</source>
        <translation>%1 ist beschädigt: ihre Zeiteinteilung %2.</translation>
    </message>
    <message>
        <source>%1 is cut short: its header promises %2 tracks and it holds %3.</source>
        <translation>%1 bricht ab: ihr Kopf verspricht %2 Spuren, und sie enthält %3.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 claims %3 bytes, but only %4 follow.</source>
        <translation>%1 ist beschädigt: Spur %2 gibt %3 Bytes an, aber nur %4 folgen.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a number longer than four bytes at byte %3.</source>
        <translation>%1 ist beschädigt: Spur %2 hat bei Byte %3 eine Zahl, die länger als vier Bytes ist.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 ends in the middle of an event (byte %3).</source>
        <translation>%1 ist beschädigt: Spur %2 endet mitten in einem Ereignis (Byte %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a data byte where an event begins (byte %3).</source>
        <translation>%1 ist beschädigt: Spur %2 hat ein Datenbyte, wo ein Ereignis beginnt (Byte %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 sets a tempo of 0.</source>
        <translation>%1 ist beschädigt: Spur %2 setzt ein Tempo von 0.</translation>
    </message>
    <message>
        <source>%1 holds an event the program does not know (status %2, track %3, byte %4).</source>
        <translation>%1 enthält ein Ereignis, das das Programm nicht kennt (Status %2, Spur %3, Byte %4).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a status byte inside an event (byte %3).</source>
        <translation>%1 ist beschädigt: Spur %2 hat ein Statusbyte innerhalb eines Ereignisses (Byte %3).</translation>
    </message>
    <message>
        <source>%1 holds more than %2 events, more than the program plays.</source>
        <translation>%1 enthält mehr als %2 Ereignisse, mehr als das Programm spielt.</translation>
    </message>
    <message>
        <source>%1 lasts longer than 24 hours.</source>
        <translation>%1 dauert länger als 24 Stunden.</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation>%1 lässt sich nicht öffnen: %2.</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it is not a regular file).</source>
        <translation>%1 ist keine MIDI-Datei (es ist keine gewöhnliche Datei).</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 lässt sich nicht lesen: %2.</translation>
    </message>
    <message>
        <source>%1 cannot be read: it grew shorter while read.</source>
        <translation>%1 lässt sich nicht lesen: die Datei wurde beim Lesen kürzer.</translation>
    </message>
</context>
<context>
    <name>Piano</name>
    <message>
        <source>%1 went away.</source>
        <translation>%1 ist verschwunden.</translation>
    </message>
    <message>
        <source> Device 0 (%1) plays now.</source>
        <translation> Jetzt spielt Gerät 0 (%1).</translation>
    </message>
    <message>
        <source>
The recording is kept; F3 replays it. Save it elsewhere?</source>
        <translation>
Die Aufnahme bleibt erhalten; F3 spielt sie ab. Anderswo speichern?</translation>
    </message>
    <message>
        <source>Fail to open Midi out driver.</source>
        <translation>Der MIDI-Ausgabetreiber ließ sich nicht öffnen.</translation>
    </message>
    <message>
        <source>Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.</source>
        <translation>Starten Sie PipeWire, PulseAudio oder JACK, oder wählen Sie mit Bild auf / Bild ab ein anderes Gerät.</translation>
    </message>
    <message>
        <source>There is nothing to save as audio yet: record a take with F2 or open a MIDI file with F4 first.</source>
        <translation>Noch gibt es nichts als Audio zu speichern: nehmen Sie zuerst mit F2 etwas auf oder öffnen Sie mit F4 eine MIDI-Datei.</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Not enough memory for the recording buffer; Tastarion cannot run.</source>
        <translation>Nicht genug Speicher für den Aufnahmepuffer; Tastarion kann nicht laufen.</translation>
    </message>
</context>
<context>
    <name>SavedFile</name>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: the file exists and is not writable, so it is left as it is.</source>
        <translation>Die Aufnahme ließ sich nicht unter „%1“ speichern: Die Datei gibt es schon, und sie ist schreibgeschützt; sie bleibt, wie sie ist.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: that is not a plain file.</source>
        <translation>Die Aufnahme ließ sich nicht unter „%1“ speichern: Das ist keine gewöhnliche Datei.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: %2.</source>
        <translation>Die Aufnahme ließ sich nicht unter „%1“ speichern: %2.</translation>
    </message>
</context>
<context>
    <name>tastarion::MainWindow</name>
    <message>
        <source>[Recording...]</source>
        <translation>[Aufnahme...]</translation>
    </message>
    <message>
        <source>[Recording full]</source>
        <translation>[Aufnahme voll]</translation>
    </message>
    <message>
        <source>[Replaying...]</source>
        <translation>[Wiedergabe...]</translation>
    </message>
    <message>
        <source>mid記録ファイル</source>
        <translation>MIDI-Aufnahme speichern</translation>
    </message>
    <message>
        <source>Save elsewhere...</source>
        <translation>Anderswo speichern...</translation>
    </message>
    <message>
        <source>Keep it unsaved</source>
        <translation>Nicht speichern</translation>
    </message>
    <message>
        <source>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Press [F1] for Help or
Click right button of a mouse</source>
        <translation>[C]=C2-Do [V]=C2-Re [/]=C3-Do
[F1] zeigt die Hilfe, ebenso
ein Klick mit der rechten Maustaste</translation>
    </message>
    <message>
        <source>Open a MIDI file</source>
        <translation>Eine MIDI-Datei öffnen</translation>
    </message>
    <message>
        <source>MIDI files (*.mid *.midi *.smf *.kar)</source>
        <translation>MIDI-Dateien (*.mid *.midi *.smf *.kar)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Save as audio</source>
        <translation>Als Audio speichern</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>%1 wird gespeichert ...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::ControlStrip</name>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Volume(Up/Down arrow key)</source>
        <translation>Lautstärke (Pfeiltasten Auf/Ab)</translation>
    </message>
    <message>
        <source>Fine pitch</source>
        <translation>Feinstimmung</translation>
    </message>
    <message>
        <source>Fine Picth ±100Cent
(Left/Right arrow key)</source>
        <translation>Feinstimmung ±100 Cent
(Pfeiltasten Links/Rechts)</translation>
    </message>
    <message>
        <source>Metronome speed</source>
        <translation>Metronomtempo</translation>
    </message>
    <message>
        <source>M.M On/Off(F5)
M.M Speed(F6/F7)</source>
        <translation>Metronom ein/aus (F5)
Metronomtempo (F6/F7)</translation>
    </message>
    <message>
        <source>Transpose</source>
        <translation>Transponieren</translation>
    </message>
    <message>
        <source>Transpose([Ins]/[Del])</source>
        <translation>Transponieren ([Einfg]/[Entf])</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>Instrument([Home]/[End])</source>
        <translation>Instrument ([Pos1]/[Ende])</translation>
    </message>
    <message>
        <source>MIDI device</source>
        <translation>MIDI-Gerät</translation>
    </message>
    <message>
        <source>Midi Source([PgUp]/[PgDn])</source>
        <translation>MIDI-Gerät ([Bild auf]/[Bild ab])</translation>
    </message>
    <message>
        <source>  Volume     Pitch      M.M    Transpose     Instrument               Midi device</source>
        <translation>  Lautst.    Stimmung   M.M    Transpon.     Instrument               MIDI-Gerät</translation>
    </message>
    <message>
        <source>Control captions</source>
        <translation>Beschriftung der Regler</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::KeyboardWidget</name>
    <message>
        <source>Keyboard</source>
        <translation>Klaviatur</translation>
    </message>
    <message>
        <source>A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left mouse button. F1 lists the keys; the right mouse button opens a menu.</source>
        <translation>Eine Klaviatur mit 43 Tasten, G1 bis Cis5, gespielt mit der PC-Tastatur oder der linken Maustaste. F1 zeigt die Tasten; die rechte Maustaste öffnet ein Menü.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>
