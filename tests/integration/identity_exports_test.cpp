#include <cstring>

#include "conduit_fixture.h"

namespace oq {
namespace {

class IdentityExportsTest : public test::ConduitFixture {
 protected:
  int32_t Info(int32_t kind, void* input, void* output, uint32_t* size) {
    return conduit_->getConduitInfo(kind, input, output, size);
  }
  ConduitNameRequest request_{1, 80, 0x726B4F51, 7, "Quail Owner"};
};

TEST_F(IdentityExportsTest, NameRequestGivesTheName) {
  char name[256];
  std::memset(name, 'x', sizeof name);
  uint32_t size = sizeof name;
  EXPECT_EQ(Info(0, &request_, name, &size), 0);
  EXPECT_STREQ(name, "OrbitQuail");
}

TEST_F(IdentityExportsTest, CodesComeInTheirOrder) {
  char output[256] = {};
  uint32_t size = sizeof output;
  ConduitNameRequest wrongSize = request_;
  wrongSize.size = 88;
  ConduitNameRequest wrongVersion = request_;
  wrongVersion.version = 2;
  uint32_t zero = 0;

  EXPECT_EQ(Info(0, nullptr, nullptr, nullptr), 4209) << "null output before anything else";
  EXPECT_EQ(Info(99, nullptr, output, nullptr), 4215) << "null size before the kind";
  EXPECT_EQ(Info(0, nullptr, output, &size), 4212);
  EXPECT_EQ(Info(0, &wrongSize, output, &size), 4213);
  EXPECT_EQ(Info(0, &wrongVersion, output, &size), 4213);
  EXPECT_EQ(Info(0, &request_, output, &zero), 4214) << "no room for a single character";
  EXPECT_EQ(Info(3, &request_, output, &size), 4208);
  EXPECT_EQ(Info(-1, &request_, output, &size), 4208);
}

TEST_F(IdentityExportsTest, PropertyKindsNeedAFourByteOutput) {
  uint32_t value = 0xDEADBEEF;
  uint32_t size = 8;
  EXPECT_EQ(Info(1, nullptr, &value, &size), 4211);
  EXPECT_EQ(value, 0xDEADBEEFu) << "output untouched";
  size = 4;
  EXPECT_EQ(Info(1, nullptr, &value, &size), 0);
  EXPECT_EQ(value, 0x600u);
  EXPECT_EQ(Info(2, nullptr, &value, &size), 0);
  EXPECT_EQ(value, 0u);
}

TEST_F(IdentityExportsTest, NameIsCutToTheMaximumAndVersionIsFixed) {
  char name[8];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(conduit_->getConduitName(name, 4), 0);
  EXPECT_STREQ(name, "Orb");
  EXPECT_EQ(name[4], 'x') << "nothing written past the maximum";
  EXPECT_EQ(conduit_->getConduitName(name, 0), -1);
  EXPECT_EQ(conduit_->getConduitVersion(), 0x10200u);
}

}  // namespace
}  // namespace oq
