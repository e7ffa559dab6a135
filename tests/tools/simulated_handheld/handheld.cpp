// The simulated handheld's side of the Desktop Link Protocol: databases
// loaded from .pdb/.prc files, each request answered as a handheld's data
// manager would, whichever framing carries it.
#include "handheld.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include "palm_database.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

uint32_t Code(const char* text) {
  return uint32_t(text[0]) << 24 | uint32_t(text[1]) << 16 | uint32_t(text[2]) << 8 | uint8_t(text[3]);
}
uint32_t Code(const oq::palm::FourCC& c) {
  return uint32_t(c[0]) << 24 | uint32_t(c[1]) << 16 | uint32_t(c[2]) << 8 | c[3];
}
oq::palm::FourCC FourCC(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// A DLP date from Palm seconds (since 1904), the handheld's clock as UTC.
void PutDate(Bytes& b, uint32_t palmSeconds) {
  if (palmSeconds == 0) {
    b.insert(b.end(), 8, 0);
    return;
  }
  const time_t unix = time_t(int64_t(palmSeconds) - 2082844800);
  tm t{};
  gmtime_r(&unix, &t);
  Put16(b, uint16_t(t.tm_year + 1900)), Put8(b, uint8_t(t.tm_mon + 1)), Put8(b, uint8_t(t.tm_mday));
  Put8(b, uint8_t(t.tm_hour)), Put8(b, uint8_t(t.tm_min)), Put8(b, uint8_t(t.tm_sec)), Put8(b, 0);
}

uint32_t PalmNow() { return uint32_t(int64_t(time(nullptr)) + 2082844800); }

constexpr uint16_t kNotFound = 5, kNoneOpen = 6, kExists = 9, kIllegal = 2;

struct OpenDatabase {
  std::string name;
  uint8_t mode;
};

class Handheld {
 public:
  Handheld(HandheldLink& link, Options options) : link_(link), options_(std::move(options)) {}

  void Load() {
    if (options_.databases.empty() || !fs::is_directory(options_.databases)) return;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(options_.databases)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      std::ifstream in(path, std::ios::binary);
      Bytes bytes((std::istreambuf_iterator<char>(in)), {});
      auto parsed = oq::palm::ParseDatabase(bytes);
      if (parsed.database) order_.push_back(parsed.database->Name()), dbs_[order_.back()] = *parsed.database;
    }
  }

  bool Open() { return link_.Open(); }

  // Answers requests until EndOfSync (true) or the desktop hangs up.
  bool Serve() {
    for (;;) {
      Bytes request;
      if (!link_.Read(request)) return false;
      ++requests_;
      if (requests_ == options_.dropAfter) return false;
      if (options_.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(options_.delayMs));
      if (requests_ == options_.oversizeAfter) {
        link_.SendOversized();
        return false;
      }
      if (requests_ == options_.garbageAfter) {
        link_.Send({uint8_t(request[0] | 0x80), 3, 0});
        continue;
      }
      const uint8_t command = request.empty() ? 0 : request[0];
      uint16_t error = 0;
      std::vector<std::pair<uint8_t, Bytes>> out;
      const int nth = ++calls_[command];
      if (std::pair<int, int>{command, nth} == options_.dropAt) return false;
      if (auto fault = options_.failures.find({command, nth}); fault != options_.failures.end()) {
        error = uint16_t(fault->second);
      } else {
        error = Answer(command, Arguments(request), out);
      }
      log_ << std::hex << int(command) << std::dec << (error ? "!" : "") << " ";
      const uint8_t answered = requests_ == options_.wrongAnswerAfter ? uint8_t(command ^ 1) : command;
      Bytes response{uint8_t(answered | 0x80), uint8_t(out.size())};
      Put16(response, error);
      for (auto& [id, data] : out) {
        if (data.size() < 256) {
          Put8(response, id), Put8(response, uint8_t(data.size()));
        } else {
          Put8(response, id | 0x80), Put8(response, 0), Put16(response, uint16_t(data.size()));
        }
        PutBytes(response, data);
      }
      if (!link_.Send(response)) return false;
      if (command == 0x2F) return true;
    }
  }

  void Save(bool ended) {
    fs::create_directories(options_.save);
    for (const auto& [name, db] : dbs_) {
      std::string file = name;
      std::replace(file.begin(), file.end(), '/', '_');
      const Bytes bytes = oq::palm::SerializeDatabase(db);
      std::ofstream(options_.save / (file + (db.IsResourceDb() ? ".prc" : ".pdb")), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::ofstream info(options_.save / "handheld.txt");
    info << "ended=" << (ended ? "yes" : "no") << "\nendStatus=" << endStatus_ << "\nlastSyncPc=" << lastSyncPc_
         << "\nlastSyncYear=" << lastSyncYear_ << "\nrequests=" << requests_ << "\ncommands=" << log_.str()
         << "\nlog=" << syncLog_ << "\nuser=" << options_.user << "\nuserId=" << *options_.userId << "\n"
         << link_.Report();
  }

 private:
  static std::map<uint8_t, Bytes> Arguments(const Bytes& request) {
    std::map<uint8_t, Bytes> arguments;
    size_t at = 2;
    for (int i = 0; request.size() >= 2 && i < request[1] && at < request.size(); ++i) {
      const uint8_t first = request[at];
      size_t length, header;
      if (first & 0x80) {
        length = Get16(request, at + 2), header = 4;
      } else if (first & 0x40) {
        length = Get32(request, at + 2), header = 6;
      } else {
        length = at + 1 < request.size() ? request[at + 1] : 0, header = 2;
      }
      if (at + header + length > request.size()) break;
      arguments[first & 0x3F] =
          Bytes(request.begin() + long(at + header), request.begin() + long(at + header + length));
      at += header + length;
    }
    return arguments;
  }

  oq::palm::Database* OpenDb(const Bytes& arg) {
    auto it = open_.find(arg.empty() ? 0 : arg[0]);
    return it == open_.end() ? nullptr : &dbs_[it->second.name];
  }

  // The catalogue that never ends, open under this request's handle.
  bool Endless(const Bytes& arg) {
    auto it = open_.find(arg.empty() ? 0 : arg[0]);
    return options_.endlessCatalogue && it != open_.end() && it->second.name == "OQProgDB";
  }

  bool ShowsSecret(uint8_t handle) { return (open_[handle].mode & 0x10) != 0; }

  std::vector<size_t> Visible(const oq::palm::Database& db, uint8_t handle) {
    std::vector<size_t> visible;
    for (size_t i = 0; i < db.records.size(); ++i) {
      if (ShowsSecret(handle) || !(db.records[i].attributes & 0x10)) visible.push_back(i);
    }
    return visible;
  }

  static void PutRecord(Bytes& out, const oq::palm::Record& r, uint16_t index, uint16_t maxLength) {
    Put32(out, r.uniqueId), Put16(out, index), Put16(out, uint16_t(r.data.size()));
    Put8(out, r.attributes & 0xF0), Put8(out, r.attributes & 0x0F);
    out.insert(out.end(), r.data.begin(), r.data.begin() + std::min<size_t>(r.data.size(), maxLength));
  }

  static void Changed(oq::palm::Database& db) {
    ++db.modificationNumber;
    db.modificationDate = PalmNow();
  }

  oq::palm::Database& Preferences(bool saved) {
    const std::string name = saved ? "Saved Preferences" : "Unsaved Preferences";
    if (!dbs_.count(name)) {
      oq::palm::Database db;
      db.SetName(name);
      db.attributes = 0x0001;
      db.type = FourCC(Code("sprf")), db.creator = FourCC(Code("psys"));
      dbs_[name] = db;
    }
    return dbs_[name];
  }

  uint16_t Answer(uint8_t command, std::map<uint8_t, Bytes> args, std::vector<std::pair<uint8_t, Bytes>>& out) {
    const Bytes& a = args.count(0x20) ? args[0x20] : args[0x21];
    Bytes r;
    switch (command) {
      case 0x10: {  // ReadUserInfo
        Put32(r, *options_.userId), Put32(r, 0), Put32(r, lastSyncPc_);
        r.insert(r.end(), 16, 0);
        const std::string& name = options_.user;
        Put8(r, uint8_t(name.empty() ? 0 : name.size() + 1)), Put8(r, 0);
        if (!name.empty()) r.insert(r.end(), name.begin(), name.end()), Put8(r, 0);
        break;
      }
      case 0x11: {  // WriteUserInfo: what the flags name
        const uint8_t flags = a.size() > 20 ? a[20] : 0;
        if (flags & 0x80) options_.userId = Get32(a, 0);
        if (flags & 0x40) lastSyncPc_ = Get32(a, 8);
        if (flags & 0x20) lastSyncYear_ = Get16(a, 12);
        if (flags & 0x10) options_.user = CString(a, 22);
        return 0;
      }
      case 0x12: {  // ReadSysInfo
        Put32(r, 0x05003000), Put32(r, 0), Put8(r, 0), Put8(r, 0);
        Bytes version;
        Put16(version, 1), Put16(version, 2), Put16(version, 1), Put16(version, 0), Put32(version, 0xFFFF);
        out.push_back({0x20, r});
        out.push_back({0x21, version});
        return 0;
      }
      case 0x16: {  // ReadDBList: two per answer, to exercise "more"; one without 0x20
        const size_t start = Get16(a, 2);
        if (options_.endlessList) {  // two made-up databases per page, for ever
          Put16(r, uint16_t(start + 1)), Put8(r, 0x80), Put8(r, 2);
          for (int i = 0; i < 2; ++i) {
            Bytes e(44, 0);
            const std::string name = "Endless " + std::to_string(start + i);
            e.insert(e.end(), name.begin(), name.end()), Put8(e, 0);
            if (e.size() % 2) Put8(e, 0);
            e[0] = uint8_t(e.size());
            PutBytes(r, e);
          }
          break;
        }
        if (start >= order_.size()) return kNotFound;
        const size_t end = std::min(order_.size(), start + ((a[0] & 0x20) ? 2 : 1));
        Put16(r, uint16_t(end - 1)), Put8(r, end < order_.size() ? 0x80 : 0), Put8(r, uint8_t(end - start));
        for (size_t i = start; i < end; ++i) {
          const auto& db = dbs_[order_[i]];
          Bytes e;
          Put8(e, 0), Put8(e, 0), Put16(e, db.attributes), Put32(e, Code(db.type)), Put32(e, Code(db.creator));
          Put16(e, db.version), Put32(e, db.modificationNumber);
          PutDate(e, db.creationDate), PutDate(e, db.modificationDate), PutDate(e, db.backupDate);
          Put16(e, uint16_t(i));
          const std::string name = db.Name();
          e.insert(e.end(), name.begin(), name.end()), Put8(e, 0);
          if (e.size() % 2) Put8(e, 0);
          e[0] = uint8_t(e.size());
          PutBytes(r, e);
        }
        break;
      }
      case 0x17: {  // OpenDB
        const std::string name = CString(a, 2);
        if (!dbs_.count(name)) return kNotFound;
        uint8_t handle = 1;
        while (open_.count(handle)) ++handle;
        open_[handle] = {name, a[1]};
        r.push_back(handle);
        break;
      }
      case 0x18: {  // CreateDB
        const std::string name = CString(a, 14);
        if (dbs_.count(name)) return kExists;
        oq::palm::Database db;
        db.SetName(name);
        db.creator = FourCC(Get32(a, 0)), db.type = FourCC(Get32(a, 4));
        db.attributes = Get16(a, 10), db.version = Get16(a, 12);
        dbs_[name] = db;
        order_.push_back(name);
        uint8_t handle = 1;
        while (open_.count(handle)) ++handle;
        open_[handle] = {name, 0xD0};
        r.push_back(handle);
        break;
      }
      case 0x19: return open_.erase(a.empty() ? 0 : a[0]) ? 0 : kNoneOpen;
      case 0x1A: {  // DeleteDB
        const std::string name = CString(a, 2);
        if (!dbs_.erase(name)) return kNotFound;
        order_.erase(std::remove(order_.begin(), order_.end(), name), order_.end());
        return 0;
      }
      case 0x1B: {  // ReadAppBlock
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        if (!db->appInfo) return kNotFound;
        Put16(r, uint16_t(db->appInfo->size())), PutBytes(r, *db->appInfo);
        break;
      }
      case 0x1C:
      case 0x1E: {  // WriteAppBlock, WriteSortBlock
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        (command == 0x1C ? db->appInfo : db->sortInfo) = Bytes(a.begin() + 4, a.end());
        Changed(*db);
        return 0;
      }
      case 0x20: {  // ReadRecord: by id (0x20) or by index (0x21)
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        if (Endless(a)) {
          const oq::palm::Record huge{0, uint32_t(Get16(a, 2)) + 1, Bytes(60000, 0x55)};
          PutRecord(r, huge, Get16(a, 2), 0xFFFF);
          break;
        }
        const auto visible = Visible(*db, a[0]);
        if (args.count(0x21)) {
          const uint16_t index = Get16(a, 2);
          if (index >= visible.size()) return kNotFound;
          PutRecord(r, db->records[visible[index]], index, Get16(a, 6));
        } else {
          const uint32_t id = Get32(a, 2);
          auto found =
              std::find_if(visible.begin(), visible.end(), [&](size_t i) { return db->records[i].uniqueId == id; });
          if (found == visible.end()) return kNotFound;
          PutRecord(r, db->records[*found], uint16_t(found - visible.begin()), Get16(a, 8));
        }
        break;
      }
      case 0x21: {  // WriteRecord
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        uint32_t id = Get32(a, 2);
        const uint8_t attributes = uint8_t((a[6] & 0xF0) | (a[7] & 0x0F));
        Bytes data(a.begin() + 8, a.end());
        auto found =
            std::find_if(db->records.begin(), db->records.end(), [&](auto& rec) { return id && rec.uniqueId == id; });
        if (found != db->records.end()) {
          found->data = data, found->attributes = attributes;
        } else {
          if (id == 0) {
            id = db->uniqueIdSeed;
            do id = (id + 1) & 0xFFFFFF;
            while (id == 0 ||
                   std::any_of(db->records.begin(), db->records.end(), [&](auto& rec) { return rec.uniqueId == id; }));
            db->uniqueIdSeed = id;
          }
          db->records.push_back({attributes, id, data});
        }
        Changed(*db);
        Put32(r, id);
        break;
      }
      case 0x22: {  // DeleteRecord
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        Changed(*db);
        if (a[1] & 0x80) {
          db->records.clear();
          return 0;
        }
        const uint32_t id = Get32(a, 2);
        auto before = db->records.size();
        std::erase_if(db->records, [&](auto& rec) { return rec.uniqueId == id; });
        return before == db->records.size() ? kNotFound : 0;
      }
      case 0x23: {  // ReadResource: by index (0x20) or by type and id (0x21)
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        auto& resources = db->resources;
        size_t index = 0;
        if (args.count(0x21)) {
          auto found = std::find_if(resources.begin(), resources.end(),
                                    [&](auto& res) { return Code(res.type) == Get32(a, 2) && res.id == Get16(a, 6); });
          if (found == resources.end()) return kNotFound;
          index = size_t(found - resources.begin());
        } else {
          index = Get16(a, 2);
          if (index >= resources.size()) return kNotFound;
        }
        const auto& res = resources[index];
        Put32(r, Code(res.type)), Put16(r, res.id), Put16(r, uint16_t(index)), Put16(r, uint16_t(res.data.size()));
        PutBytes(r, res.data);
        break;
      }
      case 0x24: {  // WriteResource
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        const auto type = FourCC(Get32(a, 2));
        const uint16_t id = Get16(a, 6);
        Bytes data(a.begin() + 10, a.end());
        auto found = std::find_if(db->resources.begin(), db->resources.end(),
                                  [&](auto& res) { return res.type == type && res.id == id; });
        if (found != db->resources.end()) found->data = data;
        else db->resources.push_back({type, id, data});
        Changed(*db);
        return 0;
      }
      case 0x2A: syncLog_ += CString(a, 0); return 0;
      case 0x2B: {  // ReadOpenDBInfo
        auto* db = OpenDb(a);
        if (!db) return kNoneOpen;
        Put16(r, Endless(a) ? 0xFFFF : uint16_t(Visible(*db, a[0]).size()));
        break;
      }
      case 0x2E: return 0;
      case 0x2F: endStatus_ = Get16(a, 0); return 0;
      case 0x34: {  // ReadAppPreference
        auto& db = Preferences(a[8] & 0x80);
        auto found = std::find_if(db.resources.begin(), db.resources.end(),
                                  [&](auto& res) { return Code(res.type) == Get32(a, 0) && res.id == Get16(a, 4); });
        if (found == db.resources.end() || found->data.size() < 2) return kNotFound;
        const size_t stored = found->data.size() - 2, returned = std::min<size_t>(stored, Get16(a, 6));
        Put16(r, Get16(found->data, 0)), Put16(r, uint16_t(stored)), Put16(r, uint16_t(returned));
        r.insert(r.end(), found->data.begin() + 2, found->data.begin() + 2 + long(returned));
        break;
      }
      case 0x35: {  // WriteAppPreference
        auto& db = Preferences(a[10] & 0x80);
        Bytes data;
        Put16(data, Get16(a, 6));
        data.insert(data.end(), a.begin() + 12, a.end());
        const auto type = FourCC(Get32(a, 0));
        const uint16_t id = Get16(a, 4);
        auto found = std::find_if(db.resources.begin(), db.resources.end(),
                                  [&](auto& res) { return res.type == type && res.id == id; });
        if (found != db.resources.end()) found->data = data;
        else db.resources.push_back({type, id, data});
        return 0;
      }
      default: return kIllegal;
    }
    out.push_back({0x20, r});
    return 0;
  }

  HandheldLink& link_;
  Options options_;
  std::map<std::string, oq::palm::Database> dbs_;
  std::vector<std::string> order_;
  std::map<uint8_t, OpenDatabase> open_;
  std::map<int, int> calls_;
  std::ostringstream log_;
  std::string syncLog_;
  uint32_t lastSyncPc_ = 0;
  uint16_t lastSyncYear_ = 0;
  uint16_t endStatus_ = 0xFFFF;
  int requests_ = 0;
};

}  // namespace

int RunHandheld(HandheldLink& link, Options options) {
  if (!options.userId) {
    uint32_t id = 2166136261u;
    for (const unsigned char c : options.user) id = (id ^ c) * 16777619u;
    options.userId = id == 0 ? 1 : id;
  }
  Handheld handheld(link, options);
  handheld.Load();
  const bool ended = handheld.Open() && handheld.Serve();
  handheld.Save(ended);
  return ended ? 0 : 3;
}

}  // namespace sim
