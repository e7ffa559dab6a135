#include "dlp_fields.h"

namespace oq::dlp {

RequestBuilder& RequestBuilder::Set(Field field, uint64_t value) {
  bytes::ByteWriter writer(data_);
  if (field.width == 1 && value <= 0xFF) {
    writer.U8(field.offset, static_cast<uint8_t>(value));
  } else if (field.width == 2 && value <= 0xFFFF) {
    writer.U16Be(field.offset, static_cast<uint16_t>(value));
  } else if (field.width == 4 && value <= 0xFFFFFFFF) {
    writer.U32Be(field.offset, static_cast<uint32_t>(value));
  } else {
    return Fail(std::to_string(value) + " does not fit a field of " + std::to_string(field.width) + " bytes");
  }
  if (!writer.ok()) return Fail("a field at offset " + std::to_string(field.offset) + " lies past the fixed fields");
  return *this;
}

RequestBuilder& RequestBuilder::Set(Field field, const palm::CalendarTime& time) {
  if (field.width != kDateLength)
    return Fail("a date does not fit a field of " + std::to_string(field.width) + " bytes");
  bytes::ByteWriter writer(data_);
  writer.U16Be(field.offset, time.year);
  writer.U8(field.offset + 2, time.month);
  writer.U8(field.offset + 3, time.day);
  writer.U8(field.offset + 4, time.hour);
  writer.U8(field.offset + 5, time.minute);
  writer.U8(field.offset + 6, time.second);
  writer.U8(field.offset + 7, 0);
  if (!writer.ok()) return Fail("a field at offset " + std::to_string(field.offset) + " lies past the fixed fields");
  return *this;
}

RequestBuilder& RequestBuilder::Fail(std::string problem) {
  if (problem_.empty()) problem_ = std::move(problem);
  return *this;
}

RequestBuilder& RequestBuilder::AppendText(std::string_view text) {
  data_.insert(data_.end(), text.begin(), text.end());
  data_.push_back(0);
  return CheckLength();
}

RequestBuilder& RequestBuilder::Append(std::span<const uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return CheckLength();
}

RequestBuilder& RequestBuilder::CheckLength() {
  if (data_.size() <= kShortArgumentMax) return *this;
  return Fail(std::to_string(data_.size()) + " bytes, more than one argument carries (" +
              std::to_string(kShortArgumentMax) + ")");
}

Request RequestBuilder::Build() const {
  Request request{static_cast<uint8_t>(layout_.command), {}};
  if (layout_.argumentId != kNoArgument) request.arguments.push_back({layout_.argumentId, data_});
  return request;
}

AnswerReader::AnswerReader(const Response& response, uint8_t id) : AnswerReader(std::span<const uint8_t>{}) {
  if (const Argument* argument = response.Find(id)) {
    data_ = argument->data;
    reader_ = bytes::ByteReader(data_);
  }
}

uint32_t AnswerReader::Number(Field field) {
  switch (field.width) {
    case 1: return reader_.U8(field.offset);
    case 2: return reader_.U16Be(field.offset);
    case 4: return reader_.U32Be(field.offset);
  }
  return 0;
}

palm::CalendarTime AnswerReader::Date(Field field) {
  palm::CalendarTime time;
  time.year = reader_.U16Be(field.offset);
  time.month = reader_.U8(field.offset + 2);
  time.day = reader_.U8(field.offset + 3);
  time.hour = reader_.U8(field.offset + 4);
  time.minute = reader_.U8(field.offset + 5);
  time.second = reader_.U8(field.offset + 6);
  return time;
}

}  // namespace oq::dlp
