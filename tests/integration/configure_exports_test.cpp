// CfgConduit and ConfigureConduit through the built library, the dialog
// driven by a script as a person would drive it.
#include <cstring>

#include "conduit_fixture.h"
#include "configuration_block.h"

namespace oq {
namespace {

class ConfigureExportsTest : public test::ConduitFixture {
 protected:
  int32_t Cfg(int32_t type, void* block, uint32_t* size) { return conduit_->cfgConduit(type, block, size); }
  bool DialogWasShown() const { return std::filesystem::exists(home_.SettingsPath()); }

  ConduitConfiguration block_ = test::MakeConfigurationBlock();
  // Pressing OK writes the settings file, which tells that the dialog ran.
  test::ScopedEnvironment script_{"ORBITQUAIL_DIALOG_SCRIPT", "ok"};
};

TEST_F(ConfigureExportsTest, CfgConduitChecksComeInOrderWithoutTheDialog) {
  uint32_t size = sizeof block_;
  uint32_t wrongSize = 348;
  ConduitConfiguration wrongVersion = block_;
  wrongVersion.version = 2;
  EXPECT_EQ(Cfg(5, nullptr, nullptr), 4212);
  EXPECT_EQ(Cfg(5, &block_, nullptr), 4216);
  EXPECT_EQ(Cfg(5, &block_, &wrongSize), 4218);
  EXPECT_EQ(Cfg(5, &wrongVersion, &size), 4217);
  EXPECT_EQ(Cfg(0, &wrongVersion, &size), 4219);
  EXPECT_FALSE(DialogWasShown());

  EXPECT_EQ(Cfg(0, &block_, &size), 0);
  EXPECT_TRUE(DialogWasShown());
  EXPECT_EQ(block_.chosenAction, 0);
  EXPECT_EQ(block_.preferenceKind, 2);
}

TEST_F(ConfigureExportsTest, CfgConduitReturnsZeroAfterCancelToo) {
  test::ScopedEnvironment cancel("ORBITQUAIL_DIALOG_SCRIPT", "click 407; cancel");
  uint32_t size = sizeof block_;
  EXPECT_EQ(Cfg(0, &block_, &size), 0);
  EXPECT_EQ(block_.preferenceKind, 0) << "nothing chosen";
  EXPECT_FALSE(DialogWasShown());
}

TEST_F(ConfigureExportsTest, ConfigureConduitWithDoNothing) {
  LegacySyncPreference preference{};
  preference.action = 6;
  EXPECT_EQ(conduit_->configureConduit(&preference), 0);
  EXPECT_EQ(preference.action, 6);
  EXPECT_EQ(preference.preferenceKind, 2);
}

TEST_F(ConfigureExportsTest, ConfigureConduitWithActionOneWritesSynchronize) {
  LegacySyncPreference preference{};
  preference.action = 1;
  std::memset(preference.hotsyncManagerData, 0xAB, sizeof preference.hotsyncManagerData);
  EXPECT_EQ(conduit_->configureConduit(&preference), 0);
  EXPECT_EQ(preference.action, 0);
  EXPECT_EQ(preference.hotsyncManagerData[0], 0xAB) << "only the kind and the action are the conduit's";

  test::ScopedEnvironment cancel("ORBITQUAIL_DIALOG_SCRIPT", "cancel");
  preference.action = 3;
  preference.preferenceKind = 9;
  EXPECT_EQ(conduit_->configureConduit(&preference), -1);
  EXPECT_EQ(preference.action, 3);
  EXPECT_EQ(preference.preferenceKind, 9);
}

}  // namespace
}  // namespace oq
