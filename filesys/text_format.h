#ifndef QUORVANE_FILESYS_TEXT_FORMAT_H_
#define QUORVANE_FILESYS_TEXT_FORMAT_H_

#include <cstdint>
#include <string>

namespace qv {

// Thousands separator and decimal point of the user's locale; "," and "."
// where the locale has none (the C locale).
struct NumberFormat {
  std::string thousands = ",";
  std::string decimal = ".";
};
// Read once from the locale set by setlocale(LC_ALL, "") in main().
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
// "1.5 GB" -> bytes; -1 when not a number.
int64_t ParseSizeText(const std::string& text);
// "2 sec" -> 100-ns units; empty gives default_value; -1 when not a number.
int64_t ParseDurationText(const std::string& text, int64_t default_value);
// 100-ns units as "100 nano sec", "1 micro sec", "2 sec".
std::string DurationText(int64_t resolution);

}  // namespace qv

#endif  // QUORVANE_FILESYS_TEXT_FORMAT_H_
