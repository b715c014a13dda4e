#pragma once
// The stored designs of the two windows.

#include <string_view>

#include "platform/forms.h"

namespace brim::ui {

inline constexpr std::wstring_view kMainName = L"S";
inline constexpr std::wstring_view kAboutName = L"Ab";

extern const platform::FormDesign kMainDesign;
extern const platform::FormDesign kAboutDesign;

}  // namespace brim::ui
