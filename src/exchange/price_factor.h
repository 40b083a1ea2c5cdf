// What the purpose of a corporate action does to the share's price: the
// factor that earlier prices are multiplied by to compare with later ones.
#pragma once

#include <string_view>

namespace quillon {

struct PriceFactor {
  enum class Kind {
    none,        // no price event: a dividend, rights, a buy-back, an AGM, a
                 // bonus of debentures or preference shares...
    event,       // a bonus, a change of face value, or both: `factor`
    unreadable,  // it names a bonus or a change of face value whose figures
                 // cannot be read
  };
  Kind kind = Kind::none;
  double factor = 1;  // for event: positive, finite, not 1
};

// Reads a purpose as the exchange writes it, in any letter case. The text is
// taken in parts split at "/" (but not "/-", as in "Rs 10/- Per Share") and
// ";"; each part may name:
// - a bonus, "BONUS A:B" or "BON-A:B" (A new shares for every B held):
//   B / (A + B); a bonus of debentures or preference shares (DEB, PREF,
//   NCRPS, DVR in the part) is no price event;
// - a change of face value from X to Y ("FV SPLT FRM RS 10 TO RS 2",
//   "FVSPLTFRM100TO1", "SPLIT RS10TORS.5", "Face Value Split (Sub-Division) -
//   From Rs 10/- Per Share To Rs 2/- Per Share", "FV CONSOLIDATION FRM RS 1
//   TO RS 10"): Y / X, X being the last number before "TO" and Y the first
//   after it (a point right after RS or RE is no decimal point).
// A text naming several gives the product of their factors; a product of 1
// is no event.
PriceFactor price_factor_of(std::string_view purpose);

}  // namespace quillon
