// The tracking pass and the preference record against the handheld
// stand-in and a real HTTP server reached through http_proxy. Offsets and
// sizes are written as numbers here, an independent check on the layout
// headers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "handheld_files.h"
#include "handheld_host.h"
#include "test_hooks.h"
#include "program_record.h"
#include "program_records.h"
#include "scripted_http_server.h"
#include "sync_manager.h"
#include "terminal_dialogs.h"
#include "test_environment.h"
#include "tracker_preference.h"
#include "tracking_pass.h"

namespace oq {
namespace {

using handheld_host::Operation;
using test::ScriptedHttpServer;
using ::testing::ElementsAre;
using Behaviour = ScriptedHttpServer::Behaviour;

ScriptedHttpServer::Response Reply(const std::string& body, int status = 200) {
  ScriptedHttpServer::Response response;
  response.status = status;
  response.body = body;
  return response;
}

std::string Parameter(const std::string& target, const std::string& name) {
  const size_t start = target.find(name + "=");
  if (start == std::string::npos) return {};
  const size_t end = target.find('&', start);
  return target.substr(start + name.size() + 1, end == std::string::npos ? end : end - start - name.size() - 1);
}

class TrackingPassTest : public ::testing::Test {
 protected:
  void SetUp() override { terminal::RecordModelessTexts(&progressTexts_); }
  void TearDown() override { terminal::RecordModelessTexts(nullptr); }

  void WriteHandheld(const std::vector<std::vector<uint8_t>>& records, const std::vector<uint8_t>& preference,
                     uint16_t version = 0x130) {
    test::WriteDatabase(image_.path() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
    test::WriteSavedPreferences(image_.path(), preference, version);
  }
  void WriteSampleCatalogue(uint8_t useSkipFlag = 0) {
    WriteHandheld({test::MakeProgramRecord({.creator = "Aaaa", .name = "First"}),
                   test::MakeProgramRecord({.creator = "Bbbb", .name = "Second"}),
                   test::MakeProgramRecord({.creator = "Cccc", .name = "Third"})},
                  test::MakeTrackerPreference(useSkipFlag));
  }

  std::filesystem::path PreferencesPath() const { return image_.path() / "Saved Preferences.prc"; }

  // One pass as the sync run makes it, on a freshly opened catalogue.
  int32_t RunPass() {
    requestsBeforePass_ = server_.Requests().size();
    handheld_host::BeginSync(image_.path());
    for (const auto& [operation, fault] : faults_) handheld_host::FailNthCall(operation, fault.first, fault.second);
    if (reportedCount_) handheld_host::SetReportedRecordCount(reportedCount_);
    uint8_t handle = 0;
    EXPECT_EQ(SyncOpenDB("OQProgDB", 0, &handle, 0xD0), 0);
    int32_t result;
    {
      ProgressWindow progress;
      result = RunTrackingPass(handle, progress);
    }
    EXPECT_EQ(SyncCloseDB(handle), 0);
    return result;
  }

  std::vector<std::vector<uint8_t>> Records() const {
    std::vector<std::vector<uint8_t>> records;
    for (const auto& record : test::ReadDatabase(image_.path() / "OQProgDB.pdb").records)
      records.push_back(record.data);
    return records;
  }
  std::vector<uint8_t> StoredPreference() const {
    const auto data = test::ReadDatabase(PreferencesPath()).resources.at(0).data;
    return std::vector<uint8_t>(data.begin() + 2, data.end());
  }
  std::vector<std::string> AskedCreators(size_t firstRequest = 0) const {
    std::vector<std::string> creators;
    const auto requests = server_.Requests();
    for (size_t i = firstRequest; i < requests.size(); ++i) {
      const auto& request = requests[i];
      if (request.target.find("init=true") == std::string::npos)
        creators.push_back(Parameter(request.target, "creator"));
    }
    return creators;
  }
  std::vector<std::string> AskedInLastPass() const { return AskedCreators(requestsBeforePass_); }
  std::vector<std::string> Log() const { return handheld_host::HotSyncLog(); }

  test::ScopedHome home_;
  test::TempDir image_;
  std::map<std::string, ScriptedHttpServer::Response> replies_;  // by creator; "init" for the init query
  std::map<Operation, std::pair<int, int32_t>> faults_;
  std::optional<uint32_t> reportedCount_;
  size_t requestsBeforePass_ = 0;
  std::vector<std::string> progressTexts_;
  // Progress texts at the moment each request arrived.
  std::vector<std::string> progressAtRequest_;
  ScriptedHttpServer server_{[this](const ScriptedHttpServer::Request& request) {
    progressAtRequest_.push_back(progressTexts_.empty() ? "" : progressTexts_.back());
    const std::string key =
        request.target.find("init=true") != std::string::npos ? "init" : Parameter(request.target, "creator");
    auto found = replies_.find(key);
    if (found != replies_.end()) return found->second;
    return key == "init" ? Reply("<status>okay</status><msg>Hello from the tracker</msg>")
                         : Reply("<status>nodata</status><msg>nothing on " + key + "</msg>");
  }};
  test::ScopedEnvironment proxy_{"http_proxy", server_.Url("").c_str()};
  test::ScopedEnvironment timeout_{"ORBITQUAIL_HTTP_TIMEOUT", "5"};
};

// ---- the preference

TEST_F(TrackingPassTest, AnotherStoredVersionIsNeverOverwritten) {
  WriteHandheld({}, test::MakeTrackerPreference(0), 0x120);
  const auto before = test::ReadBytes(PreferencesPath());
  EXPECT_EQ(RunPass(), -1);
  EXPECT_THAT(Log(), ElementsAre("---    OrbitQuail preference DB version is different.",
                                 "---      Conduit supports version 130.", "---      Palm's DB version is 120.\n",
                                 "---    Please install new version or reinstall."));
  EXPECT_EQ(test::ReadBytes(PreferencesPath()), before);
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(TrackingPassTest, FailedPreferenceCallsAreLoggedWithTheirCode) {
  WriteSampleCatalogue();
  faults_[Operation::kReadAppPreference] = {1, 0x4A2F};
  EXPECT_EQ(RunPass(), 0x4A2F);
  EXPECT_THAT(Log(), ElementsAre("---    Failed to read preference DB. Error=4A2F"));

  faults_.clear();
  faults_[Operation::kWriteAppPreference] = {1, 0x400A};
  EXPECT_EQ(RunPass(), 0x400A);
  EXPECT_THAT(Log(), ElementsAre("---    Failed to write preference DB. Error=400A"));
  EXPECT_TRUE(AskedCreators().empty()) << "the catalogue is not read after a failed write";

  std::filesystem::remove(PreferencesPath());
  faults_.clear();
  EXPECT_EQ(RunPass(), sync::kErrNotFound);
  EXPECT_THAT(Log(), ElementsAre("---    Failed to read preference DB. Error=4003"));
}

TEST_F(TrackingPassTest, ServerMessageRuleAndTheBytesTheConduitDoesNotOwn) {
  const auto original = test::MakeTrackerPreference(1, "an old message that is longer than the new one");
  WriteHandheld({}, original);
  replies_["init"] = Reply("<status>okay</status><msg>" + std::string(400, 'm') + "</msg>");
  EXPECT_EQ(RunPass(), 0);
  auto stored = StoredPreference();
  ASSERT_EQ(stored.size(), 392u);
  EXPECT_EQ(test::FieldText(stored, 71, 320), std::string(319, 'm'));
  EXPECT_EQ(stored[390], 0);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 71, stored.begin())) << "bytes 0 to 70";
  EXPECT_EQ(stored[391], original[391]);
  EXPECT_EQ(stored[68], 1) << "useSkipFlag keeps its value";

  replies_["init"] = Reply("<status>okay</status><msg></msg>");
  EXPECT_EQ(RunPass(), 0);
  stored = StoredPreference();
  EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 71, stored.begin() + 391), std::vector<uint8_t>(320, 0));
}

// ---- what the pass asks and writes

TEST_F(TrackingPassTest, EmptyCatalogueAsksNothing) {
  WriteHandheld({}, test::MakeTrackerPreference(0));
  EXPECT_EQ(RunPass(), 0);
  EXPECT_EQ(server_.Requests().size(), 1u) << "only the init query";
  EXPECT_EQ(progressTexts_.back(), "Reading App DB...");
}

TEST_F(TrackingPassTest, ExcludedRecordsAreNeverAskedAbout) {
  WriteHandheld({test::MakeProgramRecord({.creator = "Aaaa", .excludeFlag = 1}),
                 test::MakeProgramRecord({.creator = "Bbbb", .skipFlag = 1, .excludeFlag = 1})},
                test::MakeTrackerPreference(0));
  EXPECT_EQ(RunPass(), 0);
  EXPECT_TRUE(AskedCreators().empty());
  EXPECT_EQ(handheld_host::CallCount(Operation::kWriteRecord), 0);
  EXPECT_EQ(test::FieldText(StoredPreference(), 71, 320), "Hello from the tracker") << "the preference is written";
}

TEST_F(TrackingPassTest, SkipFlagCountsOnlyWhenThePreferenceSaysSo) {
  const std::vector<std::vector<uint8_t>> records = {
      test::MakeProgramRecord({.creator = "Aaaa"}), test::MakeProgramRecord({.creator = "Bbbb", .skipFlag = 1}),
      test::MakeProgramRecord({.creator = "Cccc", .excludeFlag = 1}), test::MakeProgramRecord({.creator = "Dddd"})};
  WriteHandheld(records, test::MakeTrackerPreference(0));
  EXPECT_EQ(RunPass(), 0);
  EXPECT_THAT(AskedCreators(), ElementsAre("Aaaa", "Bbbb", "Dddd"));

  WriteHandheld(records, test::MakeTrackerPreference(1));
  EXPECT_EQ(RunPass(), 0);
  EXPECT_THAT(AskedInLastPass(), ElementsAre("Aaaa", "Dddd"));
}

TEST_F(TrackingPassTest, ProgressCountsDownBeforeEachQuery) {
  WriteSampleCatalogue();
  EXPECT_EQ(RunPass(), 0);
  EXPECT_THAT(progressAtRequest_,
              ElementsAre("Connecting to Internet...", "To be tracked: 3", "To be tracked: 2", "To be tracked: 1"));
}

TEST_F(TrackingPassTest, OkayAndNoDataRepliesAreWrittenByteForByte) {
  const auto okayRecord = test::MakeProgramRecord({.creator = "Aaaa", .name = "First"}, 200, 0xEE);
  const auto noDataRecord = test::MakeProgramRecord({.creator = "Bbbb", .name = "Second"}, 150, 0xDD);
  WriteHandheld({okayRecord, noDataRecord}, test::MakeTrackerPreference(0));
  replies_["Aaaa"] = Reply("<status>okay</status><version>2.1.3</version><date>2003/09/22</date><msg>New!</msg>");
  replies_["Bbbb"] = Reply("<status>nodata</status><version>9</version><date>2010/1/5</date><msg>Unknown</msg>");
  EXPECT_EQ(RunPass(), 0);
  const auto records = Records();

  auto expected = okayRecord;
  const uint8_t version[12] = {'2', '.', '1', '.', '3', 0, 0, 0, 0, 0, 0, 0};
  std::copy(std::begin(version), std::end(version), expected.begin() + 84);
  const uint8_t date[4] = {3, 9, 22, 0};
  std::copy(std::begin(date), std::end(date), expected.begin() + 100);
  const char message[] = "New!";
  std::copy(message, message + 5, expected.begin() + 110);
  expected.resize(112 + 4);  // the byte after the terminator is the slot's own
  EXPECT_EQ(records[0], expected);

  expected = noDataRecord;
  const char unknown[] = "Unknown";
  std::copy(unknown, unknown + 8, expected.begin() + 110);
  expected.resize(112 + 7);
  EXPECT_EQ(records[1], expected) << "NoData leaves the version and date alone";
}

TEST_F(TrackingPassTest, VersionOfTwelveOrMoreBytesHasNoTerminator) {
  WriteHandheld({test::MakeProgramRecord({.creator = "Aaaa"})}, test::MakeTrackerPreference(0));
  replies_["Aaaa"] = Reply("<status>okay</status><version>1234567890ABCDEF</version><msg></msg>");
  EXPECT_EQ(RunPass(), 0);
  const auto record = Records()[0];
  EXPECT_EQ(std::string(record.begin() + 84, record.begin() + 96), "1234567890AB");
  EXPECT_EQ(record[96], 0) << "the handheld program's bytes after the field are untouched";
  EXPECT_EQ(record.size(), 112u) << "an empty message";
  EXPECT_EQ(record[110], 0);
  const uint8_t noDate[4] = {48, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(noDate), std::end(noDate), record.begin() + 100));
}

TEST_F(TrackingPassTest, LongMessageIsCutToTheSlot) {
  WriteHandheld({test::MakeProgramRecord({.creator = "Aaaa"})}, test::MakeTrackerPreference(0));
  replies_["Aaaa"] = Reply("<status>nodata</status><msg>" + std::string(300, 'x') + "</msg>");
  EXPECT_EQ(RunPass(), 0);
  const auto record = Records()[0];
  ASSERT_EQ(record.size(), 368u);
  EXPECT_EQ(test::FieldText(record, 110, 258), std::string(256, 'x'));
  EXPECT_EQ(record[366], 0);
}

// ---- how a pass ends

TEST_F(TrackingPassTest, OldClientOnInitStoresTheMessageAndSucceeds) {
  WriteSampleCatalogue();
  replies_["init"] = Reply("<status>oldclient</status><msg>Please update</msg>");
  EXPECT_EQ(RunPass(), 0);
  EXPECT_EQ(test::FieldText(StoredPreference(), 71, 320), "Please update");
  EXPECT_EQ(handheld_host::CallCount(Operation::kReadOpenDbInfo), 0) << "catalogue not read";
}

TEST_F(TrackingPassTest, InitWithoutResponseKeepsTheLastMessageAndFails) {
  WriteHandheld({}, test::MakeTrackerPreference(0, "yesterday's message"));
  test::ScopedEnvironment refused("http_proxy", "http://127.0.0.1:1");
  EXPECT_EQ(RunPass(), -1);
  EXPECT_EQ(test::FieldText(StoredPreference(), 71, 320), "yesterday's message") << "no answer says nothing new";
  EXPECT_EQ(Log().back(), "---    Failed to init with OrbitQuail server.");
}

TEST_F(TrackingPassTest, HttpErrorOnASecondProgramStopsThePass) {
  WriteSampleCatalogue();
  replies_["Bbbb"] = Reply("oops", 500);
  EXPECT_EQ(RunPass(), -1);
  EXPECT_THAT(AskedCreators(), ElementsAre("Aaaa", "Bbbb"));
  EXPECT_EQ(test::FieldText(Records()[0], 110, 256), "nothing on Aaaa") << "the first record stays written";
  EXPECT_EQ(test::FieldText(Records()[1], 110, 256), "");
}

TEST_F(TrackingPassTest, UnusableRepliesUnder200LeaveTheRecordAndGoOn) {
  for (const char* status : {"oldclient", "error"}) {
    WriteSampleCatalogue();
    const auto before = Records();
    replies_["Bbbb"] = Reply(std::string("<status>") + status + "</status><msg>ignored</msg>");
    EXPECT_EQ(RunPass(), 0) << status;
    EXPECT_EQ(Records()[1], before[1]) << status;
    EXPECT_EQ(test::FieldText(Records()[2], 110, 256), "nothing on Cccc") << status;
  }
}

TEST_F(TrackingPassTest, TransportFailureAfterA200IsTreatedLikeA200) {
  for (Behaviour cut : {Behaviour::kDropMidBody, Behaviour::kChunkedWithoutEnd}) {
    WriteSampleCatalogue();
    const auto before = Records();
    replies_["Bbbb"] = Reply("<status>okay</status><version>9.9</version><msg>" + std::string(500, 'x') + "</msg>");
    replies_["Bbbb"].behaviour = cut;
    EXPECT_EQ(RunPass(), 0);
    EXPECT_EQ(Records()[1], before[1]) << "a body cut short is not parsed";
    EXPECT_THAT(Log(), ::testing::Contains("---    HTTP error while getting data."));
    EXPECT_THAT(AskedInLastPass(), ElementsAre("Aaaa", "Bbbb", "Cccc"));
  }
}

TEST_F(TrackingPassTest, AStatusOtherThan200EndsThePassEvenWhenItsBodyFails) {
  ScriptedHttpServer::Response cut500 = Reply(std::string(100, 'x'), 500);
  cut500.behaviour = Behaviour::kDropMidBody;
  ScriptedHttpServer::Response cut404 = Reply(std::string(100, 'x'), 404);
  cut404.behaviour = Behaviour::kDropMidBody;
  const ScriptedHttpServer::Response huge500 = Reply(std::string(2 * 1024 * 1024, 'x'), 500);
  for (const auto& [reply, line] : {std::pair{cut500, "1F4"}, std::pair{cut404, "194"}, std::pair{huge500, "1F4"}}) {
    WriteSampleCatalogue();
    replies_["Bbbb"] = reply;
    EXPECT_EQ(RunPass(), -1) << line;
    EXPECT_THAT(Log(), ::testing::Contains(std::string("---    Failed to get data from server. HTTP Error: ") + line));
    EXPECT_THAT(AskedInLastPass(), ElementsAre("Aaaa", "Bbbb")) << "no program is asked after it";
  }
}

TEST_F(TrackingPassTest, ASlowBodyEndsAtTheRequestDeadline) {
  test::ScopedEnvironment timeout{"ORBITQUAIL_HTTP_TIMEOUT", "1"};
  WriteSampleCatalogue();
  const auto before = Records();
  // 46 bytes at four a second would take over 11 s; the deadline is 2 s.
  replies_["Bbbb"] = Reply("<status>okay</status><version>9.9</version>");
  replies_["Bbbb"].behaviour = Behaviour::kTrickle;
  EXPECT_EQ(RunPass(), 0);
  EXPECT_EQ(Records()[1], before[1]);
  EXPECT_THAT(Log(), ::testing::Contains("---    HTTP error while getting data."));
  EXPECT_EQ(test::FieldText(Records()[2], 110, 256), "nothing on Cccc");
}

TEST_F(TrackingPassTest, AServerThatStopsAnsweringEndsThePassAfterTwoSilentQueries) {
  test::ScopedEnvironment timeout{"ORBITQUAIL_HTTP_TIMEOUT", "1"};
  const auto four = [this] {
    WriteHandheld({test::MakeProgramRecord({.creator = "Aaaa"}), test::MakeProgramRecord({.creator = "Bbbb"}),
                   test::MakeProgramRecord({.creator = "Cccc"}), test::MakeProgramRecord({.creator = "Dddd"})},
                  test::MakeTrackerPreference(0));
  };
  replies_["Bbbb"].behaviour = Behaviour::kNeverAnswer;
  four();
  EXPECT_EQ(RunPass(), 0) << "one lost reply is forgiven";
  EXPECT_THAT(AskedInLastPass(), ElementsAre("Aaaa", "Bbbb", "Cccc", "Dddd"));

  replies_["Cccc"].behaviour = Behaviour::kNeverAnswer;
  four();
  EXPECT_EQ(RunPass(), -1);
  EXPECT_EQ(Log().back(), "---    The server did not answer two queries in a row; tracking stopped.");
  EXPECT_THAT(AskedInLastPass(), ElementsAre("Aaaa", "Bbbb", "Cccc"));
}

TEST_F(TrackingPassTest, FailedHandheldCallsEndThePassWithTheirCode) {
  WriteSampleCatalogue();
  faults_ = {{Operation::kReadOpenDbInfo, {1, 0x4010}}};
  EXPECT_EQ(RunPass(), 0x4010);
  EXPECT_EQ(Log().back(), "---    Failed to open App DB.");

  faults_ = {{Operation::kReadRecordByIndex, {2, 0x4011}}};
  EXPECT_EQ(RunPass(), 0x4011);
  EXPECT_EQ(Log().back(), "---    Failed to read data from App DB.");
  EXPECT_TRUE(AskedCreators().empty()) << "no program asked about";

  faults_ = {{Operation::kWriteRecord, {1, 0x4012}}};
  EXPECT_EQ(RunPass(), 0x4012);
  EXPECT_EQ(Log().back(), "---    Failed to write data into App DB.");
  EXPECT_THAT(AskedCreators(), ElementsAre("Aaaa")) << "later programs are not asked about";
}

TEST_F(TrackingPassTest, ArraysThatCannotBeAllocatedEndThePassCleanly) {
  WriteSampleCatalogue();
  reportedCount_ = 0xFFFFFFFF;
  EXPECT_EQ(RunPass(), -1);
  EXPECT_EQ(Log().back(), "---    Not enough memory to read App DB.");
  EXPECT_EQ(handheld_host::CallCount(Operation::kReadRecordByIndex), 0);
}

}  // namespace
}  // namespace oq
