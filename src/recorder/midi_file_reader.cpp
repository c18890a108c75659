#include "recorder/midi_file_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace tastarion {

namespace {

constexpr uint32_t kDefaultTempo = 500'000;  // µs per quarter note

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint16_t be16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

std::string format_text(const char* format, auto... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

struct TempoChange {
  uint64_t tick;
  uint32_t us_per_quarter;
};

struct TickedEvent {
  uint64_t tick;
  ShortMessage message;
};

// Reads one file: the chunks, each track's events on its ticks, and the tempo
// map; the first fault ends the reading with its sentence.
class Reader {
 public:
  Reader(std::span<const uint8_t> bytes, std::string_view name) : bytes_(bytes), name_(name) {}

  MidiFileReading read() {
    MidiFileReading reading;
    if (read_chunks() && place_in_time(reading.song)) return reading;
    reading.failure = std::move(failure_);
    reading.song = {};
    return reading;
  }

 private:
  // `form`'s %1 is the file's name, and the values fill %2 on.
  bool fail(MarkedText form, std::vector<std::string> values = {}) {
    values.insert(values.begin(), std::string(name_));
    failure_ = PlayerText(form, std::move(values));
    return false;
  }

  bool read_chunks() {
    const size_t size = bytes_.size();
    if (size > kMaxMidiFileBytes) {
      return fail(PLAYER_TEXT("MidiFile",
                              "%1 is too large for a MIDI file (%2 bytes; at most %3 are read)."),
                  {std::to_string(size), std::to_string(kMaxMidiFileBytes)});
    }
    if (size < 8 || std::memcmp(bytes_.data(), "MThd", 4) != 0) {
      return fail(
          PLAYER_TEXT("MidiFile", "%1 is not a MIDI file (it does not begin with \"MThd\")."));
    }
    const uint32_t header_length = be32(bytes_.data() + 4);
    if (header_length < 6 || header_length > size - 8) {
      if (size < 14) return fail(PLAYER_TEXT("MidiFile", "%1 is cut short inside its header."));
      return fail(PLAYER_TEXT("MidiFile", "%1 is damaged: its header claims %2 bytes."),
                  {std::to_string(header_length)});
    }
    format_ = be16(bytes_.data() + 8);
    const int tracks = be16(bytes_.data() + 10);
    division_ = be16(bytes_.data() + 12);
    if (format_ == 2) {
      return fail(PLAYER_TEXT("MidiFile",
                              "%1 is of format 2 (independent patterns), which the "
                              "program does not play."));
    }
    if (format_ > 2)
      return fail(PLAYER_TEXT("MidiFile", "%1 is of format %2, which does not exist."),
                  {std::to_string(format_)});
    if (tracks == 0) return fail(PLAYER_TEXT("MidiFile", "%1 holds no track."));
    if (!division_valid())
      return fail(PLAYER_TEXT("MidiFile", "%1 is damaged: its time division %2."),
                  {format_text("0x%04X", division_)});

    size_t at = 8 + size_t{header_length};
    int found = 0;
    while (found < tracks) {
      if (at + 8 > size) {
        return fail(PLAYER_TEXT("MidiFile",
                                "%1 is cut short: its header promises %2 tracks and it holds %3."),
                    {std::to_string(tracks), std::to_string(found)});
      }
      const uint32_t length = be32(bytes_.data() + at + 4);
      if (length > size - at - 8) {
        return fail(
            PLAYER_TEXT("MidiFile", "%1 is damaged: track %2 claims %3 bytes, but only %4 follow."),
            {std::to_string(found + 1), std::to_string(length), std::to_string(size - at - 8)});
      }
      // Chunks of other kinds are for other programs, and skipped.
      if (std::memcmp(bytes_.data() + at, "MTrk", 4) == 0) {
        ++found;
        if (!read_track(at + 8, length, found)) return false;
      }
      at += 8 + size_t{length};
    }
    tracks_ = tracks;
    return true;
  }

  bool division_valid() const {
    if ((division_ & 0x8000) == 0) return division_ != 0;
    const int frames = -static_cast<int8_t>(division_ >> 8);
    return (frames == 24 || frames == 25 || frames == 29 || frames == 30) && (division_ & 0xFF);
  }

  // A variable-length quantity of at most four bytes at `at`, which moves past it.
  bool read_number(size_t& at, size_t end, uint32_t& value, int track) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at >= end) return cut_in_event(track, at);
      const uint8_t byte = bytes_[at++];
      value = value << 7 | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return fail(
        PLAYER_TEXT("MidiFile",
                    "%1 is damaged: track %2 has a number longer than four bytes at byte %3."),
        {std::to_string(track), std::to_string(at - 4)});
  }

  bool cut_in_event(int track, size_t at) {
    return fail(PLAYER_TEXT("MidiFile",
                            "%1 is damaged: track %2 ends in the middle of an event (byte %3)."),
                {std::to_string(track), std::to_string(at)});
  }

  bool read_track(size_t at, uint32_t length, int track) {
    const size_t end = at + length;
    uint64_t tick = 0;
    uint8_t running = 0;
    while (at < end) {
      uint32_t delta = 0;
      if (!read_number(at, end, delta, track)) return false;
      tick += delta;
      if (at >= end) return cut_in_event(track, at);
      uint8_t status = bytes_[at];
      if (status < 0x80) {
        if (running == 0) {
          return fail(PLAYER_TEXT("MidiFile",
                                  "%1 is damaged: track %2 has a data byte where an event "
                                  "begins (byte %3)."),
                      {std::to_string(track), std::to_string(at)});
        }
        status = running;
      } else {
        ++at;
      }
      if (status < 0xF0) {
        running = status;
        if (!read_channel_message(status, at, end, tick, track)) return false;
      } else if (status == 0xF0 || status == 0xF7) {
        uint32_t skip = 0;
        if (!read_number(at, end, skip, track)) return false;
        if (skip > end - at) return cut_in_event(track, at);
        at += skip;
      } else if (status == 0xFF) {
        if (at >= end) return cut_in_event(track, at);
        const uint8_t type = bytes_[at++];
        uint32_t data = 0;
        if (!read_number(at, end, data, track)) return false;
        if (data > end - at) return cut_in_event(track, at);
        if (type == 0x51 && data >= 3) {
          const uint32_t tempo =
              uint32_t{bytes_[at]} << 16 | uint32_t{bytes_[at + 1]} << 8 | bytes_[at + 2];
          if (tempo == 0)
            return fail(PLAYER_TEXT("MidiFile", "%1 is damaged: track %2 sets a tempo of 0."),
                        {std::to_string(track)});
          tempi_.push_back({tick, tempo});
        }
        at += data;
        if (type == 0x2F) break;  // end of track; what may follow is not read
      } else {
        return fail(PLAYER_TEXT("MidiFile",
                                "%1 holds an event the program does not know "
                                "(status %2, track %3, byte %4)."),
                    {format_text("%02X", status), std::to_string(track), std::to_string(at - 1)});
      }
    }
    end_tick_ = std::max(end_tick_, tick);
    return true;
  }

  bool read_channel_message(uint8_t status, size_t& at, size_t end, uint64_t tick, int track) {
    const int length = ShortMessage::data_length(status);
    if (end - at < static_cast<size_t>(length)) return cut_in_event(track, at);
    const uint8_t data1 = bytes_[at];
    const uint8_t data2 = length == 2 ? bytes_[at + 1] : 0;
    if ((data1 | data2) & 0x80) {
      return fail(
          PLAYER_TEXT("MidiFile",
                      "%1 is damaged: track %2 has a status byte inside an event (byte %3)."),
          {std::to_string(track), std::to_string(at)});
    }
    at += length;
    if (events_.size() == kMaxMidiFileEvents) {
      return fail(
          PLAYER_TEXT("MidiFile", "%1 holds more than %2 events, more than the program plays."),
          {std::to_string(kMaxMidiFileEvents)});
    }
    ShortMessage message = ShortMessage::from_bytes(status, data1, data2);
    // The program's note-off everywhere: the release velocity is of no use here.
    if (message.ends_note()) message = ShortMessage::note_off(message.channel(), data1);
    events_.push_back({tick, message});
    return true;
  }

  // Microseconds of `tick` under the tempo map, walked forward: the ticks asked
  // for never go down.
  class Clock {
   public:
    Clock(const std::vector<TempoChange>& tempi, uint16_t division)
        : tempi_(tempi), division_(division) {}
    uint64_t micros(uint64_t tick) {
      using Wide = unsigned __int128;
      if (division_ & 0x8000) {
        // Frames per second, and 30000/1001 for the drop-frame rate.
        const int frames = -static_cast<int8_t>(division_ >> 8);
        const Wide per_second = Wide(frames == 29 ? 30000 : frames * 1000) * (division_ & 0xFF);
        const Wide scale = frames == 29 ? 1001 : 1000;
        return saturate(Wide(tick) * 1'000'000 * scale / per_second);
      }
      while (next_ < tempi_.size() && tempi_[next_].tick <= tick) {
        base_us_ += saturate(Wide(tempi_[next_].tick - base_tick_) * tempo_ / division_);
        base_tick_ = tempi_[next_].tick;
        tempo_ = tempi_[next_].us_per_quarter;
        ++next_;
      }
      return base_us_ + saturate(Wide(tick - base_tick_) * tempo_ / division_);
    }

   private:
    static uint64_t saturate(unsigned __int128 value) {
      return value > kMaxMidiFileMicros ? kMaxMidiFileMicros + 1 : static_cast<uint64_t>(value);
    }
    const std::vector<TempoChange>& tempi_;
    uint16_t division_;
    size_t next_ = 0;
    uint64_t base_tick_ = 0;
    uint64_t base_us_ = 0;
    uint32_t tempo_ = kDefaultTempo;
  };

  bool place_in_time(MidiSong& song) {
    // Same tick: tracks in file order, events in track order.
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
    std::stable_sort(tempi_.begin(), tempi_.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    Clock clock(tempi_, division_);
    song.events.reserve(events_.size());
    for (const TickedEvent& event : events_) {
      song.events.push_back({clock.micros(event.tick), event.message});
    }
    song.length_us = clock.micros(std::max(end_tick_, events_.empty() ? 0 : events_.back().tick));
    if (song.length_us > kMaxMidiFileMicros)
      return fail(PLAYER_TEXT("MidiFile", "%1 lasts longer than 24 hours."));
    song.format = format_;
    song.tracks = tracks_;
    return true;
  }

  std::span<const uint8_t> bytes_;
  std::string_view name_;
  PlayerText failure_;
  int format_ = 0;
  int tracks_ = 0;
  uint16_t division_ = 0;
  uint64_t end_tick_ = 0;
  std::vector<TickedEvent> events_;
  std::vector<TempoChange> tempi_;
};

}  // namespace

MidiFileReading read_midi_file(std::span<const uint8_t> bytes, std::string_view name) {
  return Reader(bytes, name).read();
}

MidiFileReading load_midi_file(const std::string& path) {
  MidiFileReading reading;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    reading.failure = PlayerText(PLAYER_TEXT("MidiFile", "%1 cannot be opened: %2."),
                                 {path, std::strerror(errno)});
    return reading;
  }
  if (!S_ISREG(info.st_mode)) {
    reading.failure = PlayerText(
        PLAYER_TEXT("MidiFile", "%1 is not a MIDI file (it is not a regular file)."), {path});
    return reading;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxMidiFileBytes) {
    reading.failure = PlayerText(
        PLAYER_TEXT("MidiFile", "%1 is too large for a MIDI file (%2 bytes; at most %3 are read)."),
        {path, std::to_string(info.st_size), std::to_string(kMaxMidiFileBytes)});
    return reading;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
  errno = 0;
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) {
    // A file cut short while it was read has no system error to tell.
    reading.failure =
        errno != 0
            ? PlayerText(PLAYER_TEXT("MidiFile", "%1 cannot be read: %2."),
                         {path, std::strerror(errno)})
            : PlayerText(PLAYER_TEXT("MidiFile", "%1 cannot be read: it grew shorter while read."),
                         {path});
    return reading;
  }
  return read_midi_file(bytes, path);
}

}  // namespace tastarion
