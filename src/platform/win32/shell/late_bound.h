#pragma once

#include <string>
#include <string_view>

namespace brim::platform::win32 {

// An entry of a DLL reached by name at its first use rather than through the
// import table, so the exe keeps its imports to what every Windows has.
class LateBoundEntry {
 public:
  using Entry = void (*)();

  LateBoundEntry(std::wstring_view library, std::string_view entry) : library_(library), entry_(entry) {}

  // The first successful call binds for the rest of the run (the library stays
  // loaded). A failed binding throws Failure; the next call tries again.
  Entry Get();
  // The same, as the caller's function type.
  template <typename Fn>
  Fn As() {
    return reinterpret_cast<Fn>(Get());
  }

 private:
  std::wstring library_;
  std::string entry_;
  Entry bound_ = nullptr;
};

}  // namespace brim::platform::win32
