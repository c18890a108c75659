// A sequencer device that ALSA's library opens and then refuses: RtMidi's own
// words must reach every reason the user is shown.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ports/midi_input_ports.h"
#include "ports/rtmidi_ports.h"
#include "scoped_env.h"

namespace tastarion {
namespace {

using ::testing::HasSubstr;
using testing::ScopedEnv;

// Runs `work` on a thread of its own, in a mount namespace of its own whose
// /dev holds a plain file as /dev/snd/seq and the machine's /dev/shm (where
// libjack looks for servers). False, with nothing run, when that cannot be had
// (not root, or mounting not permitted). The mounts are made private before
// anything is mounted, so nothing reaches the machine's /dev.
bool with_broken_sequencer(const std::function<void()>& work) {
  char shm[] = "/tmp/tastarion-shm-XXXXXX";
  if (mkdtemp(shm) == nullptr) return false;
  bool ran = false;
  std::thread([&] {
    if (unshare(CLONE_NEWNS) != 0) return;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
    if (mount("/dev/shm", shm, nullptr, MS_BIND | MS_REC, nullptr) != 0) return;
    if (mount("tastarion-test", "/dev", "tmpfs", 0, "size=16k") != 0) return;
    if (mkdir("/dev/shm", 01777) != 0 || mount(shm, "/dev/shm", nullptr, MS_MOVE, nullptr) != 0) {
      return;
    }
    if (mkdir("/dev/snd", 0755) != 0) return;
    const int fd = open("/dev/snd/seq", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return;
    close(fd);
    work();
    ran = true;
  }).join();
  rmdir(shm);
  return ran;
}

constexpr const char* kRtMidiOutWords = "MidiOutAlsa::initialize: error creating ALSA sequencer";
constexpr const char* kRtMidiInWords = "MidiInAlsa::initialize: error creating ALSA sequencer";

TEST(RtMidiReasons, ARefusingSequencerIsNamedInRtMidisWordsEverywhere) {
  ScopedEnv server("JACK_DEFAULT_SERVER", "tastarion-absent-" + std::to_string(getpid()));
  Result port_open = Result::success();
  Result own_open = Result::success();
  std::string input_said;
  const bool ran = with_broken_sequencer([&] {
    OutputPort port;
    port_open = port.open({PortApi::alsa, "Synth:port 128:0"});
    own_open = port.open_own();

    std::mutex lock;
    std::condition_variable told;
    MidiInputPorts inputs({.jack = false, .alsa = true}, [&](std::string_view line) {
      std::lock_guard guard(lock);
      input_said = line;
      told.notify_all();
    });
    inputs.start();
    std::unique_lock wait(lock);
    told.wait_for(wait, std::chrono::seconds(5), [&] { return !input_said.empty(); });
    wait.unlock();
    inputs.stop();
  });
  if (!ran) GTEST_SKIP() << "needs root and a mount namespace of its own";

  EXPECT_FALSE(port_open);
  EXPECT_THAT(port_open.reason(),
              HasSubstr(std::string("the ALSA sequencer is not available (") + kRtMidiOutWords));
  // The own port names both refusals.
  EXPECT_FALSE(own_open);
  EXPECT_THAT(own_open.reason(), HasSubstr("(JACK: no JACK server runs"));
  EXPECT_THAT(
      own_open.reason(),
      HasSubstr(std::string(" ALSA: the ALSA sequencer is not available (") + kRtMidiOutWords));
  EXPECT_THAT(input_said, HasSubstr(std::string("the ALSA sequencer refused the input port (") +
                                    kRtMidiInWords));
}

}  // namespace
}  // namespace tastarion
