#pragma once
// The Win32 removal behind platform::ReportingRemoval: the same walks as
// the window's, with a sink and, for a preview, read-only access.

#include <memory>

#include "platform/removal_report.h"

namespace brim::platform::win32 {

std::unique_ptr<ReportingRemoval> MakeReportingRemoval();

}  // namespace brim::platform::win32
