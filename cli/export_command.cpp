// export [KEY]: a key tree of the settings as text on standard output.

#include <cerrno>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "config/registry_export.h"
#include "config/registry_key.h"
#include "filesys/platform.h"

namespace qv {

namespace {

constexpr int kTempAttempts = 100;

// The typed key as a key text with root: "/" may stand for "\", and a key
// without a root name lies below HKEY_CURRENT_USER.
std::string KeyTextOf(const std::string& typed) {
  std::string text = typed.empty() ? kBaseKey : typed;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  std::string below;
  if (SplitKeyText(text, &below) != TRootKey::kNone) return text;
  return KeyText(TRootKey::kCurrentUser, text);
}

// A new private directory for the export file; the export service writes only
// files that do not exist yet.
Status MakeTempDir(Platform& platform, std::string* dir) {
  const std::string parent = platform.GetEnv("TMPDIR").value_or("/tmp");
  Status s;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    *dir = parent + "/quorvane-cli-export-" + std::to_string(platform.Now()) + "-" +
           std::to_string(attempt);
    s = platform.CreateDir(*dir);
    if (s.cond() != Cond::kExists) return s;
  }
  return s;
}

std::string ExportFailure(TQVIniFile& ini, int code, const std::string& key_text) {
  switch (code) {
    case EINVAL:
      return "unknown root key in " + key_text;
    case ENOENT:
      return "the settings hold no key " + key_text;
    case EIO:
      return ini.FailureText();
    default:
      return "cannot export " + key_text + ": " + Status::FromErrno(code).message();
  }
}

int Export(TCommandContext& context, const std::string& typed) {
  const std::string key_text = KeyTextOf(typed);
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  Platform& platform = context.platform();
  std::string dir;
  Status s = MakeTempDir(platform, &dir);
  if (!s.ok())
    return context.Fail("cannot create a temporary directory " + dir + ": " + s.message());
  const std::string file = dir + "/settings.txt";
  const int code = SaveKeyToFile(ini->db(), key_text, file);
  std::string text;
  if (code == 0) s = platform.ReadFile(file, &text);
  (void)platform.DeleteFile(file);
  (void)platform.RemoveDir(dir);
  if (code != 0) return context.Fail(ExportFailure(*ini, code, key_text));
  if (!s.ok()) return context.Fail("cannot read back " + file + ": " + s.message());
  context.out() << text;
  return kExitOk;
}

}  // namespace

void AddExportCommand(TCommandRegistry& registry) {
  auto key = std::make_shared<std::string>();
  CLI::App* command = registry.AddCommand(
      &registry.app(), "export", "Write a key of the settings with its subkeys as text",
      [key](TCommandContext& context) { return Export(context, *key); });
  command->add_option("KEY", *key,
                      "Key below HKEY_CURRENT_USER (\"/\" may stand for \"\\\"); default: the "
                      "program's own key Software\\KZ\\Quorvane");
}

}  // namespace qv
