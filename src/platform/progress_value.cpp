#include "platform/progress_value.h"

#include "platform/failure.h"

namespace brim::platform {

void ProgressValue::Set(float value) {
  // NaN fails both comparisons, so test for "inside" rather than "outside".
  if (!(value >= min_ && value <= max_)) {  // NOLINT(readability-simplify-boolean-expr)
    throw Failure("Invalid property value");
  }
  value_ = value;
}

}  // namespace brim::platform
