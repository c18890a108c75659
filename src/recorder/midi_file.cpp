#include "recorder/midi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "recorder/event_buffer.h"
#include "recorder/recorder.h"

namespace tastarion {

namespace {

// Tries before giving up on finding a free default name that stays free.
constexpr int kDefaultNameAttempts = 100;
// Links followed before a chain counts as a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;
// Failures of our own, beside the errno values.
constexpr int kNotWritable = -1;
constexpr int kNotRegular = -2;

std::string failure_reason(int error) {
  switch (error) {
    case kNotWritable:
      return "the file exists and is not writable, so it is left as it is";
    case kNotRegular:
      return "that is not a plain file";
    default:
      return std::strerror(error);
  }
}

std::string directory_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string base_name_of(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A fresh file beside `path`, created exclusively. Returns the descriptor or -1.
int create_temporary(const std::string& path, std::string& temp_path) {
  static unsigned counter = 0;
  // Kept well under the name length limit whatever the target's name is.
  std::string prefix = directory_of(path) + "/." + base_name_of(path).substr(0, 200) + ".tmp" +
                       std::to_string(getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = prefix + std::to_string(counter++);
    int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool write_all(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Moves the finished temporary file to `path`, refusing to replace an existing
// file unless `replace`.
int move_into_place(const std::string& temp_path, const std::string& path, bool replace) {
  if (replace) return rename(temp_path.c_str(), path.c_str()) == 0 ? 0 : errno;
  if (renameat2(AT_FDCWD, temp_path.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // File systems without the no-replace rename still refuse to link over a name.
  if (link(temp_path.c_str(), path.c_str()) != 0) return errno;
  unlink(temp_path.c_str());
  return 0;
}

void sync_directory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The file a name stands for: a symbolic link is followed to where it points,
// so that the link stays and its target gets the recording. 0 or an errno.
int resolve_links(std::string& path) {
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return errno;
    target.resize(static_cast<size_t>(n));
    path = target.starts_with('/') ? target : directory_of(path) + "/" + target;
  }
  return ELOOP;
}

// What a plain write would refuse is refused here too, although the rename
// would not notice: an existing file without write permission, or something
// that is not a file at all.
int check_replaceable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : kNotRegular;
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return kNotWritable;
  return 0;
}

// Writes the bytes whole or not at all; 0 or the error of the step that failed.
int write_whole(std::string path, std::span<const uint8_t> bytes, bool replace) {
  if (replace) {
    if (int error = resolve_links(path); error != 0) return error;
    if (int error = check_replaceable(path); error != 0) return error;
  }
  std::string temp_path;
  int fd = create_temporary(path, temp_path);
  if (fd < 0) return errno;

  int error = 0;
  struct stat existing;
  if (replace && stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    fchmod(fd, existing.st_mode & 07777);  // a replaced file keeps its permissions
  }
  if (!write_all(fd, bytes) || fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) error = move_into_place(temp_path, path, replace);
  if (error != 0) {
    unlink(temp_path.c_str());
    return error;
  }
  sync_directory(directory_of(path));
  return 0;
}

}  // namespace

std::optional<std::string> write_file_atomically(const std::string& path,
                                                 std::span<const uint8_t> bytes) {
  int error = write_whole(path, bytes, true);
  if (error == 0) return std::nullopt;
  return failure_reason(error);
}

std::string first_free_default_name(const std::string& directory) {
  std::string name = kDefaultFileName;
  for (int n = 2;; ++n) {
    struct stat st;
    // Anything but "exists" ends the search; a name that cannot be looked at
    // then fails to be written, and that failure is reported.
    if (lstat((directory + "/" + name).c_str(), &st) != 0) return name;
    name = "vemola-" + std::to_string(n) + ".mid";
  }
}

void stop_recording(Piano& piano) {
  PianoState& s = piano.state;
  if (!s.event_buffer.allocated()) {
    piano.view.set_title(std::string(version_line));
    return;
  }

  put_event(piano, 0, 0xFF, 0x2F, 0);
  uint32_t cursor = s.event_cursor.load();
  uint32_t track_length = cursor - EventBuffer::kFirstRecord;
  uint8_t* header = s.event_buffer.data() + EventBuffer::kTrackLengthOffset;
  header[0] = static_cast<uint8_t>(track_length >> 24);
  header[1] = static_cast<uint8_t>(track_length >> 16);
  header[2] = static_cast<uint8_t>(track_length >> 8);
  header[3] = static_cast<uint8_t>(track_length);

  std::span<const uint8_t> bytes(s.event_buffer.data(), cursor);
  std::optional<std::string> chosen = piano.view.ask_save_file_name();
  bool traced = false;
  for (;;) {
    // A dialog ended by the end of the program is no cancel: nothing is written.
    if (!chosen && piano.view.closing()) break;
    std::string path;
    int error = 0;
    if (chosen) {
      path = *chosen;
      error = write_whole(path, bytes, true);
    } else {
      // Cancelled: saved all the same, under a default name that is still free
      // when the file lands there.
      for (int attempt = 0; attempt < kDefaultNameAttempts; ++attempt) {
        path = first_free_default_name(".");
        error = write_whole(path, bytes, false);
        if (error != EEXIST) break;
      }
    }
    if (!traced) {
      char line[32];
      std::snprintf(line, sizeof line, "終了 byte=%X\n", unsigned{cursor});
      piano.trace(line);
      piano.view.set_title(std::string(version_line));
      traced = true;
    }
    if (!chosen && error == 0) piano.trace("file=" + path + "\n");
    if (error == 0) break;
    const std::string text = "Could not save the recording to \"" + path +
                             "\": " + failure_reason(error) +
                             ".\nThe recording is kept; F3 replays it. Save it elsewhere?";
    piano.errors(text + "\n");
    if (!piano.view.ask_save_elsewhere(std::string(version_line), text)) break;
    // Cancelling the dialog now gives up, as the box has offered that already.
    chosen = piano.view.ask_save_file_name();
    if (!chosen) break;
  }
  if (!traced) piano.view.set_title(std::string(version_line));
}

}  // namespace tastarion
