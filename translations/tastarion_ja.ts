<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>予期しない引数 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>オプション &apos;%1&apos; には値が必要です</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>不明なオプション &apos;%1&apos;</translation>
    </message>
    <message>
        <source>option &apos;--render&apos; needs a MIDI file and an audio file</source>
        <translation>オプション &apos;--render&apos; には MIDI ファイルと音声ファイルが必要です</translation>
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
        <translation>使い方: tastarion [Qtオプション...] [ファイル.mid]
        tastarion --render ファイル.mid 出力.wav|出力.flac|出力.ogg
        tastarion --help | --version
PCのキーボードで43鍵のMIDIピアノを弾きます。

  ファイル.mid   MIDIファイルを開きます。F3で再生します
  --render ファイル.mid 出力
                 MIDIファイルを内蔵シンセサイザーで音声にします。
                 ウィンドウもサウンドサーバーも使いません。形式は出力の
                 拡張子 (.wav、.flac、.ogg) で決まります
  -h, --help     このヘルプを表示して終了します
  -v, --version  名前とバージョンを表示して終了します

-platform 名前、-style 名前、-display ディスプレイなど、Qt独自のオプションは
そのままQtに渡されます。オプションなしではウィンドウが開き、そこでF1を押すと
キーの一覧が表示されます。
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
        <translation>&lt;&lt; 概要 &gt;&gt;
  Tastarionは、コンピューターのキーボードを2列43鍵の電子ピアノに
  変えます。同時に最大15音を鳴らすことができ、音程の微調整と
  メトロノームを備えています。Linuxで動作し、MIDIデバイスまたは
  内蔵シンセサイザーで演奏します。プログラムファイルはフロッピー
  ディスクで持ち運べるほど小さなものです。

&lt;&lt; 特長 &gt;&gt;
   1. 小さい: プログラムファイルはフロッピーディスクに収まります。
   2. 最大15音の同時発音。同時に押したキーをいくつ認識できるかは
      キーボードのハードウェアで決まります。あるノートPCでは4キー、
      あるデスクトップPCでは6キーでした。大きな和音はアルペジオで
      弾けば、この制限を超えられます。
   3. 演奏の録音と再生。
   4. 録音のMIDIファイルへの出力。
   5. 上下1オクターブまでの移調。
   6. 音程の微調整。
   7. メトロノーム: 難しいパッセージはテンポを落として練習できます。

&lt;&lt; 使い方 &gt;&gt;  以下の機能には、それぞれ専用のキーがあります。
   1. 2列のキーで音を弾きます。CキーでC2(ド)、VキーでC2のレ、
      「/」キーでC3のド、YキーでC4のドが鳴ります。キーを押している
      間、絵の上に目印が表示されます。
   2. 音量: [↑]/[↓] 矢印キー。
   3. 微調整: [←]/[→] 矢印キー、±100セント。初期値は A=440Hz。
   4. 移調: [Ins]/[Del]。
   5. 音色: [Home]/[End]。
   6. MIDIデバイス: [PgUp]/[PgDn]。
   7. [F1] この文書を表示します。
   8. [F2] 録音を開始・終了し、MIDIファイルとして保存します。
   9. [F3] 録音を再生します。[F2] のほうが優先されます。
  10. [F5] メトロノームのオン/オフ。[F6]/[F7] で速さを変えます(30〜240)。
  11. [Pause] プログラムを終了します。
  12. キーボードの絵を右クリックするとメニューが開きます。「ヘルプ」で
      この文書を表示し、「終了」でプログラムを終了します。

&lt;&lt; 免責 &gt;&gt;
  このソフトウェアは無保証です。使用によって生じたいかなる損害についても
  作者は責任を負いません。ご自身の責任でお使いください。

&lt;&lt; 著作権 &gt;&gt;
  Copyright (C) 2002 the Tastarion author. このソフトウェアは無料です。

&lt;&lt; 連絡先 &gt;&gt;
  ご意見・ご要望をお待ちしています: tastarion@example.org</translation>
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
        <translation>&lt;&lt; その他のキー &gt;&gt;
  [Esc] すべての音を止めます(パニック)。[Space] はサステインペダルです。
  キーボードの絵の鍵をマウスの左ボタンで押すと、その音が鳴ります。
  手前の端に近いほど強く鳴ります。そのまま滑らせると次の鍵が鳴ります。
  デバイス一覧は、現れたり消えたりするポートに追従します。最後の行
  「Own MIDI port (for patchbays)」は、パッチベイから接続するための、
  プログラム独自のポートを開きます。
  MIDIキーボードでも演奏できます。入力ポート「Tastarion:midi_in」
  (JACK) または「Tastarion」/「MIDI in」(ALSA) に接続してください。
  その音はキーと同じように鳴り、表示され、録音されます。ベロシティは
  そのまま使われ、コントローラー64はペダルです。ホイール、コントローラー、
  アフタータッチは音を変化させ、プログラムチェンジはその番号の楽器を
  選びます。
  [F4] MIDIファイルを開きます(ウィンドウにドロップしても開けます)。
  [F3] でそのファイル本来のテンポと専用のチャンネルで再生します。
  [F8] 開いたファイル、なければ最後の録音を音声 (.wav、.flac、.ogg)
  として保存します。tastarion --render ファイル.mid 出力.wav なら
  ウィンドウなしで同じことができます。</translation>
    </message>
</context>
<context>
    <name>Instrument</name>
    <message>
        <source>0 Piano</source>
        <translation>0 ピアノ</translation>
    </message>
    <message>
        <source>6 Harpsicord</source>
        <translation>6 ハープシコード</translation>
    </message>
    <message>
        <source>11 Vibraphone</source>
        <translation>11 ビブラフォン</translation>
    </message>
    <message>
        <source>16 Organ</source>
        <translation>16 オルガン</translation>
    </message>
    <message>
        <source>24 Guitar</source>
        <translation>24 ギター</translation>
    </message>
    <message>
        <source>40 Violin</source>
        <translation>40 バイオリン</translation>
    </message>
    <message>
        <source>56 Trampet</source>
        <translation>56 トランペット</translation>
    </message>
    <message>
        <source>68 Oboe</source>
        <translation>68 オーボエ</translation>
    </message>
    <message>
        <source>73 Flute</source>
        <translation>73 フルート</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The audio type of %1 is not known: name it .wav, .flac or .ogg.</source>
        <translation>%1 の音声形式がわかりません。.wav、.flac、.ogg のいずれかの名前にしてください。</translation>
    </message>
</context>
<context>
    <name>MidiFile</name>
    <message>
        <source>%1 is too large for a MIDI file (%2 bytes; at most %3 are read).</source>
        <translation>%1 はMIDIファイルとしては大きすぎます(%2 バイト。読み込むのは最大 %3 バイトです)。</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it does not begin with &quot;MThd&quot;).</source>
        <translation>%1 はMIDIファイルではありません(&quot;MThd&quot; で始まっていません)。</translation>
    </message>
    <message>
        <source>%1 is cut short inside its header.</source>
        <translation>%1 はヘッダーの途中で切れています。</translation>
    </message>
    <message>
        <source>%1 is damaged: its header claims %2 bytes.</source>
        <translation>%1 は壊れています。ヘッダーが %2 バイトと示しています。</translation>
    </message>
    <message>
        <source>%1 is of format 2 (independent patterns), which the program does not play.</source>
        <translation>%1 はフォーマット2(独立したパターン)で、このプログラムでは再生できません。</translation>
    </message>
    <message>
        <source>%1 is of format %2, which does not exist.</source>
        <translation>%1 はフォーマット %2 ですが、そのフォーマットは存在しません。</translation>
    </message>
    <message>
        <source>%1 holds no track.</source>
        <translation>%1 にはトラックがありません。</translation>
    </message>
    <message>
        <source>%1 is damaged: its time division %2.</source>
        <translation>%1 は壊れています。時間分解能が %2 です。</translation>
    </message>
    <message>
        <source>%1 is cut short: its header promises %2 tracks and it holds %3.</source>
        <translation>%1 は途中で切れています。ヘッダーでは %2 トラックですが、%3 トラックしかありません。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 claims %3 bytes, but only %4 follow.</source>
        <translation>%1 は壊れています。トラック %2 は %3 バイトと示していますが、続くのは %4 バイトだけです。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a number longer than four bytes at byte %3.</source>
        <translation>%1 は壊れています。トラック %2 のバイト %3 に4バイトを超える数値があります。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 ends in the middle of an event (byte %3).</source>
        <translation>%1 は壊れています。トラック %2 がイベントの途中で終わっています(バイト %3)。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a data byte where an event begins (byte %3).</source>
        <translation>%1 は壊れています。トラック %2 のイベントの始まりにデータバイトがあります(バイト %3)。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 sets a tempo of 0.</source>
        <translation>%1 は壊れています。トラック %2 がテンポを0にしています。</translation>
    </message>
    <message>
        <source>%1 holds an event the program does not know (status %2, track %3, byte %4).</source>
        <translation>%1 にはこのプログラムが知らないイベントがあります(ステータス %2、トラック %3、バイト %4)。</translation>
    </message>
    <message>
        <source>%1 is damaged: track %2 has a status byte inside an event (byte %3).</source>
        <translation>%1 は壊れています。トラック %2 のイベントの中にステータスバイトがあります(バイト %3)。</translation>
    </message>
    <message>
        <source>%1 holds more than %2 events, more than the program plays.</source>
        <translation>%1 には %2 を超えるイベントがあり、このプログラムで再生できる数を超えています。</translation>
    </message>
    <message>
        <source>%1 lasts longer than 24 hours.</source>
        <translation>%1 は24時間より長く続きます。</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation>%1 を開けません: %2。</translation>
    </message>
    <message>
        <source>%1 is not a MIDI file (it is not a regular file).</source>
        <translation>%1 はMIDIファイルではありません(通常のファイルではありません)。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 を読み込めません: %2。</translation>
    </message>
    <message>
        <source>%1 cannot be read: it grew shorter while read.</source>
        <translation>%1 を読み込めません: 読み込み中にファイルが短くなりました。</translation>
    </message>
</context>
<context>
    <name>Piano</name>
    <message>
        <source>%1 went away.</source>
        <translation>%1 が見つからなくなりました。</translation>
    </message>
    <message>
        <source> Device 0 (%1) plays now.</source>
        <translation>デバイス0 (%1) で演奏します。</translation>
    </message>
    <message>
        <source>
The recording is kept; F3 replays it. Save it elsewhere?</source>
        <translation>
録音は残っています。F3で再生できます。別の場所に保存しますか?</translation>
    </message>
    <message>
        <source>Fail to open Midi out driver.</source>
        <translation>MIDI出力ドライバーを開けませんでした。</translation>
    </message>
    <message>
        <source>Start PipeWire, PulseAudio or JACK, or choose another device with Page Up / Page Down.</source>
        <translation>PipeWire、PulseAudio または JACK を起動するか、Page Up / Page Down で別のデバイスを選んでください。</translation>
    </message>
    <message>
        <source>There is nothing to save as audio yet: record a take with F2 or open a MIDI file with F4 first.</source>
        <translation>まだ音声として保存するものがありません。先に F2 で録音するか、F4 で MIDI ファイルを開いてください。</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Not enough memory for the recording buffer; Tastarion cannot run.</source>
        <translation>録音バッファー用のメモリーが足りません。Tastarionを実行できません。</translation>
    </message>
</context>
<context>
    <name>SavedFile</name>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: the file exists and is not writable, so it is left as it is.</source>
        <translation>録音を「%1」に保存できませんでした: ファイルが既にあり、書き込みできないため、そのままにしてあります。</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: that is not a plain file.</source>
        <translation>録音を「%1」に保存できませんでした: 通常のファイルではありません。</translation>
    </message>
    <message>
        <source>Could not save the recording to &quot;%1&quot;: %2.</source>
        <translation>録音を「%1」に保存できませんでした: %2。</translation>
    </message>
</context>
<context>
    <name>tastarion::MainWindow</name>
    <message>
        <source>[Recording...]</source>
        <translation>[録音中...]</translation>
    </message>
    <message>
        <source>[Recording full]</source>
        <translation>[録音がいっぱいです]</translation>
    </message>
    <message>
        <source>[Replaying...]</source>
        <translation>[再生中...]</translation>
    </message>
    <message>
        <source>mid記録ファイル</source>
        <translation>mid記録ファイル</translation>
    </message>
    <message>
        <source>Save elsewhere...</source>
        <translation>別の場所に保存...</translation>
    </message>
    <message>
        <source>Keep it unsaved</source>
        <translation>保存しない</translation>
    </message>
    <message>
        <source>[C]=C2-Do [V]=C2-Re [/]=C3-Do
Press [F1] for Help or
Click right button of a mouse</source>
        <translation>[C]=C2-ド [V]=C2-レ [/]=C3-ド
[F1] またはマウスの右ボタンの
クリックでヘルプ</translation>
    </message>
    <message>
        <source>Open a MIDI file</source>
        <translation>MIDIファイルを開く</translation>
    </message>
    <message>
        <source>MIDI files (*.mid *.midi *.smf *.kar)</source>
        <translation>MIDIファイル (*.mid *.midi *.smf *.kar)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Save as audio</source>
        <translation>音声として保存</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>%1 を保存しています...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::ControlStrip</name>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Volume(Up/Down arrow key)</source>
        <translation>音量(↑/↓ 矢印キー)</translation>
    </message>
    <message>
        <source>Fine pitch</source>
        <translation>微調整</translation>
    </message>
    <message>
        <source>Fine Picth ±100Cent
(Left/Right arrow key)</source>
        <translation>音程の微調整 ±100セント
(←/→ 矢印キー)</translation>
    </message>
    <message>
        <source>Metronome speed</source>
        <translation>メトロノームの速さ</translation>
    </message>
    <message>
        <source>M.M On/Off(F5)
M.M Speed(F6/F7)</source>
        <translation>メトロノーム オン/オフ(F5)
メトロノームの速さ(F6/F7)</translation>
    </message>
    <message>
        <source>Transpose</source>
        <translation>移調</translation>
    </message>
    <message>
        <source>Transpose([Ins]/[Del])</source>
        <translation>移調([Ins]/[Del])</translation>
    </message>
    <message>
        <source>Instrument</source>
        <translation>音色</translation>
    </message>
    <message>
        <source>Instrument([Home]/[End])</source>
        <translation>音色([Home]/[End])</translation>
    </message>
    <message>
        <source>MIDI device</source>
        <translation>MIDIデバイス</translation>
    </message>
    <message>
        <source>Midi Source([PgUp]/[PgDn])</source>
        <translation>MIDIデバイス([PgUp]/[PgDn])</translation>
    </message>
    <message>
        <source>  Volume     Pitch      M.M    Transpose     Instrument               Midi device</source>
        <translation>  音量        微調整      M.M    移調           音色                     MIDIデバイス</translation>
    </message>
    <message>
        <source>Control captions</source>
        <translation>コントロールの見出し</translation>
    </message>
</context>
<context>
    <name>tastarion::ui::KeyboardWidget</name>
    <message>
        <source>Keyboard</source>
        <translation>鍵盤</translation>
    </message>
    <message>
        <source>A piano keyboard of 43 keys, G1 to C#5, played with the PC keyboard or the left mouse button. F1 lists the keys; the right mouse button opens a menu.</source>
        <translation>43鍵(G1〜C#5)のピアノ鍵盤。PCのキーボードまたはマウスの左ボタンで弾きます。F1でキーの一覧を表示し、右ボタンでメニューを開きます。</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
</context>
</TS>
