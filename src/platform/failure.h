#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace brim::platform {

// A platform operation that did not do what it was asked. `code` is the
// system error where there is one (0 otherwise).
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what, std::uint32_t code = 0) : std::runtime_error(what), code_(code) {}
  [[nodiscard]] std::uint32_t code() const noexcept { return code_; }

 private:
  std::uint32_t code_;
};

}  // namespace brim::platform
