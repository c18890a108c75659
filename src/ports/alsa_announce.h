#pragma once

#include <poll.h>

#include <vector>

typedef struct _snd_seq snd_seq_t;

namespace tastarion {

// An ALSA sequencer client of our own subscribed to the system's announce port,
// which tells of every client and port that comes, goes or changes. RtMidi
// keeps these notices to itself, so the port list listens here. Without a
// sequencer it stays closed, and silent.
class AlsaAnnounce {
 public:
  AlsaAnnounce();
  ~AlsaAnnounce();
  AlsaAnnounce(const AlsaAnnounce&) = delete;
  AlsaAnnounce& operator=(const AlsaAnnounce&) = delete;

  bool is_open() const { return seq_ != nullptr; }
  // What to poll for the notices (none when closed).
  const std::vector<pollfd>& poll_fds() const { return fds_; }
  // Takes the notices waiting, without waiting; true when one of them told of
  // a client or port change.
  bool take_changes();

 private:
  snd_seq_t* seq_ = nullptr;
  std::vector<pollfd> fds_;
};

}  // namespace tastarion
