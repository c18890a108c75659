#pragma once

#include <string>
#include <utility>

namespace tastarion {

// What a platform call came to: success, or a sentence saying what failed and
// why, to be shown as it stands.
class [[nodiscard]] Result {
 public:
  static Result success() { return Result(); }
  static Result failure(std::string reason) {
    return Result(reason.empty() ? std::string("unknown failure") : std::move(reason));
  }

  bool ok() const { return reason_.empty(); }
  explicit operator bool() const { return ok(); }
  // Empty on success.
  const std::string& reason() const { return reason_; }

 private:
  Result() = default;
  explicit Result(std::string reason) : reason_(std::move(reason)) {}

  std::string reason_;
};

}  // namespace tastarion
