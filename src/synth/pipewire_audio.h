#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct spa_source;

namespace tastarion {

// A stereo playback stream of the program's own on the PipeWire graph, shown to
// mixers and patchbays as "Tastarion". The graph asks for samples on its own
// real-time thread; `fill` writes that many interleaved stereo frames and must
// neither block nor allocate.
class PipeWireAudio {
 public:
  using Fill = void (*)(void* context, float* interleaved, int frames);

  struct Stream {
    double rate = 48000;
    // Frames per cycle asked of the graph.
    int latency_frames = 128;
    Fill fill = nullptr;
    void* context = nullptr;
    // On the loop thread, before a stream is made again after the server went
    // away: whatever sounded then must not sound when the sound comes back.
    void (*silence)(void* context) = nullptr;
    // After this long without a sound or a message the stream stops holding
    // the graph; the next message wakes it.
    std::chrono::milliseconds rest_after{5000};
  };

  PipeWireAudio() = default;
  ~PipeWireAudio() { stop(); }
  PipeWireAudio(const PipeWireAudio&) = delete;
  PipeWireAudio& operator=(const PipeWireAudio&) = delete;

  // Connects and waits, at most `limit`, until the graph plays the stream. On
  // failure nothing is left running and `why` tells what happened.
  bool start(const Stream& stream, std::chrono::milliseconds limit, std::string& why);
  void stop();

  // A message is on its way to the synthesizer: wakes a resting stream. Any
  // thread; never blocks.
  void wake() noexcept;
  // True once each time the server went away since the last call. Any thread.
  bool take_loss() noexcept;

  // The node's name: "Tastarion" for the first program of this user, then
  // "Tastarion-01" and so on, held for as long as the process runs.
  static const std::string& node_name();

  // Whether a PipeWire server offers its socket to this user (it may still not
  // answer): decides how a failure is worded.
  static bool server_socket_present();

  // What the loop thread and the graph's thread report back (pipewire_audio.cpp).
  struct Listener;

 private:
  bool connect(std::string& why);
  void disconnect();
  bool wait_until_playing(std::chrono::milliseconds limit, std::string& why);

  Stream stream_settings_;
  pw_thread_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  pw_core* core_ = nullptr;
  pw_stream* stream_ = nullptr;
  Listener* listener_ = nullptr;
};

}  // namespace tastarion
