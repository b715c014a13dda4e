#pragma once
// Arguments of the test drivers. A path or text too long for a command line
// (which Windows caps at 32,767 characters) is passed as "@FILE": the UTF-8
// contents of FILE, one text per line.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/text.h"

namespace brim::testing {

// The texts an argument stands for: itself, or the lines of its file.
inline std::vector<std::wstring> ArgTexts(std::wstring_view arg) {
  if (arg.empty() || arg.front() != L'@') {
    return {std::wstring(arg)};
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(
      ::_wfopen(std::wstring(arg.substr(1)).c_str(), L"rb"), &std::fclose);
  std::string all;
  if (in) {
    char chunk[4096];  // NOLINT(modernize-avoid-c-arrays): a read buffer
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) {
      all.append(chunk, n);
    }
  }
  std::vector<std::wstring> out;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string::npos) {
      end = all.size();
    }
    out.push_back(platform::win32::WidenUtf8(std::string_view(all).substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

// An argument that stands for one text.
inline std::wstring ArgText(std::wstring_view arg) {
  const std::vector<std::wstring> texts = ArgTexts(arg);
  return texts.empty() ? std::wstring() : texts.front();
}

}  // namespace brim::testing
