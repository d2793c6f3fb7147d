#include "config/registry_export.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "tests/config/config_test_util.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

using RegistryExportTest = StoreTest;

TEST_F(RegistryExportTest, WritesTheTreeAsReadableText) {
  const std::string base = "Software\\KZ\\Quorvane";
  ASSERT_TRUE(ini().WriteString(base + "\\Mappings\\|m|", "", "/m/"));
  ASSERT_TRUE(ini().WriteString(base + "\\Mappings\\|m|", "Src", "%HOME%/a \"b\"\\c\n", true));
  ASSERT_TRUE(ini().WriteInteger(base, "Wait", 42));
  ASSERT_TRUE(ini().Write64(base + "\\Mappings\\|m|\\Destination", "MaxSizeDest", 4096));
  ASSERT_TRUE(ini().WriteRaw(base, "Odd", {kRegDword, "\x01\x02"}));
  ASSERT_TRUE(ini().WriteString(base + "\\Filters", "", ""));
  ASSERT_TRUE(ini().WriteInteger("Software\\Other", "Outside", 1));

  const std::string file = dir_ / "export.txt";
  EXPECT_EQ(SaveKeyToFile(ini().db(), "HKEY_CURRENT_USER\\software\\KZ\\Quorvane", file), 0);
  EXPECT_EQ(ReadFile(file),
            "Quorvane settings export 1\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane]\n"
            "\"Odd\"=hex(4):01,02\n"
            "\"Wait\"=dword:0000002a\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Filters]\n"
            "@=\"\"\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings]\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings\\|m|]\n"
            "@=\"/m/\"\n"
            "\"Src\"=expand:\"%HOME%/a \\\"b\\\"\\\\c\\x0a\"\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings\\|m|\\Destination]\n"
            "\"MaxSizeDest\"=hex:00,10,00,00,00,00,00,00\n");
}

TEST_F(RegistryExportTest, RefusesWhatItCannotSaveAndNeverOverwrites) {
  ASSERT_TRUE(ini().WriteInteger("Software\\KZ", "V", 1));
  const std::string existing = dir_ / "existing";
  WriteFile(existing, "keep");
  struct Case {
    const char* key_text;
    std::string file;
    int code;
  } const cases[] = {
      {"HKEY_CURRENT_USER\\Software\\KZ", existing, EEXIST},
      {"HKEY_CURRENT_USER\\Software\\Missing", dir_ / "a", ENOENT},
      {"HKEY_LOCAL_MACHINE\\Software\\KZ", dir_ / "b", ENOENT},
      {"HKEY_NOWHERE\\Software\\KZ", dir_ / "c", EINVAL},
      {"HKEY_CURRENT_USER\\Software\\KZ", dir_ / "no/such/dir/file", ENOENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key_text);
    EXPECT_EQ(SaveKeyToFile(ini().db(), c.key_text, c.file), c.code);
    if (c.file != existing) {
      EXPECT_FALSE(PathExists(c.file));
    }
  }
  EXPECT_EQ(ReadFile(existing), "keep");
}

}  // namespace
}  // namespace qv::testing
