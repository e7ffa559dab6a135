// oq-tracker with a catalogue database: the maintainers' commands, edits
// answered while it serves, the unknown programs counted, the status page
// in a real browser, and a database that stays whole when a writer is
// killed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "child_process.h"
#include "http_client.h"
#include "test_environment.h"

namespace oq {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class TrackerCatalogueTest : public ::testing::Test {
 protected:
  std::string Db() const { return (work_.path() / "tracker.db").string(); }
  test::Outcome Tracker(const std::string& arguments) {
    return test::RunCommand(std::string(OQ_TRACKER_PATH) + " " + arguments + " --db " + Db());
  }
  std::string WriteFile(const std::string& name, const std::string& text) {
    const auto path = work_.path() / name;
    std::ofstream(path) << text;
    return path.string();
  }
  void SetUp() override {
    ASSERT_EQ(Tracker("db init").status, 0);
    ASSERT_EQ(Tracker("db import " OQ_SOURCE_DIR "/tracker/sample-catalog.tsv").status, 0);
  }
  nlohmann::json ListJson() { return nlohmann::json::parse(Tracker("db list --json").standardOutput); }
  std::string Query(test::HttpClient& client, const test::TrackerProcess& tracker, const std::string& creator,
                    const std::string& name = "Program", const std::string& version = "1.0") {
    return client.Get(tracker.Url() + "/query.php?type=appl&creator=" + creator + "&name=" + name + "&ver=" + version);
  }

  test::TempDir work_;
};

TEST_F(TrackerCatalogueTest, MaintainersChangeTheCatalogueAndAnImportIsAllOrNothing) {
  EXPECT_EQ(ListJson().size(), 5u);
  const auto set = Tracker("db set Abcd 2.0 2026/12/01 \"A new one\"");
  ASSERT_EQ(set.status, 0) << set.output;
  const auto list = ListJson();
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0],
            (nlohmann::json{{"creator", "Abcd"}, {"version", "2.0"}, {"date", "2026/12/01"}, {"msg", "A new one"}}));

  const auto exported = Tracker("db export");
  ASSERT_EQ(exported.status, 0);
  EXPECT_THAT(exported.standardOutput, HasSubstr("creator\tversion\tdate\tmsg\nAbcd\t2.0\t2026/12/01\tA new one\n"));

  // One bad row among good ones: each bad row named, nothing imported.
  const std::string bad = WriteFile("bad.tsv",
                                    "creator\tversion\tdate\tmsg\nGood\t1.0\t2026/01/01\tfine\n"
                                    "Bad1\t1.0\t2026/02/30\tno such day\nGood2\t1.0\t2026/01/01\tfine\n"
                                    "Good\t1.1\t2026/01/01\ttwice\n");
  const auto refused = Tracker("db import " + bad);
  EXPECT_EQ(refused.status, 2);
  EXPECT_THAT(refused.output, HasSubstr("bad.tsv:5: the creator code \"Good\" is listed a second time"));
  EXPECT_THAT(refused.output, HasSubstr("nothing was imported"));
  const auto refusedDate = Tracker("db import " + WriteFile("date.tsv",
                                                            "creator\tversion\tdate\tmsg\n"
                                                            "Good\t1.0\t2026/01/01\tfine\n"
                                                            "Bad1\t1.0\t2026/02/30\tno such day\n"));
  EXPECT_EQ(refusedDate.status, 2);
  EXPECT_THAT(refusedDate.output, HasSubstr("date.tsv:3: \"2026/02/30\" is not a date"));
  EXPECT_EQ(ListJson().size(), 6u) << "not one row of either file";

  EXPECT_EQ(Tracker("db set Abcd 2.x 2026/12/01").status, 2);
  EXPECT_EQ(Tracker("db remove Abcd").status, 0);
  EXPECT_EQ(Tracker("db remove Abcd").status, 2) << "not there any more";
  EXPECT_EQ(ListJson().size(), 5u);

  const auto missing =
      test::RunCommand(std::string(OQ_TRACKER_PATH) + " db list --db " + (work_.path() / "none.db").string());
  EXPECT_EQ(missing.status, 2);
  EXPECT_THAT(missing.output, HasSubstr("make one with `oq-tracker db init"));
}

TEST_F(TrackerCatalogueTest, AnEditIsAnsweredFromTheNextQueryAndUnknownProgramsAreCountedExactly) {
  test::TrackerProcess tracker({"--db", Db()});
  ASSERT_TRUE(tracker.running()) << tracker.Output();
  test::HttpClient client;
  EXPECT_THAT(Query(client, tracker, "Zzzz"), HasSubstr("<status>nodata</status>"));
  ASSERT_EQ(Tracker("db set Zzzz 3.1 2026/12/02 Known").status, 0);
  EXPECT_EQ(Query(client, tracker, "Zzzz"),
            "<status>okay</status>\n<version>3.1</version>\n<date>2026/12/02</date>\n<msg>Known</msg>\n");

  for (int i = 0; i < 37; ++i) Query(client, tracker, "Mys1", "Mystery", "1." + std::to_string(i % 3));
  for (int i = 0; i < 5; ++i) Query(client, tracker, "Oth2", "Other%01Name%3C", "2.0");
  for (int i = 0; i < 3; ++i) Query(client, tracker, "Soon", "Soon known");
  Query(client, tracker, "StCh", "Star Chart");  // known: not counted
  ASSERT_EQ(tracker.Stop(), 0) << tracker.Output();

  // Adding a program takes it off the list.
  ASSERT_EQ(Tracker("db set Soon 1.0 2026/12/03").status, 0);
  const auto unknown = nlohmann::json::parse(Tracker("unknown --json").standardOutput);
  // Zzzz was asked for once while unknown, but the catalogue had it before
  // the count was written: a known program is never listed.
  ASSERT_EQ(unknown.size(), 2u) << unknown.dump();
  EXPECT_EQ(unknown[0]["creator"], "Mys1");
  EXPECT_EQ(unknown[0]["count"], 37);
  EXPECT_EQ(unknown[0]["version"], "1.0") << "the version last asked with";
  EXPECT_EQ(unknown[1]["creator"], "Oth2");
  EXPECT_EQ(unknown[1]["name"], "Other\\x01Name<") << "escaped";
  EXPECT_EQ(unknown[1]["count"], 5);
  EXPECT_EQ(Tracker("unknown --top 1").standardOutput.find("Oth2"), std::string::npos);
}

TEST_F(TrackerCatalogueTest, EveryQueryDuringEditsGetsTheOldAnswerOrTheNewOneWhole) {
  test::TrackerProcess tracker({"--db", Db()});
  ASSERT_TRUE(tracker.running()) << tracker.Output();
  const std::string old =
      "<status>okay</status>\n<version>2.4</version>\n<date>2026/11/15</date>\n"
      "<msg>New star maps for both hemispheres.</msg>\n";
  const std::string fresh =
      "<status>okay</status>\n<version>2.5</version>\n<date>2026/12/05</date>\n<msg>Fresh maps</msg>\n";
  std::atomic<bool> done{false};
  std::atomic<int> edits{0};
  std::thread maintainer([&] {
    for (int i = 0; !done; ++i) {
      const auto set = i % 2 ? Tracker("db set StCh 2.4 2026/11/15 \"New star maps for both hemispheres.\"")
                             : Tracker("db set StCh 2.5 2026/12/05 \"Fresh maps\"");
      if (set.status == 0) ++edits;
    }
  });
  test::HttpClient client;
  int olds = 0, freshes = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string answer = Query(client, tracker, "StCh", "Star");
    if (answer == old) {
      ++olds;
    } else if (answer == fresh) {
      ++freshes;
    } else {
      ADD_FAILURE() << "query " << i << " was answered " << answer;
      break;
    }
  }
  done = true;
  maintainer.join();
  EXPECT_EQ(olds + freshes, 1000);
  EXPECT_GT(edits, 2) << "the edits ran while the queries did";
}

TEST_F(TrackerCatalogueTest, AWriterKilledAtAnyMomentLeavesTheDatabaseWholeWithAllOrNothing) {
  // 50,000 programs with four-character codes of their own.
  std::string rows = "creator\tversion\tdate\tmsg\n";
  for (int i = 0; i < 50000; ++i) {
    std::string creator(4, 'a');
    for (int k = 0, n = i; k < 4; ++k, n /= 36) creator[3 - k] = "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
    rows += creator + "\t1." + std::to_string(i % 10) + "\t2026/01/01\tbulk\n";
  }
  const std::string bulk = WriteFile("bulk.tsv", rows);
  int whole = 0, none = 0;
  for (const int delayMs : {5, 20, 40, 80, 150, 300}) {
    const pid_t writer = fork();
    if (writer == 0) {
      execl(OQ_TRACKER_PATH, OQ_TRACKER_PATH, "db", "import", bulk.c_str(), "--db", Db().c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    const auto list = Tracker("db list --json");
    ASSERT_EQ(list.status, 0) << "after " << delayMs << " ms: " << list.output;
    const size_t count = nlohmann::json::parse(list.standardOutput).size();
    EXPECT_TRUE(count == 5 || count == 50005) << count << " programs after " << delayMs << " ms";
    count == 5 ? ++none : ++whole;
    if (count == 50005) {  // back to the start for the next kill
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open(Db().c_str(), &db), SQLITE_OK);
      sqlite3_exec(db, "DELETE FROM programs WHERE msg = 'bulk'", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    }
  }
  EXPECT_GT(none, 0) << "no kill came in the middle of an import";
  // A set killed at once, and at its end.
  for (const int delayMs : {0, 1, 2, 5}) {
    const pid_t writer = fork();
    if (writer == 0) {
      execl(OQ_TRACKER_PATH, OQ_TRACKER_PATH, "db", "set", "StCh", "9.9", "2026/12/09", "--db", Db().c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    const auto list = ListJson();
    ASSERT_EQ(list.size(), 5u);
    const auto starChart = std::find_if(list.begin(), list.end(), [](auto& row) { return row["creator"] == "StCh"; });
    ASSERT_NE(starChart, list.end());
    EXPECT_TRUE((*starChart)["version"] == "2.4" || (*starChart)["version"] == "9.9") << *starChart;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Db().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
}

TEST_F(TrackerCatalogueTest, AnOlderDatabaseIsUpgradedAndANewerOneRefused) {
  const std::string older = (work_.path() / "older.db").string();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(older.c_str(), &db), SQLITE_OK);
  // The first schema: the programs alone.
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE programs(creator TEXT PRIMARY KEY, version TEXT NOT NULL, date TEXT NOT NULL,"
                         " msg TEXT NOT NULL) WITHOUT ROWID;"
                         "INSERT INTO programs VALUES('Oldp', '1.0', '2001/01/01', 'From the first schema');"
                         "PRAGMA application_id=1330730066; PRAGMA user_version=1;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const auto upgraded = test::RunCommand(std::string(OQ_TRACKER_PATH) + " db list --db " + older);
  ASSERT_EQ(upgraded.status, 0) << upgraded.output;
  EXPECT_THAT(upgraded.output, HasSubstr("upgraded from schema 1 to 2"));
  EXPECT_THAT(upgraded.output, HasSubstr("Oldp  1.0"));
  const auto again = test::RunCommand(std::string(OQ_TRACKER_PATH) + " db set Oldp 1.1 2002/02/02 --db " + older);
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_THAT(again.output, Not(HasSubstr("upgraded")));

  ASSERT_EQ(sqlite3_open(older.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const auto newer = test::RunCommand(std::string(OQ_TRACKER_PATH) + " db list --db " + older);
  EXPECT_EQ(newer.status, 2);
  EXPECT_THAT(newer.output, HasSubstr("was written by a newer oq-tracker (schema 99"));
}

TEST_F(TrackerCatalogueTest, TheStatusPageRendersInABrowserAndTheCatalogueParsesAsJson) {
  ASSERT_EQ(Tracker("db set Newp 1.0 2026/12/08 \"A <new> one\"").status, 0);
  test::TrackerProcess tracker({"--db", Db(), "--message", "Run by the test & its friends"});
  ASSERT_TRUE(tracker.running()) << tracker.Output();
  test::HttpClient client;
  for (int i = 0; i < 4; ++i) Query(client, tracker, "Askd", "Asked%20For");
  // The page writes the counts so far before it shows them.

  const auto rendered =
      test::RunCommand("chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --user-data-dir=" +
                       (work_.path() / "browser").string() + " --dump-dom " + tracker.Url() + "/ 2>/dev/null");
  ASSERT_EQ(rendered.status, 0) << rendered.output;
  const std::string& page = rendered.standardOutput;
  EXPECT_THAT(page, HasSubstr("Run by the test &amp; its friends"));
  EXPECT_THAT(page, HasSubstr("It knows 6 programs."));
  EXPECT_THAT(page, HasSubstr("<td>Newp</td><td>version 1.0</td>")) << "the latest change";
  EXPECT_THAT(page, HasSubstr("<td>Askd</td><td>Asked For</td><td>1.0</td><td>4</td>"));
  EXPECT_THAT(page, Not(HasSubstr("<new>"))) << "catalogue text is text, not markup";

  long status = 0;
  const auto catalogue = nlohmann::json::parse(client.Get(tracker.Url() + "/catalog.json", status));
  EXPECT_EQ(status, 200);
  ASSERT_EQ(catalogue.size(), 6u);
  EXPECT_EQ(catalogue[1],
            (nlohmann::json{{"creator", "Newp"}, {"version", "1.0"}, {"date", "2026/12/08"}, {"msg", "A <new> one"}}));
}

TEST_F(TrackerCatalogueTest, AHangUpSignalOpensTheLogAgainAndStopsNothing) {
  const auto log = work_.path() / "requests.log", rotated = work_.path() / "requests.log.1";
  // The log's own thread writes each line soon after its answer.
  const auto logged = [](const std::filesystem::path& file, const std::string& text) {
    for (int i = 0; i < 200 && test::ReadText(file).find(text) == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return test::ReadText(file);
  };
  test::TrackerProcess tracker({"--db", Db(), "--log", log.string()});
  ASSERT_TRUE(tracker.running()) << tracker.Output();
  test::HttpClient client;
  Query(client, tracker, "StCh", "Before");
  ASSERT_THAT(logged(log, "name=Before"), HasSubstr("name=Before"));
  std::filesystem::rename(log, rotated);  // as a rotation does
  ASSERT_EQ(kill(tracker.pid(), SIGHUP), 0);
  // The reopening comes before the lines queued after it.
  for (int i = 0; i < 200 && !std::filesystem::exists(log); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_THAT(Query(client, tracker, "StCh", "After"), HasSubstr("<version>2.4</version>")) << "still serving";
  EXPECT_THAT(logged(log, "name=After"), HasSubstr("name=After"));
  EXPECT_THAT(test::ReadText(log), Not(HasSubstr("name=Before")));
  EXPECT_THAT(test::ReadText(rotated), Not(HasSubstr("name=After")));
  EXPECT_EQ(tracker.Stop(), 0);
}

}  // namespace
}  // namespace oq
