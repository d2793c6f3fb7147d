#ifndef QUORVANE_FILESYS_TEXT_FORMAT_H_
#define QUORVANE_FILESYS_TEXT_FORMAT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Thousands separator and decimal point. As constructed, the C locale's form
// ("," and "."), in which the headless tool reads what is typed, so that a
// script means the same under every locale. An empty separator groups nothing.
struct NumberFormat {
  std::string thousands = ",";
  std::string decimal = ".";
};
// The user's locale, read once from the locale set by setlocale(LC_ALL, "") in
// main(): what numbers are shown in, and what the window's cells read. Where the
// locale has no thousands separator, "," unless that is its decimal point.
const NumberFormat& CurrentNumberFormat();
// Tests pin the format; pass nullptr to go back to the locale's.
void SetNumberFormatForTesting(const NumberFormat* format);

// 1234567 -> "1,234,567".
std::string ThousandsText(int64_t n);
// "1023 bytes", "1.50 KB" (two decimals), ...; negative decimals print "%g".
std::string SizeText(int64_t bytes, int decimals);
// "1,536 Bytes (1.50 KB)".
std::string ExactSizeText(int64_t bytes);
// "1 file" for one, else "2 files" / "1,000 files".
std::string CountText(int64_t n, const std::string& singular, const std::string& plural);
// A path longer than 127 characters: the root + "/..." + its tail. POSIX
// paths have no root, so they are left unchanged.
std::string ShortPath(const std::string& path);
std::string BoolText(bool value);
// text with the ASCII letters in upper or in lower case; other bytes stay.
std::string UpperAscii(std::string text);
std::string LowerAscii(std::string text);
// "false"/"no"/"n"/"0" (default true) or "true"/"yes"/"y"/"1"/"-1" (default
// false) flip the default; anything else gives it.
bool ParseBool(const std::string& text, bool default_value);
// Numbers typed in format: an optional sign, digits either not grouped or
// grouped in threes by format.thousands after a first group of one to three
// ("1,500", never "1,5" or "1,,5"), an optional fraction after format.decimal;
// then blanks and a unit, in any case. The result is rounded half away from
// zero; nullopt for any other text or a result that does not fit.
// Sizes in bytes: no unit, "B", "bytes", or K, M, G, T, P, E (powers of 1024)
// with an optional "i" and "B": "1G", "1 GB", "1 GiB", "500k", "1.5 kb".
std::optional<int64_t> ParseSizeText(std::string_view text, const NumberFormat& format);
// Durations in 100-ns units: no unit (100-ns units), or "s", "sec" or
// "second(s)" after an optional "n"/"nano", "u"/"micro" or "m"/"milli":
// "2 sec", "2s", "10ms", "5us", "100ns", "10 milli sec".
std::optional<int64_t> ParseDurationText(std::string_view text, const NumberFormat& format);
// 100-ns units as "100 nano sec", "1 micro sec", "2 sec".
std::string DurationText(int64_t resolution);

}  // namespace qv

#endif  // QUORVANE_FILESYS_TEXT_FORMAT_H_
