// fConvertIndex: converts index history files (INDEX*.csv) into EOD text
// files with the symbol taken from the file name and volume 0.
#pragma once

#include "app/window_model.h"
#include "platform/platform.h"

namespace quillon {

void fConvertIndex(WindowModel& w, Platform& p);

}  // namespace quillon
