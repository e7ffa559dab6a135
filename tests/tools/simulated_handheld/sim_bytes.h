// Big-endian helpers of the simulator's own, shared by its framings and its
// DLP answers and by nothing of the desktop's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

inline uint16_t Get16(const Bytes& b, size_t at) { return at + 2 <= b.size() ? uint16_t(b[at] << 8 | b[at + 1]) : 0; }
inline uint32_t Get32(const Bytes& b, size_t at) {
  return at + 4 <= b.size() ? uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3]
                            : 0;
}
inline void Put8(Bytes& b, uint8_t v) { b.push_back(v); }
inline void Put16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
inline void Put32(Bytes& b, uint32_t v) { Put16(b, uint16_t(v >> 16)), Put16(b, uint16_t(v)); }
inline void PutBytes(Bytes& b, const Bytes& v) { b.insert(b.end(), v.begin(), v.end()); }
inline std::string CString(const Bytes& b, size_t at) {
  std::string s;
  while (at < b.size() && b[at] != 0) s += char(b[at++]);
  return s;
}

}  // namespace sim
