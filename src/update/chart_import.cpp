#include "update/chart_import.h"

#include <exception>
#include <memory>

#include "base/text.h"
#include "chartdb/eod_server.h"

namespace quillon {

ChartImportResult import_into_chart_database(const ChartImportJob& job, BrokerFactory& brokers,
                                             MousePointer& pointer, StatusSink& status) {
  const std::string crlf(kCrLf);
  ChartImportResult result;
  try {
    pointer.busy();
    const std::unique_ptr<BrokerApplication> broker = brokers.create(kBrokerProgId);
    if (!equal_ignoring_ascii_case(broker->DatabasePath(), job.database_folder)) {
      if (broker->LoadDatabase(job.database_folder)) {
        status.append(crlf + "AmiBroker Update: loaded DB " + job.database_folder + "..." + crlf);
        broker->SaveDataBase();
      }
    }
    status.append(crlf + "AmiBroker Update: AB path is: " + broker->DatabasePath() + "..." + crlf);
    status.append(crlf + "AmiBroker Update: Updating AmiBroker with  " + job.file + "..." + crlf);
    broker->Import(0, job.file, kEodImportFormat);
    broker->RefreshAll();
  } catch (const std::exception& e) {
    const auto* automation = dynamic_cast<const AutomationError*>(&e);
    result.error_number = automation ? automation->number() : kErrApplication;
    result.failure = e.what();
  }
  pointer.arrow();
  return result;
}

}  // namespace quillon
