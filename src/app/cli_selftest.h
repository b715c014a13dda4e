#pragma once
// The console companion's self-test, its Win32 side: scratch folders under
// %TEMP%, every kind of item the system lets this user make, a preview and a
// clean through the reporting removal, and the checks of what they did.

#include "cli/selftest.h"
#include "platform/removal_report.h"

namespace brim::app {

cli::SelftestResult RunSelftest(platform::ReportingRemoval& removal);

}  // namespace brim::app
