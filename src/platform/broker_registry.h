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

#include "base/text.h"
#include "platform/interfaces.h"

namespace quillon {



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
