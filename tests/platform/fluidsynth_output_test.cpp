#include "synth/fluidsynth_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "fakes/short_message_printer.h"
#include "synth/soundfont_loader.h"

namespace tastarion {
namespace {

constexpr int kFlute = 73;
// A sixth of a semitone: room for a SoundFont's own tuning, far from the next key.
constexpr double kTolerance = 0.01;

class OfflineSynth : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto soundfonts = soundfont_candidates();
    if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
    ASSERT_TRUE(synth_.open(soundfonts, FluidSynthOutput::Audio::none));
    rate_ = synth_.sample_rate();
    synth_.send(ShortMessage::program_change(0, kFlute));
  }

  std::vector<float> render(double seconds) {
    const int frames = static_cast<int>(seconds * rate_);
    std::vector<float> left(frames), right(frames);
    EXPECT_TRUE(synth_.render(left.data(), right.data(), frames));
    return left;
  }

  // The fundamental of a steady tone: the autocorrelation's first peak that
  // comes close to its highest, refined between samples.
  double pitch_of(const std::vector<float>& x) const {
    const int min_lag = static_cast<int>(rate_ / 2000), max_lag = static_cast<int>(rate_ / 50);
    const int n = static_cast<int>(x.size()) - max_lag - 1;
    std::vector<double> r(max_lag + 2);
    for (int lag = min_lag - 1; lag <= max_lag + 1; ++lag) {
      for (int i = 0; i < n; ++i) r[lag] += double(x[i]) * x[i + lag];
    }
    double best = 0;
    for (int lag = min_lag; lag <= max_lag; ++lag) best = std::max(best, r[lag]);
    for (int lag = min_lag; lag <= max_lag; ++lag) {
      if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
        const double shift =
            0.5 * (r[lag - 1] - r[lag + 1]) / (r[lag - 1] - 2 * r[lag] + r[lag + 1]);
        return rate_ / (lag + shift);
      }
    }
    return 0;
  }

  static double rms(const std::vector<float>& x) {
    double sum = 0;
    for (float v : x) sum += double(v) * v;
    return std::sqrt(sum / x.size());
  }

  FluidSynthOutput synth_;
  double rate_ = 0;
};

TEST_F(OfflineSynth, PlaysA440AtItsPitch) {
  synth_.send(ShortMessage::note_on(0, 69, 100));
  render(0.1);  // past the attack
  EXPECT_NEAR(pitch_of(render(0.4)), 440.0, 440.0 * kTolerance);
}

TEST_F(OfflineSynth, ChannelNibbleAndKeyNumberAreHonoured) {
  synth_.send(ShortMessage::program_change(5, kFlute));
  synth_.send(ShortMessage::note_on(5, 60, 100));  // middle C on channel 6
  render(0.1);
  EXPECT_NEAR(pitch_of(render(0.4)), 261.63, 261.63 * kTolerance);
}

TEST_F(OfflineSynth, PitchBendMovesThePitch) {
  const struct {
    uint8_t lsb, msb;
    double hz;
  } cases[] = {
      {0x00, 0x60, 466.16},  // half way up a two-semitone range: B flat 4
      {0x00, 0x20, 415.30},  // half way down: A flat 4
      // The first data byte is the low seven bits: 0x7F 0x40 is just above the centre.
      {0x7F, 0x40, 440.0 * std::pow(2.0, 127.0 / 8192 / 6)},
  };
  for (const auto& c : cases) {
    synth_.send(ShortMessage::from_bytes(0xE0, c.lsb, c.msb));
    synth_.send(ShortMessage::note_on(0, 69, 100));
    render(0.1);
    EXPECT_NEAR(pitch_of(render(0.4)), c.hz, c.hz * kTolerance)
        << std::hex << int(c.lsb) << " " << int(c.msb);
    synth_.send(ShortMessage::from_bytes(0x80, 69, 0));
    render(1.0);
  }
}

TEST_F(OfflineSynth, NoteOffAndVelocityZeroBothEndTheNote) {
  for (ShortMessage off : {ShortMessage::from_bytes(0x80, 69, 64), ShortMessage::note_off(0, 69)}) {
    synth_.send(ShortMessage::note_on(0, 69, 100));
    const double held = rms(render(0.3));
    ASSERT_GT(held, 1e-3);
    synth_.send(off);
    render(1.5);  // release and reverb tail
    EXPECT_LT(rms(render(0.2)), held / 100) << off;
  }
}

TEST_F(OfflineSynth, ChannelVolumeControlChange) {
  synth_.send(ShortMessage::note_on(0, 69, 100));
  const double loud = rms(render(0.3));
  synth_.send(ShortMessage::control_change(0, 7, 0));
  render(1.0);  // the reverb tail dies away
  EXPECT_LT(rms(render(0.2)), loud / 100);
}

// Files that cannot be SoundFonts are passed over, each with its reason, which
// the player reads when none loads and as a notice when a later one plays.
TEST(SynthOpen, FallsBackToTheNextSoundFontAndFailsWithoutOne) {
  const auto soundfonts = soundfont_candidates(kSoundFontDir);
  if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
  const std::string stem =
      std::filesystem::temp_directory_path() / ("tastarion-open-" + std::to_string(getpid()));
  const std::string text = stem + "-text.sf2", cut = stem + "-cut.sf2";
  std::ofstream(text) << "not a SoundFont at all";
  {
    std::ifstream in(soundfonts.front(), std::ios::binary);
    std::string start(4096, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    std::ofstream(cut, std::ios::binary) << start;
  }
  const std::vector<std::string> bad = {"/nonexistent.sf2", text, cut};
  const std::string reasons = "/nonexistent.sf2 cannot be read: No such file or directory; " +
                              text + " is not a SoundFont; " + cut + " is cut short";
  FluidSynthOutput synth;
  const Result failed = synth.open(bad, FluidSynthOutput::Audio::none);
  EXPECT_FALSE(failed);
  EXPECT_TRUE(failed.reason().starts_with("FluidSynth GM: no SoundFont loads")) << failed.reason();
  EXPECT_NE(failed.reason().find("timgm6mb-soundfont"), std::string::npos) << failed.reason();
  EXPECT_NE(failed.reason().find(reasons), std::string::npos) << failed.reason();
  // The remedy is a SoundFont, whatever sound server runs.
  EXPECT_TRUE(failed.remedy().starts_with("Install or repair a General MIDI SoundFont"))
      << failed.remedy();
  EXPECT_EQ(failed.remedy().find("Start"), std::string::npos) << failed.remedy();
  EXPECT_FALSE(synth.is_open());
  std::vector<std::string> then_good = bad;
  then_good.push_back(soundfonts.front());
  ASSERT_TRUE(synth.open(then_good, FluidSynthOutput::Audio::none));
  EXPECT_EQ(synth.soundfont(), soundfonts.front());
  EXPECT_EQ(synth.take_notices(),
            (std::vector<std::string>{"FluidSynth GM: " + reasons + "; it was passed over, and " +
                                      soundfonts.front() + " plays."}));
  synth.close();
  EXPECT_FALSE(synth.is_open());
  synth.send(ShortMessage::note_on(0, 60, 100));  // closed: nothing happens
  std::filesystem::remove(text);
  std::filesystem::remove(cut);
}

// A note of `program` (none: the channel's own) on `channel`, struck, held and
// released, as the synth renders it.
std::vector<float> note_of(FluidSynthOutput& synth, int channel, int program, int note) {
  if (program >= 0) synth.send(ShortMessage::program_change(channel, program));
  synth.send(ShortMessage::note_on(channel, note, 100));
  const int frames = static_cast<int>(0.3 * synth.sample_rate());
  std::vector<float> left(2 * frames), right(2 * frames);
  EXPECT_TRUE(synth.render(left.data(), right.data(), frames));
  synth.send(ShortMessage::note_off(channel, note));
  EXPECT_TRUE(synth.render(left.data() + frames, right.data() + frames, frames));
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

// The synth reads only the instruments' presets of a SoundFont; they, and the
// drum kit, sound sample for sample as when the whole file is read, while
// other programs are not there (FluidSynth plays the piano for them).
TEST(SoundFontCut, InstrumentsAndDrumKitSoundAsFromTheWholeFile) {
  const auto soundfonts = soundfont_candidates(kSoundFontDir);
  if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
  constexpr int kChurchOrgan = 19, kNoProgram = -1;
  for (const std::string& soundfont : soundfonts) {
    SCOPED_TRACE(soundfont);
    FluidSynthOutput cut, whole;
    whole.read_whole_soundfont();
    for (FluidSynthOutput* synth : {&cut, &whole}) {
      ASSERT_TRUE(synth->open({soundfont}, FluidSynthOutput::Audio::none));
    }
    for (int program : instrument_programs()) {
      EXPECT_EQ(note_of(cut, 0, program, 60), note_of(whole, 0, program, 60)) << program;
    }
    EXPECT_EQ(note_of(cut, kMetronomeChannel, kNoProgram, 56),
              note_of(whole, kMetronomeChannel, kNoProgram, 56));
    EXPECT_NE(note_of(cut, 1, kChurchOrgan, 60), note_of(whole, 1, kChurchOrgan, 60));
  }
}

// A copy of `soundfont` in the temporary folder, with `change` applied to its bytes.
std::filesystem::path copy_of(const std::string& soundfont,
                              const std::function<void(std::string&)>& change = {}) {
  std::ifstream in(soundfont, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  if (change) change(bytes);
  static int copies = 0;
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path() /
      ("tastarion-gone-" + std::to_string(getpid()) + "-" + std::to_string(++copies) + ".sf2");
  std::ofstream(copy, std::ios::binary) << bytes;
  return copy;
}

// The samples of an instrument are read when it is first chosen, from the
// file as it was at the start, even once its package has been removed: from a
// SoundFont cut down to the instruments, as from one read whole.
TEST(SoundFontCut, InstrumentsStillLoadOnceTheFileIsGone) {
  const auto soundfonts = soundfont_candidates(kSoundFontDir);
  if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
  const std::filesystem::path cut = copy_of(soundfonts.back());
  FluidSynthOutput synth;
  ASSERT_TRUE(synth.open({cut.string()}, FluidSynthOutput::Audio::none));
  std::filesystem::remove(cut);
  for (int program : instrument_programs()) {
    const std::vector<float> note = note_of(synth, 0, program, 60);
    EXPECT_GT(*std::max_element(note.begin(), note.end()), 0.01f) << program;
  }

  // A small SoundFont whose presets all play the church organ: nothing to cut.
  constexpr int kChurchOrgan = 19;
  const std::filesystem::path whole = copy_of(TASTARION_SOUNDFONT_SEED, [](std::string& bytes) {
    for (size_t header = bytes.find("phdr") + 8; bytes.compare(header, 3, "EOP") != 0;
         header += 38) {
      bytes[header + 20] = kChurchOrgan;
    }
  });
  FluidSynthOutput organ;
  ASSERT_TRUE(organ.open({whole.string()}, FluidSynthOutput::Audio::none));
  std::filesystem::remove(whole);
  const std::vector<float> note = note_of(organ, 1, kChurchOrgan, 60);
  EXPECT_GT(*std::max_element(note.begin(), note.end()), 0.01f);
}

// A SoundFont cut short or overwritten in place under the running synth (a
// copy being rewritten, a network folder): the instruments chosen after it
// are silent rather than garbage, the player is told which, and nothing
// crashes; the piano, read at the start, plays on.
// An instrument read ahead (as the piano does before it chooses one) plays from
// what was read then, however the file changed since.
TEST(SoundFontCut, ADamagedFileCostsOnlyTheInstrumentsNotYetRead) {
  const auto soundfonts = soundfont_candidates(kSoundFontDir);
  if (soundfonts.empty()) GTEST_SKIP() << "no SoundFont in " << kSoundFontDir;
  for (const bool cut_short : {true, false}) {
    SCOPED_TRACE(cut_short ? "cut short" : "overwritten with zeros");
    const std::filesystem::path copy = copy_of(soundfonts.back());
    FluidSynthOutput synth;
    ASSERT_TRUE(synth.open({copy.string()}, FluidSynthOutput::Audio::none));
    constexpr int kOrgan = 16;
    synth.prepare_program(kOrgan);
    const auto size = std::filesystem::file_size(copy);
    if (cut_short) {
      std::filesystem::resize_file(copy, size / 2);
    } else {
      std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
      file.seekp(static_cast<std::streamoff>(size / 4));
      const std::string zeros(size / 2, '\0');
      file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    constexpr int kVibraphone = 11;
    const std::vector<float> note = note_of(synth, 1, kVibraphone, 60);
    EXPECT_LT(*std::max_element(note.begin(), note.end()), 1e-4f);
    const std::vector<std::string> notices = synth.take_notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_THAT(notices[0], ::testing::HasSubstr("Vibraphone cannot be read"));
    EXPECT_THAT(notices[0], ::testing::HasSubstr(copy.string()));
    for (const int program : {0, kOrgan}) {
      const std::vector<float> sound = note_of(synth, 2, program, 60);
      EXPECT_GT(*std::max_element(sound.begin(), sound.end()), 0.01f) << program;
    }
    EXPECT_TRUE(synth.take_notices().empty());
    std::filesystem::remove(copy);
  }
}

}  // namespace
}  // namespace tastarion
