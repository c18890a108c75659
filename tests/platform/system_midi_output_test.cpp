#include "ports/system_midi_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/short_message_printer.h"
#include "scoped_env.h"

namespace tastarion {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;

// A file that looks like a SoundFont to a quick check but holds no sounds.
void write_fake_soundfont(const fs::path& path) {
  std::ofstream(path, std::ios::binary).write("RIFF\x04\x00\x00\x00sfbk", 12);
}

class SoundFontDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tastarion-sf2-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(SoundFontDir, DefaultGmFirstThenTheOthersByNameEachFileOnce) {
  write_fake_soundfont(dir_ / "b.sf2");
  write_fake_soundfont(dir_ / "a.SF2");
  write_fake_soundfont(dir_ / "c.sf2");
  fs::create_symlink(dir_ / "c.sf2", dir_ / "default-GM.sf2");
  std::ofstream(dir_ / "broken.sf2") << "not a SoundFont";
  std::ofstream(dir_ / "readme.txt") << "RIFF";
  // What only looks like a SoundFont is listed, for opening to say why it is none.
  EXPECT_EQ(soundfont_candidates(dir_.string()),
            (std::vector<std::string>{(dir_ / "default-GM.sf2").string(), (dir_ / "a.SF2").string(),
                                      (dir_ / "b.sf2").string(), (dir_ / "broken.sf2").string()}));
  EXPECT_TRUE(soundfont_candidates((dir_ / "missing").string()).empty());
}

// FluidSynth's own default comes first when it is there; .sf3 files count.
TEST_F(SoundFontDir, FluidSynthsDefaultFirstAndSf3FilesCount) {
  write_fake_soundfont(dir_ / "b.sf3");
  write_fake_soundfont(dir_ / "a.sf2");
  write_fake_soundfont(dir_ / "z.sf2");
  const std::string a = (dir_ / "a.sf2").string(), b = (dir_ / "b.sf3").string(),
                    z = (dir_ / "z.sf2").string();
  EXPECT_EQ(soundfont_candidates({dir_.string()}, z), (std::vector<std::string>{z, a, b}));
  EXPECT_EQ(soundfont_candidates({dir_.string()}, "/nonexistent/default-GM.sf3"),
            (std::vector<std::string>{a, b, z}));
}

// The user's own SoundFonts come first, then those of the system's data
// folders in their order, and FluidSynth's own default comes last.
TEST_F(SoundFontDir, TheUsersOwnFirstThenTheSystemsInTheirOrder) {
  for (const char* folder :
       {"home/sounds/sf2", "home/sounds/sf3", "local/sounds/sf2", "sys/sounds/sf2"}) {
    fs::create_directories(dir_ / folder);
  }
  write_fake_soundfont(dir_ / "sys/sounds/sf2/a.sf2");
  write_fake_soundfont(dir_ / "local/sounds/sf2/b.sf2");
  write_fake_soundfont(dir_ / "home/sounds/sf3/mine.sf3");
  std::ofstream(dir_ / "home/sounds/sf2/broken.sf2") << "RIFF, cut short";
  ScopedEnv home("XDG_DATA_HOME", (dir_ / "home").string());
  ScopedEnv dirs("XDG_DATA_DIRS",
                 (dir_ / "local").string() + ":relative/ignored:" + (dir_ / "sys").string());
  const std::vector<std::string> found = soundfont_candidates();
  ASSERT_GE(found.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(found.begin(), found.begin() + 4),
            (std::vector<std::string>{(dir_ / "home/sounds/sf2/broken.sf2").string(),
                                      (dir_ / "home/sounds/sf3/mine.sf3").string(),
                                      (dir_ / "local/sounds/sf2/b.sf2").string(),
                                      (dir_ / "sys/sounds/sf2/a.sf2").string()}));
  const std::string fallback = fluidsynth_default_soundfont();
  if (found.size() > 4) {
    EXPECT_EQ(found.back(), fallback);
  }
}

TEST_F(SoundFontDir, NoSynthWithoutAUsableSoundFont) {
  SystemMidiOutput output({dir_.string(), false, false});
  EXPECT_EQ(output.device_count(), 0);
  EXPECT_FALSE(output.open(0));
  output.send(ShortMessage::note_on(0, 60, 100));  // nothing open: dropped
}

// No ALSA sequencer here and a JACK server name nobody uses: the synthesizer
// alone, and not a word on the terminal.
TEST(SystemMidiOutput, WithoutSequencerOrJackOnlyTheSynthAndSilence) {
  if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has an ALSA sequencer";
  ScopedEnv server("JACK_DEFAULT_SERVER", "tastarion-absent-" + std::to_string(getpid()));
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  SystemMidiOutput output;
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out + err, "");
  if (soundfont_candidates().empty()) {
    EXPECT_EQ(output.device_count(), 0);
  } else {
    ASSERT_EQ(output.device_count(), 1);
    EXPECT_EQ(output.device_name(0), kSynthDeviceName);
  }
  EXPECT_EQ(output.device_name(1), "");
  EXPECT_EQ(output.device_name(-1), "");
}

// With no sound server, the synthesizer cannot play: the open says so in its own
// sentences; the libraries' lines go to standard error alone.
TEST(SystemMidiOutput, SynthWithoutSoundServerSaysSoInItsOwnWords) {
  if (fs::exists("/dev/snd")) GTEST_SKIP() << "this machine has sound devices";
  if (soundfont_candidates().empty()) GTEST_SKIP() << "no SoundFont";
  ScopedEnv server("JACK_DEFAULT_SERVER", "tastarion-absent-" + std::to_string(getpid()));
  ScopedEnv pulse("PULSE_SERVER", "unix:/nonexistent/tastarion");
  SystemMidiOutput output({kSoundFontDir, false, false});
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const Result opened = output.open(0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(opened);
  EXPECT_EQ(out, "");
  EXPECT_THAT(opened.reason(), ::testing::HasSubstr("no sound output"));
  EXPECT_THAT(opened.reason(), ::testing::HasSubstr("jack: no JACK server runs."));
  EXPECT_THAT(opened.reason(), ::testing::HasSubstr("pulseaudio: no PulseAudio server answered."));
  EXPECT_THAT(err, ::testing::HasSubstr("Jack"));
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_THAT(opened.reason(), ::testing::Not(::testing::HasSubstr(line)));
  }
  // No sound server is there to start: the usual advice fits.
  EXPECT_EQ(opened.remedy(), "");
}

TEST(DeviceName, CutTo31BytesOnACharacterBoundary) {
  EXPECT_EQ(shorten_device_name("midi-monitor:input"), "midi-monitor:input");
  EXPECT_EQ(shorten_device_name(std::string(31, 'x')), std::string(31, 'x'));
  EXPECT_EQ(shorten_device_name(std::string(40, 'x')), std::string(31, 'x'));
  // 30 ASCII bytes then a two-byte character: the character does not fit whole.
  EXPECT_EQ(shorten_device_name(std::string(30, 'x') + "\xC3\xA9zz"), std::string(30, 'x'));
}

}  // namespace
}  // namespace tastarion
