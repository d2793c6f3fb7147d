#include "filesys/path_ops.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "filesys/platform.h"

namespace qv {
namespace {

TEST(PathOpsTest, SeparatorsPatternsAndTrim) {
  const struct {
    const char* path;
    const char* included;
    const char* excluded;
  } kCases[] = {
      {"", "/", ""}, {"/", "/", "/"}, {"a/", "a/", "a"}, {"/data//", "/data//", "/data/"}};
  for (const auto& c : kCases) {
    EXPECT_EQ(IncludeTrailingSeparator(c.path), c.included) << '"' << c.path << '"';
    EXPECT_EQ(ExcludeTrailingSeparator(c.path), c.excluded) << '"' << c.path << '"';
  }
  EXPECT_FALSE(IsPattern("/a/./b/"));  // "/./" counts only right after the root
  for (const char* pattern : {"home/u/", "", "/home/*.tmp", "/file?", "/./Temp/"}) {
    EXPECT_TRUE(IsPattern(pattern)) << pattern;
  }
  EXPECT_EQ(Trim(std::string(" \t\0/a b/\r\n", 10)), "/a b/");
  EXPECT_EQ(Trim("\xC3\xA9 "), "\xC3\xA9");  // bytes above 127 are not blanks
}

TEST(PathOpsTest, ComparisonsAreExact) {
  // Names that differ by case are different names.
  const struct {
    const char* a;
    const char* b;
    bool overlap;
    bool a_inside_b;
  } kCases[] = {{"/m/", "/m/", true, false},
                {"/m/in/", "/m/", true, true},
                {"/mx/", "/m/", false, false},
                {"/M/in/", "/m/", false, false}};
  for (const auto& c : kCases) {
    EXPECT_EQ(Overlap(c.a, c.b), c.overlap) << c.a << " " << c.b;
    EXPECT_EQ(Overlap(c.b, c.a), c.overlap) << c.b << " " << c.a;
    EXPECT_EQ(IsInside(c.a, c.b), c.a_inside_b) << c.a << " " << c.b;
  }
  const struct {
    const char* path;
    const char* parent;
    const char* last;
  } kParts[] = {{"/a/b/c/", "/a/b/", "c"}, {"/a", "/", "a"}, {"/", "", ""}, {"name", "", "name"}};
  for (const auto& c : kParts) {
    EXPECT_EQ(ParentDir(c.path), c.parent) << c.path;
    EXPECT_EQ(LastComponent(c.path), c.last) << c.path;
  }
}

class ExpandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_home_ = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/tester", 1);
    setenv("QV_TEST_DIR", "/srv/%HOME%", 1);
    setenv("QV_TEST_EMPTY", "", 1);
    unsetenv("QV_TEST_UNDEFINED");
  }
  void TearDown() override { setenv("HOME", saved_home_.c_str(), 1); }

  Platform& platform_ = DefaultPlatform();
  std::string saved_home_;
};

TEST_F(ExpandTest, Environment) {
  // Undefined names stay as written; values are not expanded again.
  const struct {
    const char* text;
    const char* expanded;
  } kCases[] = {{"%HOME%/D/", "/home/tester/D/"},
                {"${HOME}/D/", "/home/tester/D/"},
                {"~/D/", "/home/tester/D/"},
                {"/x/~/y", "/x/~/y"},
                {"%QV_TEST_DIR%", "/srv/%HOME%"},
                {"/a%QV_TEST_EMPTY%b", "/ab"},
                {"%QV_TEST_UNDEFINED%HOME%", "%QV_TEST_UNDEFINED%HOME%"},
                {"${QV_TEST_UNDEFINED}/x", "${QV_TEST_UNDEFINED}/x"},
                {"100% sure", "100% sure"},
                {"$HOME/x${HOME", "$HOME/x${HOME"},
                {"/\xFF%HOME%\x80", "/\xFF/home/tester\x80"}};
  for (const auto& c : kCases) EXPECT_EQ(ExpandEnvironment(platform_, c.text), c.expanded);
  unsetenv("HOME");
  EXPECT_EQ(ExpandEnvironment(platform_, "~/x"), "~/x");
}

TEST_F(ExpandTest, Normalise) {
  const struct {
    const char* path;
    bool expand;
    const char* as_path;
    const char* as_directory;
  } kCases[] = {{"/./T/", false, "/T/", "/T/"},
                {"/././x", false, "/./x", "/./x/"},
                {"%HOME%/./x", true, "/home/tester/./x", "/home/tester/./x/"},
                {"%HOME%", false, "%HOME%", "%HOME%/"},
                {" /d ", false, " /d ", "/d/"},
                {"%QV_TEST_EMPTY% ", true, " ", ""}};
  for (const auto& c : kCases) {
    EXPECT_EQ(NormalisePath(platform_, c.path, c.expand), c.as_path) << c.path;
    EXPECT_EQ(NormaliseDirectory(platform_, c.path, c.expand), c.as_directory) << c.path;
  }
}

}  // namespace
}  // namespace qv
