#pragma once

#include <array>
#include <string_view>

namespace brim::cleanup {

enum class Removal { Folder, Files };
enum class Root { Drive, Profile };

struct Row {
  int position;
  Removal removal;
  Root root;
  std::wstring_view tail;
  float step;
};

inline constexpr std::size_t kRowCount = 92;

// The fixed, ordered list of targets; every run walks all of it.
extern const std::array<Row, kRowCount> kCatalogue;

}  // namespace brim::cleanup
