#include "base/url_text.h"

#include "base/text.h"

namespace quillon {

namespace {

bool is_alnum(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
bool is_unreserved(unsigned char c) {
  return is_alnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool is_delimiter(unsigned char c) {
  for (char d : std::string_view(":/?#[]@!$&'()*+,;="))
    if (c == static_cast<unsigned char>(d)) return true;
  return false;
}
bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
void put_escape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 15]);
}

}  // namespace

std::string encode_url_for_request(std::string_view address) {
  std::string out;
  out.reserve(address.size() + 16);
  for (size_t i = 0; i < address.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(address[i]);
    if (is_unreserved(c) || is_delimiter(c) ||
        (c == '%' && i + 2 < address.size() && is_hex(address[i + 1]) &&
         is_hex(address[i + 2])))
      out.push_back(static_cast<char>(c));
    else
      put_escape(out, c);
  }
  return out;
}

std::string encode_query_value(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 8);
  for (char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (is_unreserved(c))
      out.push_back(ch);
    else
      put_escape(out, c);
  }
  return out;
}

bool is_http_address(std::string_view address) {
  auto starts = [&](std::string_view scheme) {
    if (address.size() < scheme.size()) return false;
    return equal_ignoring_ascii_case(address.substr(0, scheme.size()), scheme);
  };
  return starts("http://") || starts("https://");
}

}  // namespace quillon
