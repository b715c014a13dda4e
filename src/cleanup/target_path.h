#pragma once

#include <string>
#include <string_view>

#include "cleanup/catalogue.h"

namespace brim::cleanup {

inline constexpr std::wstring_view kProfileRoot = L":\\Documents and Settings\\";

// Plain concatenation: nothing inserted, trimmed, folded or normalised.
std::wstring TargetPath(const Row& row, std::wstring_view drive, std::wstring_view user);

}  // namespace brim::cleanup
