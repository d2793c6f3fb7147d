#include "filesys/text_format.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "filesys/path_ops.h"

namespace qv {

namespace {

constexpr std::array<const char*, 9> kSizeUnits = {" bytes", " KB", " MB", " GB", " TB",
                                                   " PB",    " EB", " ZB", " YB"};
// What a typed number is multiplied by to count the units of the result.
struct Ratio {
  uint64_t numerator;
  uint64_t denominator;
};

// Smallest first, each 1000 of the one before (DurationText steps through
// them).
struct DurationUnit {
  const char* word;    // as DurationText writes it
  const char* prefix;  // what stands before a word for seconds when typed
  const char* letter;  // the same, short
  Ratio ticks;         // 100-ns units per unit
};
constexpr std::array<DurationUnit, 4> kDurationUnits = {{
    {"nano sec", "nano", "n", {1, 100}},
    {"micro sec", "micro", "u", {10, 1}},
    {"milli sec", "milli", "m", {10000, 1}},
    {"sec", "", "", {10000000, 1}},
}};
// Longest first: "s" ends each of them.
constexpr std::array<std::string_view, 5> kSecondWords = {"seconds", "second", "secs", "sec", "s"};

constexpr uint64_t kInt64Max = std::numeric_limits<int64_t>::max();

const NumberFormat* g_format_for_testing = nullptr;

NumberFormat FormatOfLocale() {
  NumberFormat format;
  const std::lconv* conv = std::localeconv();
  if (conv->decimal_point != nullptr && *conv->decimal_point != '\0') {
    format.decimal = conv->decimal_point;
  }
  if (conv->thousands_sep != nullptr && *conv->thousands_sep != '\0') {
    format.thousands = conv->thousands_sep;
  } else if (format.decimal == format.thousands) {
    format.thousands.clear();  // a decimal comma without grouping
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

// A number as typed: its whole part exactly, its fraction as digits.
struct TypedNumber {
  bool negative = false;
  uint64_t whole = 0;
  std::string fraction;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number of digits from at on; 0 past the end.
size_t DigitsAt(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - at;
}

bool HasAt(std::string_view text, size_t at, std::string_view part) {
  return !part.empty() && at <= text.size() && text.substr(at).starts_with(part);
}

// Reads the number at the start of text (see ParseSizeText); answers the text
// after it, or nullopt when there is none or it is far too large.
std::optional<std::string_view> ReadNumber(std::string_view text, const NumberFormat& format,
                                           TypedNumber* number) {
  size_t at = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    number->negative = text[0] == '-';
    at = 1;
  }
  std::string whole(text.substr(at, DigitsAt(text, at)));
  at += whole.size();
  const std::string_view separator = format.thousands;
  if (!whole.empty() && whole.size() <= 3 && separator != format.decimal) {
    while (HasAt(text, at, separator) && DigitsAt(text, at + separator.size()) == 3) {
      whole += text.substr(at + separator.size(), 3);
      at += separator.size() + 3;
    }
  }
  if (HasAt(text, at, format.decimal)) {
    const size_t first = at + format.decimal.size();
    const size_t digits = DigitsAt(text, first);
    if (digits > 0) {
      number->fraction = text.substr(first, digits);
      at = first + digits;
    }
  }
  if (whole.empty() && number->fraction.empty()) return std::nullopt;
  for (const char digit : whole) {
    // No overflow below; Scaled rejects a whole part past the limit.
    if (number->whole > kInt64Max / 10) return std::nullopt;
    number->whole = number->whole * 10 + static_cast<uint64_t>(digit - '0');
  }
  return text.substr(at);
}

// number * ratio rounded half away from zero; nullopt when it does not fit.
std::optional<int64_t> Scaled(const TypedNumber& number, Ratio ratio) {
  if (number.whole > kInt64Max / ratio.numerator) return std::nullopt;
  const uint64_t product = number.whole * ratio.numerator;
  double fraction = 0;
  if (!number.fraction.empty()) {
    const std::string digits = "0." + number.fraction;
    std::from_chars(digits.data(), digits.data() + digits.size(), fraction);
  }
  // Below numerator + 1 (at most 2^60 + 1): a double is off by less than 2^7
  // there, and less than one unit below 2^53.
  const double rest = std::round((static_cast<double>(product % ratio.denominator) +
                                  fraction * static_cast<double>(ratio.numerator)) /
                                 static_cast<double>(ratio.denominator));
  const uint64_t magnitude = product / ratio.denominator + static_cast<uint64_t>(rest);
  if (magnitude > kInt64Max) return std::nullopt;
  const auto value = static_cast<int64_t>(magnitude);
  return number.negative ? -value : value;
}

// Bytes per unit: none, "b", "byte(s)"; or k, m, g, t, p, e with an optional
// "i" and "b". unit is in lower case.
std::optional<Ratio> SizeUnit(std::string_view unit) {
  if (unit.empty() || unit == "b" || unit == "byte" || unit == "bytes") return Ratio{1, 1};
  constexpr std::string_view kPowers = "kmgtpe";
  const size_t power = kPowers.find(unit[0]);
  const std::string_view rest = unit.substr(1);
  if (power == std::string_view::npos ||
      !(rest.empty() || rest == "b" || rest == "i" || rest == "ib")) {
    return std::nullopt;
  }
  return Ratio{uint64_t{1} << (10 * (power + 1)), 1};
}

// 100-ns units per unit: none (100-ns units) or a word for seconds after a
// prefix of kDurationUnits. unit is in lower case.
std::optional<Ratio> DurationUnitOf(std::string_view unit) {
  if (unit.empty()) return Ratio{1, 1};
  for (const std::string_view seconds : kSecondWords) {
    if (!unit.ends_with(seconds)) continue;
    const std::string prefix = Trim(std::string(unit.substr(0, unit.size() - seconds.size())));
    for (const DurationUnit& known : kDurationUnits) {
      if (prefix == known.prefix || prefix == known.letter) return known.ticks;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

// A number in format, blanks, and a unit that unit_of knows.
std::optional<int64_t> ParseTyped(std::string_view text, const NumberFormat& format,
                                  std::optional<Ratio> (*unit_of)(std::string_view)) {
  const std::string trimmed = Trim(std::string(text));
  TypedNumber number;
  const std::optional<std::string_view> rest = ReadNumber(trimmed, format, &number);
  if (!rest) return std::nullopt;
  const std::optional<Ratio> ratio = unit_of(LowerAscii(Trim(std::string(*rest))));
  return ratio ? Scaled(number, *ratio) : std::nullopt;
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

std::optional<int64_t> ParseSizeText(std::string_view text, const NumberFormat& format) {
  return ParseTyped(text, format, SizeUnit);
}

std::optional<int64_t> ParseDurationText(std::string_view text, const NumberFormat& format) {
  return ParseTyped(text, format, DurationUnitOf);
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
