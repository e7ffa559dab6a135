// oq-hotsync sync: one HotSync of the conduit against a handheld image.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "handheld_host.h"

namespace oq::hotsync {

namespace {

// The HotSync Manager hands conduits a progress callback; ours shows nothing.
int32_t IgnoreProgress(char*) { return 0; }

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int RunSync(const SyncOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_directory(options.handheld, error)) {
    std::cerr << "oq-hotsync: the handheld image directory " << options.handheld
              << " does not exist; give --handheld the folder that holds the handheld's "
                 "database files\n";
    return kExitUsage;
  }
  std::string loadError;
  auto conduit = ConduitLibrary::Load(options.conduit.value_or(DefaultConduitPath()), loadError);
  if (!conduit) {
    std::cerr << "oq-hotsync: " << loadError << "\n";
    return kExitUsage;
  }

  handheld_host::BeginSync(options.handheld);
  handheld_host::SetUser(options.user.value_or(
      std::filesystem::absolute(options.handheld).lexically_normal().parent_path().filename().string()));
  handheld_host::SetHotSyncLogSink(PrintLine);

  SyncProperties properties{};
  properties.syncAction = options.action;
  const int32_t result = conduit->openConduit(IgnoreProgress, &properties);
  const int32_t closeResult = handheld_host::EndSync();
  handheld_host::SetHotSyncLogSink(nullptr);

  const std::string handheldLog = handheld_host::HandheldLog();
  std::fwrite(handheldLog.data(), 1, handheldLog.size(), stdout);
  if (!handheldLog.empty() && handheldLog.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);

  if (closeResult != 0) {
    std::cerr << "oq-hotsync: a database the conduit left open could not be saved (Sync Manager "
                 "error 0x"
              << std::hex << std::uppercase << closeResult << ")\n";
  }
  if (result != 0) {
    std::cerr << "oq-hotsync: the conduit returned 0x" << std::hex << std::uppercase
              << static_cast<uint32_t>(result) << "\n";
    return kExitConduitFailed;
  }
  return closeResult == 0 ? kExitOk : kExitConduitFailed;
}

}  // namespace oq::hotsync
