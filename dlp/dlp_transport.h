// How DLP packets reach a handheld: the client hands a transport one whole
// request and gets back one whole response. NetSync over TCP is the
// transport today; serial and USB would be others.
//
// Every call blocks until the packet is through, the handheld has been
// silent for the transport's time-out, or the transport was told to stop.
// A transport that failed once stays failed: the link is gone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace oq::dlp {

enum class LinkError {
  kNone,
  kClosed,       // the handheld hung up
  kTimedOut,     // no byte within the time-out
  kMalformed,    // bytes that are no packet of the protocol
  kTooLong,      // a packet longer than any the protocol has
  kInterrupted,  // the desktop was told to stop
  kSystem,       // the operating system refused (see Failure())
};

const char* Describe(LinkError error);
// "the handheld hung up (Connection reset by peer)": the error, then any
// detail the transport has.
std::string DescribeFailure(LinkError error, const std::string& detail);

class Transport {
 public:
  virtual ~Transport() = default;
  virtual LinkError Send(std::span<const uint8_t> packet) = 0;
  virtual LinkError Receive(std::vector<uint8_t>& packet) = 0;
  // The last failure in words, with whatever detail the transport has.
  virtual std::string Failure() const = 0;
};

}  // namespace oq::dlp
