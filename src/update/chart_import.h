// The Update operation for one file: an EOD text file handed to the chart
// database through a fresh "Broker.Application" automation object.
#pragma once

#include <optional>
#include <string>

#include "platform/interfaces.h"

namespace quillon {

struct ChartImportJob {
  std::string file;             // the EOD text file
  std::string database_folder;  // loaded first when another one (or none) is open
};

// What went wrong: the automation error number (kErrApplication for other
// failures) and the description.
struct ChartImportResult {
  long error_number = 0;
  std::optional<std::string> failure;
};

// Reports into the status: the loaded database, the open database's path
// and the file being imported. The busy pointer shows while it works.
ChartImportResult import_into_chart_database(const ChartImportJob& job, BrokerFactory& brokers,
                                             MousePointer& pointer, StatusSink& status);

}  // namespace quillon
