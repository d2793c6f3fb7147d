#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "tests/filesys/posix_fixture.h"

namespace qv::testing {
namespace {

// One tree per case: name/dst/ is the confined root; name/dst/sub/ and
// name/outside/ hold the same names, so that a call led from sub to outside
// by a link would succeed there.
struct Tree {
  std::string root, sub, outside;
};

// Name, size, mode and write time of each entry of dir (a call led there
// acts on these).
std::set<std::string> Snapshot(const std::string& dir) {
  std::set<std::string> seen;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    seen.insert(entry.path().string() + " " + std::to_string(st.st_size) + " " +
                std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_nsec));
  }
  return seen;
}

// The parameter: resolve by the openat walk of kernels without openat2.
class PosixConfineTest : public PosixTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { platform_.confinement().set_walk_only(GetParam()); }

  Tree MakeTree(const std::string& name) {
    const std::string base = temp_ / (name + "/");
    Tree tree{base + "dst/", base + "dst/sub/", base + "outside/"};
    for (const std::string& dir : {tree.sub, tree.outside}) {
      MakeDirs(dir + "d");
      WriteFile(dir + "f", "inside");
    }
    WriteFile(tree.root + "own", "own");
    platform_.ConfineTo({tree.root});
    return tree;
  }
};

using P = Platform&;
using T = const Tree&;

// What the calls below hand back; not looked at.
std::vector<DirEntry> listed;
FileInfo info;
SecurityDescriptor sd;
bool created;
std::string temp;
const SecurityDescriptor kMine{getuid(), getgid(), 0600, {}, {}, {}};

// Lists name inside dir, held first.
Status ListHeld(P p, const std::string& dir, const std::string& name) {
  std::unique_ptr<HeldDir> held;
  DirIdentity identity;
  const Status s = p.HoldDir(dir, &held);
  return s.ok() ? p.ListDirAt(*held, name, &listed, &identity) : s;
}

const std::pair<const char*, std::function<Status(P, T)>> kOps[] = {
    {"CreateDir", [](P p, T t) { return p.CreateDir(t.sub + "new/"); }},
    {"RemoveDir", [](P p, T t) { return p.RemoveDir(t.sub + "d/"); }},
    {"DeleteFile", [](P p, T t) { return p.DeleteFile(t.sub + "f"); }},
    {"Move out", [](P p, T t) { return p.Move(t.sub + "f", t.root + "g"); }},
    {"Move in", [](P p, T t) { return p.Move(t.root + "own", t.sub + "g"); }},
    {"Link in", [](P p, T t) { return p.Link(t.root + "own", t.sub + "h"); }},
    {"SetAttributes", [](P p, T t) { return p.SetAttributes(t.sub + "f", kAttrReadOnly); }},
    {"SetTimes", [](P p, T t) { return p.SetTimes(t.sub + "f", 0, 1); }},
    {"CreateSymlink", [](P p, T t) { return p.CreateSymlink("f", t.sub + "l"); }},
    {"CopyToTemp in",
     [](P p, T t) { return p.CopyToTemp(t.root + "own", t.sub + "c", {}, false, &temp, nullptr); }},
    {"CopyToTemp out",
     [](P p, T t) { return p.CopyToTemp(t.sub + "f", t.root + "c", {}, false, &temp, nullptr); }},
    {"CommitTemp",
     [](P p, T t) {
       EXPECT_TRUE(p.CopyToTemp(t.root + "own", t.root + "c", {}, false, &temp, nullptr).ok());
       return p.CommitTemp(temp, t.sub + "f");
     }},
    {"WriteSecurity", [](P p, T t) { return p.WriteSecurity(t.sub + "f", kMine, nullptr); }},
    {"WriteFile", [](P p, T t) { return p.WriteFile(t.sub + "f", "x"); }},
    {"ListDir", [](P p, T t) { return p.ListDir(t.sub + "d/", &listed); }},
    {"Stat", [](P p, T t) { return p.Stat(t.sub + "f", &info); }},
    {"ReadSecurity", [](P p, T t) { return p.ReadSecurity(t.sub + "f", &sd); }},
    {"CreatePrivateDir", [](P p, T t) { return p.CreatePrivateDir(t.sub + "new/"); }},
    {"DataSize",
     [](P p, T t) {
       int64_t bytes = 0;
       return p.DataSize(t.sub + "f", 1, &bytes);
     }},
    {"HoldDir",
     [](P p, T t) {
       std::unique_ptr<HeldDir> held;
       return p.HoldDir(t.sub + "d/", &held);
     }},
    {"ListDirAt", [](P p, T t) { return ListHeld(p, t.root, "sub"); }},
    {"ListDirAt below", [](P p, T t) { return ListHeld(p, t.sub, "d"); }},
    {"AppendPrivateFile",
     [](P p, T t) {
       std::unique_ptr<HeldDir> held;
       const Status s = p.HoldDir(t.root, &held);
       return s.ok() ? p.AppendPrivateFile(*held, "sub/f", "x", &created) : s;
     }},
};

TEST_P(PosixConfineTest, PlainTreesWorkAndSwappedInLinksAreNeverPassed) {
  for (const auto& [name, call] : kOps) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(call(platform_, MakeTree(std::string("plain ") + name)).ok());
    // sub becomes a link to outside, as an attacker with write access to the
    // destination would make it between two calls.
    const Tree t = MakeTree(std::string("swapped ") + name);
    ASSERT_EQ(rename(t.sub.c_str(), (t.root + "sub.real").c_str()), 0);
    ASSERT_EQ(symlink(t.outside.c_str(), (t.root + "sub").c_str()), 0);
    const auto before = Snapshot(t.outside);
    EXPECT_EQ(call(platform_, t).code(), ELOOP);
    EXPECT_EQ(Snapshot(t.outside), before);
  }
}

// A directory the confinement still holds from an earlier call is used
// through its descriptor: sub swapped for a link afterwards leads nowhere
// outside, whatever the call.
TEST_P(PosixConfineTest, HeldDirectoriesNeverLeadThroughALinkSwappedInLater) {
  for (const auto& [name, call] : kOps) {
    SCOPED_TRACE(name);
    const Tree t = MakeTree(std::string("held ") + name);
    ASSERT_TRUE(platform_.ListDir(t.sub, &listed).ok());
    ASSERT_EQ(rename(t.sub.c_str(), (t.root + "sub.real").c_str()), 0);
    ASSERT_EQ(symlink(t.outside.c_str(), (t.root + "sub").c_str()), 0);
    const auto before = Snapshot(t.outside);
    const Status s = call(platform_, t);
    EXPECT_TRUE(s.ok() || s.code() == ELOOP) << s.code();
    EXPECT_EQ(Snapshot(t.outside), before);
  }
}

// A directory moved or removed through the platform is not found under its
// old name again: a new one made there is what the next call sees.
TEST_P(PosixConfineTest, DirectoriesMovedOrRemovedAreLookedUpAgain) {
  const std::pair<const char*, std::function<Status(T)>> gone[] = {
      {"Move", [&](T t) { return platform_.Move(t.sub + "d", t.root + "old"); }},
      {"RemoveDir", [&](T t) { return platform_.RemoveDir(t.sub + "d/"); }},
  };
  for (const auto& [name, go] : gone) {
    SCOPED_TRACE(name);
    const Tree t = MakeTree(name);
    ASSERT_TRUE(platform_.ListDir(t.sub + "d/", &listed).ok());  // holds sub/d
    ASSERT_TRUE(go(t).ok());
    MakeDirs(t.sub + "d");
    WriteFile(t.sub + "d/new", "");
    ASSERT_TRUE(platform_.ListDir(t.sub + "d/", &listed).ok());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "new");
  }
}

// A deep walk down and back up lists every level right ("d" is not taken
// for the start of "dd") and holds a bounded number of descriptors.
TEST_P(PosixConfineTest, DeepTreesListRightWithFewDescriptors) {
  const Tree t = MakeTree("deep");
  constexpr int kDepth = 120;
  std::vector<std::string> levels{t.sub};
  for (int i = 1; i <= kDepth; ++i) {
    levels.push_back(levels.back() + "d/");
    MakeDirs(levels.back() + "d");
    WriteFile(levels.back() + "at " + std::to_string(i), "");
    MakeDirs(levels.back() + "dd");
    WriteFile(levels.back() + "dd/in " + std::to_string(i), "");
  }
  const auto open_fds = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto fds_before = open_fds();
  const auto expect_listed = [&](const std::string& dir, const std::string& name) {
    ASSERT_TRUE(platform_.ListDir(dir, &listed).ok()) << dir;
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                            [&](const DirEntry& e) { return e.name == name; }))
        << dir << " lacks " << name;
  };
  for (int i = 1; i <= kDepth; ++i) {
    expect_listed(levels[i], "at " + std::to_string(i));
    // Beside the level just listed and held: ".../d" is not above ".../dd".
    if (i > 1) expect_listed(levels[i - 1] + "dd/", "in " + std::to_string(i - 1));
  }
  for (int i = kDepth; i >= 1; i -= 7) expect_listed(levels[i], "at " + std::to_string(i));
  EXPECT_LT(open_fds() - fds_before, 40);
}

// A link as the last component is the entry itself, never followed.
TEST_P(PosixConfineTest, ALinkAsTheLastComponentIsTheEntryItself) {
  const Tree tree = MakeTree("t");
  ASSERT_EQ(symlink(tree.outside.c_str(), (tree.sub + "out").c_str()), 0);
  std::vector<DirEntry> entries;
  EXPECT_FALSE(platform_.ListDir(tree.sub + "out/", &entries).ok());
  EXPECT_TRUE(platform_.DeleteFile(tree.sub + "out").ok());
  EXPECT_FALSE(PathExists(tree.sub + "out"));
  EXPECT_TRUE(PathExists(tree.outside + "f"));
}

// Calls keep the roots they started with while another thread changes them:
// no call may see a root descriptor closed under it.
TEST_P(PosixConfineTest, RootsChangeWhileCallsRun) {
  const Tree tree = MakeTree("t");
  std::atomic<bool> done{false};
  std::thread changer([&] {
    while (!done) {
      platform_.ConfineTo({tree.outside, tree.root});
      platform_.ConfineTo({});
    }
  });
  int failures = 0;
  for (int i = 0; i < 1000; ++i)
    failures +=
        !platform_.CreateDir(tree.root + "x/").ok() || !platform_.RemoveDir(tree.root + "x").ok();
  done = true;
  changer.join();
  EXPECT_EQ(failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Resolution, PosixConfineTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Walk" : "Openat2"; });

}  // namespace
}  // namespace qv::testing
