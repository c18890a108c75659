#pragma once

#include <chrono>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

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
  };

  PipeWireAudio() = default;
  ~PipeWireAudio() { stop(); }
  PipeWireAudio(const PipeWireAudio&) = delete;
  PipeWireAudio& operator=(const PipeWireAudio&) = delete;

  // Connects and waits, at most `limit`, until the graph plays the stream. On
  // failure nothing is left running and `why` tells what happened.
  bool start(const Stream& stream, std::chrono::milliseconds limit, std::string& why);
  void stop();
  bool is_running() const { return loop_ != nullptr; }

  // Whether a PipeWire server offers its socket to this user (it may still not
  // answer): decides how a failure is worded.
  static bool server_socket_present();

  // What the loop thread and the graph's thread report back (pipewire_audio.cpp).
  struct Listener;

 private:
  bool connect(std::string& why);
  bool wait_until_playing(std::chrono::milliseconds limit, std::string& why);

  Stream stream_settings_;
  pw_thread_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  pw_core* core_ = nullptr;
  pw_stream* stream_ = nullptr;
  Listener* listener_ = nullptr;
};

}  // namespace tastarion
