#include "ports/alsa_announce.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include "platform/quiet_drivers.h"

namespace tastarion {

namespace {
bool is_port_change(const snd_seq_event_t& event) {
  switch (event.type) {
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
      return true;
    default:
      return false;
  }
}
}  // namespace

AlsaAnnounce::AlsaAnnounce() {
  quiet_sound_drivers();
  // Without the sequencer device, ALSA's library would print its failure itself.
  if (access("/dev/snd/seq", R_OK | W_OK) != 0) return;
  if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
    seq_ = nullptr;
    return;
  }
  snd_seq_set_client_name(seq_, "Tastarion port list");
  // Connected to nothing but the announce port, and hidden from other programs.
  const int port = snd_seq_create_simple_port(seq_, "announce",
                                              SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                              SND_SEQ_PORT_TYPE_APPLICATION);
  const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
  if (port >= 0 && count > 0 &&
      snd_seq_connect_from(seq_, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) >= 0) {
    fds_.resize(static_cast<size_t>(count));
    if (snd_seq_poll_descriptors(seq_, fds_.data(), static_cast<unsigned>(count), POLLIN) ==
        count) {
      return;
    }
  }
  fds_.clear();
  snd_seq_close(seq_);
  seq_ = nullptr;
}

AlsaAnnounce::~AlsaAnnounce() {
  if (seq_ != nullptr) snd_seq_close(seq_);
}

bool AlsaAnnounce::take_changes() {
  if (seq_ == nullptr) return false;
  bool changed = false;
  snd_seq_event_t* event = nullptr;
  // Non-blocking: ends with -EAGAIN once the queue is empty; -ENOSPC says that
  // notices were lost to an overrun, which is a change too.
  for (;;) {
    const int result = snd_seq_event_input(seq_, &event);
    if (result == -ENOSPC) {
      changed = true;
      continue;
    }
    if (result < 0 || event == nullptr) break;
    changed = changed || is_port_change(*event);
  }
  return changed;
}

}  // namespace tastarion
