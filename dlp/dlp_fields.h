// The one request builder and the one answer reader, which every command
// goes through by the fields its layout names in dlp_commands.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "byte_codec.h"
#include "dlp_commands.h"
#include "dlp_packet.h"
#include "palm_time.h"

namespace oq::dlp {

// A command's request: its fixed fields zeroed, then set one by one, and
// whatever follows them appended.
class RequestBuilder {
 public:
  explicit RequestBuilder(const RequestLayout& layout) : layout_(layout), data_(layout.fixedLength, 0) {}

  // A value wider than its field leaves the request unsendable (see
  // problem()) rather than cut to the field.
  RequestBuilder& Set(Field field, uint64_t value);
  RequestBuilder& Set(Field field, const palm::CalendarTime& time);
  // A name or text as the handheld takes it: its bytes and a NUL. An
  // argument longer than a short argument's length can say leaves the
  // request unsendable: the longer kind is not one every handheld takes.
  RequestBuilder& AppendText(std::string_view text);
  RequestBuilder& Append(std::span<const uint8_t> bytes);

  const RequestLayout& layout() const { return layout_; }
  // Empty while every value fits its field.
  const std::string& problem() const { return problem_; }
  Request Build() const;

 private:
  RequestBuilder& Fail(std::string problem);  // the first problem is the one told
  RequestBuilder& CheckLength();

  RequestLayout layout_;
  std::vector<uint8_t> data_;
  std::string problem_;
};

// One argument of an answer (the first unless told), read by its fields;
// an argument the handheld left out reads as empty.
class AnswerReader {
 public:
  explicit AnswerReader(std::span<const uint8_t> data) : data_(data), reader_(data) {}
  explicit AnswerReader(const Response& response, uint8_t id = kFirstArgumentId);

  size_t size() const { return data_.size(); }
  // A number field into `value`, whose type is at least the field's width.
  template <typename T>
  void Read(Field field, T& value) {
    value = static_cast<T>(Number(field));
  }
  palm::CalendarTime Date(Field field);
  std::string Text(size_t offset, size_t width) const { return reader_.Text(offset, width); }
  // The bytes from `offset` to the end; none when it lies past the end.
  std::span<const uint8_t> From(size_t offset) const {
    return offset < data_.size() ? data_.subspan(offset) : std::span<const uint8_t>{};
  }
  // `length` bytes at `offset`, or none when they run past the end.
  std::span<const uint8_t> Slice(size_t offset, size_t length) { return reader_.Bytes(offset, length); }

 private:
  uint32_t Number(Field field);

  std::span<const uint8_t> data_;
  bytes::ByteReader reader_;
};

}  // namespace oq::dlp
