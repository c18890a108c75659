#include "ports/jack_midi_output.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "engine/short_message.h"
#include "platform/jack_clients.h"
#include "ports/jack_client.h"

namespace tastarion {

namespace {

// Each queued message takes one record: its length, then up to three bytes.
constexpr size_t kRecord = 4;
constexpr size_t kQueueBytes = 4096;
// How long a close waits for the queued messages to go out.
constexpr auto kDrainLimit = std::chrono::milliseconds(250);

// A note message's channel and note, and whether it switches the note on.
struct NoteChange {
  unsigned channel;
  unsigned note;
  bool on;
};
bool note_change(const unsigned char* message, size_t length, NoteChange& change) {
  if (length < 3) return false;
  const auto note = ShortMessage::from_bytes(message[0], message[1], message[2]);
  if (!note.is_note()) return false;
  change = {static_cast<unsigned>(note.channel()), static_cast<unsigned>(note.note()),
            note.starts_note()};
  return true;
}

}  // namespace

struct JackMidiOutput::Queue final : JackPortUser {
  Queue() : ring(jack_ringbuffer_create(kQueueBytes)) {
    if (ring != nullptr) jack_ringbuffer_mlock(ring);
  }
  ~Queue() override {
    if (ring != nullptr) jack_ringbuffer_free(ring);
  }
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  jack_ringbuffer_t* const ring;
  std::atomic<uint64_t> cycles{0};
  // The notes the program wants on, as sent, whether or not the messages got
  // through: two words of 64 notes per channel. Written by send, read by process.
  std::array<std::atomic<uint64_t>, 32> wanted{};
  // A send found the queue full, so a note-off may be lost.
  std::atomic<bool> overflowed{false};
  // Process thread only. Frames waited after the open for its connection to
  // reach the graph, and cycles seen connected since; whether the last cycle had
  // a connection; the notes the receiver was sent on and not yet off.
  jack_nframes_t frames_waited = 0;
  int cycles_connected = 0;
  bool ever_connected = false;
  bool was_connected = false;
  std::array<std::bitset<128>, 16> delivered{};

  void want(const NoteChange& change) {
    std::atomic<uint64_t>& word = wanted[change.channel * 2 + change.note / 64];
    const uint64_t bit = uint64_t{1} << (change.note % 64);
    if (change.on) {
      word.fetch_or(bit, std::memory_order_relaxed);
    } else {
      word.fetch_and(~bit, std::memory_order_relaxed);
    }
  }
  bool wants(unsigned channel, unsigned note) const {
    return (wanted[channel * 2 + note / 64].load(std::memory_order_relaxed) >> (note % 64)) & 1;
  }

  // The receiver still sounds the notes whose note-offs found no connection or
  // no room in the queue; they end before anything else goes out.
  void end_notes_switched_off_meanwhile(void* buffer) {
    for (unsigned channel = 0; channel < 16; ++channel) {
      if (delivered[channel].none()) continue;
      for (unsigned note = 0; note < 128; ++note) {
        if (!delivered[channel].test(note) || wants(channel, note)) continue;
        const auto off =
            ShortMessage::note_off(static_cast<int>(channel), static_cast<int>(note)).bytes();
        if (jack_midi_event_write(buffer, 0, off.data(), off.size()) != 0) {
          overflowed = true;  // the rest in the next cycle
          return;
        }
        delivered[channel].reset(note);
      }
    }
  }

  void process(const JackCycle& cycle) noexcept override {
    void* buffer = jack_port_get_buffer(cycle.port, cycle.frames);
    jack_midi_clear_buffer(buffer);
    const bool connected = jack_port_connected(cycle.port) > 0;
    const bool reconnected = connected && !was_connected && ever_connected;
    if (connected && (reconnected || overflowed.exchange(false))) {
      end_notes_switched_off_meanwhile(buffer);
    }
    was_connected = connected;
    ever_connected = ever_connected || connected;
    // A new connection takes effect some cycles after it is made, and the client
    // runs already: the port shows it one cycle before the receiver runs after
    // us. Right after the open, the queue waits for it a little.
    if (connected && cycles_connected < 2) ++cycles_connected;
    const bool awaiting_first = cycles_connected < 2 && frames_waited < cycle.sample_rate / 10;
    if (awaiting_first) frames_waited += cycle.frames;
    unsigned char record[kRecord];
    while (!awaiting_first &&
           jack_ringbuffer_peek(ring, reinterpret_cast<char*>(record), kRecord) == kRecord) {
      // Without a connection the message is dropped now rather than kept to
      // arrive, stale and out of order, in one burst after a reconnection.
      if (connected) {
        // A full port buffer keeps the rest for the next cycle, in order.
        if (jack_midi_event_write(buffer, 0, record + 1, record[0]) != 0) break;
        NoteChange change;
        if (note_change(record + 1, record[0], change))
          delivered[change.channel].set(change.note, change.on);
      }
      jack_ringbuffer_read_advance(ring, kRecord);
    }
    cycles.fetch_add(1, std::memory_order_release);
  }

  // The last messages before a close are the note-offs that silence the device:
  // they must reach the port, and the cycle that carries them must end, first.
  void drain(const JackClient& jack) {
    const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
    const auto wait_for = [&](auto done) {
      while (!done() && !jack.output_lost() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    wait_for([&] { return jack_ringbuffer_read_space(ring) == 0; });
    const uint64_t seen = cycles.load(std::memory_order_acquire);
    wait_for([&] { return cycles.load(std::memory_order_acquire) >= seen + 2; });
  }
};

JackMidiOutput::JackMidiOutput() = default;
JackMidiOutput::~JackMidiOutput() {
  close();
}

Result JackMidiOutput::open(const std::string& target_port) {
  close();
  auto queue = std::make_shared<Queue>();
  if (queue->ring == nullptr) return Result::failure("out of memory.");
  // A server that takes the connection and never answers holds up the worker,
  // not the caller; the client keeps the rules of jack_clients.h meanwhile.
  auto jack = JackClient::shared();
  auto opened = std::make_shared<Result>(Result::failure("not opened"));
  auto given_up = std::make_shared<std::atomic<bool>>(false);
  if (!run_within_jack_limit([jack, queue, opened, given_up, target_port] {
        *opened = jack->open_output(queue, target_port);
        // An open that comes back too late is closed again.
        if (*opened && *given_up) jack->close_output();
      })) {
    *given_up = true;
    return Result::failure("the JACK server did not answer within " +
                           std::to_string(kJackAnswerLimit.count()) + " seconds.");
  }
  if (!*opened) return *opened;
  jack_ = std::move(jack);
  queue_ = std::move(queue);
  return Result::success();
}

bool JackMidiOutput::lost() const {
  return queue_ && jack_->output_lost();
}

void JackMidiOutput::close() {
  if (!queue_) return;
  queue_->drain(*jack_);
  queue_.reset();
  // A close stuck in libjack is left behind with the client.
  run_within_jack_limit([jack = std::move(jack_)] { jack->close_output(); });
}

void JackMidiOutput::send(const unsigned char* bytes, size_t length) noexcept {
  if (!queue_ || length == 0 || length >= kRecord) return;
  unsigned char record[kRecord] = {static_cast<unsigned char>(length)};
  for (size_t i = 0; i < length; ++i) record[i + 1] = bytes[i];
  NoteChange change;
  if (note_change(bytes, length, change)) queue_->want(change);
  if (jack_ringbuffer_write_space(queue_->ring) < kRecord) {
    queue_->overflowed = true;
    return;
  }
  // One write publishes the whole record to the process callback at once.
  jack_ringbuffer_write(queue_->ring, reinterpret_cast<const char*>(record), kRecord);
}

}  // namespace tastarion
