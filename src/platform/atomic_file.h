// The program's one way of writing a file: whole or not at all. Used by
// every file write (write_file_atomically), the settings save and the
// fetcher's downloads alike.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Opens a temporary file beside `path` ("." + name + ".quillon-tmp" + pid +
// "-" + n, which never ends in ".csv"); append() adds to it and commit()
// renames it over `path`. Until the commit `path` keeps its earlier content.
// A failure, or destruction without a commit, removes the temporary. Every
// failure throws Error naming `path`: "Cannot create the file …", "Cannot
// write the file …" or "Cannot replace the file …".
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void append(std::string_view data);
  // With `durable` the data and the rename are flushed to the disk first.
  void commit(bool durable = false);

 private:
  [[noreturn]] void fail(const char* verb, int err);
  void discard();

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
};

}  // namespace quillon
