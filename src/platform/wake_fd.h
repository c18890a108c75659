#pragma once

namespace tastarion {

// An eventfd that one thread writes to wake another sleeping in a poll (or a
// QSocketNotifier): a counter, so that wakes never pile up and never block.
// wake() is real-time safe: one write, no lock, no allocation.
class WakeFd {
 public:
  WakeFd();
  ~WakeFd();
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;

  // -1 when the system refused one.
  int fd() const { return fd_; }
  void wake() const noexcept;
  // Takes the wakes that came, before looking at what they told of.
  void clear() const noexcept;

 private:
  const int fd_;
};

}  // namespace tastarion
