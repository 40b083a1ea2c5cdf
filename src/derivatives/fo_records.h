// The derivatives segment's daily Bhavcopy (F&O) into EOD records: its
// futures, one record a contract and the continuous near, next and far
// series of each underlying. Two layouts, told by their header and read by
// column name:
// - the old file (to 5 July 2024): INSTRUMENT,SYMBOL,EXPIRY_DT,STRIKE_PR,
//   OPTION_TYP,OPEN,HIGH,LOW,CLOSE,SETTLE_PR,CONTRACTS,VAL_INLAKH,OPEN_INT,
//   CHG_IN_OI,TIMESTAMP, (futures: FUTIDX, FUTSTK);
// - the UDiFF file (from 8 July 2024): the cash file's 34 columns
//   (futures: FinInstrmTp IDF, STF; the expiry FininstrmActlXpryDt, else
//   XpryDt).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/convert_files.h"

namespace quillon {

// Reads one F&O file piece by piece and writes its records: for each
// futures row a record of the contract, <SYMBOL><YY><MON>FUT (NIFTY24NOVFUT),
// and, among the futures of an underlying on a trade date with an expiry
// on or after it, by expiry, the first as <SYMBOL>-I, the second -II, the
// third -III. Each record: the date of the row, open, high and low (each
// that is zero takes the close), close, volume in contracts, in the number
// form; with `open_interest` an eighth field, the open interest. Records by
// symbol (byte order), then date. Symbols are never cut. Options and other
// rows are not read past their instrument type. Throws Error naming the
// line and the column for a header that is neither layout or lacks a
// column, and for a futures row with a bad number or date.
class FoRecords final : public PieceConverter {
 public:
  explicit FoRecords(bool open_interest) : open_interest_(open_interest) {}
  void take(std::string_view piece) override;
  void finish(std::string& out) override;
  size_t futures() const { return rows_.size(); }  // futures rows read

 private:
  enum Column { kInstrument, kSymbol, kExpiry, kActualExpiry, kDate, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest, kColumns };
  struct Row {
    std::string underlying;
    int32_t date = 0, expiry = 0;
    std::string values;  // ",O,H,L,C,V[,OI]" in the number form
  };
  void line(std::string_view text);
  void header(std::string_view text);

  bool open_interest_;
  std::string carry_;  // the start of a line the last piece cut
  size_t line_number_ = 0;
  bool udiff_ = false;
  std::vector<size_t> index_;  // of each Column; npos: none
  size_t needed_ = 0;          // fields a futures row must have
  std::vector<std::string_view> fields_;
  std::vector<Row> rows_;
};

}  // namespace quillon
