// fConvertScrip: converts the scrip history files of the symbol in the scrip
// box ("*" + symbol + "*XN*.csv") into EOD text files.
#pragma once

#include "app/window_model.h"
#include "platform/platform.h"

namespace quillon {

void fConvertScrip(WindowModel& w, Platform& p);

}  // namespace quillon
