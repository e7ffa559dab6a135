#include "handheld_session.h"

#include "folder_handheld.h"
#include "standin_errors.h"
#include "sync_manager.h"

namespace oq::standin {

namespace {

FaultPlanFactory faultPlanFactory = nullptr;

}  // namespace

HandheldSession& Session() {
  static HandheldSession session;
  return session;
}

void SetFaultPlanFactory(FaultPlanFactory factory) { faultPlanFactory = factory; }

std::optional<int32_t> HandheldSession::Enter(handheld_host::Operation operation) {
  const auto planned = faultPlan ? faultPlan->Enter(operation) : std::nullopt;
  // Once stopped, nothing more is done; what is open may still be closed.
  const bool cleanup =
      operation == handheld_host::Operation::kCloseDb || operation == handheld_host::Operation::kUnregister;
  if (!cleanup && stopRequested && stopRequested()) return standin::kErrCancelled;
  return planned;
}

}  // namespace oq::standin

namespace oq::handheld_host {

using standin::Session;

namespace {

void ResetSession() {
  auto& session = Session();
  EndSync();
  session.apiMajor = 2;
  session.apiMinor = 2;
  session.conduitHandle.reset();
  session.hotsyncLog.clear();
  session.handheldLog.clear();
  session.saveFailures.clear();
  session.faultPlan = standin::faultPlanFactory ? standin::faultPlanFactory() : nullptr;
  session.stopRequested = nullptr;
}

}  // namespace

void BeginSync(const std::filesystem::path& directory) {
  ResetSession();
  Session().handheld = std::make_unique<standin::FolderHandheld>(directory, Session().saveFailures);
}

void BeginSync(std::unique_ptr<standin::HandheldBackend> handheld) {
  ResetSession();
  Session().handheld = std::move(handheld);
}

void DetachHandheld() { Session().handheld.reset(); }

int32_t EndSync() {
  auto& handheld = Session().handheld;
  return handheld ? handheld->CloseAll() : sync::kOk;
}

void SetStopRequested(std::function<bool()> stopped) { Session().stopRequested = std::move(stopped); }

void SetUser(const std::string& name) { Session().user = name; }
std::string User() { return Session().user; }

void SetApiVersion(uint32_t major, uint32_t minor) {
  Session().apiMajor = major;
  Session().apiMinor = minor;
}

std::vector<std::string> HotSyncLog() { return Session().hotsyncLog; }

void SetHotSyncLogSink(std::function<void(const std::string&)> sink) { Session().hotsyncLogSink = std::move(sink); }

std::string HandheldLog() { return Session().handheldLog; }

std::vector<std::string> SaveFailures() { return Session().saveFailures; }

}  // namespace oq::handheld_host
