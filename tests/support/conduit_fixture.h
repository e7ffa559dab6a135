// The built conduit library, loaded as the host loads it, with a handheld
// image and a private ORBITQUAIL_HOME for each test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "conduit_library.h"
#include "handheld_host.h"
#include "test_environment.h"

namespace oq::test {

class ConduitFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // OpenConduit with a non-null progress callback unless told otherwise.
  int32_t RunOpenConduit(int32_t action = 0, bool withProgress = true);

  std::filesystem::path image() const { return image_.path(); }
  std::vector<std::string> HotSyncLog() const { return handheld_host::HotSyncLog(); }
  void WriteSettings(const std::string& text) { WriteText(home_.SettingsPath(), text); }
  std::string Settings() const { return ReadText(home_.SettingsPath()); }

  ScopedHome home_;
  TempDir image_;
  std::unique_ptr<hotsync::ConduitLibrary> conduit_;
};

}  // namespace oq::test
