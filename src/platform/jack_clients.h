#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace tastarion {

// How long a JACK call that may hang (open, activate, deactivate, close,
// connect) is waited for: as long as device 0's opening waits for its server.
inline constexpr std::chrono::seconds kJackAnswerLimit{4};
// How long after looking for a JACK server in vain the next look comes, for
// every look the program makes by itself.
inline constexpr std::chrono::seconds kJackServerRetry{1};

// The rules every JACK client of the program keeps:
//
// libjack, asked to open a client while the server it lost is still gone,
// closes and frees every client of the process that is still allocated. A
// client pointer kept past a lost server may therefore dangle; calling it (the
// deactivate or close of a device switch) ended the program with SIGSEGV. So:
// - every open, activate, deactivate, close, connect and port lookup holds
//   jack_clients_lock(), so that no open frees a client while it is in use;
// - a client opened before the last server loss (jack_server_losses() moved
//   since) is never called again, only forgotten: libjack frees it itself;
// - what its process thread may still read is never freed (keep_for_lost_server).
std::unique_lock<std::mutex> jack_clients_lock();

// How many times a JACK server was lost since the start, as the shutdown
// callback of the program's client tells it (note_jack_server_lost).
uint64_t jack_server_losses();
void note_jack_server_lost();

// Keeps `what` to the end of the process: a process thread of a lost server,
// which libjack may not have stopped yet, may still read it.
void keep_for_lost_server(std::shared_ptr<const void> what);

// Runs `work` on a thread of its own and waits kJackAnswerLimit at most; false
// when the thread had to be left behind, stuck in a server that never answers
// (noted with note_left_behind()).
bool run_within_jack_limit(std::function<void()> work);

}  // namespace tastarion
