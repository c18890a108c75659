<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>argumento inesperado «%1»</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>la opción «%1» necesita un valor</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>opción desconocida «%1»</translation>
    </message>
    <message>
        <source>option &apos;--render&apos; needs a MIDI file and an audio file</source>
        <translation>la opción «--render» necesita un archivo MIDI y un archivo de audio</translation>
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
        <translation>Uso: tastarion [OPCIÓN-QT...] [ARCHIVO.mid]
     tastarion --render ARCHIVO.mid SALIDA.wav|SALIDA.flac|SALIDA.ogg
     tastarion --help | --version
Toca un piano MIDI de 43 teclas con el teclado del PC.

  ARCHIVO.mid    abre un archivo MIDI: F3 lo reproduce
  --render ARCHIVO.mid SALIDA
                 convierte el archivo MIDI en audio con el sintetizador
                 integrado, sin ventana ni servidor de sonido; el tipo
                 sigue la extensión de SALIDA (.wav, .flac u .ogg)
  -h, --help     muestra esta ayuda y termina
  -v, --version  muestra el nombre y la versión y termina

Las opciones propias de Qt, como -platform NOMBRE, -style NOMBRE o
-display PANTALLA, se pasan a Qt. Sin opciones se abre la ventana; F1 en
ella muestra las teclas.
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
        <translation>&lt;&lt; Descripción &gt;&gt;
  Tastarion convierte el teclado del ordenador en un piano electrónico de
  43 teclas en dos filas. Suena hasta 15 notas a la vez y tiene afinación
  fina y metrónomo. Funciona en Linux y toca a través de un dispositivo
  MIDI o de su propio sintetizador integrado, y el programa es tan pequeño
  que cabe en un disquete.

&lt;&lt; Características &gt;&gt;
   1. Pequeño: el programa cabe en un disquete.
   2. Hasta 15 notas a la vez. El propio teclado limita cuántas teclas
      pulsadas reconoce: un portátil admite 4 a la vez, un PC de
      sobremesa 6. Toque un acorde grande como arpegio para superarlo.
   3. Grabación y reproducción de lo que toca.
   4. Exportación de la grabación como archivo MIDI.
   5. Transposición de hasta una octava hacia arriba o hacia abajo.
   6. Afinación fina.
   7. Metrónomo: redúzcalo para practicar un pasaje difícil.

&lt;&lt; Uso &gt;&gt;  Cada función de abajo tiene su propia tecla.
   1. Dos filas de teclas tocan las notas: la tecla C toca C2 (do), la
      tecla V C2 re, la tecla &quot;/&quot; C3 do y la tecla Y C4 do. Mientras se
      mantiene pulsada una tecla, aparece una marca en la imagen.
   2. Volumen: flechas [Arriba]/[Abajo].
   3. Afinación fina: flechas [Izquierda]/[Derecha], +-100 cents. Por defecto
      La=440Hz.
   4. Transposición: [Insert]/[Supr].
   5. Instrumento: [Inicio]/[Fin].
   6. Dispositivo MIDI: [RePág]/[AvPág].
   7. [F1] muestra este documento.
   8. [F2] empieza y termina una grabación y luego la guarda como archivo MIDI.
   9. [F3] reproduce la grabación; [F2] tiene prioridad sobre ella.
  10. [F5] activa o desactiva el metrónomo; [F6]/[F7] cambian su velocidad
      (30 a 240).
  11. [Pausa] cierra el programa.
  12. Un clic derecho sobre el teclado abre un menú: Ayuda muestra este
      documento, Salir cierra el programa.

&lt;&lt; Responsabilidad &gt;&gt;
  Este software se ofrece sin ninguna garantía. Su autor no se hace
  responsable de los daños que se deriven de su uso. Úselo bajo su propia
  responsabilidad.

&lt;&lt; Aviso legal &gt;&gt;
  Copyright (C) 2002 el autor de Tastarion. Este software es gratuito.

&lt;&lt; Contacto &gt;&gt;
  Los comentarios y las sugerencias son bienvenidos: tastarion@example.org</translation>
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
        <translation>&lt;&lt; Más teclas &gt;&gt;
  [Esc] silencia todas las notas (pánico). [Espacio] es el pedal de
  resonancia. Pulse una tecla de la imagen con el botón izquierdo del ratón
  para tocarla, más fuerte cerca de su borde delantero; deslice para tocar
  la siguiente. La lista de dispositivos sigue a los puertos que aparecen y
  desaparecen; su última fila, &quot;Own MIDI port (for patchbays)&quot;, abre un
  puerto propio del programa que conecta un patchbay.
  Un teclado MIDI también toca: conéctelo al puerto de entrada
  &quot;Tastarion:midi_in&quot; (JACK) o &quot;Tastarion&quot; / &quot;MIDI in&quot; (ALSA).
  Sus notas suenan, se muestran y se graban como las teclas, con su propia
  velocidad; el controlador 64 es el pedal; su rueda, sus controladores y
  su aftertouch dan forma a sus notas; un cambio de programa elige el
  instrumento de ese programa.
  [F4] abre un archivo MIDI (o suelte uno sobre la ventana): [F3] lo
  reproduce entonces a su propio tiempo, en sus propios canales. [F8]
  guarda el archivo abierto, o si no la última grabación, como audio
  (.wav, .flac u .ogg); tastarion --render ARCHIVO.mid SALIDA.wav lo hace
  sin ventana.</translation>
    </message>
</context>
<context>
    <name>Instrument</name>
    <message>
        <source>0 Piano</source>
        <translation>0 Piano</translation>
    </message>
    <message>
        <source>6 Harpsicord</source>
        <translation>6 Clavicémbalo</translation>
    </message>
    <message>
        <source>11 Vibraphone</source>
        <translation>11 Vibráfono</translation>
    </message>
    <message>
        <source>16 Organ</source>
        <translation>16 Órgano</translation>
    </message>
    <message>
        <source>24 Guitar</source>
        <translation>24 Guitarra</translation>
    </message>
    <message>
        <source>40 Violin</source>
        <translation>40 Violín</translation>
    </message>
    <message>
        <source>56 Trampet</source>
        <translation>56 Trompeta</translation>
    </message>
    <message>
        <source>68 Oboe</source>
        <translation>68 Oboe</translation>
    </message>
    <message>
        <source>73 Flute</source>
        <translation>73 Flauta</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The audio type of %1 is not known: name it .wav, .flac or .ogg.</source>
        <translation>El tipo de audio de %1 no se conoce: nómbrelo .wav, .flac u .ogg.</translation>
    </message>
</context>
<context>
    <name>MidiFile</name>
    <message>
        <source>%1 is too large for a MIDI file (%2 bytes; at most %3 are read).</source>
        <translation>%1 es demasiado grande para un archivo MIDI (%2 bytes; se leen como máximo %3).</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it does not begin with &quot;MThd&quot;).</source>
        <translation>%1 no es un archivo MIDI (no empieza por &quot;MThd&quot;).</translation>
    </message>
    <message>
        <source>%1 is cut short inside its header.</source>
        <translation>%1 está cortado dentro de su cabecera.</translation>
    </message>
    <message>
        <source>%1 is damaged: its header claims %2 bytes.</source>
        <translation>%1 está dañado: su cabecera indica %2 bytes.</translation>
    </message>
    <message>
        <source>%1 is of format 2 (independent patterns), which the program does not play.</source>
        <translation>%1 es de formato 2 (patrones independientes), que el programa no reproduce.</translation>
    </message>
    <message>
        <source>%1 is of format %2, which does not exist.</source>
        <translation>%1 es de formato %2, que no existe.</translation>
    </message>
    <message>
        <source>%1 holds no track.</source>
        <translation>%1 no contiene ninguna pista.</translation>
    </message>
    <message>
        <source>%1 is damaged: its time division %2.</source>
        <translation>%1 está dañado: su división de tiempo %2.</translation>
    </message>
    <message>
        <source>%1 is cut short: its header promises %2 tracks and it holds %3.</source>
        <translation>%1 está cortado: su cabecera promete %2 pistas y contiene %3.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 claims %3 bytes, but only %4 follow.</source>
        <translation>%1 está dañado: la pista %2 indica %3 bytes, pero solo siguen %4.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a number longer than four bytes at byte %3.</source>
        <translation>%1 está dañado: la pista %2 tiene un número de más de cuatro bytes en el byte %3.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 ends in the middle of an event (byte %3).</source>
        <translation>%1 está dañado: la pista %2 termina en medio de un evento (byte %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a data byte where an event begins (byte %3).</source>
        <translation>%1 está dañado: la pista %2 tiene un byte de datos donde empieza un evento (byte %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 sets a tempo of 0.</source>
        <translation>%1 está dañado: la pista %2 fija un tempo de 0.</translation>
    </message>
    <message>
        <source>%1 holds an event the program does not know (status %2, track %3, byte %4).</source>
        <translation>%1 contiene un evento que el programa no conoce (estado %2, pista %3, byte %4).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a status byte inside an event (byte %3).</source>
        <translation>%1 está dañado: la pista %2 tiene un byte de estado dentro de un evento (byte %3).</translation>
    </message>
    <message>
        <source>%1 holds more than %2 events, more than the program plays.</source>
        <translation>%1 contiene más de %2 eventos, más de los que el programa reproduce.</translation>
    </message>
    <message>
        <source>%1 lasts longer than 24 hours.</source>
        <translation>%1 dura más de 24 horas.</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation>%1 no se puede abrir: %2.</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it is not a regular file).</source>
        <translation>%1 no es un archivo MIDI (no es un archivo normal).</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 no se puede leer: %2.</translation>
    </message>
    <message>
        <source>%1 cannot be read: it grew shorter while read.</source>
        <translation>%1 no se puede leer: se acortó mientras se leía.</translation>
    </message>
</context>
<context>
    <name>Piano</name>
    <message>
        <source>%1 went away.</source>
        <translation>%1 ha desaparecido.</translation>
    </message>
    <message>
        <source> Device 0 (%1) plays now.</source>
        <translation> Ahora toca el dispositivo 0 (%1).</translation>
    </message>
    <message>
        <source>
The recording is kept; F3 replays it. Save it elsewhere?</source>
        <translation>
La grabación se conserva; F3 la reproduce. ¿Guardarla en otro lugar?</translation>
    </message>
    <message>
        <source>Fail to open Midi out driver.</source>
        <translation>No se pudo abrir el controlador de salida MIDI.</translation>
    </message>
    <message>
        <source>Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.</source>
        <translation>Inicie PipeWire, PulseAudio o JACK, o elija otro dispositivo con RePág / AvPág.</translation>
    </message>
    <message>
        <source>There is nothing to save as audio yet: record a take with F2 or open a MIDI file with F4 first.</source>
        <translation>Todavía no hay nada que guardar como audio: grabe primero una toma con F2 o abra un archivo MIDI con F4.</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Not enough memory for the recording buffer; Tastarion cannot run.</source>
        <translation>No hay memoria suficiente para el búfer de grabación; Tastarion no puede funcionar.</translation>
    </message>
</context>
<context>
    <name>SavedFile</name>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: the file exists and is not writable, so it is left as it is.</source>
        <translation>No se pudo guardar la grabación en «%1»: el archivo existe y no se puede escribir, así que se deja como está.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: that is not a plain file.</source>
        <translation>No se pudo guardar la grabación en «%1»: no es un archivo normal.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: %2.</source>
        <translation>No se pudo guardar la grabación en «%1»: %2.</translation>
    </message>
</context>
<context>
    <name>tastarion::MainWindow</name>
    <message>
        <source>[Recording...]</source>
        <translation>[Grabando...]</translation>
    </message>
    <message>
        <source>[Recording full]</source>
        <translation>[Grabación llena]</translation>
    </message>
    <message>
        <source>[Replaying...]</source>
        <translation>[Reproduciendo...]</translation>
    </message>
    <message>
        <source>mid記録ファイル</source>
        <translation>Archivo de grabación MIDI</translation>
    </message>
    <message>
        <source>Save elsewhere...</source>
        <translation>Guardar en otro lugar...</translation>
    </message>
    <message>
        <source>Keep it unsaved</source>
        <translation>Dejarla sin guardar</translation>
    </message>
    <message>
        <source>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Press [F1] for Help or
Click right button of a mouse</source>
        <translation>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Pulse [F1] para ver la ayuda o
haga clic con el botón derecho</translation>
    </message>
    <message>
        <source>Open a MIDI file</source>
        <translation>Abrir un archivo MIDI</translation>
    </message>
    <message>
        <source>MIDI files (*.mid *.midi *.smf *.kar)</source>
        <translation>Archivos MIDI (*.mid *.midi *.smf *.kar)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Save as audio</source>
        <translation>Guardar como audio</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>Guardando %1 ...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::ControlStrip</name>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Volume(Up/Down arrow key)</source>
        <translation>Volumen (flechas Arriba/Abajo)</translation>
    </message>
    <message>
        <source>Fine pitch</source>
        <translation>Afinación fina</translation>
    </message>
    <message>
        <source>Fine Picth ±100Cent
(Left/Right arrow key)</source>
        <translation>Afinación fina ±100 cents
(flechas Izquierda/Derecha)</translation>
    </message>
    <message>
        <source>Metronome speed</source>
        <translation>Velocidad del metrónomo</translation>
    </message>
    <message>
        <source>M.M On/Off(F5)
M.M Speed(F6/F7)</source>
        <translation>Metrónomo sí/no (F5)
Velocidad del metrónomo (F6/F7)</translation>
    </message>
    <message>
        <source>Transpose</source>
        <translation>Transposición</translation>
    </message>
    <message>
        <source>Transpose([Ins]/[Del])</source>
        <translation>Transposición ([Insert]/[Supr])</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>Instrumento</translation>
    </message>
    <message>
        <source>Instrument([Home]/[End])</source>
        <translation>Instrumento ([Inicio]/[Fin])</translation>
    </message>
    <message>
        <source>MIDI device</source>
        <translation>Dispositivo MIDI</translation>
    </message>
    <message>
        <source>Midi Source([PgUp]/[PgDn])</source>
        <translation>Dispositivo MIDI ([RePág]/[AvPág])</translation>
    </message>
    <message>
        <source>  Volume     Pitch      M.M    Transpose     Instrument               Midi device</source>
        <translation>  Volumen    Afinación  M.M    Transpos.     Instrumento              Dispositivo MIDI</translation>
    </message>
    <message>
        <source>Control captions</source>
        <translation>Rótulos de los controles</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::KeyboardWidget</name>
    <message>
        <source>Keyboard</source>
        <translation>Teclado</translation>
    </message>
    <message>
        <source>A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left mouse button. F1 lists the keys; the right mouse button opens a menu.</source>
        <translation>Un teclado de piano de 43 teclas, de G1 a C#5, que se toca con el teclado del PC o con el botón izquierdo del ratón. F1 muestra las teclas; el botón derecho abre un menú.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
</context>
</TS>
