#include "request_log.h"

#include <cerrno>
#include <cstring>

namespace oq::tracker {

RequestLog::RequestLog(std::FILE* out) : out_(out), writer_([this] { Run(); }) {}

std::unique_ptr<RequestLog> RequestLog::ToFile(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (!file) {
    error = "cannot open the log " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  auto log = std::make_unique<RequestLog>(file);
  std::lock_guard lock(log->mutex_);
  log->path_ = path;
  return log;
}

void RequestLog::Reopen() {
  {
    std::lock_guard lock(mutex_);
    if (path_.empty()) return;
    reopen_ = true;
  }
  wake_.notify_one();
}

RequestLog::~RequestLog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  writer_.join();
  if (!path_.empty()) std::fclose(out_);
}

void RequestLog::Write(std::string line) {
  bool wasEmpty;
  {
    std::lock_guard lock(mutex_);
    if (queued_.size() >= kMaxQueuedLines) {
      ++dropped_;
      return;
    }
    wasEmpty = queued_.empty();
    queued_.push_back(std::move(line));
  }
  if (wasEmpty) wake_.notify_one();
}

void RequestLog::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || reopen_ || !queued_.empty(); });
    if (reopen_) {
      // The file was moved away: what follows goes to a new one at the path.
      reopen_ = false;
      if (std::FILE* fresh = std::fopen(path_.c_str(), "a")) {
        std::fclose(out_);
        out_ = fresh;
      }
    }
    if (queued_.empty() && stopping_) return;
    if (queued_.empty()) continue;
    std::deque<std::string> batch;
    batch.swap(queued_);
    const size_t dropped = dropped_;
    dropped_ = 0;
    lock.unlock();
    if (dropped != 0) std::fprintf(out_, "oq-tracker: %zu log lines dropped: the log was not read\n", dropped);
    for (const auto& line : batch) std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    lock.lock();
  }
}

}  // namespace oq::tracker
