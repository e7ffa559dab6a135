// The HotSync action dialog's procedure, driven through the terminal
// stand-in's control model.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "configuration_block.h"
#include "dialog_state.h"
#include "hotsync_action_dialog.h"
#include "resource_ids.h"
#include "settings_file.h"
#include "terminal_dialogs.h"
#include "test_environment.h"

namespace oq {
namespace {

class HotSyncActionDialogTest : public ::testing::Test {
 protected:
  // A fresh dialog from the template with the current-settings group.
  terminal::DialogState& Open() {
    state_ = std::make_unique<terminal::DialogState>(*resources::FindDialogTemplate(IDD_ACTION_CURRENT));
    dialog_ = std::make_unique<HotSyncActionDialog>(&block_);
    dialog_->OnInit(*state_);
    return *state_;
  }
  void Click(int id) {
    if (auto* control = state_->Find(id); control && control->source->kind == resources::ControlKind::kCheckBox) {
      control->checked = !control->checked;
    }
    dialog_->OnCommand(*state_, id, platform::kNotifyClicked);
  }
  std::string Text(int id) { return state_->GetItemText(id, 1024); }
  bool Enabled(int id) { return state_->Find(id)->enabled; }
  std::string Setting(const char* section, const char* key) { return SettingsFile::Read(section, key, "<none>", 256); }

  test::ScopedHome home_;
  ConduitConfiguration block_ = test::MakeConfigurationBlock("Quail Owner");
  std::unique_ptr<terminal::DialogState> state_;
  std::unique_ptr<HotSyncActionDialog> dialog_;
};

TEST_F(HotSyncActionDialogTest, EveryActionValueMapsToARadioButtonAndAText) {
  struct Case {
    int32_t action;
    int radio;
    const char* text;
  };
  const Case cases[] = {
      {-1, IDC_DO_NOTHING, "Do Nothing."},
      {0, IDC_SYNCHRONIZE, "Synchronize the files."},
      {1, IDC_SYNCHRONIZE, "Synchronize the files."},
      {2, IDC_HANDHELD_OVERWRITES, "Palm organizer overwrites Desktop."},
      {3, IDC_DESKTOP_OVERWRITES, "Desktop overwrites Palm organizer."},
      {4, IDC_DO_NOTHING, "Do Nothing."},
      {5, IDC_DO_NOTHING, "Do Nothing."},
      {6, IDC_DO_NOTHING, "Do Nothing."},
      {7, IDC_DO_NOTHING, "Do Nothing."},
  };
  for (const auto& c : cases) {
    block_.temporaryAction = c.action;
    block_.permanentAction = c.action;
    auto& dialog = Open();
    for (int radio = IDC_SYNCHRONIZE; radio <= IDC_DO_NOTHING; ++radio) {
      EXPECT_EQ(dialog.IsButtonChecked(radio), radio == c.radio) << "action " << c.action << ", radio " << radio;
    }
    EXPECT_EQ(Text(IDC_NEXT_ACTION), c.text) << c.action;
    EXPECT_EQ(Text(IDC_DEFAULT_ACTION), c.text) << c.action;
  }
}

TEST_F(HotSyncActionDialogTest, CurrentSettingsOnlyWithACreatorCode) {
  block_.temporaryAction = 6;
  Open();
  EXPECT_EQ(Text(IDC_CURRENT_GROUP), "Quail Owner's Current Settings:");
  EXPECT_EQ(Text(IDC_ACTION_GROUP), "HotSync Actions for OrbitQuail");
  EXPECT_EQ(state_->Find(IDC_PICTURE_NOTHING)->picture, static_cast<uint32_t>(IDB_DO_NOTHING));

  block_.creator = 0;
  Open();
  EXPECT_EQ(Text(IDC_CURRENT_GROUP), "");
  EXPECT_EQ(Text(IDC_NEXT_ACTION), "");
  EXPECT_EQ(Text(IDC_DEFAULT_ACTION), "");
  EXPECT_TRUE(state_->IsButtonChecked(IDC_DO_NOTHING)) << "the radio button is set all the same";
}

TEST_F(HotSyncActionDialogTest, LastTrackingTime) {
  Open();
  EXPECT_EQ(Text(IDC_LAST_TRACK), "never tracked");
  SettingsFile::Write("Track", "LastTrackTime", "-5");
  Open();
  EXPECT_EQ(Text(IDC_LAST_TRACK), "never tracked");
  SettingsFile::Write("Track", "LastTrackTime", "1064188800");
  Open();
  const std::time_t time = 1064188800;
  EXPECT_EQ(Text(IDC_LAST_TRACK), std::ctime(&time));
  EXPECT_EQ(Text(IDC_LAST_TRACK).size(), 25u) << "24 characters and the newline";
}

TEST_F(HotSyncActionDialogTest, PeriodShownForEveryKindOfValue) {
  struct Case {
    const char* stored;
    bool everyTime;
    const char* shown;
  };
  const Case cases[] = {{"7", false, "7"},
                        {"0", true, "0"},
                        {"-12", true, "12"},
                        {"abc", true, "0"},
                        {"-2147483648", true, "2147483648"}};
  for (const auto& c : cases) {
    SettingsFile::Write("Track", "Period", c.stored);
    Open();
    EXPECT_EQ(state_->IsButtonChecked(IDC_EVERY_TIME), c.everyTime) << c.stored;
    EXPECT_EQ(Text(IDC_DAY_COUNT), c.shown) << c.stored;
    for (int id : {IDC_DAY_COUNT, IDC_EVERY_LABEL, IDC_DAYS_LABEL}) EXPECT_EQ(Enabled(id), !c.everyTime) << c.stored;
  }
  Open();
  Click(IDC_EVERY_TIME);
  EXPECT_TRUE(Enabled(IDC_DAY_COUNT)) << "unchecking enables the day count";
}

TEST_F(HotSyncActionDialogTest, OkClampsThePeriodAndWritesTheChoice) {
  struct Case {
    const char* typed;
    bool everyTime;
    const char* written;
  };
  const Case cases[] = {{"0", false, "1"},   {"", false, "1"},       {"45", false, "30"},
                        {"12", true, "-12"}, {"7 days", false, "7"}, {"-3", false, "1"}};
  for (const auto& c : cases) {
    SettingsFile::Write("Track", "Period", "5");
    Open();
    state_->SetItemText(IDC_DAY_COUNT, c.typed);
    if (c.everyTime) Click(IDC_EVERY_TIME);
    Click(platform::kIdOk);
    EXPECT_TRUE(state_->ended());
    EXPECT_EQ(state_->result(), HotSyncActionDialog::kResultOk);
    EXPECT_EQ(Setting("Track", "Period"), c.written) << '"' << c.typed << '"';
  }

  block_.temporaryAction = 0;
  Open();
  Click(IDC_DO_NOTHING);
  Click(IDC_SET_AS_DEFAULT);
  Click(platform::kIdOk);
  EXPECT_EQ(block_.chosenAction, 6);
  EXPECT_EQ(block_.preferenceKind, 1);
  EXPECT_FALSE(state_->IsButtonChecked(IDC_SYNCHRONIZE)) << "one radio button at a time";

  Open();
  Click(IDC_SYNCHRONIZE);
  Click(platform::kIdOk);
  EXPECT_EQ(block_.chosenAction, 0);
  EXPECT_EQ(block_.preferenceKind, 2);
}

TEST_F(HotSyncActionDialogTest, ProxyControlsFollowTheirCheckBoxAndOkWritesAllThree) {
  SettingsFile::Write("AuthProxy", "Enable", "yes");
  SettingsFile::Write("AuthProxy", "UserName", "quail");
  SettingsFile::Write("AuthProxy", "Password", "s3cret");
  Open();
  EXPECT_TRUE(state_->IsButtonChecked(IDC_PROXY_AUTH));
  EXPECT_EQ(Text(IDC_PROXY_NAME), "quail");
  EXPECT_EQ(Text(IDC_PROXY_PASSWORD), "s3cret");
  for (int id : {IDC_PROXY_NAME, IDC_PROXY_PASSWORD, IDC_PROXY_NAME_LABEL, IDC_PROXY_PASSWORD_LABEL}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  Click(IDC_PROXY_AUTH);
  for (int id : {IDC_PROXY_NAME, IDC_PROXY_PASSWORD, IDC_PROXY_NAME_LABEL, IDC_PROXY_PASSWORD_LABEL}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  state_->SetItemText(IDC_PROXY_NAME, "owl");
  Click(platform::kIdOk);
  EXPECT_EQ(Setting("AuthProxy", "Enable"), "No");
  EXPECT_EQ(Setting("AuthProxy", "UserName"), "owl");
  EXPECT_EQ(Setting("AuthProxy", "Password"), "s3cret");
}

TEST_F(HotSyncActionDialogTest, CancelWritesNothingEvenAfterEdits) {
  Open();
  state_->SetItemText(IDC_DAY_COUNT, "9");
  Click(IDC_PROXY_AUTH);
  state_->SetItemText(IDC_PROXY_NAME, "someone");
  Click(IDC_DO_NOTHING);
  Click(platform::kIdCancel);
  EXPECT_EQ(state_->result(), HotSyncActionDialog::kResultCancel);
  EXPECT_FALSE(std::filesystem::exists(home_.SettingsPath()));
  EXPECT_EQ(block_.preferenceKind, 0);
}

TEST_F(HotSyncActionDialogTest, HelpOpensTheFileBesideTheModule) {
  Open();
  Click(platform::kIdHelp);
  EXPECT_THAT(terminal::LastHelpRequest(), ::testing::EndsWith("/hotsync.hlp@0x2018F"));
  EXPECT_FALSE(state_->ended());
}

TEST_F(HotSyncActionDialogTest, WithoutABlockNothingIsInitialised) {
  state_ = std::make_unique<terminal::DialogState>(*resources::FindDialogTemplate(IDD_ACTION));
  HotSyncActionDialog dialog(nullptr);
  dialog.OnInit(*state_);
  EXPECT_EQ(Text(IDC_ACTION_GROUP), "");
  EXPECT_EQ(Text(IDC_LAST_TRACK), "");
}

// The terminal's picture of the dialog, golden at 80x24: the whole dialog
// and a prompt line fit without scrolling.
TEST_F(HotSyncActionDialogTest, FitsAnEightyByTwentyFourTerminal) {
  Open();
  const std::string screen = state_->Render();
  EXPECT_EQ(screen,
            "[ Change HotSync Action ]\n"
            "== Quail Owner's Current Settings: ==\n"
            "   Default HotSync Action:  Synchronize the files.\n"
            "   Next HotSync Action:  Synchronize the files.\n"
            "   (icon)  OrbitQuail 1.3\n"
            "   Newer versions and the manual: see the OrbitQuail web site.\n"
            "== HotSync Actions for OrbitQuail ==\n"
            "   (picture)  404 (*) Synchronize the files   (picture)  407 ( ) Do nothing\n"
            "   411 [ ] Set as default\n"
            "== Tracking Period ==\n"
            "   Last tracking time:  never tracked\n"
            "   Tracking:  1012 [ ] every time  every  1013 [1]  day(s)\n"
            "== Proxy ==\n"
            "   1007 [ ] Proxy server needs authentication\n"
            "   Name:  1008 [] (disabled)            Password:  1009 [] (disabled)\n"
            "1 <OK>  2 <Cancel>  9 <Help>\n");
  size_t lines = 0;
  for (size_t start = 0, end; (end = screen.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
    EXPECT_LE(end - start, 80u) << screen.substr(start, end - start);
  }
  EXPECT_LE(lines, 22u) << "room for the commands line and the prompt";
}

}  // namespace
}  // namespace oq
