#include "platform/system_posix/registry_hive.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/ascii_text.h"

namespace zelmora::platform::hive {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Reads a quoted text with \\ and \" escapes from the front of `text`.
std::optional<std::string> TakeQuoted(std::string_view& text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string result;
  for (size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return result;
    }
    if (c == '\\') {
      if (++i == text.size() || (text[i] != '\\' && text[i] != '"')) return std::nullopt;
      c = text[i];
    }
    result += c;
  }
  return std::nullopt;
}

// Lower-case hex digits, zero-padded to at least `width`.
void AppendHex(std::string& out, std::uint32_t number, size_t width) {
  char digits[8];
  auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
  size_t count = static_cast<size_t>(end - digits);
  if (count < width) out.append(width - count, '0');
  out.append(digits, count);
}

std::string Quote(std::string_view text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') result += '\\';
    result += c;
  }
  result += '"';
  return result;
}

std::optional<std::vector<std::byte>> ParseHexBytes(std::string_view list) {
  std::vector<std::byte> bytes;
  if (TrimBlanks(list).empty()) return bytes;
  while (true) {
    size_t comma = list.find(',');
    std::string_view item = TrimBlanks(list.substr(0, comma));
    const auto byte = item.size() == 2 ? ParseWholeNumber<std::uint8_t>(item, 16) : std::nullopt;
    if (!byte) return std::nullopt;
    bytes.push_back(std::byte{*byte});
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

std::optional<Value> ParseValueData(std::string name, std::string_view data) {
  Value value{std::move(name), RegistryValueType::None, {}};
  if (!data.empty() && data.front() == '"') {
    auto text = TakeQuoted(data);
    if (!text || !TrimBlanks(data).empty()) return std::nullopt;
    value.type = RegistryValueType::String;
    for (char c : *text) value.data.push_back(static_cast<std::byte>(c));
    value.data.push_back(std::byte{0});
    return value;
  }
  if (data.starts_with("dword:")) {
    std::string_view digits = data.substr(6);
    const auto parsed = digits.size() <= 8 ? ParseWholeNumber<std::uint32_t>(digits, 16) : std::nullopt;
    if (!parsed) return std::nullopt;
    const std::uint32_t number = *parsed;
    value.type = RegistryValueType::Dword;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<std::byte>((number >> shift) & 0xFF));
    }
    return value;
  }
  std::string_view bytes;
  if (data.starts_with("hex:")) {
    value.type = RegistryValueType::Binary;
    bytes = data.substr(4);
  } else if (data.starts_with("hex(")) {
    size_t close = data.find("):");
    const auto type = close == std::string_view::npos || close > 12
                          ? std::nullopt
                          : ParseWholeNumber<std::uint32_t>(data.substr(4, close - 4), 16);
    if (!type) return std::nullopt;
    value.type = static_cast<RegistryValueType>(*type);
    bytes = data.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto parsed = ParseHexBytes(bytes);
  if (!parsed) return std::nullopt;
  value.data = std::move(*parsed);
  return value;
}

// A REG_SZ that is one line of text with a single terminating zero can be
// written as "text"; anything else keeps its exact bytes in hex form.
bool FitsQuotedForm(const Value& value) {
  if (value.type != RegistryValueType::String || value.data.empty() || value.data.back() != std::byte{0}) {
    return false;
  }
  std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1);
  return !HasControlCharacter(text);
}

std::string FormatValue(const Value& value) {
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  line += '=';
  if (FitsQuotedForm(value)) {
    line += Quote(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    return line;
  }
  if (value.type == RegistryValueType::Dword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | std::to_integer<std::uint32_t>(value.data[i]);
    line += "dword:";
    AppendHex(line, number, 8);
    return line;
  }
  if (value.type == RegistryValueType::Binary) {
    line += "hex:";
  } else {
    line += "hex(";
    AppendHex(line, static_cast<std::uint32_t>(value.type), 1);
    line += "):";
  }
  for (size_t i = 0; i < value.data.size(); ++i) {
    if (i > 0) line += ',';
    AppendHex(line, std::to_integer<std::uint32_t>(value.data[i]), 2);
  }
  return line;
}

}  // namespace

const Value* Key::FindValue(std::string_view name) const {
  auto found = std::find_if(values.begin(), values.end(),
                            [&](const Value& value) { return EqualsIgnoringAsciiCase(value.name, name); });
  return found == values.end() ? nullptr : &*found;
}

void Key::SetValue(std::string_view name, RegistryValueType type, std::vector<std::byte> data) {
  auto found = std::find_if(values.begin(), values.end(),
                            [&](const Value& value) { return EqualsIgnoringAsciiCase(value.name, name); });
  if (found == values.end()) {
    values.push_back(Value{std::string(name), type, std::move(data)});
  } else {
    found->type = type;
    found->data = std::move(data);
  }
}

const Key* Hive::FindKey(std::string_view path) const {
  auto found = std::find_if(keys_.begin(), keys_.end(),
                            [&](const Key& key) { return EqualsIgnoringAsciiCase(key.path, path); });
  return found == keys_.end() ? nullptr : &*found;
}

Key* Hive::FindKey(std::string_view path) { return const_cast<Key*>(std::as_const(*this).FindKey(path)); }

Key& Hive::CreateKey(std::string_view path) {
  for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    std::string_view prefix = path.substr(0, end);
    if (!FindKey(prefix)) keys_.push_back(Key{std::string(prefix), {}});
    if (end == std::string_view::npos) break;
  }
  return *FindKey(path);
}

bool IsValidKeyPath(std::string_view path) {
  if (path.empty() || HasControlCharacter(path)) return false;
  for (size_t start = 0;;) {
    size_t end = path.find('\\', start);
    if (end == start) return false;  // empty component, or a leading or doubled backslash
    if (end == std::string_view::npos) return start < path.size();
    start = end + 1;
  }
}

bool IsValidValueName(std::string_view name) { return !HasControlCharacter(name); }

std::optional<Hive> ParseHive(std::string_view text, std::string_view rootName) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  Hive hive;
  Key* current = nullptr;
  bool headerSeen = false;
  auto nextLine = [&text]() {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
  };
  while (!text.empty()) {
    std::string_view line = nextLine();
    if (TrimBlanks(line).empty() || line.starts_with(';')) continue;
    if (!headerSeen) {
      if (line != kHeader) return std::nullopt;
      headerSeen = true;
      continue;
    }
    if (line.starts_with('[')) {
      if (!line.ends_with(']')) return std::nullopt;
      std::string_view name = line.substr(1, line.size() - 2);
      if (!name.starts_with(rootName) || name.size() <= rootName.size() || name[rootName.size()] != '\\') {
        return std::nullopt;
      }
      std::string_view path = name.substr(rootName.size() + 1);
      if (!IsValidKeyPath(path)) return std::nullopt;
      current = &hive.CreateKey(path);
      continue;
    }
    if (!current) return std::nullopt;
    std::string name;
    std::string_view rest = line;
    if (rest.starts_with('@')) {
      rest.remove_prefix(1);
    } else {
      auto quoted = TakeQuoted(rest);
      if (!quoted) return std::nullopt;
      name = std::move(*quoted);
    }
    if (!rest.starts_with('=')) return std::nullopt;
    std::string data(rest.substr(1));
    // Long hex lists may run on over lines that end in a backslash.
    while (data.starts_with("hex") && data.ends_with('\\')) {
      data.pop_back();
      if (text.empty()) return std::nullopt;
      data += TrimBlanks(nextLine());
    }
    auto value = ParseValueData(std::move(name), data);
    if (!value) return std::nullopt;
    current->SetValue(value->name, value->type, std::move(value->data));
  }
  if (!headerSeen) return std::nullopt;
  return hive;
}

std::string FormatHive(const Hive& hive, std::string_view rootName) {
  std::string text(kHeader);
  text += "\n\n";
  for (const Key& key : hive.Keys()) {
    text += '[';
    text += rootName;
    text += '\\';
    text += key.path;
    text += "]\n";
    for (const Value& value : key.values) {
      text += FormatValue(value);
      text += '\n';
    }
    text += '\n';
  }
  return text;
}

}  // namespace zelmora::platform::hive
