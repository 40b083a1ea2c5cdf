// fUpdateAmi: hands one EOD text file to the chart database through a fresh
// "Broker.Application" automation object, loading the AmiPath database first
// when another one (or none) is open. The Update command calls it once per
// queued file.
#pragma once

#include <string>

#include "app/window_model.h"
#include "platform/platform.h"

namespace quillon {

// Reports only into the status box: the loaded database, the open database's
// path and the file being imported, or "fUpdateAmi AmiBorker : " with the
// error number and description run together. Handles all of its own errors;
// the busy pointer is shown while it works.
void fUpdateAmi(WindowModel& w, Platform& p, const std::string& strFile);

}  // namespace quillon
