#include "recorder/recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/short_message.h"
#include "recorder/event_buffer.h"

namespace tastarion {

namespace {

// Tries before giving up on finding a free default name that stays free.
constexpr int kDefaultNameAttempts = 100;
// Links followed before a chain counts as a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;

// A failed step and the system's error, or none.
struct StepFailure {
  SaveFailure failure = SaveFailure::none;
  std::error_code error;
  explicit operator bool() const { return failure != SaveFailure::none; }
};

StepFailure failed(SaveFailure failure, int error) {
  return {failure, std::error_code(error, std::generic_category())};
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
// file unless `replace`. 0 or an errno.
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
// so that the link stays and its target gets the recording.
StepFailure resolve_links(std::string& path) {
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return failed(SaveFailure::cannot_follow_link, errno);
    target.resize(static_cast<size_t>(n));
    path = target.starts_with('/') ? target : directory_of(path) + "/" + target;
  }
  return failed(SaveFailure::cannot_follow_link, ELOOP);
}

// What a plain write would refuse is refused here too, although the rename
// would not notice: an existing file without write permission, or something
// that is not a file at all.
StepFailure check_replaceable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? StepFailure{} : failed(SaveFailure::cannot_look_at, errno);
  }
  if (S_ISDIR(st.st_mode)) return failed(SaveFailure::not_regular_file, EISDIR);
  if (!S_ISREG(st.st_mode)) return {SaveFailure::not_regular_file, {}};
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return failed(SaveFailure::read_only, errno);
  }
  return {};
}

// Writes the bytes whole or not at all.
StepFailure write_whole(std::string path, std::span<const uint8_t> bytes, bool replace) {
  if (replace) {
    if (StepFailure failure = resolve_links(path)) return failure;
    if (StepFailure failure = check_replaceable(path)) return failure;
  }
  std::string temp_path;
  int fd = create_temporary(path, temp_path);
  if (fd < 0) return failed(SaveFailure::cannot_create, errno);

  StepFailure failure;
  struct stat existing;
  if (replace && stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    fchmod(fd, existing.st_mode & 07777);  // a replaced file keeps its permissions
  }
  if (!write_all(fd, bytes) || fsync(fd) != 0) failure = failed(SaveFailure::cannot_write, errno);
  if (close(fd) != 0 && !failure) failure = failed(SaveFailure::cannot_write, errno);
  if (!failure) {
    if (int error = move_into_place(temp_path, path, replace); error != 0) {
      failure = failed(SaveFailure::cannot_put_in_place, error);
    }
  }
  if (failure) {
    unlink(temp_path.c_str());
    return failure;
  }
  sync_directory(directory_of(path));
  return {};
}

}  // namespace

std::vector<uint8_t> midi_file_bytes(std::span<const uint8_t> image) {
  constexpr size_t kHeader = EventBuffer::kFirstRecord;
  if (image.size() < kHeader) return {};
  std::vector<uint8_t> file(image.begin(), image.begin() + kHeader);
  file.insert(file.end(), kMillisecondTempo.begin(), kMillisecondTempo.end());
  // Every record holds three message bytes; a program change or a channel
  // pressure has one data byte only, and its spare byte would be read as the
  // next delta, so it stays out of the file.
  size_t at = kHeader;
  for (; at + EventBuffer::kRecordSize <= image.size(); at += EventBuffer::kRecordSize) {
    const uint8_t status = image[at + 4];
    const size_t length =
        status < 0xF0 ? 5 + static_cast<size_t>(ShortMessage::data_length(status)) : 7;
    file.insert(file.end(), image.begin() + static_cast<ptrdiff_t>(at),
                image.begin() + static_cast<ptrdiff_t>(at + length));
  }
  file.insert(file.end(), image.begin() + static_cast<ptrdiff_t>(at), image.end());
  const auto track_length = static_cast<uint32_t>(file.size() - kHeader);
  for (int i = 0; i < 4; ++i) {
    file[EventBuffer::kTrackLengthOffset + i] = static_cast<uint8_t>(track_length >> (24 - 8 * i));
  }
  return file;
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

SavedFile save_recording(std::span<const uint8_t> bytes, const std::optional<std::string>& chosen) {
  SavedFile saved;
  const auto keep = [&saved](StepFailure step) {
    saved.failure = step.failure;
    saved.error = step.error;
  };
  if (chosen) {
    saved.path = *chosen;
    keep(write_whole(saved.path, bytes, true));
    return saved;
  }
  // Cancelled: saved all the same, under a default name that is still free
  // when the file lands there.
  saved.default_name = true;
  for (int attempt = 0; attempt < kDefaultNameAttempts; ++attempt) {
    saved.path = first_free_default_name(".");
    keep(write_whole(saved.path, bytes, false));
    if (saved.error != std::errc::file_exists) break;
  }
  return saved;
}

PlayerText SavedFile::failure_text() const {
  if (saved()) return {};
  if (failure == SaveFailure::read_only) {
    return PlayerText(PLAYER_TEXT("SavedFile",
                                  "Could not save the recording to \"%1\": the file exists and "
                                  "is not writable, so it is left as it is."),
                      {path});
  }
  if (failure == SaveFailure::not_regular_file && !error) {
    return PlayerText(
        PLAYER_TEXT("SavedFile",
                    "Could not save the recording to \"%1\": that is not a plain file."),
        {path});
  }
  // strerror's words, as the user has always been shown them (in the locale's
  // language, once the window has set the locale).
  return PlayerText(PLAYER_TEXT("SavedFile", "Could not save the recording to \"%1\": %2."),
                    {path, std::strerror(error.value())});
}

}  // namespace tastarion
