// What the recorder saves, read by programs other than ours: mido as a Standard
// MIDI File parser, FluidSynth's player as a synthesizer.
#include <fluidsynth.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fixture/recorder_rig.h"
#include "recorder/recording_file.h"

namespace tastarion::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  pclose(pipe);
  return out;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// A Python that has mido: the system's first, since a user-installed python3
// earlier on the path may lack the Debian package.
std::string python_with_mido() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    if (run(std::string(python) + " -c 'import mido; print(1)' 2>/dev/null") == "1\n") {
      return python;
    }
  }
  return "";
}

// Takes saved as the program saves them, for other programs to read.
class ReadersTest : public ::testing::Test, public RecorderRig {
 protected:
  ReadersTest() {
    char pattern[] = "/tmp/tastarion-readers-XXXXXX";
    dir = mkdtemp(pattern);
  }
  ~ReadersTest() override { fs::remove_all(dir); }

  void save() {
    ASSERT_TRUE(
        save_recording(midi_file_bytes(recorder.stop_recording()), (dir / "take.mid").string())
            .saved());
  }
  void save_worked_example() {
    recorder.start_recording();
    note(1000, true, 0, 60, 96);
    note(1250, false, 0, 60, 0);
    save();
    ASSERT_EQ(fs::file_size(dir / "take.mid"), 50u);
  }

  fs::path dir;
};

TEST_F(ReadersTest, MidoReadsTheNotesChannelsVelocitiesAndTicks) {
  std::string python = python_with_mido();
  if (python.empty()) GTEST_SKIP() << "python3-mido is not installed";

  recorder.start_recording();
  note(1000, true, 0, 60, 96);
  note(1003, true, 1, 64, 84);  // a chord: 3 ms apart
  note(1500, false, 0, 60, 0);
  note(1500, true, 10, 97, 120);  // channel 11, transposed up to the top
  note(1700, false, 1, 64, 0);
  note(301700, false, 10, 97, 0);  // a delta needing three bytes of the quantity
  note(301710, true, 15, 31, 0);   // a press at volume 0
  save();

  const char* script =
      "import mido, sys\n"
      "f = mido.MidiFile(sys.argv[1])\n"
      "print(f.type, f.ticks_per_beat, len(f.tracks))\n"
      "for m in f.tracks[0]:\n"
      "    if m.type == \"set_tempo\": print(m.type, m.tempo, m.time)\n"
      "    elif m.is_meta: print(m.type, m.time)\n"
      "    else: print(m.type, m.channel, m.note, m.velocity, m.time)\n"
      "print(round(f.length * 1e6))\n";
  std::string out = run(python + " -c '" + script + "' " + (dir / "take.mid").string() + " 2>&1");
  // Ticks are the recorded milliseconds, and the tempo at time 0 makes a tick
  // last one: the take is as long in mido as it was played.
  EXPECT_THAT(
      split_lines(out),
      ElementsAre("0 512 1", "set_tempo 512000 0", "note_on 0 60 96 1000", "note_on 1 64 84 3",
                  "note_on 0 60 0 497", "note_on 10 97 120 0", "note_on 1 64 0 200",
                  "note_on 10 97 0 300000", "note_on 15 31 0 10", "end_of_track 0", "301710000"))
      << out;
}

// Mono mix of the synthesizer's output, one float per frame.
std::vector<float> render_with_player(const std::string& soundfont, const std::string& file,
                                      double sample_rate, double seconds) {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setnum(settings, "synth.sample-rate", sample_rate);
  fluid_synth_t* synth = new_fluid_synth(settings);
  std::vector<float> out;
  if (fluid_synth_sfload(synth, soundfont.c_str(), 1) != FLUID_FAILED) {
    fluid_player_t* player = new_fluid_player(synth);
    if (fluid_player_add(player, file.c_str()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
      const int block = 64;
      std::vector<float> left(block), right(block);
      while (out.size() < seconds * sample_rate) {
        fluid_synth_write_float(synth, block, left.data(), 0, 1, right.data(), 0, 1);
        for (int i = 0; i < block; ++i) out.push_back(left[i] + right[i]);
      }
    }
    delete_fluid_player(player);
  }
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return out;
}

TEST_F(ReadersTest, FluidSynthPlaysTheWorkedExampleAtItsTimeAndPitch) {
  std::string soundfont;
  for (const char* candidate :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"}) {
    if (fs::exists(candidate)) {
      soundfont = candidate;
      break;
    }
  }
  if (soundfont.empty()) GTEST_SKIP() << "no General MIDI SoundFont";
  save_worked_example();

  const double rate = 44100;
  std::vector<float> pcm = render_with_player(soundfont, (dir / "take.mid").string(), rate, 1.6);
  ASSERT_GE(pcm.size(), size_t(1.5 * rate));

  // 1000 ticks of a millisecond: the note starts 1000 ms in (976.6 ms without
  // the tempo event, at the default tempo).
  size_t onset = 0;
  while (onset < pcm.size() && std::fabs(pcm[onset]) < 1e-3f) ++onset;
  EXPECT_NEAR(onset / rate * 1000, 1000.0, 15.0);

  // Note 60 is middle C, 261.6 Hz: the strongest period of the held note.
  size_t from = size_t(1.05 * rate), length = size_t(0.1 * rate);
  ASSERT_LT(from + length + 1000, pcm.size());
  std::vector<double> correlation;
  const size_t min_lag = size_t(rate / 1000), max_lag = size_t(rate / 100);
  for (size_t lag = min_lag; lag <= max_lag; ++lag) {
    double sum = 0;
    for (size_t i = from; i < from + length; ++i) sum += double(pcm[i]) * pcm[i + lag];
    correlation.push_back(sum);
  }
  // The first peak near the highest: multiples of the period score as high.
  double highest = *std::max_element(correlation.begin(), correlation.end());
  size_t best_lag = 0;
  for (size_t k = 1; k + 1 < correlation.size() && best_lag == 0; ++k) {
    if (correlation[k] >= 0.9 * highest && correlation[k] >= correlation[k - 1] &&
        correlation[k] >= correlation[k + 1]) {
      best_lag = min_lag + k;
    }
  }
  ASSERT_GT(best_lag, 0u);
  EXPECT_NEAR(rate / best_lag, 261.6, 261.6 * 0.03) << "lag " << best_lag;
}

}  // namespace
}  // namespace tastarion::testing
