// The automation objects the program can create, by name. The command line
// and the window register the SQLite EOD database as "Broker.Application";
// a registry with nothing under a name fails as a missing automation server
// does.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/interfaces.h"

namespace quillon {

// The text with ASCII letters upper-cased (nothing else changed).
inline std::string upper_ascii(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return up(x) == up(y); });
}

class BrokerRegistry final : public BrokerFactory {
 public:
  using Maker = std::function<std::unique_ptr<BrokerApplication>()>;

  // Registers `maker` under `name`, replacing an earlier one of that name.
  // Names match without regard to ASCII letter case.
  void add(const std::string& name, Maker maker);

  // A fresh object from the maker registered under `name`. Throws
  // AutomationError (429) when there is none.
  std::unique_ptr<BrokerApplication> create(const std::string& name) override;

 private:
  std::vector<std::pair<std::string, Maker>> makers_;
};

}  // namespace quillon
