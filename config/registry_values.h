#ifndef QUORVANE_CONFIG_REGISTRY_VALUES_H_
#define QUORVANE_CONFIG_REGISTRY_VALUES_H_

#include <cstdint>
#include <string>

#include "config/registry_key.h"

namespace qv {

// "No limit" in every size setting, and the edge of the band outside which a
// stored 64-bit number reads as its default.
inline constexpr int64_t kNoLimit = 999'999'999'999'999'999;

// Encodings of the value types. Strings are stored as their bytes (UTF-8 by
// convention) followed by one zero byte, so an empty string is the single
// zero byte.
TRegValue DwordValue(int32_t value);
TRegValue Int64Value(int64_t value);
TRegValue StringValue(const std::string& text, bool expand);

// Decoders answer false, leaving *out alone, when the value has another type
// or size: a DWORD needs kRegDword and 4 bytes; a 64-bit number 8 bytes of any
// type and a value inside +-kNoLimit; a string kRegSz or kRegExpandSz (one
// trailing zero byte is dropped).
bool DecodeDword(const TRegValue& value, int32_t* out);
bool DecodeInt64(const TRegValue& value, int64_t* out);
bool DecodeString(const TRegValue& value, std::string* out);

}  // namespace qv

#endif  // QUORVANE_CONFIG_REGISTRY_VALUES_H_
