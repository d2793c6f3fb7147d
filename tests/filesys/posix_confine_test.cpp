#include <atomic>
#include <set>
#include <thread>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/testing/fault_platform.h"
#include "tests/filesys/posix_fixture.h"

namespace qv {
namespace {

using testing::MakeDirs;
using testing::PathExists;
using testing::WriteFile;

// One tree per case: base/dst/ is the confined root; base/dst/sub/ and
// base/outside/ hold the same names, so that a call led from sub to outside
// by a link would succeed there.
struct Tree {
  std::string base, root, sub, outside;
};

// Name, size, mode and write time of each entry of dir (a call led there
// acts on these).
std::set<std::string> Snapshot(const std::string& dir) {
  std::set<std::string> seen;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(dir.c_str()), closedir);
  while (const dirent* d = listing ? readdir(listing.get()) : nullptr) {
    struct stat st {};
    lstat((dir + d->d_name).c_str(), &st);
    seen.insert(std::string(d->d_name) + " " + std::to_string(st.st_size) + " " +
                std::to_string(st.st_mode) + " " +
                std::to_string(st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec));
  }
  return seen;
}

// The parameter: resolve by the openat walk of kernels without openat2.
class PosixConfineTest : public testing::PosixTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { platform_.confinement().set_walk_only(GetParam()); }

  Tree MakeTree(const std::string& name) {
    const std::string base = temp_ / (name + "/");
    Tree tree{base, base + "dst/", base + "dst/sub/", base + "outside/"};
    for (const std::string& dir : {tree.sub, tree.outside}) {
      MakeDirs(dir + "d");
      WriteFile(dir + "f", "inside");
    }
    WriteFile(tree.root + "own", "own");
    platform_.ConfineTo({tree.root});
    return tree;
  }

  // sub becomes a link to outside, as an attacker with write access to the
  // destination would make it between two calls.
  static void SwapSubForLink(const Tree& tree) {
    ASSERT_EQ(rename(tree.sub.c_str(), (tree.root + "sub.real").c_str()), 0);
    ASSERT_EQ(symlink(tree.outside.c_str(), (tree.root + "sub").c_str()), 0);
  }
};

using P = Platform&;
using T = const Tree&;

struct OpCase {
  const char* name;
  const char* effect;  // below base: there after the call on a plain tree ("!": gone)
  std::function<Status(P, T)> call;
};

// What the calls below hand back; not looked at.
struct {
  std::vector<DirEntry> entries;
  FileInfo info;
  SecurityDescriptor sd;
  bool created;
  std::string temp;
} out;

const OpCase kOps[] = {
    {"CreateDir", "dst/sub/new", [](P p, T t) { return p.CreateDir(t.sub + "new/"); }},
    {"RemoveDir", "!dst/sub/d", [](P p, T t) { return p.RemoveDir(t.sub + "d/"); }},
    {"DeleteFile", "!dst/sub/f", [](P p, T t) { return p.DeleteFile(t.sub + "f"); }},
    {"Move out", "dst/g", [](P p, T t) { return p.Move(t.sub + "f", t.root + "g"); }},
    {"Move in", "dst/sub/g", [](P p, T t) { return p.Move(t.root + "own", t.sub + "g"); }},
    {"Link in", "dst/sub/h", [](P p, T t) { return p.Link(t.root + "own", t.sub + "h"); }},
    {"SetAttributes", "dst/sub/f",
     [](P p, T t) { return p.SetAttributes(t.sub + "f", kAttrReadOnly); }},
    {"SetTimes", "dst/sub/f", [](P p, T t) { return p.SetTimes(t.sub + "f", 0, 1); }},
    {"CreateSymlink", "dst/sub/l", [](P p, T t) { return p.CreateSymlink("f", t.sub + "l"); }},
    {"CopyToTemp in", "dst/own",
     [](P p, T t) { return p.CopyToTemp(t.root + "own", t.sub + "c", {}, &out.temp); }},
    {"CopyToTemp out", "dst/sub/f",
     [](P p, T t) { return p.CopyToTemp(t.sub + "f", t.root + "c", {}, &out.temp); }},
    {"CommitTemp", "dst/sub/f",
     [](P p, T t) {
       EXPECT_TRUE(p.CopyToTemp(t.root + "own", t.root + "c", {}, &out.temp).ok());
       return p.CommitTemp(out.temp, t.sub + "f");
     }},
    {"WriteSecurity", "dst/sub/f",
     [](P p, T t) {
       return p.WriteSecurity(t.sub + "f", {getuid(), getgid(), 0600, {}, {}});
     }},
    {"WriteFile", "dst/sub/f", [](P p, T t) { return p.WriteFile(t.sub + "f", "x"); }},
    {"AppendFile", "dst/sub/f",
     [](P p, T t) { return p.AppendFile(t.sub + "f", "x", &out.created); }},
    {"ListDir", "dst/sub/d", [](P p, T t) { return p.ListDir(t.sub + "d/", &out.entries); }},
    {"Stat", "dst/sub/f", [](P p, T t) { return p.Stat(t.sub + "f", &out.info); }},
    {"ReadSecurity", "dst/sub/f", [](P p, T t) { return p.ReadSecurity(t.sub + "f", &out.sd); }},
};

TEST_P(PosixConfineTest, PlainTreesWorkAndSwappedInLinksAreNeverPassed) {
  for (const OpCase& op : kOps) {
    SCOPED_TRACE(op.name);
    const Tree plain = MakeTree(std::string("plain ") + op.name);
    EXPECT_TRUE(op.call(platform_, plain).ok());
    const bool gone = op.effect[0] == '!';
    EXPECT_EQ(PathExists(plain.base + (op.effect + gone)), !gone);

    const Tree swapped = MakeTree(std::string("swapped ") + op.name);
    SwapSubForLink(swapped);
    const auto before = Snapshot(swapped.outside);
    EXPECT_EQ(op.call(platform_, swapped).code(), ELOOP);
    EXPECT_EQ(Snapshot(swapped.outside), before);
  }
}

TEST_P(PosixConfineTest, LinksInTheRootPathAndInTheLastComponentAsBefore) {
  const Tree tree = MakeTree("t");
  ASSERT_EQ(symlink("t/dst", (temp_ / "via").c_str()), 0);
  platform_.ConfineTo({temp_ / "via/"});  // the root itself is a link
  EXPECT_TRUE(platform_.CreateDir(temp_ / "via/sub/new/").ok());
  EXPECT_TRUE(PathExists(tree.sub + "new"));

  // A link as the last component is the entry itself, never followed.
  ASSERT_EQ(symlink(tree.outside.c_str(), (tree.sub + "out").c_str()), 0);
  std::vector<DirEntry> entries;
  EXPECT_FALSE(platform_.ListDir(temp_ / "via/sub/out/", &entries).ok());
  EXPECT_TRUE(platform_.DeleteFile(temp_ / "via/sub/out").ok());
  EXPECT_FALSE(PathExists(tree.sub + "out"));

  // Outside the roots, and once the confinement is lifted, links are passed.
  SwapSubForLink(tree);
  EXPECT_TRUE(platform_.CreateDir(tree.sub + "a/").ok());
  platform_.ConfineTo({});
  EXPECT_TRUE(platform_.CreateDir(temp_ / "via/sub/b/").ok());
  EXPECT_TRUE(PathExists(tree.outside + "a") && PathExists(tree.outside + "b"));
}

// Calls keep the roots they started with while another thread changes them:
// no call may see a root descriptor closed under it.
TEST_P(PosixConfineTest, RootsChangeWhileCallsRun) {
  const Tree tree = MakeTree("t");
  std::atomic<bool> done{false};
  std::thread changer([&] {
    while (!done) {
      platform_.ConfineTo({tree.root});
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

using PosixSyncTest = testing::PosixTest;

TEST_F(PosixSyncTest, NeedsAnExistingDirectoryAndCanBeFailed) {
  FaultPlatform faults(platform_);
  const std::pair<std::string, Cond> kCases[] = {
      {temp_.path(), Cond::kOk},
      {temp_ / "missing/", Cond::kNotFound},
  };
  for (const auto& [path, cond] : kCases) EXPECT_EQ(faults.SyncVolume(path).cond(), cond) << path;
  faults.AddFault({Op::kSyncVolume, "", 0, EIO});
  EXPECT_EQ(faults.SyncVolume(temp_.path()).code(), EIO);
  EXPECT_EQ(faults.Calls(Op::kSyncVolume), 3);
}

INSTANTIATE_TEST_SUITE_P(Resolution, PosixConfineTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Walk" : "Openat2"; });

}  // namespace
}  // namespace qv
