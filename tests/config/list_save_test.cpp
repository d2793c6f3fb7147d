#include "config/list_save.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "config/file_mappings.h"
#include "config/filter_store.h"
#include "config/list_keys.h"
#include "config/mappings.h"
#include "config/minimal_ages.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

// Every stored value below the base key, "key|name=type:hex" each, read past
// the program's own code.
std::map<std::string, std::string> Dump(const std::string& path) {
  sqlite3* db = Exec(path, "SELECT 1");
  sqlite3_stmt* rows = nullptr;
  sqlite3_prepare_v2(db, "SELECT key, name, type, hex(data) FROM vals", -1, &rows, nullptr);
  std::map<std::string, std::string> dump;
  while (sqlite3_step(rows) == SQLITE_ROW) {
    const auto text = [&](int i) {
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(rows, i)));
    };
    dump[text(0) + "|" + text(1)] = text(2) + ":" + text(3);
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  return dump;
}

class ListSaveTest : public StoreTest {
 protected:
  // The headless tool's ways of adding to each list.
  void AddMirror(const std::string& source, const std::string& destination,
                 int64_t max_size = kNoLimit) {
    TMapping mapping(ini(), destination);
    mapping.SetSource(source);
    mapping.mutable_settings().max_size_dest = max_size;
    mapping.mutable_settings().row = NextRow(ini(), kMappingsKey);
    ASSERT_TRUE(mapping.Save());
  }
  // As the tool's AddPathEntry, with the values of one entry.
  void AddPath(const std::string& list, const std::string& path,
               const std::vector<std::pair<std::string, int32_t>>& numbers,
               const std::string& source = "") {
    const std::string key = SubkeyPath(list, NewNumberedKeyName(ini(), list));
    const int32_t row = NextRow(ini(), list);
    ASSERT_TRUE(ini().WriteString(key, "", path) && ini().WriteInteger(key, "Row", row));
    for (const auto& [name, number] : numbers) ASSERT_TRUE(ini().WriteInteger(key, name, number));
    if (!source.empty()) {
      ASSERT_TRUE(ini().WriteString(key, "Source", source));
    }
  }
  void AddAge(const std::string& dir, int32_t minutes) {
    AddPath(kMinimalAgesKey, dir, {{"Enabled", 1}, {"MinAge", minutes}});
  }
  void AddFileMapping(const std::string& target, const std::string& source) {
    AddPath(kFileMappingsKey, target, {}, source);
  }
  void AddFilter(const std::string& pattern, int type = 0) {
    ASSERT_TRUE(SaveNewFilter(ini(), pattern, true, type, true, nullptr));
  }

  TListSnapshot Load(TListKind kind) {
    TListSnapshot snapshot;
    EXPECT_TRUE(LoadList(ini(), kind, &snapshot));
    return snapshot;
  }
  // The list's column of the unnamed value, row by row.
  static std::vector<std::string> Texts(const std::vector<TListRow>& rows, TListKind kind) {
    std::vector<std::string> texts;
    for (const TListRow& row : rows) texts.push_back(std::get<std::string>(row.values[TextColumn(kind)]));
    return texts;
  }
  // As the tool's loaders read them back.
  std::vector<std::string> Destinations() {
    TMappings mappings(ini());
    RecordingLogger log;
    EXPECT_TRUE(mappings.Load(log, nullptr, false, true));
    std::vector<std::string> list;
    for (int i = 0; i < mappings.Count(); ++i) list.push_back(mappings.Destination(i));
    return list;
  }
  std::vector<std::string> Filters() {
    std::vector<TStoredFilter> filters;
    RecordingLogger log;
    EXPECT_TRUE(ReadStoredFilters(ini(), log, &filters));
    std::vector<std::string> texts;
    for (const TStoredFilter& f : filters) texts.push_back(f.text);
    return texts;
  }
  std::vector<std::string> Ages() {
    TMinimalAges ages;
    RecordingLogger log;
    EXPECT_TRUE(LoadMinimalAges(ini(), "/s/", log, &ages));
    return ages.Texts();
  }
  std::vector<std::string> FileMappingTargets() {
    TFileMappingList list;
    RecordingLogger log;
    EXPECT_TRUE(LoadFileMappings(ini(), "/s/", log, &list));
    return list.targets;
  }
  TListRow NewMirror(const std::string& source, const std::string& destination) {
    return {"", {int64_t{1}, source, destination, int64_t{0}, kNoLimit, kNoLimit, kNoLimit,
                 kNoLimit, int64_t{1}, int64_t{1}, int64_t{1}, int64_t{0}, int64_t{0}}};
  }
};

TEST_F(ListSaveTest, ListsTheToolWroteLoadAsStoredAndSaveBackInTheirNewOrder) {
  AddMirror("/s/1/", "/d/1/", 5 * kGiB);
  AddMirror("/s/2/", "/d/2/");
  AddFilter("*.tmp");
  AddFilter("/s/1/cache/", 3);
  AddAge("/s/log/", 10);
  AddAge("/s/log/", 20);  // the same folder twice stays twice
  AddFileMapping("/t/a", "/s/a");
  AddFileMapping("/t/b", "/s/b");
  const TListKind kinds[] = {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                             TListKind::kFileMappings};
  std::vector<TListSnapshot> snapshots;
  for (TListKind kind : kinds) snapshots.push_back(Load(kind));
  EXPECT_EQ(snapshots[0].rows[0].values,
            (std::vector<TListValue>{int64_t{1}, "/s/1/", "/d/1/", int64_t{0}, 5 * kGiB, kNoLimit,
                                     kNoLimit, kNoLimit, int64_t{1}, int64_t{1}, int64_t{1},
                                     int64_t{0}, int64_t{0}}));
  EXPECT_EQ(snapshots[1].rows[1].values,
            (std::vector<TListValue>{int64_t{1}, int64_t{3}, "/s/1/cache/", int64_t{1}}));
  EXPECT_EQ(snapshots[2].rows[1].values, (std::vector<TListValue>{int64_t{1}, "/s/log/", int64_t{20}}));
  EXPECT_EQ(snapshots[3].rows[0].values, (std::vector<TListValue>{"/s/a", "/t/a"}));

  // Saved as loaded: not one stored byte changes.
  const auto before = Dump(db_path_);
  std::vector<TListEdit> edits;
  for (const TListSnapshot& snapshot : snapshots) edits.push_back({snapshot, snapshot.rows});
  TListSaveResult result = SaveLists(ini(), edits);
  ASSERT_TRUE(result.saved) << result.error;
  EXPECT_EQ(Dump(db_path_), before);

  // Reversed, each with a new row in front, the tool reads the new order.
  std::vector<std::vector<TListRow>> rows;
  for (const TListSnapshot& snapshot : snapshots) rows.emplace_back(snapshot.rows.rbegin(), snapshot.rows.rend());
  rows[0].insert(rows[0].begin(), NewMirror("/s/3/", "/d/3/"));
  rows[1].insert(rows[1].begin(), TListRow{"", {int64_t{1}, int64_t{1}, "*.new", int64_t{0}}});
  rows[2].insert(rows[2].begin(), TListRow{"", {int64_t{1}, "/s/new/", int64_t{5}}});
  rows[3].insert(rows[3].begin(), TListRow{"", {"/s/c", "/t/c"}});
  edits.clear();
  for (size_t i = 0; i < rows.size(); ++i) edits.push_back({snapshots[i], rows[i]});
  result = SaveLists(ini(), edits);
  ASSERT_TRUE(result.saved) << result.error;
  EXPECT_TRUE(result.kept.empty());
  EXPECT_EQ(Destinations(), (std::vector<std::string>{"/d/3/", "/d/2/", "/d/1/"}));
  EXPECT_EQ(Filters(), (std::vector<std::string>{"*.new", "/s/1/cache/", "*.tmp"}));
  EXPECT_EQ(Ages(), (std::vector<std::string>{"/s/new/=5", "/s/log/=20", "/s/log/=10"}));
  EXPECT_EQ(FileMappingTargets(), (std::vector<std::string>{"/t/c", "/t/b", "/t/a"}));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Texts(Load(kinds[i]).rows, kinds[i]), Texts(rows[i], kinds[i])) << i;
  }
  TMapping first(ini(), "/d/1/");
  first.Load();
  EXPECT_EQ(first.settings().max_size_dest, 5 * kGiB);
}

}  // namespace
}  // namespace qv::testing
