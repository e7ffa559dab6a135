#include "conduit_fixture.h"

namespace oq::test {

namespace {
int32_t AcceptProgress(char*) { return 0; }
}  // namespace

void ConduitFixture::SetUp() {
  std::string error;
  conduit_ = hotsync::ConduitLibrary::Load(OQ_CONDUIT_PATH, error);
  ASSERT_TRUE(conduit_) << error;
  handheld_host::BeginSync(image_.path());
}

void ConduitFixture::TearDown() { handheld_host::EndSync(); }

int32_t ConduitFixture::RunOpenConduit(int32_t action, bool withProgress) {
  SyncProperties properties{};
  properties.syncAction = action;
  return conduit_->openConduit(withProgress ? AcceptProgress : nullptr, &properties);
}

}  // namespace oq::test
