#include "chartdb/eod_server.h"

#include <algorithm>
#include <string_view>

namespace quillon {

EodServer::EodServer(EodServer&& other) noexcept
    : database_(std::move(other.database_)),
      listeners_(std::move(other.listeners_)),
      next_listener_(other.next_listener_) {}

EodServer& EodServer::operator=(EodServer&& other) noexcept {
  database_ = std::move(other.database_);
  listeners_ = std::move(other.listeners_);
  next_listener_ = other.next_listener_;
  return *this;
}

std::string EodServer::database_folder() const {
  std::lock_guard lock(mutex_);
  return database_ ? database_->folder() : std::string();
}

bool EodServer::load(const std::string& folder) {
  std::unique_ptr<EodDatabase> db = EodDatabase::open(folder);
  if (!db) return false;
  std::lock_guard lock(mutex_);
  database_.swap(db);
  return true;  // the one replaced is closed here
}

int EodServer::add_refresh_listener(RefreshListener listener) {
  std::lock_guard lock(mutex_);
  listeners_.emplace_back(next_listener_, std::move(listener));
  return next_listener_++;
}

void EodServer::remove_refresh_listener(int id) {
  std::lock_guard lock(mutex_);
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void EodServer::refresh_all() {
  std::lock_guard lock(mutex_);
  const std::string folder = database_folder();
  auto listeners = listeners_;  // a listener may remove itself or others
  for (auto& [id, listener] : listeners) {
    const bool registered = std::any_of(listeners_.begin(), listeners_.end(),
                                        [id = id](const auto& l) { return l.first == id; });
    if (registered) listener(folder);
  }
}

std::string SqliteBroker::DatabasePath() { return server_.database_folder(); }

bool SqliteBroker::LoadDatabase(const std::string& path) { return server_.load(path); }

void SqliteBroker::SaveDataBase() {
  if (EodDatabase* db = server_.database()) db->checkpoint();
}

void SqliteBroker::Import(short type, const std::string& file, const std::string& format) {
  if (type != 0)
    throw AutomationError(kErrInvalidArgument,
                          "Unknown import type " + std::to_string(type) + " for '" + file +
                              "': only 0, a text file read through an import format, is known;"
                              " nothing was imported.");
  if (!equal_ignoring_ascii_case(format, kEodImportFormat))
    throw AutomationError(kErrInvalidArgument,
                          "Unknown import format '" + format + "' for '" + file + "': only '" +
                              kEodImportFormat +
                              "' (SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME) is known;"
                              " nothing was imported.");
  EodDatabase* db = server_.database();
  if (!db)
    throw AutomationError(kErrApplication,
                          "No chart database is open, so '" + file +
                              "' was not imported: LoadDatabase needs an existing folder.");
  db->import_file(file);
}

void SqliteBroker::RefreshAll() { server_.refresh_all(); }

void register_sqlite_broker(BrokerRegistry& registry, EodServer& server, const std::string& name) {
  registry.add(name, [&server] { return std::make_unique<SqliteBroker>(server); });
}

}  // namespace quillon
