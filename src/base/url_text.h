// Percent-encoding of the texts that go into the exchange's addresses.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The address as a request can carry it: every character that cannot stand
// in a URL as it is (a blank, a control character, '"', '<', '>', '\', '^',
// '`', '{', '|', '}', bytes from 0x80 on, a '%' not followed by two hex
// digits) becomes %XX; letters, digits, "-._~", the delimiters
// ":/?#[]@!$&'()*+,;=" and existing %XX escapes stay as they are.
std::string encode_url_for_request(std::string_view address);

// A query value: every character but the letters, digits and "-._~"
// becomes %XX ("M&M" -> "M%26M", a blank -> "%20").
std::string encode_query_value(std::string_view value);

// True for "http://..." and "https://..." (scheme in any letter case).
bool is_http_address(std::string_view address);

}  // namespace quillon
