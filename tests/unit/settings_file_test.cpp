#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "ini_document.h"
#include "private_profile.h"
#include "settings_file.h"
#include "test_environment.h"

namespace oq {
namespace {

TEST(DecimalParsingTest, ReadsLeadingDigitsAndSaturates) {
  struct Case {
    const char* text;
    int32_t expected32;
    int64_t expected64;
  };
  const Case cases[] = {
      {"1", 1, 1},
      {"  -3", -3, -3},
      {"+12days", 12, 12},
      {"abc", 0, 0},
      {"", 0, 0},
      {"- 5", 0, 0},
      {"2147483648", INT32_MAX, 2147483648LL},
      {"-2147483649", INT32_MIN, -2147483649LL},
      {"99999999999999999999999", INT32_MAX, INT64_MAX},
      {"-99999999999999999999999", INT32_MIN, INT64_MIN},
      {"-9223372036854775808", INT32_MIN, INT64_MIN},
      {"4102444800", INT32_MAX, 4102444800LL},  // 2100-01-01
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDecimal32(c.text), c.expected32) << '"' << c.text << '"';
    EXPECT_EQ(ParseDecimal64(c.text), c.expected64) << '"' << c.text << '"';
  }
}

TEST(DecimalParsingTest, YesIgnoresCaseOnly) {
  EXPECT_TRUE(IsYes("Yes"));
  EXPECT_TRUE(IsYes("YES"));
  EXPECT_TRUE(IsYes("yes"));
  EXPECT_FALSE(IsYes("Y"));
  EXPECT_FALSE(IsYes("1"));
  EXPECT_FALSE(IsYes("Yes "));
  EXPECT_FALSE(IsYes(""));
}

TEST(SettingsFileTest, MissingFileGivesTheDefaults) {
  test::ScopedHome home;
  EXPECT_EQ(SettingsFile::Read("Track", "Period", "1", 256), "1");
  EXPECT_EQ(SettingsFile::Read("Track", "LastTrackTime", "0", 256), "0");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Enable", "No", 16), "No");
  EXPECT_FALSE(std::filesystem::exists(home.SettingsPath())) << "reading creates nothing";
}

TEST(SettingsFileTest, NamesMatchWithoutRegardToCaseAndValuesAreCutToTheBuffer) {
  test::ScopedHome home;
  test::WriteText(home.SettingsPath(),
                  "; proxy settings\r\n[authproxy]\r\n  ENABLE = yes \r\nusername=\"quoted name\"\r\n"
                  "Password=0123456789\r\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Enable", "No", 16), "yes");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 128), "quoted name");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Password", "", 5), "0123");
  EXPECT_EQ(SettingsFile::Read("Track", "Password", "none", 128), "none") << "keys belong to their section";

  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(platform::ReadProfileValue("AuthProxy", "Password", "", buffer, 4, "OrbitQuail.ini"), 3u);
  EXPECT_STREQ(buffer, "012") << "the terminator stays inside the buffer";
}

TEST(SettingsFileTest, WriteKeepsEveryOtherLineAndIsOwnerOnly) {
  test::ScopedHome home;
  const std::string original = "; written by hand\n[Track]\nPeriod=7\n\n[Other]\nkey=value\n[AuthProxy]\nEnable=No\n";
  test::WriteText(home.SettingsPath(), original);
  chmod(home.SettingsPath().c_str(), 0644);

  ASSERT_TRUE(SettingsFile::Write("track", "lasttracktime", "1700000000"));
  ASSERT_TRUE(SettingsFile::Write("AuthProxy", "Enable", "Yes"));
  ASSERT_TRUE(SettingsFile::Write("Track", "PERIOD", "-3"));
  ASSERT_TRUE(SettingsFile::Write("New", "Key", "v"));
  EXPECT_EQ(test::ReadText(home.SettingsPath()),
            "; written by hand\n[Track]\nPERIOD=-3\nlasttracktime=1700000000\n\n[Other]\nkey=value\n"
            "[AuthProxy]\nEnable=Yes\n[New]\nKey=v\n");

  struct stat info {};
  ASSERT_EQ(stat(home.SettingsPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsFileTest, EveryReadSeesTheFileAsItIsNow) {
  test::ScopedHome home;
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nEnable=No\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Enable", "", 16), "No");
  // Changed by hand in place (same file), replaced by another program
  // (a new file), removed, and another home: each read follows.
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nEnable=Yes\nUserName=me\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Enable", "", 16), "Yes");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "me");
  // Rewritten in place at once, at the same size.
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nEnable=Yes\nUserName=us\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "us");
  const auto replacement = home.SettingsPath().string() + ".new";
  test::WriteText(replacement, "[AuthProxy]\nUserName=you\n");
  std::filesystem::rename(replacement, home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "you");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "Enable", "gone", 16), "gone");
  std::filesystem::remove(home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "none", 16), "none");

  test::ScopedHome other;
  test::WriteText(other.SettingsPath(), "[AuthProxy]\nUserName=other\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "other");
  ASSERT_TRUE(SettingsFile::Write("AuthProxy", "UserName", "written"));
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "written");
}

TEST(SettingsFileTest, AFileReadThousandsOfTimesStillShowsEveryChange) {
  test::ScopedHome home;
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nUserName=aa\n");
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "aa");
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nUserName=bb\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "bb");
  const auto replacement = home.SettingsPath().string() + ".new";
  test::WriteText(replacement, "[AuthProxy]\nUserName=cc\n");
  std::filesystem::rename(replacement, home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "cc");
  std::filesystem::remove(home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "none", 16), "none");
}

// Older than any "changed just now" grace a reader might give a file.
void LetTheFileAge() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

// Changes that leave every stamp of the file as it was: the read that
// follows each sees what the file holds.
TEST(SettingsFileTest, ChangesNoStampShowsAreSeenAtTheNextRead) {
  test::ScopedHome home;
  const auto windows = home.SettingsPath().parent_path();
  std::filesystem::create_directories(windows);
  const auto settings = home.SettingsPath();

  // A file system whose clock ticks in seconds: the same size, the same times.
  test::WriteText(settings, "[AuthProxy]\nUserName=t1\n");
  struct stat before {};
  ASSERT_EQ(stat(settings.c_str(), &before), 0);
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "t1");
  LetTheFileAge();
  test::WriteText(settings, "[AuthProxy]\nUserName=t2\n");
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, settings.c_str(), times, 0), 0);
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "t2");

  // Edited through a hard link, and a link's target edited in place.
  const auto hardLink = windows / "hard.ini";
  std::filesystem::create_hard_link(settings, hardLink);
  test::WriteText(hardLink, "[AuthProxy]\nUserName=h1\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "h1");
  std::filesystem::remove(settings);
  test::WriteText(windows / "target.ini", "[AuthProxy]\nUserName=s1\n");
  std::filesystem::create_symlink("target.ini", settings);
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "s1");
  test::WriteText(windows / "target.ini", "[AuthProxy]\nUserName=s2\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "s2");

  // Two edits through a writable shared mapping: the kernel stamps at most
  // the first.
  std::filesystem::remove(settings);
  test::WriteText(settings, "[AuthProxy]\nUserName=m0\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "m0");
  const int descriptor = open(settings.c_str(), O_RDWR);
  ASSERT_GE(descriptor, 0);
  const size_t size = std::filesystem::file_size(settings);
  auto* mapped = static_cast<char*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0));
  ASSERT_NE(mapped, MAP_FAILED);
  char* digit = std::strstr(mapped, "m0") + 1;
  for (const char value : {'1', '2'}) {
    LetTheFileAge();
    EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), std::string("m") + *digit);
    *digit = value;
    EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), std::string("m") + value);
  }
  munmap(mapped, size);
  close(descriptor);
}

TEST(SettingsFileTest, ALinkRetargetedOrADirectorySwappedIsFollowedAtOnce) {
  test::ScopedHome home;
  const auto windows = home.SettingsPath().parent_path();
  std::filesystem::create_directories(windows);
  test::WriteText(windows / "first.ini", "[AuthProxy]\nUserName=first\n");
  test::WriteText(windows / "second.ini", "[AuthProxy]\nUserName=second\n");
  std::filesystem::create_symlink("first.ini", home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "first");
  std::filesystem::remove(home.SettingsPath());
  std::filesystem::create_symlink("second.ini", home.SettingsPath());
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "second");

  // The file itself is untouched when its directory is swapped for another.
  std::filesystem::remove(home.SettingsPath());
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nUserName=before\n");
  LetTheFileAge();
  for (int read = 0; read < 10; ++read) ASSERT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "before");
  std::filesystem::rename(windows, windows.string() + ".old");
  test::WriteText(home.SettingsPath(), "[AuthProxy]\nUserName=after\n");
  EXPECT_EQ(SettingsFile::Read("AuthProxy", "UserName", "", 16), "after");
}

TEST(SettingsFileTest, FirstWriteCreatesAPrivateFile) {
  test::ScopedHome home;
  ASSERT_TRUE(SettingsFile::Write("AuthProxy", "Password", "secret"));
  struct stat info {};
  ASSERT_EQ(stat(home.SettingsPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(home.SettingsPath().parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);
  EXPECT_EQ(test::ReadText(home.SettingsPath()), "[AuthProxy]\nPassword=secret\n");
}

TEST(IniDocumentTest, KeepsCrLfAndAMissingFinalLineEnd) {
  auto document = storage::IniDocument::Parse("[Track]\r\nPeriod=1");
  document.Set("Track", "Period", "2");
  EXPECT_EQ(document.Serialize(), "[Track]\r\nPeriod=2");
  document.Set("Track", "LastTrackTime", "5");
  EXPECT_EQ(document.Serialize(), "[Track]\r\nPeriod=2\r\nLastTrackTime=5");

  auto ended = storage::IniDocument::Parse("[Track]\n");
  ended.Set("Track", "LastTrackTime", "5");
  EXPECT_EQ(ended.Serialize(), "[Track]\nLastTrackTime=5\n") << "a file that ended its last line still does";
}

TEST(IniDocumentTest, EachLineKeepsItsOwnLineEnd) {
  auto document = storage::IniDocument::Parse("; hand-edited\n[Track]\r\nPeriod=1\nOld=x\r\n[Other]\nk=v\r");
  document.Set("Track", "Period", "2");
  document.Set("Track", "LastTrackTime", "5");
  document.Set("Other", "k", "w");
  document.Set("New", "a", "b");
  EXPECT_EQ(document.Serialize(),
            "; hand-edited\n[Track]\r\nPeriod=2\nOld=x\r\nLastTrackTime=5\n[Other]\nk=w\r\n[New]\na=b\n")
      << "a lone CR at the end stays; added lines end as the file's first line does";
}

}  // namespace
}  // namespace oq
