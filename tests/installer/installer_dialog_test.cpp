// The installer's dialog procedure against the Palm Desktop stand-ins, in
// a working directory of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_directory.h"
#include "dialog_state.h"
#include "installer_dialog.h"
#include "resource_ids.h"
#include "test_environment.h"

namespace oq::installer {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class InstallerDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(product_.path());
    test::WriteText(product_.path() / kHandheldProgram, "handheld program");
    test::WriteText(product_.path() / kConduitLibrary, "conduit library");
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  terminal::DialogState& Open() {
    state_ = std::make_unique<terminal::DialogState>(*resources::FindDialogTemplate(IDD_INSTALLER));
    dialog_.OnInit(*state_);
    return *state_;
  }
  void Select(const std::string& user) {
    auto* list = state_->Find(IDC_USER_LIST);
    for (size_t i = 0; i < list->items.size(); ++i) {
      if (list->items[i] == user) list->selection = static_cast<int>(i);
    }
    dialog_.OnCommand(*state_, IDC_USER_LIST, platform::kNotifySelectionChange);
  }
  void Install() { dialog_.OnCommand(*state_, IDC_INSTALL, platform::kNotifyClicked); }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& [text, caption] : state_->messages()) texts.push_back(text);
    return texts;
  }

  test::ScopedHome home_;
  test::TempDir product_;
  std::filesystem::path previous_;
  standin::DesktopDirectory desktop_;
  InstallerDialog dialog_;
  std::unique_ptr<terminal::DialogState> state_;
};

TEST_F(InstallerDialogTest, NoUsersSaysSoAtStartAndInstallStaysDisabled) {
  auto& dialog = Open();
  EXPECT_THAT(Messages(), ElementsAre("Please perfrom a HotSync first to add an user!"));
  EXPECT_FALSE(dialog.Find(IDC_INSTALL)->enabled);
  EXPECT_EQ(dialog.ListCount(IDC_USER_LIST), 0);
  EXPECT_THAT(dialog.systemMenu(), ElementsAre(Pair(16, "&About OrbitQuail Installer...")));
  EXPECT_EQ(dialog.icon(), static_cast<uint32_t>(IDI_INSTALLER));

  Install();  // as if pressed all the same
  EXPECT_EQ(Messages().back(), "Please perform a HotSync first to add an user!");
}

TEST_F(InstallerDialogTest, UsersAreListedSortedAndSelectionEnablesInstall) {
  desktop_.AddUser("Zoe");
  desktop_.AddUser("bob");
  desktop_.AddUser("Adam");
  auto& dialog = Open();
  EXPECT_TRUE(Messages().empty());
  EXPECT_THAT(dialog.Find(IDC_USER_LIST)->items, ElementsAre("Adam", "bob", "Zoe")) << "sorted without case";
  EXPECT_THAT(dialog.Render(), ::testing::HasSubstr("system menu: sysmenu 16 = About OrbitQuail Installer...\n"));
  EXPECT_FALSE(dialog.Find(IDC_INSTALL)->enabled);
  Install();
  EXPECT_THAT(Messages(), ElementsAre("Please select an user name first!"));
  Select("Zoe");
  EXPECT_TRUE(dialog.Find(IDC_INSTALL)->enabled);
}

TEST_F(InstallerDialogTest, InstallQueuesCopiesAndRegisters) {
  desktop_.AddUser("Adam");
  Open();
  Select("Adam");
  Install();
  EXPECT_THAT(state_->messages(),
              ElementsAre(Pair("The installation is complete.\n\nPlease perform a HotSync first to install "
                               "OrbitQuail palm program.",
                               "Install Complete")));
  EXPECT_TRUE(state_->ended());
  EXPECT_TRUE(dialog_.installed());
  ASSERT_EQ(desktop_.QueuedFiles("Adam").size(), 1u);
  EXPECT_EQ(test::ReadText(desktop_.QueuedFiles("Adam")[0]), "handheld program");
  EXPECT_EQ(test::ReadText(desktop_.root() / kConduitLibrary), "conduit library");
  EXPECT_EQ(desktop_.ConduitValue("rkOQ", "Library"), kConduitLibrary);
  EXPECT_EQ(desktop_.ConduitValue("rkOQ", "Title"), "OrbitQuail");
  EXPECT_EQ(desktop_.ConduitValue("rkOQ", "Type"), "1");
}

TEST_F(InstallerDialogTest, SecondInstallWhileQueuedLeavesTheRegistryAlone) {
  desktop_.AddUser("Adam");
  desktop_.QueueFile("Adam", product_.path() / kHandheldProgram);
  Open();
  Select("Adam");
  Install();
  EXPECT_THAT(Messages(), ElementsAre("OrbitQuail program had been intsalled into Palm Desktop.\nPlease perform a "
                                      "HotSync first."));
  EXPECT_FALSE(desktop_.HasConduit("rkOQ"));
  EXPECT_FALSE(std::filesystem::exists(desktop_.root() / kConduitLibrary));
  EXPECT_FALSE(state_->ended()) << "the dialog stays open";
}

TEST_F(InstallerDialogTest, ReinstallRemovesAndRecreatesTheEntry) {
  desktop_.AddUser("Adam");
  desktop_.CreateConduit("rkOQ", 1);
  desktop_.SetConduitValue("rkOQ", "Priority", "9");
  desktop_.SetConduitValue("rkOQ", "Library", "old.so");
  Open();
  Select("Adam");
  Install();
  EXPECT_EQ(desktop_.ConduitValue("rkOQ", "Priority"), std::nullopt) << "a new entry, not the old one";
  EXPECT_EQ(desktop_.ConduitValue("rkOQ", "Library"), kConduitLibrary);
}

TEST_F(InstallerDialogTest, FilesComeFromTheWorkingDirectory) {
  desktop_.AddUser("Adam");
  test::TempDir elsewhere;
  test::WriteText(elsewhere.path() / kHandheldProgram, "other program");
  test::WriteText(elsewhere.path() / kConduitLibrary, "other library");
  std::filesystem::current_path(elsewhere.path());
  Open();
  Select("Adam");
  Install();
  EXPECT_EQ(test::ReadText(desktop_.QueuedFiles("Adam").at(0)), "other program");
  EXPECT_EQ(test::ReadText(desktop_.root() / kConduitLibrary), "other library");
  std::filesystem::current_path(product_.path());
}

TEST_F(InstallerDialogTest, MissingProgramIsReportedBeforeAnythingIsQueued) {
  desktop_.AddUser("Adam");
  std::filesystem::remove(product_.path() / kHandheldProgram);
  Open();
  Select("Adam");
  Install();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_THAT(Messages()[0], ::testing::StartsWith("Cannot find OrbitQuail.prc in "));
  EXPECT_TRUE(desktop_.QueuedFiles("Adam").empty());
  EXPECT_FALSE(desktop_.HasConduit("rkOQ"));
  EXPECT_FALSE(dialog_.installed());
}

TEST_F(InstallerDialogTest, FailedCopyQueuesNothingSoTryingAgainWorks) {
  desktop_.AddUser("Adam");
  // A folder where the library's copy should go makes the copy fail.
  const auto obstacle = desktop_.root() / (std::string(kConduitLibrary) + ".new");
  std::filesystem::create_directories(obstacle / "in-the-way");
  Open();
  Select("Adam");
  Install();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_THAT(Messages()[0], ::testing::StartsWith(std::string("Cannot copy ") + kConduitLibrary + " into "));
  EXPECT_THAT(Messages()[0], ::testing::HasSubstr("Nothing was installed; please check the folder and try again."));
  EXPECT_TRUE(desktop_.QueuedFiles("Adam").empty());
  EXPECT_FALSE(desktop_.HasConduit("rkOQ"));
  EXPECT_FALSE(dialog_.installed());
  EXPECT_FALSE(state_->ended());

  std::filesystem::remove_all(obstacle);
  Install();
  EXPECT_TRUE(dialog_.installed()) << "the advice to try again holds";
  EXPECT_EQ(desktop_.QueuedFiles("Adam").size(), 1u);
  EXPECT_EQ(test::ReadText(desktop_.root() / kConduitLibrary), "conduit library");
}

TEST_F(InstallerDialogTest, ALibraryThatCannotBeReplacedStopsBeforeTheRegistration) {
  desktop_.AddUser("Adam");
  std::filesystem::create_directories(desktop_.root() / kConduitLibrary / "in-the-way");
  Open();
  Select("Adam");
  Install();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_THAT(Messages()[0], ::testing::StartsWith("Cannot replace "));
  EXPECT_FALSE(desktop_.HasConduit("rkOQ"));
  EXPECT_FALSE(dialog_.installed());
  EXPECT_FALSE(state_->ended());
  EXPECT_FALSE(std::filesystem::exists(desktop_.root() / (std::string(kConduitLibrary) + ".new")));
}

TEST_F(InstallerDialogTest, UnattendedInstallTakesTheNameAsItIs) {
  desktop_.AddUser("a;b");
  desktop_.AddUser("a");
  dialog_.InstallForUser("a;b");
  Open();
  EXPECT_TRUE(dialog_.installed());
  EXPECT_EQ(desktop_.QueuedFiles("a;b").size(), 1u);
  EXPECT_TRUE(desktop_.QueuedFiles("a").empty());
}

TEST_F(InstallerDialogTest, UnattendedInstallForAnUnknownUserEndsWithoutInstalling) {
  desktop_.AddUser("Adam");
  dialog_.InstallForUser("adam");
  Open();
  EXPECT_THAT(Messages(), ElementsAre("There is no HotSync user named \"adam\"."));
  EXPECT_TRUE(state_->ended());
  EXPECT_FALSE(dialog_.installed());
  EXPECT_TRUE(desktop_.QueuedFiles("Adam").empty());
}

TEST_F(InstallerDialogTest, ExitAndAbout) {
  Open();
  test::ScopedEnvironment script("ORBITQUAIL_DIALOG_SCRIPT", "ok");
  dialog_.OnSystemCommand(*state_, 16 | 0x3);  // the low bits of a system command are the platform's
  EXPECT_FALSE(state_->ended());
  dialog_.OnCommand(*state_, IDC_EXIT, platform::kNotifyClicked);
  EXPECT_TRUE(state_->ended());
  EXPECT_FALSE(dialog_.installed());
}

}  // namespace
}  // namespace oq::installer
