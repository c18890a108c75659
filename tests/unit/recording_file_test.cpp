#include "recorder/recording_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "fixture/piano_fixture.h"
#include "recorder/event_buffer.h"

namespace tastarion::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Bytes = std::vector<uint8_t>;

Bytes read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_text(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

const Bytes kHeader = {0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00,
                       0x00, 0x00, 0x01, 0x02, 0x00, 0x4D, 0x54, 0x72, 0x6B};
const Bytes kEnd = {0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00};
// Set tempo, 512,000 us per quarter note: one tick is one millisecond.
const Bytes kTempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xD0, 0x00};

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class RecordingFileTest : public PianoTest {
 protected:
  RecordingFileTest() {
    char pattern[] = "/tmp/tastarion-midi-file-XXXXXX";
    dir = mkdtemp(pattern);
    view.save_answer = (dir / "take.mid").string();
    old_cwd = fs::current_path();
  }
  ~RecordingFileTest() override {
    fs::current_path(old_cwd);
    if (mounted) umount2(dir.c_str(), MNT_DETACH);
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
  }

  static constexpr uint8_t kKeyOfNote60 = 0x35;
  // The key of note 60 pressed or released at clock time `at`.
  void key_of_note60(uint32_t at, bool press) {
    clock.now_ms = at;
    if (press) {
      piano.note_key_down(key_press(kKeyOfNote60));
    } else {
      piano.note_key_up(key_release(kKeyOfNote60));
    }
  }
  // A recording of `notes` alternating presses and releases, 5 ms apart.
  void record(int notes) {
    piano.toggle_recording();
    for (int i = 0; i < notes; ++i) key_of_note60(5 * (i + 1), i % 2 == 0);
  }
  // A tmpfs on `dir`: only as root, and only where mounting is permitted.
  bool mount_tmpfs(const char* options) {
    if (geteuid() != 0 || mount("tastarion-test", dir.c_str(), "tmpfs", 0, options) != 0) {
      return false;
    }
    mounted = true;
    return true;
  }
  // The recording is still closed in the buffer, as the replayer needs it.
  void expect_closed_recording(uint32_t notes) {
    const uint32_t cursor = EventBuffer::kFirstRecord + 7 * (notes + 1);
    const uint8_t* data = take.data();
    EXPECT_EQ(Bytes(data + 18, data + 22), (Bytes{0, 0, static_cast<uint8_t>((cursor - 22) >> 8),
                                                  static_cast<uint8_t>(cursor - 22)}));
    EXPECT_TRUE(is_end_record(data + cursor - 7));
    EXPECT_NE(view.current_status(), PianoStatus::recording);
  }
  void expect_failure_shown(const std::string& path, int error) {
    std::vector<std::string> events = view.take();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().rfind("message Could not save the recording to ", 0), 0u);
    EXPECT_THAT(events.back(), HasSubstr(path));
    EXPECT_THAT(events.back(), HasSubstr(std::strerror(error)));
    EXPECT_EQ(view.current_status(), PianoStatus::none);
  }

  std::vector<std::string>& lines = trace;
  fs::path dir;
  fs::path old_cwd;
  bool mounted = false;
};

TEST_F(RecordingFileTest, WorkedExampleIsSavedByteForByte) {
  piano.toggle_recording();  // F2 at 0, volume 8
  key_of_note60(1000, true);
  key_of_note60(1250, false);
  piano.toggle_recording();

  EXPECT_THAT(lines, ElementsAre("on ch=0 time=3E8\n", "delta=3E8, stat=90, pitch=3C, vol=60\n",
                                 "off ch=0 time=FA\n", "delta=FA, stat=90, pitch=3C, vol=0\n",
                                 "delta=0, stat=FF, pitch=2F, vol=0\n", "終了 byte=32\n"));
  EXPECT_EQ(read_file(dir / "take.mid"), concat({kHeader,
                                                 {0x00, 0x00, 0x00, 0x1C},
                                                 kTempo,
                                                 {0x80, 0x80, 0x87, 0x68, 0x90, 0x3C, 0x60},
                                                 {0x80, 0x80, 0x81, 0x7A, 0x90, 0x3C, 0x00},
                                                 kEnd}));
  EXPECT_THAT(view.take(), ElementsAre("status recording", "mark on 60", "mark off 60",
                                       "save dialog", "status none"));
  expect_closed_recording(2);
}

TEST_F(RecordingFileTest, RecordingWithoutNotesIsThirtySixBytes) {
  piano.toggle_recording();
  piano.toggle_recording();
  EXPECT_EQ(read_file(dir / "take.mid"), concat({kHeader, {0x00, 0x00, 0x00, 0x0E}, kTempo, kEnd}));
  EXPECT_THAT(lines, ElementsAre("delta=0, stat=FF, pitch=2F, vol=0\n", "終了 byte=24\n"));
}

TEST_F(RecordingFileTest, ShorterSecondRecordingSavesOnlyItself) {
  record(4);
  piano.toggle_recording();
  ASSERT_EQ(fs::file_size(dir / "take.mid"), 36u + 7 * 4);
  piano.toggle_recording();
  key_of_note60(20 + 40, true);
  piano.toggle_recording();  // with the key still held: its note ends with the recording
  EXPECT_EQ(read_file(dir / "take.mid"), concat({kHeader,
                                                 {0x00, 0x00, 0x00, 0x1C},
                                                 kTempo,
                                                 {0x80, 0x80, 0x80, 0x28, 0x90, 0x3C, 0x60},
                                                 {0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x00},
                                                 kEnd}));
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"take.mid"});
}

TEST_F(RecordingFileTest, ChosenNameReplacesAnExistingFileWholeKeepingItsPermissions) {
  write_text(dir / "take.mid", std::string(500, 'x'));
  fs::permissions(dir / "take.mid",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  piano.toggle_recording();
  piano.toggle_recording();
  EXPECT_EQ(read_file(dir / "take.mid"), concat({kHeader, {0x00, 0x00, 0x00, 0x0E}, kTempo, kEnd}));
  EXPECT_EQ(fs::status(dir / "take.mid").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"take.mid"});
}

TEST_F(RecordingFileTest, CancelledDialogSavesUnderTheFirstFreeDefaultName) {
  fs::current_path(dir);
  view.save_answer = std::nullopt;
  record(0);
  piano.toggle_recording();
  EXPECT_EQ(lines.back(), "file=vemola.mid\n");
  EXPECT_EQ(fs::file_size(dir / "vemola.mid"), 36u);

  // Taken names are left alone, a dangling link included.
  fs::create_symlink("nowhere.mid", dir / "vemola-2.mid");
  record(2);
  piano.toggle_recording();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
              ElementsAre("終了 byte=32\n", "file=vemola-3.mid\n"));
  EXPECT_EQ(fs::file_size(dir / "vemola.mid"), 36u);
  EXPECT_EQ(fs::file_size(dir / "vemola-3.mid"), 50u);
  EXPECT_TRUE(fs::is_symlink(dir / "vemola-2.mid"));
  EXPECT_FALSE(fs::exists(dir / "nowhere.mid"));
  EXPECT_EQ(names_in(dir),
            (std::vector<std::string>{"vemola-2.mid", "vemola-3.mid", "vemola.mid"}));
}

// Programs started in one directory and cancelling their dialogs at the same
// moment all look at the same free name: each must land in a file of its own,
// none replacing another's.
TEST_F(RecordingFileTest, SimultaneousDefaultSavesTakeNamesOfTheirOwn) {
  fs::current_path(dir);
  constexpr int kPrograms = 6;
  constexpr int kSavesEach = 4;
  std::vector<std::thread> programs;
  std::vector<std::vector<std::string>> paths(kPrograms);
  for (int p = 0; p < kPrograms; ++p) {
    programs.emplace_back([p, &paths] {
      // Each program's file says whose it is in its length.
      const Bytes bytes(36 + 7 * p, static_cast<uint8_t>(p));
      for (int i = 0; i < kSavesEach; ++i) {
        const SavedFile saved = save_recording(bytes, std::nullopt);
        if (saved.saved()) paths[p].push_back(saved.path);
      }
    });
  }
  for (auto& program : programs) program.join();
  std::vector<std::string> all;
  for (int p = 0; p < kPrograms; ++p) {
    ASSERT_EQ(paths[p].size(), size_t{kSavesEach});
    for (const std::string& path : paths[p]) {
      EXPECT_EQ(read_file(dir / path), Bytes(36 + 7 * p, static_cast<uint8_t>(p))) << path;
      all.push_back(path);
    }
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a name was used twice";
  EXPECT_EQ(names_in(dir).size(), size_t{kPrograms * kSavesEach});
}

TEST_F(RecordingFileTest, UnwritableDirectoryIsReportedAndTheRecordingKept) {
  int expected;
  if (geteuid() == 0) {
    if (!mount_tmpfs("size=16k,mode=0755")) GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_EQ(mount("tastarion-test", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);
    expected = EROFS;
  } else {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    expected = EACCES;
  }
  record(2);
  piano.toggle_recording();
  expect_failure_shown(*view.save_answer, expected);
  EXPECT_EQ(lines.back(), "終了 byte=32\n");
  EXPECT_FALSE(fs::exists(*view.save_answer));
  expect_closed_recording(2);
}

// Each refusal keeps the step that failed and the system's own error apart, so
// that a caller can tell "not there" from "not a file" without parsing words.
TEST_F(RecordingFileTest, AFailedSaveSaysWhichStepFailedAndTheSystemsError) {
  const Bytes bytes(36, 0);
  const auto save_to = [&bytes](const fs::path& path) {
    return save_recording(bytes, path.string());
  };
  const SavedFile missing_folder = save_to(dir / "gone" / "take.mid");
  EXPECT_EQ(missing_folder.failure, SaveFailure::cannot_create);
  EXPECT_EQ(missing_folder.error, std::errc::no_such_file_or_directory);
  EXPECT_THAT(missing_folder.failure_text().english(), HasSubstr(std::strerror(ENOENT)));

  fs::create_directory(dir / "folder.mid");
  const SavedFile folder = save_to(dir / "folder.mid");
  EXPECT_EQ(folder.failure, SaveFailure::not_regular_file);
  EXPECT_EQ(folder.error, std::errc::is_a_directory);

  ASSERT_EQ(mkfifo((dir / "pipe.mid").c_str(), 0644), 0);
  const SavedFile pipe = save_to(dir / "pipe.mid");
  EXPECT_EQ(pipe.failure, SaveFailure::not_regular_file);
  EXPECT_FALSE(pipe.error);
  EXPECT_THAT(pipe.failure_text().english(), HasSubstr(": that is not a plain file."));

  fs::create_symlink("loop.mid", dir / "loop.mid");
  const SavedFile loop = save_to(dir / "loop.mid");
  EXPECT_EQ(loop.failure, SaveFailure::cannot_follow_link);
  EXPECT_EQ(loop.error, std::errc::too_many_symbolic_link_levels);

  const SavedFile saved = save_to(dir / "take.mid");
  EXPECT_TRUE(saved.saved());
  EXPECT_EQ(saved.failure_text().english(), "");
  EXPECT_EQ(names_in(dir),
            (std::vector<std::string>{"folder.mid", "loop.mid", "pipe.mid", "take.mid"}));
}

TEST_F(RecordingFileTest, FullFileSystemLeavesTheOldFileWhole) {
  if (!mount_tmpfs("size=16k")) GTEST_SKIP() << "needs root and permission to mount a tmpfs";
  write_text(dir / "take.mid", "the previous take");
  record(3000);  // 21,029 bytes, more than the file system holds
  piano.toggle_recording();
  expect_failure_shown(*view.save_answer, ENOSPC);
  EXPECT_EQ(read_file(dir / "take.mid"), Bytes({'t', 'h', 'e', ' ', 'p', 'r', 'e', 'v', 'i', 'o',
                                                'u', 's', ' ', 't', 'a', 'k', 'e'}));
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"take.mid"});
  expect_closed_recording(3000);
}

TEST_F(RecordingFileTest, ShortWriteIsReportedNotSavedAsATruncatedFile) {
  // A file size limit makes a real short write without any privilege.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  record(20);  // 169 bytes
  piano.toggle_recording();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  expect_failure_shown(*view.save_answer, EFBIG);
  EXPECT_TRUE(names_in(dir).empty());
  expect_closed_recording(20);
}

// As root a read-only file is writable, as it would be to a plain write; the
// refusal is checked as a user without that right.
class AsNobody {
 public:
  explicit AsNobody(const fs::path& dir) : root_(geteuid() == 0) {
    if (!root_) return;
    fs::permissions(dir, fs::perms::all);
    EXPECT_EQ(seteuid(65534), 0);
  }
  ~AsNobody() {
    if (root_) {
      EXPECT_EQ(seteuid(0), 0);
    }
  }

 private:
  bool root_;
};

Bytes file_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(RecordingFileTest, ReadOnlyFileIsKeptAndTheBoxOffersAnotherPlaceUntilASaveWorks) {
  const fs::path locked = dir / "take.mid";
  { std::ofstream(locked) << "old"; }
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_directory(dir / "sub");
  fs::permissions(dir / "sub", fs::perms::all);
  view.later_save_answers = {locked.string(), locked.string(), (dir / "sub" / "kept.mid").string()};
  view.save_elsewhere_times = 2;
  record(2);
  view.take();
  {
    AsNobody nobody(dir);
    piano.toggle_recording();
  }
  EXPECT_EQ(file_bytes(locked), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(file_bytes(dir / "sub" / "kept.mid").size(), 36u + 14u);
  const std::string refused = "message Could not save the recording to \"" + locked.string() +
                              "\": the file exists and is not writable, so it is left as it is.\n"
                              "The recording is kept; F3 replays it. Save it elsewhere?";
  EXPECT_THAT(view.take(), ElementsAre("save dialog", "status none", refused, "save dialog",
                                       refused, "save dialog"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "終了 byte=32\n"), 1);
  ASSERT_EQ(errors.size(), 2u);  // and the same on standard error
  EXPECT_EQ("message " + errors[0], refused + "\n");
  expect_closed_recording(2);
}

TEST_F(RecordingFileTest, ASymbolicLinkIsFollowedAndStays) {
  fs::create_directory(dir / "real");
  { std::ofstream(dir / "real" / "take.mid") << "old"; }
  fs::create_symlink("real/take.mid", dir / "link.mid");
  fs::create_symlink("real/new.mid", dir / "dangling.mid");
  view.save_answer = (dir / "link.mid").string();
  record(2);
  piano.toggle_recording();
  view.save_answer = (dir / "dangling.mid").string();
  piano.toggle_recording();
  piano.toggle_recording();
  EXPECT_TRUE(fs::is_symlink(dir / "link.mid"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.mid"));
  EXPECT_EQ(file_bytes(dir / "real" / "take.mid").size(), 50u);
  EXPECT_EQ(file_bytes(dir / "real" / "new.mid").size(), 36u);
}

}  // namespace
}  // namespace tastarion::testing
