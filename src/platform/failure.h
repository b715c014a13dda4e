#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace brim::platform {

// A platform operation that did not do what it was asked. `code` is the
// system error where there is one (0 otherwise). Not a std::runtime_error:
// that one keeps its text in the runtime's old string, which would bring a
// second string implementation into the exe.
class Failure : public std::exception {
 public:
  explicit Failure(std::string what, std::uint32_t code = 0) : what_(std::move(what)), code_(code) {}
  [[nodiscard]] const char* what() const noexcept override { return what_.c_str(); }
  [[nodiscard]] std::uint32_t code() const noexcept { return code_; }

 private:
  std::string what_;
  std::uint32_t code_;
};

}  // namespace brim::platform
