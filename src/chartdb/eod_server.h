// The chart database as the automation object "Broker.Application" sees it.
//
// EodServer is what the chart program itself would keep between the
// automation objects the Update command creates and releases per file: the
// open database and the chart views to tell when to reload. It lives as long
// as the program (main() owns it) and is handed to the registry.
//
// The commands (and so load() and refresh_all()) run on a worker thread
// while chart windows on the UI thread ask for the folder and register
// listeners: those calls are safe from any thread. database() is for the
// thread that runs the commands.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/broker_registry.h"
#include "chartdb/eod_database.h"
#include "platform/interfaces.h"

namespace quillon {

inline constexpr const char* kBrokerProgId = "Broker.Application";

class EodServer {
 public:
  using RefreshListener = std::function<void(const std::string& folder)>;

  EodServer() = default;
  // Moves the database and the listeners; neither server may be in use on
  // another thread meanwhile.
  EodServer(EodServer&& other) noexcept;
  EodServer& operator=(EodServer&& other) noexcept;

  // The open database, or nullptr before any successful load.
  EodDatabase* database() { return database_.get(); }
  // The open database's folder, as given to load(); empty when none is open.
  std::string database_folder() const;

  // Opens the database of `folder` (see EodDatabase::open) in place of the
  // open one. Returns false, keeping the open one, for an empty text or a
  // missing folder; throws AutomationError when the database cannot be
  // opened.
  bool load(const std::string& folder);

  // Chart views register here to reload on RefreshAll. The id removes the
  // listener again; once remove_refresh_listener() has returned, that
  // listener is not running and is never called again.
  int add_refresh_listener(RefreshListener listener);
  void remove_refresh_listener(int id);
  // Tells every listener, with the open database's folder, on the calling
  // thread. Listeners must not wait for other threads.
  void refresh_all();

 private:
  mutable std::recursive_mutex mutex_;  // guards database_'s replacement and the listeners
  std::unique_ptr<EodDatabase> database_;
  std::vector<std::pair<int, RefreshListener>> listeners_;
  int next_listener_ = 1;
};

// One automation object over the server: created per file, released after.
class SqliteBroker final : public BrokerApplication {
 public:
  explicit SqliteBroker(EodServer& server) : server_(server) {}
  std::string DatabasePath() override;
  bool LoadDatabase(const std::string& path) override;
  void SaveDataBase() override;
  // Reads `file` as format kEodImportFormat with type 0 (a text file read
  // through an import format); anything else is refused.
  void Import(short type, const std::string& file, const std::string& format) override;
  void RefreshAll() override;

 private:
  EodServer& server_;
};

// Registers the SQLite EOD database under `name` ("Broker.Application").
void register_sqlite_broker(BrokerRegistry& registry, EodServer& server,
                            const std::string& name = kBrokerProgId);

}  // namespace quillon
