#include "platform/broker_registry.h"


namespace quillon {

void BrokerRegistry::add(const std::string& name, Maker maker) {
  for (auto& [known, m] : makers_)
    if (equal_ignoring_ascii_case(known, name)) {
      m = std::move(maker);
      return;
    }
  makers_.emplace_back(name, std::move(maker));
}

std::unique_ptr<BrokerApplication> BrokerRegistry::create(const std::string& name) {
  for (auto& [known, maker] : makers_)
    if (equal_ignoring_ascii_case(known, name)) return maker();
  throw AutomationError(
      kErrCannotCreate,
      "Cannot create the object '" + name + "': no chart database is registered under that name.");
}

}  // namespace quillon
