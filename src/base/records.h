// The EOD output text file written by all three converters: one record per
// line, seven fields joined by "," (SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,
// VOLUME), CR LF after every record, no header. Also the line and field
// readers the converters share.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "base/dates.h"

namespace quillon {

// Appends a number field in the output's number form: read as a double and
// written in its shortest general decimal form with at most 15 significant
// digits ("1234.50" -> "1234.5", "100.00" -> "100", "-0" -> "0"). Blanks
// around the number are ignored. Returns false, appending nothing, for text
// that is not a finite number (empty, "12a", "NaN", "0x10", "1e400").
bool append_number(std::string& out, std::string_view field);

// Appends a date field as a whole number: a date that `dates` recognises as
// its eight digits YYYYMMDD, otherwise the field read as a 32-bit whole
// number ("20080131" stays 20080131). Returns false, appending nothing,
// when it is neither.
bool append_date_field(std::string& out, std::string_view field, const DateReader& dates);

// Walks the lines of a text held in memory. Lines end in CR LF, LF or CR; a
// final line end does not make an extra empty line.
class LineReader {
 public:
  explicit LineReader(std::string_view data) : data_(data) {}
  bool next(std::string_view& line);
  // The next line split as split_fields splits it, in one pass: how many
  // fields it has, or 0 when there is no line left.
  size_t next_fields(std::string_view* fields, size_t max);
  size_t line_number() const { return line_; }  // 1-based, of the last line read

 private:
  void move_past(const char* line_end);

  std::string_view data_;
  size_t pos_ = 0;
  size_t line_ = 0;
};

// Splits a line at every ",", keeping empty fields and blanks. Stores at
// most `max` fields and returns how many the line has in all.
size_t split_fields(std::string_view line, std::string_view* fields, size_t max);

// A field as shown in a message: control characters replaced, cut at 40.
std::string shown(std::string_view text);

// A failure inside one input, reported with the line where it happened.
[[noreturn]] void fail_at_line(size_t line, const std::string& what);

// The record's fields, named for messages.
inline constexpr const char* kOutputFieldNames[7] = {"SYMBOL", "YYYYMMDD", "OPEN", "HIGH",
                                                     "LOW",    "CLOSE",    "VOLUME"};

// The input fields one output record is made of.
struct EodFields {
  std::string_view symbol, date, open, high, low, close, volume;
};

// The last date field of an input and its text in the output: a day's file
// gives one date on every row, read once then. One per input converted.
struct LastDate {
  std::string field, text;
};

// Appends ",<date>,<open>,<high>,<low>,<close>,<volume>" and CR LF: the
// date text as given, the five fields in the number form. Returns 5, or the
// index of the first field that is no number (the record may then be
// partly appended).
size_t append_date_and_numbers(std::string& out, std::string_view date,
                               const std::array<std::string_view, 5>& numbers);

// Appends one record: the symbol as it is, the date field as YYYYMMDD (or
// its whole number), the prices and the volume in the number form, CR LF.
// A field that cannot be converted fails naming the line, the field and its
// text; `out` may then hold part of the record.
void append_record(std::string& out, const EodFields& f, size_t line, const DateReader& dates,
                   LastDate* last = nullptr);

// The record layout with open interest: puts `field` as an eighth field
// (SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME,OI) into the record `out`
// ends with, before its CR LF.
void append_eighth_field(std::string& out, std::string_view field);

}  // namespace quillon
