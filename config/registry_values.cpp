#include "config/registry_values.h"

namespace qv {

namespace {

std::string LittleEndian(uint64_t bits, int bytes) {
  std::string data(static_cast<size_t>(bytes), '\0');
  for (int i = 0; i < bytes; ++i) data[i] = static_cast<char>((bits >> (8 * i)) & 0xff);
  return data;
}

uint64_t FromLittleEndian(const std::string& data) {
  uint64_t bits = 0;
  for (size_t i = data.size(); i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(data[i]);
  return bits;
}

}  // namespace

TRegValue DwordValue(int32_t value) {
  return {kRegDword, LittleEndian(static_cast<uint32_t>(value), 4)};
}

TRegValue Int64Value(int64_t value) {
  return {kRegBinary, LittleEndian(static_cast<uint64_t>(value), 8)};
}

TRegValue StringValue(const std::string& text, bool expand) {
  return {expand ? kRegExpandSz : kRegSz, text + '\0'};
}

bool DecodeDword(const TRegValue& value, int32_t* out) {
  if (value.type != kRegDword || value.data.size() != 4) return false;
  *out = static_cast<int32_t>(static_cast<uint32_t>(FromLittleEndian(value.data)));
  return true;
}

bool DecodeInt64(const TRegValue& value, int64_t* out) {
  if (value.data.size() != 8) return false;
  const auto number = static_cast<int64_t>(FromLittleEndian(value.data));
  if (number < -kNoLimit || number > kNoLimit) return false;
  *out = number;
  return true;
}

bool DecodeString(const TRegValue& value, std::string* out) {
  if (value.type != kRegSz && value.type != kRegExpandSz) return false;
  *out = value.data;
  if (!out->empty() && out->back() == '\0') out->pop_back();
  return true;
}

}  // namespace qv
