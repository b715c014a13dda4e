#include "ui/designs.h"

#include <array>

namespace brim::ui {
namespace {

using platform::ControlDesign;
using platform::Dock;
using platform::FontDesign;
using platform::Kind;
using platform::Settings;

constexpr std::wstring_view kInstructions =
    L"Simply put in your Drive letter in the first text box (on the left) and your computer username on the "
    L"right "
    L"then hit Cleanup. Deletes in less than 2 seconds on average.";

constexpr FontDesign kUserFont{L"MS Sans Serif", 975, 400, false, false, false, 0};

// clang-format off
constexpr std::array kMainControls{
//             Name      Kind                 Caption or text  Left  Top   Width Height Tab  Further settings
  ControlDesign{L"PrB",    Kind::ProgressBar,   L"",               0, 1155, 4590, 405,   6, Settings{.dock = Dock::Bottom, .min = 0.0F, .max = 186.0F}},
  ControlDesign{L"D",      Kind::TextBox,       L"C",             60,   30,  465, 285,   5, Settings{.max_length = 1}},
  ControlDesign{L"Cmd2",   Kind::CommandButton, L"Exit Program", 3240,  810, 1335, 345,   3, Settings{}},
  ControlDesign{L"Cmd3",   Kind::CommandButton, L"About",        3240,  420, 1335, 345,   2, Settings{}},
  ControlDesign{L"Cmd1",   Kind::CommandButton, L"Cleanup",      3240,   30, 1335, 375,   1, Settings{.default_button = true}},
  ControlDesign{L"U",      Kind::TextBox,       L"Administrator", 540,   30, 2685, 315,   0, Settings{.font = &kUserFont}},
  ControlDesign{L"Label3", Kind::Label,         kInstructions,     60,  360, 3135, 1005,  4, Settings{.centred = true}},
};
// clang-format on

constexpr std::wstring_view kNote =
    L"Please pass this program around. "
    L"If you need any help or are interested in putting this on your site please contact me. "
    L"The only sites that are allowed to host this are www.example.com and www.example.net (including "
    L"affiliates). "
    L"There are Personal editions around for those who asked. "
    L"Donations are highly appreciated.";

// clang-format off
constexpr std::array kAboutControls{
//             Name           Kind                 Caption      Left  Top   Width Height Tab  Further settings
  ControlDesign{L"Blog",        Kind::CommandButton, L"Blog",       30, 1410,  765, 375,   5, Settings{}},
  ControlDesign{L"Cmd4",        Kind::CommandButton, L"Donate",    810, 1410,  885, 375,   4, Settings{}},
  ControlDesign{L"WebBrowser1", Kind::WebBrowser,    L"",         5760, 3840,   30,  30,   3, Settings{}},
  ControlDesign{L"Cmd2",        Kind::CommandButton, L"Email Me", 1680, 1410,  915, 375,   2, Settings{}},
  ControlDesign{L"Cmd1",        Kind::CommandButton, L"OK",       2580, 1410,  705, 375,   1, Settings{.default_button = true}},
  ControlDesign{L"Label1",      Kind::Label,         kNote,         30,   30, 3285, 1455,  0, Settings{.centred = true}},
};
// clang-format on

}  // namespace

const platform::FormDesign kMainDesign{kMainName,    L"Brimsweep 1.8",    4590,
                                       1560,         /*in_taskbar=*/true, platform::StartUp::CenterScreen,
                                       kMainControls};

const platform::FormDesign kAboutDesign{
    kAboutName, L"About", 3255, 1770, /*in_taskbar=*/false, platform::StartUp::CenterOwner, kAboutControls};

}  // namespace brim::ui
