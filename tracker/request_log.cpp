#include "request_log.h"

namespace oq::tracker {

RequestLog::RequestLog(std::FILE* out) : out_(out), writer_([this] { Run(); }) {}

RequestLog::~RequestLog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  writer_.join();
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
    wake_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
    if (queued_.empty() && stopping_) return;
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
