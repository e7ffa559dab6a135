// Any bytes from a serial line: the SLP reader takes whole packets with a
// good checksum and CRC or passes the bytes over, what it takes encodes
// back to the same packet, and PADP and CMP take its bodies or refuse them.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "cmp_packet.h"
#include "padp_packet.h"
#include "slp_packet.h"

using namespace oq::serial;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t cut = data[0] == 0 ? 1 : data[0];
  const std::span<const uint8_t> line(data + 1, size - 1);
  SlpReader reader;
  PadpAssembler assembler;
  size_t taken = 0;
  for (size_t offset = 0; offset < line.size(); offset += cut) {
    reader.Feed(line.subspan(offset, std::min(cut, line.size() - offset)));
    while (auto packet = reader.Next()) {
      const auto encoded = EncodeSlp(*packet);
      taken += encoded.size();
      if (taken > line.size()) std::abort();  // more taken than came
      SlpReader again;
      again.Feed(encoded);
      const auto back = again.Next();
      if (!back || back->body != packet->body || back->transaction != packet->transaction) std::abort();
      std::string problem;
      const auto padp = DecodePadp(packet->body, problem);
      if (!padp) {
        if (problem.empty()) std::abort();
        continue;
      }
      if (assembler.Accept(*padp) == PadpAssembler::Result::kWhole) {
        const auto message = assembler.Take();
        if (!DecodeCmp(message, problem) && problem.empty()) std::abort();
      }
    }
  }
  return 0;
}
