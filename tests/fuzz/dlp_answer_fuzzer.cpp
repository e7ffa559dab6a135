// Any bytes as the handheld's answer: the response decoder and every
// command's answer reader take them, or refuse them with a reason, and the
// client never reads past what came.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#include "dlp_client.h"

namespace {

using namespace oq::dlp;

// Answers every request with the fuzzer's bytes, the command byte set to
// the request's so that most answers get past the first check.
class OneAnswer : public Transport {
 public:
  explicit OneAnswer(std::span<const uint8_t> answer) : answer_(answer.begin(), answer.end()) {}
  LinkError Send(std::span<const uint8_t> packet) override {
    command_ = packet.empty() ? 0 : packet[0];
    return LinkError::kNone;
  }
  LinkError Receive(std::vector<uint8_t>& packet) override {
    if (answered_++ > 64) return LinkError::kClosed;  // a database list that pages forever
    packet = answer_;
    if (!packet.empty()) packet[0] = static_cast<uint8_t>(command_ | 0x80);
    return LinkError::kNone;
  }
  std::string Failure() const override { return "closed"; }

 private:
  std::vector<uint8_t> answer_;
  uint8_t command_ = 0;
  int answered_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> answer(data + 1, size - 1);
  std::string problem;
  if (const auto response = DecodeResponse(answer, problem)) {
    size_t carried = 0;
    for (const auto& argument : response->arguments) {
      if (argument.id > kArgumentIdMask) std::abort();
      carried += argument.data.size();
    }
    if (carried > answer.size()) std::abort();
  } else if (problem.empty()) {
    std::abort();
  }

  OneAnswer link(answer);
  Client client(link);
  UserInfo user;
  SysInfo sys;
  std::vector<DatabaseInfo> databases;
  DatabaseInfo database;
  uint8_t handle = 0;
  uint16_t count = 0;
  RecordData record;
  ResourceData resource;
  std::vector<uint8_t> block;
  PreferenceData preference;
  const std::vector<std::function<Status()>> calls{
      [&] { return client.ReadUserInfo(user); },
      [&] { return client.ReadSysInfo(sys); },
      [&] { return client.ReadDatabaseList(databases); },
      [&] { return client.ReadDatabaseInfo(3, database); },
      [&] { return client.OpenDb("Memo", 0x80, handle); },
      [&] { return client.ReadOpenDbInfo(1, count); },
      [&] { return client.ReadRecordByIndex(1, 0, kReadWhole, record); },
      [&] { return client.ReadResourceByType(1, 0x636F6465, 0, resource); },
      [&] { return client.ReadAppBlock(1, block); },
      [&] { return client.ReadAppPreference(0x726B4F51, 0, true, kReadWhole, preference); },
  };
  const Status status = calls[data[0] % calls.size()]();
  if (!status.ok() && status.Describe().empty()) std::abort();
  if (record.data.size() > answer.size() || resource.data.size() > answer.size() || block.size() > answer.size() ||
      preference.data.size() > answer.size()) {
    std::abort();
  }
  return 0;
}
