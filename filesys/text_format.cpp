#include "filesys/text_format.h"

#include <array>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string_view>

#include "filesys/path_ops.h"

namespace qv {

namespace {

constexpr std::array<const char*, 9> kSizeUnits = {" bytes", " KB", " MB", " GB", " TB",
                                                   " PB",    " EB", " ZB", " YB"};
constexpr std::array<const char*, 9> kSizeUnitWords = {"BYTES", "KB", "MB", "GB", "TB",
                                                       "PB",    "EB", "ZB", "YB"};

// Smallest first, each 1000 of the one before (DurationText steps through
// them); "sec" last, since every other word contains it.
struct DurationUnit {
  const char* word;
  double multiplier;  // 100-ns units per unit
};
constexpr std::array<DurationUnit, 4> kDurationUnits = {{
    {"nano sec", 0.01},
    {"micro sec", 10},
    {"milli sec", 10000},
    {"sec", 10000000},
}};

// Doubles at or above this do not fit an int64_t.
constexpr double kInt64Limit = 9223372036854775808.0;

const NumberFormat* g_format_for_testing = nullptr;

NumberFormat FormatOfLocale() {
  NumberFormat format;
  const std::lconv* conv = std::localeconv();
  if (conv->thousands_sep != nullptr && *conv->thousands_sep != '\0') {
    format.thousands = conv->thousands_sep;
  }
  if (conv->decimal_point != nullptr && *conv->decimal_point != '\0') {
    format.decimal = conv->decimal_point;
  }
  return format;
}

// Puts the thousands separator into a run of decimal digits.
std::string GroupDigits(const std::string& digits) {
  const std::string& separator = CurrentNumberFormat().thousands;
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 * separator.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

// Text of a non-negative double as printf would give it, in the locale's
// format: fixed with the given decimals and thousands separators, or "%g" for
// negative decimals. Locale independent underneath (to_chars), so that a
// changed LC_NUMERIC cannot mix two formats.
std::string DecimalText(double value, int decimals) {
  std::array<char, 400> buffer;
  char* const begin = buffer.data();
  char* const end = begin + buffer.size();
  const auto result = decimals < 0
                          ? std::to_chars(begin, end, value, std::chars_format::general, 6)
                          : std::to_chars(begin, end, value, std::chars_format::fixed, decimals);
  const std::string_view text(buffer.data(), result.ptr - buffer.data());
  const size_t point = text.find('.');
  if (decimals < 0) {
    if (point == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, point)) + CurrentNumberFormat().decimal +
           std::string(text.substr(point + 1));
  }
  std::string out = GroupDigits(std::string(text.substr(0, point)));
  if (point != std::string_view::npos) {
    out += CurrentNumberFormat().decimal + std::string(text.substr(point + 1));
  }
  return out;
}

// |n|, also for INT64_MIN.
uint64_t Magnitude(int64_t n) {
  return n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
}

// Reads a number the user typed: thousands separators removed (when they equal
// the decimal point, the last one removed stands for it), the locale's decimal
// point, an optional sign. nullopt for anything else.
std::optional<double> ReadNumber(std::string text) {
  const NumberFormat& format = CurrentNumberFormat();
  size_t last_removed = std::string::npos;
  for (size_t at = text.find(format.thousands); at != std::string::npos;
       at = text.find(format.thousands, at)) {
    text.erase(at, format.thousands.size());
    last_removed = at;
  }
  if (format.thousands == format.decimal && last_removed != std::string::npos) {
    text.insert(last_removed, ".");
  } else if (const size_t point = text.find(format.decimal); point != std::string::npos) {
    text.replace(point, format.decimal.size(), ".");
  }
  text = Trim(text);
  const char* begin = text.data();
  const char* const end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const char* const first = (begin != end && *begin == '-') ? begin + 1 : begin;
  // from_chars would also take "inf" and "nan".
  if (first == end || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '.')) {
    return std::nullopt;
  }
  double value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

// value * multiplier rounded to a whole number; -1 when not representable.
int64_t RoundedProduct(double value, double multiplier) {
  const double product = std::round(value * multiplier);
  if (!(product > -kInt64Limit && product < kInt64Limit)) return -1;
  return static_cast<int64_t>(product);
}

}  // namespace

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

const NumberFormat& CurrentNumberFormat() {
  if (g_format_for_testing != nullptr) return *g_format_for_testing;
  static const NumberFormat format = FormatOfLocale();
  return format;
}

void SetNumberFormatForTesting(const NumberFormat* format) { g_format_for_testing = format; }

std::string ThousandsText(int64_t n) {
  return (n < 0 ? "-" : "") + GroupDigits(std::to_string(Magnitude(n)));
}

std::string SizeText(int64_t bytes, int decimals) {
  const std::string sign = bytes < 0 ? "-" : "";
  const uint64_t magnitude = Magnitude(bytes);
  if (magnitude < 1024) return sign + std::to_string(magnitude) + kSizeUnits[0];
  double value = static_cast<double>(magnitude);
  size_t unit = 0;
  while (value >= 1024 && unit < kSizeUnits.size() - 1) {
    value /= 1024;
    ++unit;
  }
  return sign + DecimalText(value, decimals) + kSizeUnits[unit];
}

std::string ExactSizeText(int64_t bytes) {
  std::string text = ThousandsText(bytes) + " Bytes";
  if (bytes >= 1024) text += " (" + SizeText(bytes, 2) + ")";
  return text;
}

std::string CountText(int64_t n, const std::string& singular, const std::string& plural) {
  const std::string& unit = n == 1 ? singular : plural;
  return ThousandsText(n) + (unit.empty() ? "" : " " + unit);
}

std::string ShortPath(const std::string& path) {
  constexpr size_t kMaxLength = 127;
  const std::string root = RootOf(path);
  if (path.size() <= kMaxLength || root.empty()) return path;
  return root + kSep + "..." + path.substr(path.size() - (kMaxLength - 4 - root.size()));
}

std::string BoolText(bool value) { return value ? "true" : "false"; }

bool ParseBool(const std::string& text, bool default_value) {
  const std::string word = LowerAscii(Trim(text));
  if (default_value) return !(word == "false" || word == "no" || word == "n" || word == "0");
  return word == "true" || word == "yes" || word == "y" || word == "1" || word == "-1";
}

int64_t ParseSizeText(const std::string& text) {
  std::string upper = UpperAscii(text);
  double multiplier = 1;
  for (size_t unit = 0; unit < kSizeUnitWords.size(); ++unit) {
    const size_t at = upper.find(kSizeUnitWords[unit]);
    if (at == std::string::npos) continue;
    upper.erase(at, std::string_view(kSizeUnitWords[unit]).size());
    multiplier = std::ldexp(1.0, 10 * static_cast<int>(unit));
    break;
  }
  const std::optional<double> number = ReadNumber(upper);
  return number ? RoundedProduct(*number, multiplier) : -1;
}

int64_t ParseDurationText(const std::string& text, int64_t default_value) {
  if (Trim(text).empty()) return default_value;
  const std::string lower = LowerAscii(text);
  std::string number = text;
  double multiplier = 1;
  for (const DurationUnit& unit : kDurationUnits) {
    const size_t at = lower.find(unit.word);
    if (at == std::string::npos) continue;
    number = text.substr(0, at);
    multiplier = unit.multiplier;
    break;
  }
  const std::optional<double> value = ReadNumber(number);
  return value ? RoundedProduct(*value, multiplier) : -1;
}

std::string DurationText(int64_t resolution) {
  // Nanoseconds as digits, so that no multiplication can overflow.
  std::string digits = std::to_string(Magnitude(resolution));
  if (digits != "0") digits += "00";
  size_t unit = 0;
  while (unit < kDurationUnits.size() - 1 && digits.size() > 3 &&
         digits.compare(digits.size() - 3, 3, "000") == 0) {
    digits.resize(digits.size() - 3);
    ++unit;
  }
  if (digits == "0") unit = kDurationUnits.size() - 1;
  return (resolution < 0 ? "-" : "") + GroupDigits(digits) + " " + kDurationUnits[unit].word;
}

}  // namespace qv
