#include "tests/e2e/tool_test.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <tuple>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "filesys/posix/copy_file.h"

namespace qv::testing {

namespace fs = std::filesystem;

void ToolTest::SetUp() {
  const char* cli = std::getenv("QUORVANE_CLI");
  if (cli == nullptr || *cli == '\0') GTEST_SKIP() << "QUORVANE_CLI names no built tool";
  cli_ = cli;
}

pid_t ToolTest::Start(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"quorvane-cli"};
  all.insert(all.end(), args.begin(), args.end());
  all.insert(all.end(), {"--settings", At("settings.db")});
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string out = At("out.txt");  // nothing is allocated after fork
  const std::string err = At("err.txt");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
    dup2(stdout_fd_ != -1 ? stdout_fd_ : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
         STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    if (stack_limit_ != 0) {
      const struct rlimit limit = {stack_limit_, stack_limit_};
      if (setrlimit(RLIMIT_STACK, &limit) != 0) _exit(126);
    }
    execv(cli_.c_str(), argv.data());
    _exit(127);
  }
  EXPECT_GT(pid, 0) << std::strerror(errno);
  return pid;
}

ToolRun ToolTest::Wait(pid_t pid) {
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  ToolRun run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  run.out = ReadFile(At("out.txt"));
  run.err = ReadFile(At("err.txt"));
  return run;
}

std::string ToolTest::RunOk(const std::vector<std::string>& args) {
  const ToolRun run = Run(args);
  EXPECT_EQ(run.code, 0) << args[0] << "\n" << run.out << run.err;
  EXPECT_EQ(run.err, "") << args[0];
  return run.out;
}

bool ToolTest::UntilCopying(pid_t pid) {
  const int watch = inotify_init1(IN_CLOEXEC);
  const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  EXPECT_TRUE(watch >= 0 && process >= 0) << std::strerror(errno);
  // Watched before the first look, so that no copy starts unseen.
  EXPECT_GE(inotify_add_watch(watch, At("dst").c_str(), IN_CREATE), 0) << std::strerror(errno);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  bool copying = false;
  while (!(copying = !Unfinished(At("dst")).empty())) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd events[2] = {{watch, POLLIN, 0}, {process, POLLIN, 0}};
    if (left.count() <= 0 || poll(events, 2, static_cast<int>(left.count())) <= 0 ||
        events[1].revents != 0) {
      break;
    }
    char drained[4096];
    (void)!read(watch, drained, sizeof drained);
  }
  close(watch);
  close(process);
  return copying;
}

std::set<std::string> ToolTest::StopWhileCopying(pid_t pid) {
  while (UntilCopying(pid)) {
    kill(pid, SIGSTOP);
    siginfo_t info{};
    // Not reaped: the caller collects the process.
    if (waitid(P_PID, pid, &info, WSTOPPED | WEXITED | WNOWAIT) != 0 ||
        info.si_code != CLD_STOPPED) {
      return {};
    }
    std::set<std::string> copying = Unfinished(At("dst"));
    if (!copying.empty()) return copying;
    kill(pid, SIGCONT);
  }
  return {};
}

void ToolTest::AddMirror() {
  MakeDirs(At("src"));
  MakeDirs(At("dst"));
  RunOk({"mirror", "add", At("src"), At("dst")});
  RunOk({"set", "Priority", "3"});
}

uint64_t Hash(const std::string& bytes) { return std::hash<std::string_view>{}(bytes); }

std::string RandomBytes(size_t size, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(size, '\0');
  for (size_t at = 0; at < size; at += sizeof(uint64_t)) {
    const uint64_t word = random();
    std::memcpy(bytes.data() + at, &word, std::min(sizeof word, size - at));
  }
  return bytes;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::set<std::string> Unfinished(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (PosixIsTempName(entry.path().filename())) names.insert(entry.path().filename());
  }
  return names;
}

namespace {

// Any change of a file's content gives it a new change time, so a hash is
// kept per file identity and change time: large trees are listed often.
std::string ContentHash(const std::string& path) {
  static std::map<std::tuple<dev_t, ino_t, int64_t, int64_t, off_t>, std::string> known;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return "unreadable";
  const auto key = std::tuple(st.st_dev, st.st_ino, int64_t{st.st_ctim.tv_sec},
                              int64_t{st.st_ctim.tv_nsec}, st.st_size);
  const auto it = known.find(key);
  if (it != known.end()) return it->second;
  return known[key] = std::to_string(Hash(ReadFile(path)));
}

}  // namespace

std::map<std::string, std::string> Listing(const std::string& root, bool with_archive) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string path = it->path().string();
    const std::string relative = path.substr(root.size());
    if (relative == "Quorvane archive" && !with_archive) {
      it.disable_recursion_pending();
    } else if (it->is_symlink()) {
      entries[relative] = "-> " + fs::read_symlink(path).string();
    } else if (it->is_directory()) {
      entries[relative + "/"] = "";
    } else {
      entries[relative] = ContentHash(path);
    }
  }
  return entries;
}

}  // namespace qv::testing
