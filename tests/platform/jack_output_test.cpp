// A real JACK server (dummy driver, no sound card) with jack_midi_dump as the
// MIDI receiver: the bytes the program sends must arrive exactly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "fakes/short_message_printer.h"
#include "platform/quiet_drivers.h"
#include "ports/jack_midi_output.h"
#include "ports/midi_input_ports.h"
#include "ports/port_watch.h"
#include "ports/rtmidi_ports.h"
#include "ports/system_midi_output.h"
#include "scoped_env.h"

namespace tastarion {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ScopedEnv;

bool wait_until(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

bool on_path(const std::string& program) {
  std::istringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string jack_suffix() {
  const char* suffix = std::getenv("TASTARION_JACK_SUFFIX");
  return suffix ? suffix : "";
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A program run in the background with its output in a file; stopped, and
// killed if it lingers, when the test ends however it ends.
class Child {
 public:
  Child(std::vector<std::string> args, const fs::path& log) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      // Dies with the test even when the test itself crashes.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(out, 1);
      dup2(out, 2);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    ::close(out);
  }
  ~Child() { stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  // Ends it as a crash would, with no word to anyone.
  void kill_now() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!wait_until(10s, [this] { return waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// Whether a server runs and, when `port` is named, has that port; asked
// through a client of the test's own.
bool jack_server_up(const std::string& port = "") {
  jack_status_t status;
  jack_client_t* client = jack_client_open("tastarion-test-probe", JackNoStartServer, &status);
  if (client == nullptr) return false;
  const bool found = port.empty() || jack_port_by_name(client, port.c_str()) != nullptr;
  jack_client_close(client);
  return found;
}

// The hex bytes of each event line of `jack_midi_dump -a`: "<time>: 90 3c 60 note on ...".
std::vector<std::string> dumped_messages(const fs::path& log) {
  std::vector<std::string> messages;
  std::istringstream lines(read_file(log));
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::istringstream words(line.substr(colon + 1));
    std::string bytes;
    for (std::string word;
         words >> word && word.size() == 2 && std::isxdigit(word[0]) && std::isxdigit(word[1]);) {
      bytes += (bytes.empty() ? "" : " ") + word;
    }
    if (!bytes.empty()) messages.push_back(bytes);
  }
  return messages;
}

int find_device(const SystemMidiOutput& output, const std::string& name) {
  for (int id = 0; id < output.device_count(); ++id) {
    if (output.device_name(id) == name) return id;
  }
  return -1;
}

class JackServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!on_path("jackd") || !on_path("jack_midi_dump")) GTEST_SKIP() << "jackd2 not installed";
    quiet_sound_drivers();
    dir_ = fs::temp_directory_path() / ("tastarion-jack-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    start_server();
  }

  void start_server() {
    // Synchronous mode: a cycle waits for late clients instead of dropping
    // their MIDI, which a dummy server on a busy CI machine otherwise does.
    jackd_ = std::make_unique<Child>(
        std::vector<std::string>{"jackd", "-S", "-d", "dummy", "-r", "48000", "-p", "64"},
        dir_ / "jackd.log");
    ASSERT_TRUE(jackd_->started());
    ASSERT_TRUE(wait_until(10s, [] { return jack_server_up(); })) << read_file(dir_ / "jackd.log");
  }

  void TearDown() override {
    ports_.reset();
    monitors_.clear();
    if (jackd_) jackd_->stop();
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Looks through one client kept open, as the program does.
  bool has_port(const std::string& name) {
    if (!ports_) ports_ = std::make_unique<PortLister>();
    const auto ports = ports_->list(PortApi::jack);
    return std::find(ports.begin(), ports.end(), name) != ports.end();
  }

  // Starts jack_midi_dump as client `name`; returns its log.
  fs::path start_monitor(const std::string& name) {
    const fs::path log = dir_ / (name + ".log");
    monitors_.push_back(
        std::make_unique<Child>(std::vector<std::string>{"jack_midi_dump", "-a", name}, log));
    EXPECT_TRUE(monitors_.back()->started());
    EXPECT_TRUE(wait_until(10s, [&] { return has_port(name + ":input"); })) << read_file(log);
    return log;
  }

  // Each test talks to a server of its own, whatever else runs on the machine.
  // A fixed name: JACK reclaims the registry entry of a server that died only for
  // a server of the same name, and its registry holds no more than eight.
  // TASTARION_JACK_SUFFIX keeps two test runs on one machine apart.
  ScopedEnv server_{"JACK_DEFAULT_SERVER", "tastarion-test" + jack_suffix()};
  ScopedEnv no_reservation_{"JACK_NO_AUDIO_RESERVATION", "1"};
  fs::path dir_;
  std::unique_ptr<Child> jackd_;
  std::vector<std::unique_ptr<Child>> monitors_;
  std::unique_ptr<PortLister> ports_;
};

TEST_F(JackServer, NoteOnAndOffArriveByteForByte) {
  const fs::path log = start_monitor("midi-monitor");
  SystemMidiOutput output;
  const int id = find_device(output, "midi-monitor:input");
  ASSERT_GE(id, 0);
  if (!soundfont_candidates().empty()) {
    EXPECT_EQ(output.device_name(0), kSynthDeviceName);  // the synthesizer comes first
  }
  ASSERT_TRUE(output.open(id));
  output.send(ShortMessage::note_on(0, 0x3C, 0x60));
  output.send(ShortMessage::note_on(0, 0x3C, 0x00));
  EXPECT_TRUE(wait_until(5s, [&] { return dumped_messages(log).size() >= 2; }));
  output.close();
  EXPECT_EQ(dumped_messages(log), (std::vector<std::string>{"90 3c 60", "90 3c 00"}))
      << read_file(log) << read_file(dir_ / "jackd.log");
}

TEST_F(JackServer, PortsAreFoundByNameWhenTheListHasShifted) {
  const fs::path first_log = start_monitor("monitor-a");
  const fs::path second_log = start_monitor("monitor-b");
  SystemMidiOutput output;
  const int first = find_device(output, "monitor-a:input");
  const int second = find_device(output, "monitor-b:input");
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  monitors_.front()->stop();  // monitor-b's index in the server's list moves up
  ASSERT_TRUE(wait_until(5s, [&] { return !has_port("monitor-a:input"); }));

  // Gone, and no other port stands in for it; the reason names it.
  const Result gone = output.open(first);
  EXPECT_FALSE(gone);
  EXPECT_EQ(gone.reason(), "monitor-a:input: the port is gone.");
  ASSERT_TRUE(output.open(second));
  output.send(ShortMessage::program_change(3, 0x49));
  output.send(ShortMessage::from_bytes(0xE3, 0x00, 0x60));
  EXPECT_TRUE(wait_until(5s, [&] { return dumped_messages(second_log).size() >= 2; }));
  output.close();
  EXPECT_EQ(dumped_messages(second_log), (std::vector<std::string>{"c3 49", "e3 00 60"}))
      << read_file(second_log) << read_file(dir_ / "jackd.log");
}

// What a device switch does: the last note-off goes out just before the close,
// and closing while the server runs the port never crashes.
TEST_F(JackServer, MessagesSentJustBeforeEachCloseArrive) {
  const fs::path log = start_monitor("midi-monitor");
  SystemMidiOutput output;
  const int id = find_device(output, "midi-monitor:input");
  ASSERT_GE(id, 0);
  std::vector<std::string> expected;
  char text[16];
  for (int note = 0x30; note < 0x40; ++note) {
    ASSERT_TRUE(output.open(id));
    output.send(ShortMessage::note_on(1, note, 0x50));
    output.send(ShortMessage::from_bytes(0x81, note, 0x00));
    output.close();
    std::snprintf(text, sizeof text, "91 %02x 50", note);
    expected.push_back(text);
    std::snprintf(text, sizeof text, "81 %02x 00", note);
    expected.push_back(text);
  }
  EXPECT_TRUE(wait_until(5s, [&] { return dumped_messages(log).size() >= expected.size(); }));
  EXPECT_EQ(dumped_messages(log), expected) << read_file(dir_ / "jackd.log");
}

// A patchbay takes the connection away and gives it back: nothing sent in
// between arrives late, and the note switched off meanwhile ends at once.
TEST_F(JackServer, AReconnectedPortSendsNoStaleBurstAndNoStuckNote) {
  const fs::path log = start_monitor("midi-monitor");
  SystemMidiOutput output;
  const int id = find_device(output, "midi-monitor:input");
  ASSERT_GE(id, 0);
  ASSERT_TRUE(output.open(id));
  output.send(ShortMessage::note_on(0, 0x3C, 0x60));  // switched off while unplugged
  output.send(ShortMessage::note_on(1, 0x40, 0x60));  // held all along
  ASSERT_TRUE(wait_until(5s, [&] { return dumped_messages(log).size() >= 2; }));

  jack_status_t status;
  jack_client_t* patchbay = jack_client_open("patchbay", JackNoStartServer, &status);
  ASSERT_NE(patchbay, nullptr);
  const auto connected = [&] {
    jack_port_t* port = jack_port_by_name(patchbay, "Tastarion:output");
    return port != nullptr && jack_port_connected_to(port, "midi-monitor:input");
  };
  ASSERT_EQ(jack_disconnect(patchbay, "Tastarion:output", "midi-monitor:input"), 0);
  ASSERT_TRUE(wait_until(5s, [&] { return !connected(); }));
  std::this_thread::sleep_for(100ms);
  for (int i = 0; i < 600; ++i) {  // more than the queue holds
    output.send(ShortMessage::note_on(2, 0x30, 0x60));
    output.send(ShortMessage::note_on(2, 0x30, 0x00));
  }
  output.send(ShortMessage::note_on(0, 0x3C, 0x00));  // would have found the queue full
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(jack_connect(patchbay, "Tastarion:output", "midi-monitor:input"), 0);
  ASSERT_TRUE(wait_until(5s, connected));
  std::this_thread::sleep_for(100ms);
  output.send(ShortMessage::note_on(3, 0x48, 0x60));
  output.send(ShortMessage::note_on(3, 0x48, 0x00));
  EXPECT_TRUE(wait_until(5s, [&] { return dumped_messages(log).size() >= 5; }));
  std::this_thread::sleep_for(200ms);
  jack_client_close(patchbay);
  output.close();
  // The held note is left alone: its own note-off is still to come.
  EXPECT_EQ(dumped_messages(log),
            (std::vector<std::string>{"90 3c 60", "91 40 60", "90 3c 00", "93 48 60", "93 48 00"}))
      << read_file(dir_ / "jackd.log");
}

// Ports that come and go between two reads of the list, our own row staying last.
TEST_F(JackServer, RefreshFollowsPortsThatComeAndGoOwnPortLast) {
  start_monitor("midi-monitor");
  SystemMidiOutput output;
  ASSERT_GE(output.device_count(), 2);
  EXPECT_EQ(output.device_name(output.device_count() - 1), kOwnPortName);
  EXPECT_FALSE(output.refresh());

  // The server tells the watch thread at once; a second leaves room for a
  // loaded machine and none for a look every few seconds.
  start_monitor("late-monitor");
  EXPECT_TRUE(wait_until(1s, [&] { return output.refresh(); }));
  EXPECT_GE(find_device(output, "late-monitor:input"), 0);
  EXPECT_EQ(output.device_name(output.device_count() - 1), kOwnPortName);
  EXPECT_EQ(output.device_key(find_device(output, "late-monitor:input")),
            "jack:late-monitor:input");

  monitors_.back()->stop();
  ASSERT_TRUE(wait_until(5s, [&] { return !has_port("late-monitor:input"); }));
  EXPECT_TRUE(wait_until(1s, [&] { return output.refresh(); }));
  EXPECT_EQ(find_device(output, "late-monitor:input"), -1);
  EXPECT_GE(find_device(output, "midi-monitor:input"), 0);
  EXPECT_EQ(output.device_name(output.device_count() - 1), kOwnPortName);
}

// While nothing changes the watch thread reads nothing; a port that comes wakes
// it within moments.
TEST_F(JackServer, TheWatchSleepsUntilAPortComes) {
  start_monitor("midi-monitor");
  PortWatch watch({false, true});
  ASSERT_TRUE(watch.first().service_found);
  std::this_thread::sleep_for(300ms);
  (void)watch.latest();  // a notice of the start, if any

  int readings = 0;
  const auto quiet_until = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < quiet_until) {
    if (watch.latest()) ++readings;
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(readings, 0);

  start_monitor("late-monitor");
  const PortId late{PortApi::jack, "late-monitor:input"};
  std::vector<PortId> seen;
  EXPECT_TRUE(wait_until(1s, [&] {
    if (auto snapshot = watch.latest()) seen = snapshot->ports;
    return std::find(seen.begin(), seen.end(), late) != seen.end();
  }));
  watch.stop();
}

// The server is killed and started again: the program's one client comes back
// by itself with its input port, the watch lists the new server's ports without
// being asked, and the output port opens on the client again.
TEST_F(JackServer, TheClientComesBackWithItsInputAfterTheServerWasKilled) {
  start_monitor("midi-monitor");
  PortWatch watch({false, true});
  ASSERT_TRUE(watch.first().service_found);
  MidiInputPorts inputs({.jack = true, .alsa = false});
  inputs.start();
  ASSERT_TRUE(wait_until(5s, [] { return jack_server_up("Tastarion:midi_in"); }));

  const PortId monitor{PortApi::jack, "midi-monitor:input"};
  const auto watch_sees = [&](bool server, bool with_monitor) {
    return wait_until(5s, [&] {
      const std::optional<PortSnapshot> snapshot = watch.latest();
      if (!snapshot) return false;
      const auto& ports = snapshot->ports;
      return snapshot->service_found == server &&
             (std::find(ports.begin(), ports.end(), monitor) != ports.end()) == with_monitor;
    });
  };
  ports_.reset();
  monitors_.clear();
  jackd_->kill_now();
  EXPECT_TRUE(watch_sees(false, false));

  start_server();
  EXPECT_TRUE(wait_until(5s, [] { return jack_server_up("Tastarion:midi_in"); }));
  const fs::path log = start_monitor("midi-monitor");
  EXPECT_TRUE(watch_sees(true, true));
  JackMidiOutput output;
  ASSERT_TRUE(output.open("midi-monitor:input"));
  EXPECT_TRUE(jack_server_up("Tastarion:output"));
  const unsigned char note[] = {0x90, 0x3C, 0x60};
  output.send(note, sizeof note);
  EXPECT_TRUE(wait_until(5s, [&] { return !dumped_messages(log).empty(); }));
  output.close();
  EXPECT_FALSE(jack_server_up("Tastarion:output"));
  EXPECT_EQ(dumped_messages(log), std::vector<std::string>{"90 3c 60"});
  inputs.stop();
}

}  // namespace
}  // namespace tastarion
