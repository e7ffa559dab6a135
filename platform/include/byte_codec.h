// Bounds-checked readers and writers for byte layouts.
//
// Every stored or exchanged layout (Palm database files, the handheld's
// records, the blocks the HotSync Manager passes) is read and written through
// these helpers only. A reader or writer never touches a byte outside its
// span: an access that would does nothing, yields 0 and marks the codec as
// failed, so a parser can read a whole header and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oq::bytes {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t size() const { return bytes_.size(); }

  bool Has(size_t offset, size_t length) {
    if (offset <= bytes_.size() && length <= bytes_.size() - offset) return true;
    ok_ = false;
    return false;
  }
  uint8_t U8(size_t offset) { return Has(offset, 1) ? bytes_[offset] : 0; }
  uint16_t U16Be(size_t offset) {
    if (!Has(offset, 2)) return 0;
    return static_cast<uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]);
  }
  uint32_t U24Be(size_t offset) {
    if (!Has(offset, 3)) return 0;
    return uint32_t{bytes_[offset]} << 16 | uint32_t{bytes_[offset + 1]} << 8 | bytes_[offset + 2];
  }
  uint32_t U32Be(size_t offset) {
    if (!Has(offset, 4)) return 0;
    return uint32_t{bytes_[offset]} << 24 | uint32_t{bytes_[offset + 1]} << 16 | uint32_t{bytes_[offset + 2]} << 8 |
           bytes_[offset + 3];
  }
  uint16_t U16Le(size_t offset) {
    if (!Has(offset, 2)) return 0;
    return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  uint32_t U32Le(size_t offset) {
    if (!Has(offset, 4)) return 0;
    return bytes_[offset] | uint32_t{bytes_[offset + 1]} << 8 | uint32_t{bytes_[offset + 2]} << 16 |
           uint32_t{bytes_[offset + 3]} << 24;
  }
  // An empty span when the range does not fit.
  std::span<const uint8_t> Bytes(size_t offset, size_t length) {
    if (!Has(offset, length)) return {};
    return bytes_.subspan(offset, length);
  }
  // A NUL-terminated text field of `width` bytes, read no further than the
  // field or the bytes there are: a record may end inside its last field.
  std::string_view TextView(size_t offset, size_t width) const {
    if (offset >= bytes_.size()) return {};
    const size_t available = bytes_.size() - offset < width ? bytes_.size() - offset : width;
    const auto* text = reinterpret_cast<const char*>(bytes_.data() + offset);
    size_t length = 0;
    while (length < available && text[length] != '\0') ++length;
    return {text, length};
  }
  std::string Text(size_t offset, size_t width) const { return std::string(TextView(offset, width)); }

 private:
  std::span<const uint8_t> bytes_;
  bool ok_ = true;
};

class ByteWriter {
 public:
  explicit ByteWriter(std::span<uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }

  bool Has(size_t offset, size_t length) {
    if (offset <= bytes_.size() && length <= bytes_.size() - offset) return true;
    ok_ = false;
    return false;
  }
  void U8(size_t offset, uint8_t value) {
    if (Has(offset, 1)) bytes_[offset] = value;
  }
  void U16Be(size_t offset, uint16_t value) {
    if (!Has(offset, 2)) return;
    bytes_[offset] = static_cast<uint8_t>(value >> 8);
    bytes_[offset + 1] = static_cast<uint8_t>(value);
  }
  void U24Be(size_t offset, uint32_t value) {
    if (!Has(offset, 3)) return;
    bytes_[offset] = static_cast<uint8_t>(value >> 16);
    bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
    bytes_[offset + 2] = static_cast<uint8_t>(value);
  }
  void U32Be(size_t offset, uint32_t value) {
    if (!Has(offset, 4)) return;
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  }
  void U16Le(size_t offset, uint16_t value) {
    if (!Has(offset, 2)) return;
    bytes_[offset] = static_cast<uint8_t>(value);
    bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
  }
  void U32Le(size_t offset, uint32_t value) {
    if (!Has(offset, 4)) return;
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  void Bytes(size_t offset, std::span<const uint8_t> value) {
    if (!Has(offset, value.size())) return;
    for (size_t i = 0; i < value.size(); ++i) bytes_[offset + i] = value[i];
  }
  void Fill(size_t offset, size_t length, uint8_t value) {
    if (!Has(offset, length)) return;
    for (size_t i = 0; i < length; ++i) bytes_[offset + i] = value;
  }
  // A text field of `width` bytes: the text cut to width - 1 bytes so that
  // a terminator always follows, then zeros to the end of the field.
  void Text(size_t offset, size_t width, std::string_view text) {
    if (width == 0 || !Has(offset, width)) return;
    Fill(offset, width, 0);
    const size_t length = text.size() < width - 1 ? text.size() : width - 1;
    for (size_t i = 0; i < length; ++i) bytes_[offset + i] = static_cast<uint8_t>(text[i]);
  }

 private:
  std::span<uint8_t> bytes_;
  bool ok_ = true;
};

// Appending writers for files built front to back.
inline void AppendU8(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }
inline void AppendU16Be(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}
inline void AppendU24Be(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}
inline void AppendU32Be(std::vector<uint8_t>& out, uint32_t value) {
  AppendU16Be(out, static_cast<uint16_t>(value >> 16));
  AppendU16Be(out, static_cast<uint16_t>(value));
}
inline void AppendBytes(std::vector<uint8_t>& out, std::span<const uint8_t> value) {
  out.insert(out.end(), value.begin(), value.end());
}

}  // namespace oq::bytes
