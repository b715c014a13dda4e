#pragma once

namespace brim::platform {

// The bounded single-precision value behind a progress bar.
class ProgressValue {
 public:
  ProgressValue(float min, float max) : min_(min), max_(max), value_(min) {}

  [[nodiscard]] float Get() const { return value_; }
  // Throws Failure for a value outside [min, max]; the value stays unchanged.
  void Set(float value);
  [[nodiscard]] float Min() const { return min_; }
  [[nodiscard]] float Max() const { return max_; }

 private:
  float min_;
  float max_;
  float value_;
};

}  // namespace brim::platform
