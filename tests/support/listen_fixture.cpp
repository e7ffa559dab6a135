#include "listen_fixture.h"

#include <cstdlib>
#include <sstream>

#include "desktop_directory.h"

namespace oq::test {

namespace fs = std::filesystem;

void ListenFixture::SetUp() {
  ASSERT_TRUE(tracker_.running()) << tracker_.Output();
  ASSERT_EQ(RunHotSync("sample --backup " + Path("backup")).status, 0);
}

void ListenFixture::ForgetTheHandheld() {
  const standin::DesktopDirectory desktop;
  for (const char* file : {"known-programs.txt", "OQProgDB.pdb"}) fs::remove(desktop.UserFile("Me", file));
}

ListenRun ListenFixture::SyncOver(Wire wire, const std::string& handheldOptions, const std::string& listenOptions,
                                  const std::string& saved, const std::string& databases) {
  fs::remove_all(Path(saved));
  const std::string handheld = "timeout 120 " OQ_SIMULATED_HANDHELD_PATH " --databases " + databases + " --save " +
                               saved + " --user Me " + handheldOptions;
  std::string script;
  if (wire == Wire::kNetwork || wire == Wire::kSerialTcp) {
    const bool serial = wire == Wire::kSerialTcp;
    script = ListenInBackground("--once " + listenOptions,
                                serial ? "--serial-tcp 127.0.0.1:0" : "--address 127.0.0.1 --port 0") +
             handheld + " --port \"$P\"" + (serial ? " --framing serial" : "") +
             "; echo \"handheld=$?\" >>status; wait $L; echo \"listen=$?\" >>status";
  } else {
    // The handheld's end of the cable comes first; the desktop opens the
    // port it names.
    script =
        "cd " + work_.path().string() + "; rm -f pty.name listen.out listen.err; " + handheld +
        " --pty pty.name --framing " + (wire == Wire::kSerialPty ? "serial" : "netsync") +
        " & H=$!; for i in $(seq 400); do [ -e pty.name ] && break; sleep 0.025; done; http_proxy=" + tracker_.Url() +
        " timeout 120 " OQ_HOTSYNC_PATH " listen --serial \"$(cat pty.name)\" --once " + listenOptions +
        " >listen.out 2>listen.err; echo \"listen=$?\" >>status; "
        "(sleep 5; kill $H) >/dev/null 2>&1 & wait $H; echo \"handheld=$?\" >>status";
  }
  fs::remove(work_.path() / "status");
  RunCommand(script);
  ListenRun run;
  const std::string status = ReadText(work_.path() / "status");
  run.handheld = std::atoi(status.c_str() + status.find("handheld=") + 9);
  run.listen = std::atoi(status.c_str() + status.find("listen=") + 7);
  run.output = ReadText(work_.path() / "listen.out") + ReadText(work_.path() / "listen.err");
  std::istringstream info(ReadText(work_.path() / saved / "handheld.txt"));
  for (std::string line; std::getline(info, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) run.info[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return run;
}

std::vector<std::tuple<uint32_t, uint8_t, std::vector<uint8_t>>> Records(const palm::Database& database) {
  std::vector<std::tuple<uint32_t, uint8_t, std::vector<uint8_t>>> records;
  for (const auto& record : database.records) records.emplace_back(record.uniqueId, record.attributes, record.data);
  return records;
}

std::vector<uint8_t> TrackerPreference(const palm::Database& preferences) {
  for (const auto& resource : preferences.resources) {
    if (palm::FourCCText(resource.type) == "rkOQ" && resource.id == 0) return resource.data;
  }
  return {};
}

std::string ListenFixture::ListenInBackground(const std::string& listenOptions, const std::string& endpoint) const {
  return "cd " + work_.path().string() + "; rm -f listen.out listen.err; http_proxy=" + tracker_.Url() +
         " timeout 120 " OQ_HOTSYNC_PATH " listen " + endpoint + " " + listenOptions +
         " >listen.out 2>listen.err & L=$!; "
         "for i in $(seq 400); do grep -q 'on 127.0.0.1:' listen.err 2>/dev/null && break; sleep 0.025; done; "
         "P=$(grep -o '127.0.0.1:[0-9]*' listen.err | cut -d: -f2); ";
}

}  // namespace oq::test
