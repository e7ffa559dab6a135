// The NetSync framing over a scripted byte stream: frames as they go out,
// frames that come in any cuts, and the answers it must refuse.
#include <gtest/gtest.h>

#include <algorithm>

#include "netsync_transport.h"

namespace oq::netsync {
namespace {

using dlp::LinkError;
using Bytes = std::vector<uint8_t>;

// Gives what the handheld "sent" one byte at a time, keeps what the
// desktop wrote; then the handheld hangs up.
class ScriptedStream : public stream::ByteStream {
 public:
  ScriptedStream(Bytes incoming, Bytes& written) : incoming_(std::move(incoming)), written_(written) {}
  LinkError Read(std::span<uint8_t> out, stream::Clock::time_point, size_t& got) override {
    if (next_ == incoming_.size()) return LinkError::kClosed;
    out[0] = incoming_[next_++];
    got = 1;
    return LinkError::kNone;
  }
  LinkError Write(std::span<const uint8_t> bytes, stream::Clock::time_point) override {
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    return LinkError::kNone;
  }
  std::string Detail() const override { return {}; }
  size_t consumed() const { return next_; }

 private:
  Bytes incoming_;
  size_t next_ = 0;
  Bytes& written_;
};

Transport Over(Bytes incoming, Bytes& written) {
  return Transport(std::make_unique<ScriptedStream>(std::move(incoming), written), std::chrono::seconds(5));
}

TEST(NetSyncTransportTest, RequestsAreFramedAndAnswersReadWholeFromAnyCuts) {
  Bytes written;
  auto transport = Over({1, 1, 0, 0, 0, 3, 0x90, 0, 0, 1, 2, 0, 0, 0, 1, 7}, written);
  ASSERT_EQ(transport.Send(Bytes{0x10, 0}), LinkError::kNone);
  EXPECT_EQ(written, (Bytes{1, 1, 0, 0, 0, 2, 0x10, 0})) << "data frame, transaction 1, 2 bytes";
  Bytes packet;
  ASSERT_EQ(transport.Receive(packet), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(packet, (Bytes{0x90, 0, 0}));
  ASSERT_EQ(transport.Send(Bytes{0x12}), LinkError::kNone);
  ASSERT_EQ(transport.Receive(packet), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(packet, (Bytes{7}));
  EXPECT_EQ(transport.Receive(packet), LinkError::kClosed);
}

TEST(NetSyncTransportTest, AnAnswerToAnotherRequestOrBeyondTheBoundIsRefused) {
  Bytes written;
  auto mismatched = Over({1, 5, 0, 0, 0, 1, 0x90}, written);
  ASSERT_EQ(mismatched.Send(Bytes{0x10, 0}), LinkError::kNone);
  Bytes packet;
  EXPECT_EQ(mismatched.Receive(packet), LinkError::kMalformed);
  EXPECT_EQ(mismatched.Failure(),
            "the handheld sent bytes that are no packet (an answer to request 5 while 1 was due)");
  EXPECT_EQ(mismatched.Send(Bytes{0x10, 0}), LinkError::kMalformed) << "a failed link stays failed";

  auto oversized = Over({1, 1, 0x00, 0x02, 0x00, 0x01}, written);
  ASSERT_EQ(oversized.Send(Bytes{0x10, 0}), LinkError::kNone);
  Bytes large;
  EXPECT_EQ(oversized.Receive(large), LinkError::kTooLong);
  EXPECT_EQ(large.capacity(), 0u) << "nothing is allocated for a length past the bound";

  auto notData = Over({2, 1, 0, 0, 0, 0}, written);
  ASSERT_EQ(notData.Send(Bytes{0x10, 0}), LinkError::kNone);
  EXPECT_EQ(notData.Receive(packet), LinkError::kMalformed);
}

}  // namespace
}  // namespace oq::netsync
