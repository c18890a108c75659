#pragma once

#include <string>
#include <utility>

namespace tastarion {

// What a platform call came to: success, or a sentence saying what failed and
// why, to be shown as it stands. A failure may carry its remedy, for the cases
// where the usual advice would not fit the reason.
class [[nodiscard]] Result {
 public:
  static Result success() { return Result(); }
  static Result failure(std::string reason, std::string remedy = {}) {
    Result result(reason.empty() ? std::string("unknown failure") : std::move(reason));
    result.remedy_ = std::move(remedy);
    return result;
  }

  bool ok() const { return reason_.empty(); }
  explicit operator bool() const { return ok(); }
  // Empty on success.
  const std::string& reason() const { return reason_; }
  // What the user can do about it; empty when the usual advice fits.
  const std::string& remedy() const { return remedy_; }

 private:
  Result() = default;
  explicit Result(std::string reason) : reason_(std::move(reason)) {}

  std::string reason_;
  std::string remedy_;
};

}  // namespace tastarion
