#include "ini_document.h"

#include <algorithm>

#include "ascii_case.h"

namespace oq::storage {

namespace {

// Lines are kept with their own line ends, which trimming drops too.
std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The section name of a "[Name]" line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyValue> ParseKeyValue(std::string_view line) {
  auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::string_view value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return KeyValue{Trim(line.substr(0, equals)), value};
}

// The line end a line was read with: "\r\n", "\n", a lone "\r" at the
// end of a file, or none.
std::string_view LineEnd(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return line.substr(line.size() - 2);
  if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) return line.substr(line.size() - 1);
  return {};
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument document;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    document.lines_.emplace_back(text.substr(start, end - start));
    start = end;
  }
  // Lines added later end the way the file's first line does.
  for (const auto& line : document.lines_) {
    if (const auto end = LineEnd(line); end == "\r\n" || end == "\n") {
      document.lineEnd_ = std::string(end);
      break;
    }
  }
  return document;
}

void IniDocument::EndLine(std::string& line) const {
  const auto end = LineEnd(line);
  if (end == "\r") {
    line += '\n';  // a lone CR at the end of a file: a line now follows it
  } else if (end.empty()) {
    line += lineEnd_;
  }
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (const auto& line : lines_) {
    if (auto name = SectionName(line)) {
      inSection = ascii::EqualsIgnoringCase(*name, section);
      continue;
    }
    if (!inSection) continue;
    auto pair = ParseKeyValue(line);
    if (pair && ascii::EqualsIgnoringCase(pair->key, key)) return std::string(pair->value);
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string newLine = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  std::optional<size_t> lastLineOfSection;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = SectionName(lines_[i])) {
      if (inSection) break;  // the key was not in the section
      inSection = ascii::EqualsIgnoringCase(*name, section);
      if (inSection) lastLineOfSection = i;
      continue;
    }
    if (!inSection) continue;
    auto pair = ParseKeyValue(lines_[i]);
    if (pair && ascii::EqualsIgnoringCase(pair->key, key)) {
      lines_[i] = newLine + std::string(LineEnd(lines_[i]));
      return;
    }
    if (!Trim(lines_[i]).empty()) lastLineOfSection = i;
  }
  if (lastLineOfSection) {
    const bool last = *lastLineOfSection + 1 == lines_.size();
    // Going last, the new line ends as the file did.
    const std::string fileEnd = last ? std::string(LineEnd(lines_[*lastLineOfSection])) : lineEnd_;
    EndLine(lines_[*lastLineOfSection]);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*lastLineOfSection + 1), newLine + fileEnd);
    return;
  }
  if (!lines_.empty()) EndLine(lines_.back());
  lines_.push_back("[" + std::string(section) + "]" + lineEnd_);
  lines_.push_back(newLine + lineEnd_);
}

bool IniDocument::HasSection(std::string_view section) const {
  return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& line) {
    auto name = SectionName(line);
    return name && ascii::EqualsIgnoringCase(*name, section);
  });
}

void IniDocument::RemoveSection(std::string_view section) {
  std::vector<std::string> kept;
  bool inSection = false;
  for (auto& line : lines_) {
    if (auto name = SectionName(line)) inSection = ascii::EqualsIgnoringCase(*name, section);
    if (!inSection) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
}

void IniDocument::Remove(std::string_view section, std::string_view key) {
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = SectionName(lines_[i])) {
      inSection = ascii::EqualsIgnoringCase(*name, section);
      continue;
    }
    auto pair = inSection ? ParseKeyValue(lines_[i]) : std::nullopt;
    if (pair && ascii::EqualsIgnoringCase(pair->key, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

std::string IniDocument::Serialize() const {
  std::string text;
  for (const auto& line : lines_) text += line;
  return text;
}

}  // namespace oq::storage
