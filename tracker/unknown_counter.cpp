#include "unknown_counter.h"

#include <ctime>
#include <iostream>
#include <vector>

#include "program_record.h"

namespace oq::tracker {

std::string EscapedAsked(std::string_view text, size_t width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text.substr(0, width)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

void UnknownCounter::Add(std::string_view creator, std::string_view name, std::string_view version) {
  namespace record = program_record;
  const std::string code = EscapedAsked(creator, record::kCodeLength);
  const std::string program = EscapedAsked(name, record::kProgramNameLength);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  auto found = pending_.find({code, program});
  if (found == pending_.end()) {
    if (pending_.size() >= kMaxPending) return;
    found = pending_.emplace(std::pair{code, program}, UnknownRow{code, program, "", 0, now, now}).first;
  }
  found->second.version = EscapedAsked(version, record::kVersionLength);
  ++found->second.count;
  found->second.lastSeen = now;
}

void UnknownCounter::Flush(CatalogDb& db, bool wait) {
  if (pending_.empty()) return;
  std::vector<UnknownRow> asks;
  asks.reserve(pending_.size());
  for (const auto& [key, row] : pending_) asks.push_back(row);
  const auto counted = db.CountUnknown(asks, wait);
  if (counted.ok()) {
    pending_.clear();
  } else if (wait) {
    std::cerr << "oq-tracker: the unknown programs asked for since the last second were not counted: "
              << counted.failure() << "\n";
  }
}

}  // namespace oq::tracker
