// Sets a flag for the length of a scope and puts its old value back when the
// scope ends, also when it ends by an exception.
#pragma once

namespace nimbo::colorpicker {

class ScopedFlag {
 public:
  ScopedFlag(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
  ~ScopedFlag() { flag_ = old_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace nimbo::colorpicker
