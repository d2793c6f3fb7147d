// Roots as the directories they were opened as, and where paths lie
// through links and mounts.
#include <filesystem>
#include <tuple>

#include "filesys/path_places.h"
#include "filesys/posix/mountinfo.h"
#include "tests/filesys/posix_fixture.h"
#include "tests/support/scoped_mount.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(Platform& platform, const std::string& dir) {
  std::vector<DirEntry> entries;
  EXPECT_TRUE(platform.ListDir(dir, &entries).ok()) << dir;
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

uint64_t InodeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_ino;
}

// A root given through a link is the directory behind it, for the whole
// time it is confined: a link swapped to elsewhere later changes nothing.
TEST_F(PosixTest, ARootIsTheDirectoryItWasFirstOpenedAs) {
  MakeTree(temp_.path(), {"real/a=1", "real/sub/", "other/z=2", "link->real"});
  const std::string root = temp_ / "link/";
  const uint64_t real = InodeOf(temp_ / "real");
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(root, &info).ok());
  EXPECT_TRUE(info.IsReparsePoint()) << "unconfined, the link itself";

  platform_.ConfineTo({root});
  ASSERT_TRUE(platform_.Stat(root, &info).ok());
  EXPECT_FALSE(info.IsReparsePoint());
  EXPECT_TRUE(info.IsDirectory());
  EXPECT_EQ(info.inode, real);
  EXPECT_EQ(Names(platform_, root), (std::vector<std::string>{"a", "sub"}));

  fs::remove(temp_ / "link");
  fs::create_directory_symlink(temp_ / "other", temp_ / "link");
  ASSERT_TRUE(platform_.Stat(temp_ / "link", &info).ok());
  EXPECT_EQ(info.inode, real);
  EXPECT_EQ(Names(platform_, root), (std::vector<std::string>{"a", "sub"}));
  EXPECT_TRUE(platform_.CreateDir(root + "new/").ok());
  EXPECT_TRUE(fs::is_directory(temp_ / "real/new"));
  EXPECT_FALSE(PathExists(temp_ / "other/new"));
}

// A destination inside its source is still the directory it was opened as.
TEST_F(PosixTest, ARootBelowAnotherIsItsOwnDirectory) {
  MakeTree(temp_.path(), {"data/backup/old=1"});
  const std::string inner = temp_ / "data/backup/";
  const uint64_t held = InodeOf(inner);
  platform_.ConfineTo({temp_ / "data/", inner});
  FileInfo info;
  ASSERT_TRUE(platform_.Stat(inner, &info).ok());
  fs::rename(inner, temp_ / "data/moved");
  MakeDirs(inner);
  ASSERT_TRUE(platform_.Stat(inner, &info).ok());
  EXPECT_EQ(info.inode, held);
  EXPECT_EQ(Names(platform_, inner), std::vector<std::string>{"old"});
}

TEST_F(PosixTest, ARootThatIsNoDirectoryCannotBeStatted) {
  MakeTree(temp_.path(), {"file=1", "dangling->gone"});
  for (const char* name : {"file/", "dangling/", "missing/"}) {
    platform_.ConfineTo({temp_ / name});
    FileInfo info;
    EXPECT_EQ(platform_.Stat(temp_ / name, &info).cond(), Cond::kNotFound) << name;
    std::vector<DirEntry> entries;
    EXPECT_FALSE(platform_.ListDir(temp_ / name, &entries).ok()) << name;
  }
}

TEST(MountInfoTest, TheRootFieldNamesWhatIsMounted) {
  const auto mounts = ParseMountInfo(
      "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
      "40 26 254:0 /srv/data /mnt/bound rw shared:1 - ext4 /dev/vda rw\n"
      "41 26 0:44 /a\\040b /mnt/x\\040y rw - tmpfs tmpfs rw\n");
  std::vector<std::tuple<std::string, std::string, std::string>> found;
  for (const auto& m : mounts) found.emplace_back(m.root, m.mount_point, m.source);
  EXPECT_EQ(found, (std::vector<std::tuple<std::string, std::string, std::string>>{
                       {"/", "/", "/dev/vda"},
                       {"/srv/data", "/mnt/bound", "/dev/vda"},
                       {"/a b", "/mnt/x y", "tmpfs"}}));
}

// Which of a mirror's two roots lies in the other, by text or by place.
TEST_F(PosixTest, NestedRootsAreFoundThroughLinksAndMounts) {
  MakeTree(temp_.path(),
           {"data/sub/", "elsewhere/", "to-data->data", "to-sub->data/sub", "to-else->elsewhere"});
  const std::string t = temp_.path();
  // Source, destination; source inside destination; destination as a directory of the source.
  const std::tuple<std::string, std::string, bool, std::string> kCases[] = {
      {t + "data/", t + "elsewhere/", false, ""},
      {t + "data/", t + "data/", true, ""},
      {t + "data/sub/", t + "data/", true, ""},
      {t + "data/", t + "data/sub/", false, t + "data/sub/"},
      {t + "data/sub/", t + "to-data/", true, ""},
      {t + "to-sub/", t + "data/", true, ""},
      {t + "data/", t + "to-sub/", false, t + "data/sub/"},
      {t + "to-data/", t + "data/sub/new/", false, t + "to-data/sub/new/"},
      {t + "to-else/", t + "to-data/sub/", false, ""},
      {t + "datasub/", t + "data/", false, ""},
  };
  for (const auto& [source, destination, inside, in_source] : kCases) {
    SCOPED_TRACE(source + " -> " + destination);
    EXPECT_EQ(SourceInsideDestination(platform_, source, destination), inside);
    EXPECT_EQ(DestinationInSource(platform_, source, destination), in_source);
  }
  ScopedBindMount bound(t + "data", t + "elsewhere/view");
  SKIP_UNLESS_MOUNTED(bound);
  EXPECT_TRUE(SourceInsideDestination(platform_, t + "elsewhere/view/sub/", t + "data/"));
  EXPECT_EQ(DestinationInSource(platform_, t + "data/", t + "elsewhere/view/sub/"),
            t + "data/sub/");
}

}  // namespace
}  // namespace qv::testing
