// How the simulated handheld's DLP messages travel: NetSync's framing, or
// the serial protocols (SLP, PADP and CMP), over its line.
#pragma once

#include <memory>
#include <string>

#include "line.h"
#include "sim_options.h"

namespace sim {

class HandheldLink {
 public:
  virtual ~HandheldLink() = default;
  // The HotSync's opening: NetSync's three exchanges, or the CMP wake-up.
  virtual bool Open() = 0;
  // One whole request; false once the desktop hung up or broke the framing.
  virtual bool Read(Bytes& message) = 0;
  virtual bool Send(const Bytes& message) = 0;
  // Announces a message longer than any the framing carries, then goes.
  virtual void SendOversized() = 0;
  // Lines for handheld.txt about the link.
  virtual std::string Report() const { return {}; }
};

// `lineSettings` is the descriptor whose settings the desktop made (a
// pseudo-terminal's other side); -1 when there is none.
std::unique_ptr<HandheldLink> MakeNetSyncLink(Line& line, const Options& options);
std::unique_ptr<HandheldLink> MakeSerialLink(Line& line, const Options& options, int lineSettings);

}  // namespace sim
