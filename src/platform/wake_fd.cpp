#include "platform/wake_fd.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tastarion {

WakeFd::WakeFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeFd::~WakeFd() {
  if (fd_ >= 0) close(fd_);
}

void WakeFd::wake() const noexcept {
  const uint64_t one = 1;
  // A full counter still wakes the reader; nothing to do about a failure here.
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void WakeFd::clear() const noexcept {
  uint64_t count;
  [[maybe_unused]] const ssize_t got = read(fd_, &count, sizeof count);
}

}  // namespace tastarion
