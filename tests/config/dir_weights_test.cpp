#include "config/dir_weights.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(DirWeightsTest, HeaviestFirstAncestorsBeforeTheirChildren) {
  const struct {
    const char* what;
    std::vector<std::string> added;
    std::vector<std::string> listed;  // directory:weight
  } cases[] = {
      {"ancestors first", {"/s/a/b/c.txt"}, {"/s/a/:0", "/s/a/b/:0"}},
      {"the root and what is outside it weigh nothing",
       {"/s/x.txt", "/s/Cache/", "Temp/x/y", "/s/*/x/y", "/other/a/b", "/sx/a/b"},
       {}},
      {"heavier to the front, equal weights keep their order",
       {"/s/a/x", "/s/b/x", "/s/c/x", "/s/c/y", "/s/b/y"},
       {"/s/c/:1", "/s/b/:1", "/s/a/:0"}},
      {"new siblings join behind",
       {"/s/a/b/x", "/s/a/b/y", "/s/a/c/z"},
       {"/s/a/:2", "/s/a/b/:1", "/s/a/c/:0"}},
      {"a prefix of a name is no ancestor",
       {"/s/ab/x", "/s/a/x", "/s/ab/y"},
       {"/s/ab/:1", "/s/a/:0"}},
  };
  for (const auto& c : cases) {
    TDirWeights weights("/s/");
    for (const std::string& path : c.added) weights.Add(path);
    std::vector<std::string> listed;
    for (const TDirWeight& entry : weights) {
      listed.push_back(entry.directory + ":" + std::to_string(entry.weight));
    }
    EXPECT_EQ(listed, c.listed) << c.what;
  }
  TDirWeights weights("/s/");
  weights.Add("/s/a/b c/file");
  EXPECT_EQ(weights[1].parent + "|" + weights[1].name, "/s/a/|b c");
}

}  // namespace
}  // namespace qv::testing
