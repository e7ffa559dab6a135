// The byte codec every layout goes through: nothing outside the span is
// touched, a failure sticks, text fields keep their terminator.
#include <gtest/gtest.h>

#include <vector>

#include "byte_codec.h"

namespace oq::bytes {
namespace {

TEST(ByteCodecTest, ReadsAndWritesStayInsideTheirSpanAndFailureSticks) {
  std::vector<uint8_t> buffer(8, 0xEE);  // guard bytes around the 4-byte span
  ByteWriter writer(std::span<uint8_t>(buffer).subspan(2, 4));
  writer.U32Be(0, 0x01020304);
  EXPECT_TRUE(writer.ok());
  writer.U16Be(3, 0xFFFF);
  EXPECT_FALSE(writer.ok());
  writer.U8(0, 0x09);
  EXPECT_FALSE(writer.ok()) << "a failure is not forgotten by a later good write";
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0xEE, 0xEE, 0x09, 0x02, 0x03, 0x04, 0xEE, 0xEE}));

  const std::vector<uint8_t> bytes{0x12, 0x34, 0x56};
  for (size_t length = 0; length <= bytes.size(); ++length) {
    ByteReader reader(std::span<const uint8_t>(bytes).first(length));
    const uint32_t value = reader.U24Be(0);
    EXPECT_EQ(reader.ok(), length == 3) << length;
    EXPECT_EQ(value, length == 3 ? 0x123456u : 0u) << length;
  }
}

TEST(ByteCodecTest, TextFieldsAreCutToKeepTheirTerminatorAndReadNoFurther) {
  std::vector<uint8_t> buffer(7, 0xEE);
  ByteWriter writer(std::span<uint8_t>(buffer).subspan(1, 5));
  writer.Text(0, 4, "quail");
  writer.Text(4, 1, "x");
  EXPECT_TRUE(writer.ok());
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0xEE, 'q', 'u', 'a', 0, 0, 0xEE}));
  writer.Text(2, 4, "no");
  EXPECT_FALSE(writer.ok()) << "a field past the end is not written at all";
  EXPECT_EQ(buffer[3], 'a');

  const std::vector<uint8_t> unterminated{'a', 'b', 'c', 'd', 'e'};
  ByteReader reader(unterminated);
  EXPECT_EQ(reader.Text(0, 3), "abc") << "no further than the field";
  EXPECT_EQ(reader.Text(3, 10), "de") << "no further than the bytes";
  EXPECT_EQ(reader.Text(9, 4), "");
}

}  // namespace
}  // namespace oq::bytes
