// The user's regional short-date pattern as Qt reads it from the locale
// (LC_ALL, LC_TIME, LANG): "dd/MM/yyyy" for en_GB, "M/d/yy" for en_US...
#pragma once

#include "platform/interfaces.h"

namespace quillon {

class QtDatePattern final : public DatePatternSource {
 public:
  std::string short_date_pattern() override;
};

}  // namespace quillon
