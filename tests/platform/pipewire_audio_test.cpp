#include "synth/pipewire_audio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "scoped_env.h"

namespace tastarion {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testing::ScopedEnv;

void fill_silence(void*, float* interleaved, int frames) {
  std::fill(interleaved, interleaved + 2 * frames, 0.0f);
}

// The threads of this process: a stream that failed to start leaves none behind.
int thread_count() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("Threads:")) return std::stoi(line.substr(8));
  }
  return -1;
}

// A runtime directory of the test's own, where a PipeWire server would put its socket.
class PipeWireRuntimeDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tastarion-pw-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    threads_before_ = thread_count();
  }
  void TearDown() override {
    if (listener_ >= 0) close(listener_);
    fs::remove_all(dir_);
  }

  // A server that takes connections on pipewire-0 and never says a word.
  void start_mute_server() {
    listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (dir_ / "pipewire-0").string();
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener_, 4), 0);
  }

  bool start(std::string& why, std::chrono::milliseconds limit, double& seconds) {
    PipeWireAudio::Stream stream;
    stream.fill = fill_silence;
    const auto began = std::chrono::steady_clock::now();
    const bool started = audio_.start(stream, limit, why);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return started;
  }

  fs::path dir_;
  int listener_ = -1;
  int threads_before_ = 0;
  PipeWireAudio audio_;
};

TEST_F(PipeWireRuntimeDir, NoServerFailsAtOnceAndSaysSo) {
  ScopedEnv runtime("PIPEWIRE_RUNTIME_DIR", dir_.string());
  ScopedEnv remote("PIPEWIRE_REMOTE", "pipewire-0");
  EXPECT_FALSE(PipeWireAudio::server_socket_present());
  std::string why;
  double seconds = 0;
  EXPECT_FALSE(start(why, 3s, seconds));
  EXPECT_LT(seconds, 1.0);
  EXPECT_THAT(why, HasSubstr("no PipeWire server here"));
  EXPECT_EQ(thread_count(), threads_before_);
}

// The socket is there but nobody answers: the wait ends at its limit, the
// reason says the server did not answer, and nothing is left running.
TEST_F(PipeWireRuntimeDir, MuteServerCostsTheLimitAndNoMore) {
  start_mute_server();
  ScopedEnv runtime("PIPEWIRE_RUNTIME_DIR", dir_.string());
  ScopedEnv remote("PIPEWIRE_REMOTE", "pipewire-0");
  EXPECT_TRUE(PipeWireAudio::server_socket_present());
  std::string why;
  double seconds = 0;
  EXPECT_FALSE(start(why, 500ms, seconds));
  EXPECT_GE(seconds, 0.45);
  EXPECT_LT(seconds, 2.0);
  EXPECT_THAT(why, HasSubstr("did not answer within"));
  EXPECT_EQ(thread_count(), threads_before_);
  audio_.stop();  // stopping again does nothing
}

}  // namespace
}  // namespace tastarion
