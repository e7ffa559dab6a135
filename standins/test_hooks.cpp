#include "test_hooks.h"

#include <array>

#include "handheld_session.h"

namespace oq::handheld_host {

namespace {

using standin::HandheldSession;
using standin::Session;

class CountingFaultPlan : public HandheldSession::FaultPlan {
 public:
  std::optional<int32_t> Enter(Operation operation) override {
    const auto index = static_cast<size_t>(operation);
    ++calls[index];
    Fault& fault = faults[index];
    if (fault.remaining > 0 && --fault.remaining == 0) return fault.code;
    return std::nullopt;
  }
  std::optional<uint32_t> ReportedRecordCount() const override { return reportedRecordCount; }

  struct Fault {
    int remaining = 0;
    int32_t code = 0;
  };
  static constexpr size_t kOperationCount = static_cast<size_t>(Operation::kCount);
  std::array<Fault, kOperationCount> faults{};
  std::array<int, kOperationCount> calls{};
  std::optional<uint32_t> reportedRecordCount;
};

// Every HotSync of the tests' library gets a plan of its own.
[[maybe_unused]] const bool registered = [] {
  standin::SetFaultPlanFactory(
      []() -> std::unique_ptr<HandheldSession::FaultPlan> { return std::make_unique<CountingFaultPlan>(); });
  return true;
}();

// The plan of the HotSync under way, made at the first hook before any.
CountingFaultPlan& Plan() {
  auto& plan = Session().faultPlan;
  if (!plan) plan = std::make_unique<CountingFaultPlan>();
  return static_cast<CountingFaultPlan&>(*plan);
}

}  // namespace

void FailNthCall(Operation operation, int nth, int32_t code) {
  Plan().faults[static_cast<size_t>(operation)] = {nth, code};
}

int CallCount(Operation operation) { return Plan().calls[static_cast<size_t>(operation)]; }

void SetReportedRecordCount(std::optional<uint32_t> count) { Plan().reportedRecordCount = count; }

bool ConduitRegistered() { return Session().conduitHandle.has_value(); }

size_t OpenDatabaseCount() { return Session().handheld ? Session().handheld->OpenCount() : 0; }

}  // namespace oq::handheld_host
