// An in-memory Disk for tests: files and folders in maps, listings by the
// real disk's rules, writes whole or not at all, and faults on demand: an
// error number for the reads, writes or listings of a path or of everything
// under a path prefix, and files or folders that vanish right after a listing.
// Safe to call from several threads at once, as the real disk is.
#pragma once

#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/real_platform.h"
#include "platform/text_file.h"

namespace quillon::testing {

class MemoryDisk final : public Disk {
 public:
  enum Op { Read, Write, List };

  // Every `op` on a path that starts with `prefix` fails with `err` (ENOSPC,
  // EACCES, EIO...), in the real disk's words.
  void fail(Op op, const std::string& prefix, int err) { faults_.push_back({op, prefix, err}); }
  // Everything under `prefix` is gone once a listing has returned.
  void vanish_after_list(const std::string& prefix) { vanishing_.push_back(prefix); }
  // Stores a file and makes its folders.
  void put(const std::string& path, std::string data) {
    make_folders(folder_of(key(path)));
    files[key(path)] = std::move(data);
    changed_[key(path)] = ++changes_;
  }
  // The files below `folder` by their paths there ("a.csv", "fo/b.csv"), with their bytes; their names.
  std::map<std::string, std::string> under(const std::string& folder) const {
    std::map<std::string, std::string> found;
    for (const auto& [path, data] : files)
      if (path.starts_with(key(folder) + "/")) found[path.substr(key(folder).size() + 1)] = data;
    return found;
  }
  std::vector<std::string> names_under(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& [name, data] : under(folder)) names.push_back(name);
    return names;
  }
  // A path as the maps hold it: "//" as "/", no "/" at the end.
  static std::string key(std::string path) {
    for (size_t at; (at = path.find("//")) != std::string::npos;) path.erase(at, 1);
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }

  std::vector<std::string> list(const std::string& folder, const std::string& pattern) override {
    std::lock_guard lock(mutex_);
    if (int err = fault(List, folder); err || !folders.count(key(folder)))
      throw Error("Cannot list the folder '" + folder + "': " + errno_text(err ? err : ENOENT) + ".");
    std::vector<std::string> names;
    for (const auto& [path, data] : files) {
      if (folder_of(path) != key(folder)) continue;
      const std::string name = path.substr(path.rfind('/') + 1);
      if (name[0] != '.' && wildcard_match(pattern, name)) names.push_back(name);
    }
    sort_names(names);
    for (const std::string& prefix : vanishing_) {
      std::erase_if(files, [&](const auto& f) { return f.first.starts_with(prefix); });
      std::erase_if(folders, [&](const std::string& f) { return f.starts_with(prefix); });
    }
    return names;
  }

  void read(const std::string& path, std::string& out) override {
    std::lock_guard lock(mutex_);
    out.clear();
    const int err = fault(Read, path);
    if (err == EIO) throw Error(file_error("read", path, err));
    auto it = files.find(key(path));
    if (err || it == files.end()) throw Error(file_error("open", path, err ? err : ENOENT));
    out = it->second;
  }

  void read_pieces(const std::string& path, size_t piece,
                   const std::function<void(std::string_view)>& take) override {
    std::string whole;
    read(path, whole);
    for (size_t at = 0; at < whole.size(); at += piece) take(std::string_view(whole).substr(at, piece));
  }

  void write(const std::string& path, std::string_view data, bool) override {
    std::lock_guard lock(mutex_);
    const int err = fault(Write, path);
    if (err == EACCES || err == ENOTDIR || !folders.count(folder_of(key(path))))
      throw Error(file_error("create", path, err ? err : ENOENT));
    if (err) throw Error(file_error("write", path, err));
    files[key(path)] = data;
    changed_[key(path)] = ++changes_;
    written.push_back(key(path));
  }

  bool holds(const std::string& path, std::string_view data) override {
    std::lock_guard lock(mutex_);
    const auto f = files.find(key(path));
    return f != files.end() && f->second == data && !fault(Read, path);
  }
  bool is_file(const std::string& path) override {
    std::lock_guard lock(mutex_);
    return files.count(key(path)) > 0;
  }
  // The size, and as its time the number of the change that last wrote the
  // file mixed with its bytes (a test may set `files` directly).
  std::optional<FileStamp> stamp(const std::string& path) override {
    std::lock_guard lock(mutex_);
    const auto f = files.find(key(path));
    if (f == files.end()) return std::nullopt;
    const auto mixed = static_cast<int64_t>(std::hash<std::string>{}(f->second) % 1000003);
    return FileStamp{f->second.size(), changed_[key(path)] * 1000003 + mixed};
  }
  bool is_folder(const std::string& path) override {
    std::lock_guard lock(mutex_);
    return folders.count(key(path)) > 0;
  }
  void make_folders(const std::string& folder) override {
    std::lock_guard lock(mutex_);
    for (std::string f = key(folder); !folders.count(f) && f != "." && !f.empty(); f = folder_of(f)) {
      if (int err = fault(Write, f)) throw Error("Cannot create the folder '" + f + "': " + errno_text(err) + ".");
      folders.insert(f);
      if (f == "/") break;
    }
  }
  void remove(const std::string& path) override {
    std::lock_guard lock(mutex_);
    files.erase(key(path));
  }
  void remove_stale_temporaries(const std::string& folder) override {
    std::lock_guard lock(mutex_);
    std::erase_if(files, [&](const auto& f) {
      return folder_of(f.first) == key(folder) && is_stale_temporary(f.first.substr(f.first.rfind('/') + 1));
    });
  }

  std::map<std::string, std::string> files;  // path -> content
  std::set<std::string> folders;
  std::vector<std::string> written;  // paths of the writes that succeeded, in order

 private:
  struct Fault { Op op; std::string prefix; int err; };
  int fault(Op op, const std::string& path) const {
    for (const Fault& f : faults_)
      if (f.op == op && path.starts_with(f.prefix)) return f.err;
    return 0;
  }
  std::vector<Fault> faults_;
  std::vector<std::string> vanishing_;
  std::map<std::string, int64_t> changed_;  // path -> the change that last wrote it
  int64_t changes_ = 0;
  std::mutex mutex_;  // a conversion's workers read while its writer writes
};

}  // namespace quillon::testing
