#include "serial_transport.h"

#include <algorithm>
#include <optional>

#include "cmp_packet.h"

namespace oq::serial {

using dlp::LinkError;

Transport::Transport(std::unique_ptr<stream::ByteStream> stream, LinkTiming timing,
                     std::function<bool(uint32_t)> setRate, std::function<bool()> stopped)
    : stream_(std::move(stream)), timing_(timing), setRate_(std::move(setRate)), stop_(std::move(stopped)) {}

LinkError Transport::Fail(LinkError error, const std::string& detail) {
  failed_ = error;
  failure_ = dlp::DescribeFailure(error, detail);
  return error;
}

LinkError Transport::ReadPacket(SlpPacket& packet, Clock::time_point until) {
  for (;;) {
    if (auto next = reader_.Next()) {
      if (next->destination != kDlpSocket || next->type != kPadpType) continue;  // a loopback or debugger packet
      packet = std::move(*next);
      return LinkError::kNone;
    }
    const auto now = Clock::now();
    const auto grace = connecting_ ? Clock::duration{} : stream::kStopGrace;
    if (const auto stopEnds = stop_.Ends(grace); stopEnds && now >= *stopEnds) {
      return Fail(
          LinkError::kInterrupted,
          connecting_ ? "" : "no answer came within " + std::to_string(stream::kStopGrace.count()) + " s of it");
    }
    if (now >= deadline_) return Fail(LinkError::kTimedOut, "the HotSync ran past its time limit");
    uint8_t chunk[512];
    size_t got = 0;
    const auto end = std::min({until, deadline_, now + stream::kStopCheck});
    const auto error = stream_->Read(chunk, end, got);
    if (error == LinkError::kTimedOut && end == until) return error;
    if (error == LinkError::kTimedOut) continue;
    if (error != LinkError::kNone) return Fail(error, stream_->Detail());
    reader_.Feed(std::span(chunk, got));
  }
}

bool Transport::IsRepeat(uint8_t transaction, const PadpPacket& fragment) const {
  return lastReceived_ && lastReceived_->transaction == transaction && lastReceived_->flags == fragment.flags &&
         lastReceived_->size == fragment.size;
}

LinkError Transport::WritePacket(uint8_t transaction, const PadpPacket& padp) {
  SlpPacket packet;
  packet.transaction = transaction;
  packet.body = EncodePadp(padp);
  const auto error = stream_->Write(EncodeSlp(packet), Clock::now() + timing_.answer);
  if (error != LinkError::kNone) return Fail(error, stream_->Detail());
  return LinkError::kNone;
}

LinkError Transport::Acknowledge(uint8_t transaction, const PadpPacket& fragment) {
  return WritePacket(transaction, {kPadpAck, fragment.flags, fragment.size, {}});
}

LinkError Transport::Send(std::span<const uint8_t> message) {
  if (failed_ != LinkError::kNone) return failed_;
  // One transaction id for the whole message; each fragment's ack names
  // it by its size field.
  transaction_ = static_cast<uint8_t>(transaction_ + 1);
  if (transaction_ == 0 || transaction_ == 0xFF) transaction_ = 1;  // the values the handheld keeps for itself
  const auto fragments = Fragments(message);
  for (const auto& fragment : fragments) {
    const bool last = &fragment == &fragments.back();
    bool acknowledged = false;
    for (int sending = 0; !acknowledged && sending < timing_.retries; ++sending) {
      if (const auto error = WritePacket(transaction_, fragment); error != LinkError::kNone) return error;
      const auto until = Clock::now() + timing_.ack;
      while (!acknowledged) {
        SlpPacket packet;
        const auto error = ReadPacket(packet, until);
        if (error == LinkError::kTimedOut && failed_ == LinkError::kNone) break;  // sent again
        if (error != LinkError::kNone) return error;
        std::string problem;
        const auto padp = DecodePadp(packet.body, problem);
        if (!padp) continue;
        if (padp->type == kPadpAbort) return Fail(LinkError::kClosed, "it aborted the HotSync");
        if (padp->type == kPadpData && IsRepeat(packet.transaction, *padp)) {
          // Our ack of its last fragment was lost: it is sending that again.
          if (const auto error = Acknowledge(packet.transaction, *padp); error != LinkError::kNone) return error;
          continue;
        }
        if (padp->type == kPadpData && last) {
          // The answer under way says the request came whole, though its
          // ack was lost.
          early_ = std::move(packet);
          acknowledged = true;
          break;
        }
        acknowledged = padp->type == kPadpAck && packet.transaction == transaction_ && padp->size == fragment.size;
      }
    }
    if (!acknowledged) {
      return Fail(LinkError::kTimedOut, "no acknowledgement after " + std::to_string(timing_.retries) + " sendings");
    }
  }
  return LinkError::kNone;
}

LinkError Transport::Receive(std::vector<uint8_t>& message) {
  if (failed_ != LinkError::kNone) return failed_;
  PadpAssembler assembler;
  for (;;) {
    SlpPacket packet;
    if (early_) {
      packet = std::move(*early_);
      early_.reset();
    } else if (const auto error = ReadPacket(packet, Clock::now() + timing_.answer); error != LinkError::kNone) {
      if (failed_ != LinkError::kNone) return error;
      return Fail(error, "nothing came for " + std::to_string(timing_.answer.count() / 1000) + " s");
    }
    std::string problem;
    const auto padp = DecodePadp(packet.body, problem);
    if (!padp) return Fail(LinkError::kMalformed, problem);
    if (padp->type == kPadpAbort) return Fail(LinkError::kClosed, "it aborted the HotSync");
    if (padp->type != kPadpData) continue;  // a tickle, or a late ack
    if (const auto error = Acknowledge(packet.transaction, *padp); error != LinkError::kNone) return error;
    if (IsRepeat(packet.transaction, *padp)) continue;  // a fragment sent again: taken already
    lastReceived_ = {packet.transaction, padp->flags, padp->size};
    switch (assembler.Accept(*padp)) {
      case PadpAssembler::Result::kMore: continue;
      case PadpAssembler::Result::kWhole: message = assembler.Take(); return LinkError::kNone;
      case PadpAssembler::Result::kMalformed: return Fail(LinkError::kMalformed, "a PADP fragment out of place");
    }
  }
}

LinkError Transport::Connect(std::span<const uint32_t> rates, bool stay) {
  std::vector<uint8_t> message;
  connecting_ = true;
  const auto error = Receive(message);
  connecting_ = false;
  if (error != LinkError::kNone) return error;
  std::string problem;
  const auto wakeUp = DecodeCmp(message, problem);
  if (!wakeUp || wakeUp->type != kCmpWakeUp) {
    return Fail(LinkError::kMalformed, wakeUp ? "a CMP packet where the wake-up was due" : problem);
  }
  const CmpPacket init = InitFor(*wakeUp, setRate_ ? rates : std::span<const uint32_t>{}, stay || !setRate_);
  if (const auto error = Send(EncodeCmp(init)); error != LinkError::kNone) return error;
  if (init.flags & kCmpChangeRate) {
    if (!setRate_(init.rate)) return Fail(LinkError::kSystem, "the line cannot go at " + std::to_string(init.rate));
    rate_ = init.rate;
  }
  return LinkError::kNone;
}

}  // namespace oq::serial
