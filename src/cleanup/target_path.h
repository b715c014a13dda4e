#pragma once

#include <string>
#include <string_view>

#include "cleanup/catalogue.h"
#include "platform/removal.h"

namespace brim::cleanup {

inline constexpr std::wstring_view kProfileRoot = L":\\Documents and Settings\\";
static_assert(kProfileRoot.substr(2, platform::kProfilesFolder.size()) == platform::kProfilesFolder,
              "the removal's profile anchors follow the composed paths");

// Plain concatenation: nothing inserted, trimmed, folded or normalised.
std::wstring TargetPath(const Row& row, std::wstring_view drive, std::wstring_view user);

}  // namespace brim::cleanup
