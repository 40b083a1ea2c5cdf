#include "update/update_ami.h"

#include <exception>
#include <memory>

#include "platform/broker_registry.h"
#include "chartdb/eod_server.h"

namespace quillon {

void fUpdateAmi(WindowModel& w, Platform& p, const std::string& strFile) {
  const std::string crlf(kCrLf);
  std::unique_ptr<BrokerApplication> objAmi;
  try {
    p.pointer.busy();
    objAmi = p.brokers.create(kBrokerProgId);
    if (upper_ascii(objAmi->DatabasePath()) != upper_ascii(w.gstrAmiPath)) {
      if (objAmi->LoadDatabase(w.gstrAmiPath)) {
        w.Text1.append(crlf + "AmiBroker Update: loaded DB " + w.gstrAmiPath + "..." + crlf);
        objAmi->SaveDataBase();
      }
    }
    w.Text1.append(crlf + "AmiBroker Update: AB path is: " + objAmi->DatabasePath() + "..." + crlf);
    w.Text1.append(crlf + "AmiBroker Update: Updating AmiBroker with  " + strFile + "..." + crlf);
    objAmi->Import(0, strFile, kEodImportFormat);
    objAmi->RefreshAll();
    p.pointer.arrow();
  } catch (const std::exception& e) {
    const auto* automation = dynamic_cast<const AutomationError*>(&e);
    const long number = automation ? automation->number() : kErrApplication;
    w.Text1.append(crlf + "fUpdateAmi AmiBorker : " + std::to_string(number) + e.what() + crlf);
    p.pointer.arrow();
  }
  objAmi.reset();
}

}  // namespace quillon
