// The tracker's request log, written by a thread of its own: answering a
// request costs a queued line, never a write or a flush, and a reader that
// stops reading standard output cannot stall the server. Lines are flushed
// whenever the queue runs empty, so a watcher sees them promptly.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace oq::tracker {

class RequestLog {
 public:
  explicit RequestLog(std::FILE* out);
  // Appends to the file at `path`, which Reopen opens again; none when it
  // cannot be opened (`error` says why).
  static std::unique_ptr<RequestLog> ToFile(const std::string& path, std::string& error);
  ~RequestLog();  // writes what is queued, then stops
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  void Write(std::string line);
  // Opens the log file again at its path, once what is queued is written
  // (after a rotation moved it away); nothing for standard output.
  void Reopen();

 private:
  void Run();

  // Lines beyond this many waiting are dropped and counted, so memory stays
  // bounded while nobody reads the log.
  static constexpr size_t kMaxQueuedLines = 100000;

  std::FILE* out_;
  std::string path_;  // empty for standard output
  bool reopen_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queued_;
  size_t dropped_ = 0;
  bool stopping_ = false;
  std::thread writer_;
};

}  // namespace oq::tracker
