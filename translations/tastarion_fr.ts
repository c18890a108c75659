<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>argument inattendu « %1 »</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>l&apos;option « %1 » demande une valeur</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>option inconnue « %1 »</translation>
    </message>
    <message>
        <source>option &apos;--render&apos; needs a MIDI file and an audio file</source>
        <translation>l&apos;option « --render » demande un fichier MIDI et un fichier audio</translation>
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
        <translation>Utilisation : tastarion [OPTION-QT...] [FICHIER.mid]
              tastarion --render FICHIER.mid SORTIE.wav|SORTIE.flac|SORTIE.ogg
              tastarion --help | --version
Joue d&apos;un piano MIDI de 43 touches sur le clavier du PC.

  FICHIER.mid    ouvrir un fichier MIDI : F3 le rejoue
  --render FICHIER.mid SORTIE
                 rendre le fichier MIDI en audio avec le synthétiseur
                 intégré, sans fenêtre ni serveur de son ; le type suit
                 l&apos;extension de SORTIE (.wav, .flac ou .ogg)
  -h, --help     afficher cette aide et quitter
  -v, --version  afficher le nom et la version et quitter

Les options propres à Qt, comme -platform NOM, -style NOM ou -display ÉCRAN,
sont transmises à Qt. Sans option, la fenêtre s&apos;ouvre ; F1 y liste les touches.
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
        <translation>&lt;&lt; Présentation &gt;&gt;
  Tastarion fait du clavier de l&apos;ordinateur un piano électronique de
  43 touches sur deux rangées. Il joue jusqu&apos;à 15 notes à la fois et offre
  un accord fin et un métronome. Il fonctionne sous Linux et joue par un
  périphérique MIDI ou par son propre synthétiseur intégré, et le programme
  est assez petit pour tenir sur une disquette.

&lt;&lt; Caractéristiques &gt;&gt;
   1. Petit : le programme tient sur une disquette.
   2. Jusqu&apos;à 15 notes à la fois. Le clavier lui-même limite le nombre de
      touches enfoncées qu&apos;il reconnaît : tel portable en prend 4 à la fois,
      tel PC de bureau 6. Jouez un grand accord en arpège pour passer outre.
   3. Enregistrement et relecture de ce que vous jouez.
   4. Export de l&apos;enregistrement en fichier MIDI.
   5. Transposition jusqu&apos;à une octave vers le haut ou vers le bas.
   6. Accord fin.
   7. Métronome : ralentissez-le pour travailler un passage difficile.

&lt;&lt; Utilisation &gt;&gt;  Chaque fonction ci-dessous a sa propre touche.
   1. Deux rangées de touches jouent les notes : la touche C joue C2 (do),
      la touche V C2 ré, la touche &quot;/&quot; C3 do et la touche Y C4 do. Une marque
      s&apos;affiche sur l&apos;image tant qu&apos;une touche est enfoncée.
   2. Volume : flèches [Haut]/[Bas].
   3. Accord fin : flèches [Gauche]/[Droite], +-100 cents. Par défaut La=440Hz.
   4. Transposition : [Inser]/[Suppr].
   5. Instrument : [Origine]/[Fin].
   6. Périphérique MIDI : [Pg préc]/[Pg suiv].
   7. [F1] affiche ce document.
   8. [F2] commence et termine un enregistrement, puis le sauvegarde en
      fichier MIDI.
   9. [F3] relit l&apos;enregistrement ; [F2] a la priorité sur lui.
  10. [F5] métronome marche/arrêt ; [F6]/[F7] changent son tempo (30 à 240).
  11. [Pause] quitte le programme.
  12. Un clic droit sur le clavier ouvre un menu : Aide affiche ce
      document, Quitter ferme le programme.

&lt;&lt; Responsabilité &gt;&gt;
  Ce logiciel est fourni sans aucune garantie. Son auteur n&apos;est pas
  responsable des dommages qui résulteraient de son utilisation. Vous
  l&apos;utilisez à vos propres risques.

&lt;&lt; Mentions légales &gt;&gt;
  Copyright (C) 2002 l&apos;auteur de Tastarion. Ce logiciel est gratuit.

&lt;&lt; Contact &gt;&gt;
  Remarques et suggestions sont les bienvenues : tastarion@example.org</translation>
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
        <translation>&lt;&lt; Autres touches &gt;&gt;
  [Échap] fait taire toutes les notes (panique). [Espace] est la pédale
  de maintien. Appuyez sur une touche de l&apos;image avec le bouton gauche de
  la souris pour la jouer, plus fort près de son bord avant ; glissez pour
  jouer la suivante. La liste des périphériques suit les ports qui vont et
  viennent ; sa dernière ligne, &quot;Own MIDI port (for patchbays)&quot;, ouvre un
  port propre au programme qu&apos;une baie de brassage connecte.
  Un clavier MIDI joue aussi : reliez-le au port d&apos;entrée
  &quot;Tastarion:midi_in&quot; (JACK) ou &quot;Tastarion&quot; / &quot;MIDI in&quot; (ALSA).
  Ses notes sonnent, s&apos;affichent et s&apos;enregistrent comme les touches, avec
  leur propre vélocité ; le contrôleur 64 est la pédale ; sa molette, ses
  contrôleurs et son aftertouch façonnent ses notes ; un changement de
  programme choisit l&apos;instrument de ce programme.
  [F4] ouvre un fichier MIDI (ou déposez-en un sur la fenêtre) : [F3] le
  rejoue alors dans son propre temps, sur ses propres canaux. [F8]
  enregistre le fichier ouvert, ou sinon le dernier enregistrement, en
  audio (.wav, .flac ou .ogg) ; tastarion --render FICHIER.mid SORTIE.wav
  le fait sans fenêtre.</translation>
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
        <translation>6 Clavecin</translation>
    </message>
    <message>
        <source>11 Vibraphone</source>
        <translation>11 Vibraphone</translation>
    </message>
    <message>
        <source>16 Organ</source>
        <translation>16 Orgue</translation>
    </message>
    <message>
        <source>24 Guitar</source>
        <translation>24 Guitare</translation>
    </message>
    <message>
        <source>40 Violin</source>
        <translation>40 Violon</translation>
    </message>
    <message>
        <source>56 Trampet</source>
        <translation>56 Trompette</translation>
    </message>
    <message>
        <source>68 Oboe</source>
        <translation>68 Hautbois</translation>
    </message>
    <message>
        <source>73 Flute</source>
        <translation>73 Flûte</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The audio type of %1 is not known: name it .wav, .flac or .ogg.</source>
        <translation>Le type audio de %1 est inconnu : nommez-le .wav, .flac ou .ogg.</translation>
    </message>
</context>
<context>
    <name>MidiFile</name>
    <message>
        <source>%1 is too large for a MIDI file (%2 bytes; at most %3 are read).</source>
        <translation>%1 est trop grand pour un fichier MIDI (%2 octets ; au plus %3 sont lus).</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it does not begin with &quot;MThd&quot;).</source>
        <translation>%1 n&apos;est pas un fichier MIDI (il ne commence pas par &quot;MThd&quot;).</translation>
    </message>
    <message>
        <source>%1 is cut short inside its header.</source>
        <translation>%1 est tronqué dans son en-tête.</translation>
    </message>
    <message>
        <source>%1 is damaged: its header claims %2 bytes.</source>
        <translation>%1 est endommagé : son en-tête annonce %2 octets.</translation>
    </message>
    <message>
        <source>%1 is of format 2 (independent patterns), which the program does not play.</source>
        <translation>%1 est au format 2 (motifs indépendants), que le programme ne joue pas.</translation>
    </message>
    <message>
        <source>%1 is of format %2, which does not exist.</source>
        <translation>%1 est au format %2, qui n&apos;existe pas.</translation>
    </message>
    <message>
        <source>%1 holds no track.</source>
        <translation>%1 ne contient aucune piste.</translation>
    </message>
    <message>
        <source>%1 is damaged: its time division %2.</source>
        <translation>%1 est endommagé : sa division temporelle %2.</translation>
    </message>
    <message>
        <source>%1 is cut short: its header promises %2 tracks and it holds %3.</source>
        <translation>%1 est tronqué : son en-tête promet %2 pistes et il en contient %3.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 claims %3 bytes, but only %4 follow.</source>
        <translation>%1 est endommagé : la piste %2 annonce %3 octets, mais seuls %4 suivent.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a number longer than four bytes at byte %3.</source>
        <translation>%1 est endommagé : la piste %2 a un nombre de plus de quatre octets à l&apos;octet %3.</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 ends in the middle of an event (byte %3).</source>
        <translation>%1 est endommagé : la piste %2 se termine au milieu d&apos;un événement (octet %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a data byte where an event begins (byte %3).</source>
        <translation>%1 est endommagé : la piste %2 a un octet de données là où commence un événement (octet %3).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 sets a tempo of 0.</source>
        <translation>%1 est endommagé : la piste %2 fixe un tempo de 0.</translation>
    </message>
    <message>
        <source>%1 holds an event the program does not know (status %2, track %3, byte %4).</source>
        <translation>%1 contient un événement que le programme ne connaît pas (statut %2, piste %3, octet %4).</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a status byte inside an event (byte %3).</source>
        <translation>%1 est endommagé : la piste %2 a un octet de statut à l&apos;intérieur d&apos;un événement (octet %3).</translation>
    </message>
    <message>
        <source>%1 holds more than %2 events, more than the program plays.</source>
        <translation>%1 contient plus de %2 événements, plus que le programme ne joue.</translation>
    </message>
    <message>
        <source>%1 lasts longer than 24 hours.</source>
        <translation>%1 dure plus de 24 heures.</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation>%1 ne peut pas être ouvert : %2.</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it is not a regular file).</source>
        <translation>%1 n&apos;est pas un fichier MIDI (ce n&apos;est pas un fichier ordinaire).</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 ne peut pas être lu : %2.</translation>
    </message>
    <message>
        <source>%1 cannot be read: it grew shorter while read.</source>
        <translation>%1 ne peut pas être lu : il a raccourci pendant la lecture.</translation>
    </message>
</context>
<context>
    <name>Piano</name>
    <message>
        <source>%1 went away.</source>
        <translation>%1 a disparu.</translation>
    </message>
    <message>
        <source> Device 0 (%1) plays now.</source>
        <translation> Le périphérique 0 (%1) joue désormais.</translation>
    </message>
    <message>
        <source>
The recording is kept; F3 replays it. Save it elsewhere?</source>
        <translation>
L&apos;enregistrement est conservé ; F3 le relit. Le sauvegarder ailleurs ?</translation>
    </message>
    <message>
        <source>Fail to open Midi out driver.</source>
        <translation>Impossible d&apos;ouvrir le pilote de sortie MIDI.</translation>
    </message>
    <message>
        <source>Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.</source>
        <translation>Démarrez PipeWire, PulseAudio ou JACK, ou choisissez un autre périphérique avec Page préc. / Page suiv.</translation>
    </message>
    <message>
        <source>There is nothing to save as audio yet: record a take with F2 or open a MIDI file with F4 first.</source>
        <translation>Il n&apos;y a encore rien à enregistrer en audio : enregistrez d&apos;abord une prise avec F2 ou ouvrez un fichier MIDI avec F4.</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Not enough memory for the recording buffer; Tastarion cannot run.</source>
        <translation>Pas assez de mémoire pour le tampon d&apos;enregistrement ; Tastarion ne peut pas fonctionner.</translation>
    </message>
</context>
<context>
    <name>SavedFile</name>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: the file exists and is not writable, so it is left as it is.</source>
        <translation>Impossible de sauvegarder l&apos;enregistrement dans « %1 » : le fichier existe et n&apos;est pas modifiable ; il reste donc tel quel.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: that is not a plain file.</source>
        <translation>Impossible de sauvegarder l&apos;enregistrement dans « %1 » : ce n&apos;est pas un fichier ordinaire.</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: %2.</source>
        <translation>Impossible de sauvegarder l&apos;enregistrement dans « %1 » : %2.</translation>
    </message>
</context>
<context>
    <name>tastarion::MainWindow</name>
    <message>
        <source>[Recording...]</source>
        <translation>[Enregistrement...]</translation>
    </message>
    <message>
        <source>[Recording full]</source>
        <translation>[Enregistrement plein]</translation>
    </message>
    <message>
        <source>[Replaying...]</source>
        <translation>[Lecture...]</translation>
    </message>
    <message>
        <source>mid記録ファイル</source>
        <translation>Fichier d&apos;enregistrement MIDI</translation>
    </message>
    <message>
        <source>Save elsewhere...</source>
        <translation>Sauvegarder ailleurs...</translation>
    </message>
    <message>
        <source>Keep it unsaved</source>
        <translation>Ne pas sauvegarder</translation>
    </message>
    <message>
        <source>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Press [F1] for Help or
Click right button of a mouse</source>
        <translation>[C]=C2-Do [V]=C2-Ré [/]=C3-Do
[F1] pour l&apos;aide, ou
un clic droit de la souris</translation>
    </message>
    <message>
        <source>Open a MIDI file</source>
        <translation>Ouvrir un fichier MIDI</translation>
    </message>
    <message>
        <source>MIDI files (*.mid *.midi *.smf *.kar)</source>
        <translation>Fichiers MIDI (*.mid *.midi *.smf *.kar)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Save as audio</source>
        <translation>Enregistrer en audio</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>Enregistrement de %1 ...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::ControlStrip</name>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Volume(Up/Down arrow key)</source>
        <translation>Volume (flèches Haut/Bas)</translation>
    </message>
    <message>
        <source>Fine pitch</source>
        <translation>Accord fin</translation>
    </message>
    <message>
        <source>Fine Picth ±100Cent
(Left/Right arrow key)</source>
        <translation>Accord fin ±100 cents
(flèches Gauche/Droite)</translation>
    </message>
    <message>
        <source>Metronome speed</source>
        <translation>Tempo du métronome</translation>
    </message>
    <message>
        <source>M.M On/Off(F5)
M.M Speed(F6/F7)</source>
        <translation>Métronome marche/arrêt (F5)
Tempo du métronome (F6/F7)</translation>
    </message>
    <message>
        <source>Transpose</source>
        <translation>Transposition</translation>
    </message>
    <message>
        <source>Transpose([Ins]/[Del])</source>
        <translation>Transposition ([Inser]/[Suppr])</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>Instrument([Home]/[End])</source>
        <translation>Instrument ([Origine]/[Fin])</translation>
    </message>
    <message>
        <source>MIDI device</source>
        <translation>Périphérique MIDI</translation>
    </message>
    <message>
        <source>Midi Source([PgUp]/[PgDn])</source>
        <translation>Périphérique MIDI ([Pg préc]/[Pg suiv])</translation>
    </message>
    <message>
        <source>  Volume     Pitch      M.M    Transpose     Instrument               Midi device</source>
        <translation>  Volume     Accord     M.M    Transpos.     Instrument               Sortie MIDI</translation>
    </message>
    <message>
        <source>Control captions</source>
        <translation>Légendes des commandes</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::KeyboardWidget</name>
    <message>
        <source>Keyboard</source>
        <translation>Clavier</translation>
    </message>
    <message>
        <source>A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left mouse button. F1 lists the keys; the right mouse button opens a menu.</source>
        <translation>Un clavier de piano de 43 touches, de G1 à C#5, joué avec le clavier du PC ou le bouton gauche de la souris. F1 liste les touches ; le bouton droit ouvre un menu.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
</context>
</TS>
