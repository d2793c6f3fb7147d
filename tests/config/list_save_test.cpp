#include "config/list_save.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "config/filter_store.h"
#include "config/list_keys.h"
#include "config/mappings.h"
#include "config/minimal_ages.h"
#include "filesys/text_format.h"
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
  TListRow NewMirror(const std::string& source, const std::string& destination) {
    return {"",
            {int64_t{1}, source, destination, int64_t{0}, kNoLimit, kNoLimit, kNoLimit, kNoLimit,
             int64_t{0}, int64_t{1}, int64_t{1}, int64_t{1}, int64_t{0}, int64_t{0}}};
  }
};

TEST_F(ListSaveTest, ListsTheToolWroteLoadAsStoredAndSaveBackUnchanged) {
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
                                     kNoLimit, kNoLimit, int64_t{0}, int64_t{1}, int64_t{1},
                                     int64_t{1}, int64_t{0}, int64_t{0}}));
  EXPECT_EQ(snapshots[1].rows[1].values,
            (std::vector<TListValue>{int64_t{1}, int64_t{3}, "/s/1/cache/", int64_t{1}}));
  EXPECT_EQ(snapshots[2].rows[1].values,
            (std::vector<TListValue>{int64_t{1}, "/s/log/", int64_t{20}}));
  EXPECT_EQ(snapshots[3].rows[0].values, (std::vector<TListValue>{"/s/a", "/t/a"}));

  // Saved as loaded: not one stored byte changes.
  const auto before = Dump(db_path_);
  std::vector<TListEdit> edits;
  for (const TListSnapshot& snapshot : snapshots) edits.push_back({snapshot, snapshot.rows});
  const TListSaveResult result = SaveLists(ini(), edits);
  ASSERT_TRUE(result.saved) << result.error;
  EXPECT_EQ(Dump(db_path_), before);
}

// Values no grid column shows stay; only keys the grid loaded and lost are
// deleted; keys others added while it was open come after its rows and are
// named to the caller.
TEST_F(ListSaveTest, KeepsUneditedValuesAndWhatOthersAddedMeanwhile) {
  for (const char* name : {"1", "2", "3"})
    AddMirror(std::string("/s/") + name + "/", std::string("/d/") + name + "/");
  for (const char* pattern : {"*.a", "*.b", "*.c"}) AddFilter(pattern);
  AddAge("/s/x/", 1);
  AddAge("/s/y/", 2);
  const std::string kept_key = SubkeyPath(kMappingsKey, MappingKeyName("/d/1/"));
  ASSERT_TRUE(ini().WriteScannedExDirs(kept_key, true) &&
              ini().WriteString(kept_key, "DestVolume", "uuid B root /") &&
              ini().WriteCounters(kept_key + kSourceSubkey, {1, 2, 3, 4}) &&
              ini().WriteCounters(kept_key + "\\Destination\\Archive", {5, 6, 7, 8}) &&
              ini().WriteInteger(kept_key, "MassChangePercent", 20) &&
              ini().WriteString(kept_key + "\\Destination\\Archive", "Unknown", "later"));
  // A filter's values move with it when it is renumbered, and only with it.
  ASSERT_TRUE(ini().WriteInteger(SubkeyPath(kFiltersKey, "00001"), "Unknown", 1) &&
              ini().WriteInteger(SubkeyPath(kFiltersKey, "00002"), "Removed", 1));
  const TListSnapshot mappings = Load(TListKind::kMappings);
  const TListSnapshot filters = Load(TListKind::kFilters);
  const TListSnapshot ages = Load(TListKind::kMinimalAges);
  const auto values_of = [&](const std::string& key) {
    std::map<std::string, std::string> below;
    for (const auto& [name, value] : Dump(db_path_)) {
      if (name.starts_with(LowerAscii(key)) && !name.ends_with("|Row")) below[name] = value;
    }
    return below;
  };
  const auto before = values_of(kept_key);

  AddFilter("*.dropped");  // from a confirmation, or a drop
  AddMirror("/s/0/", "/d/0/");
  AddAge("/s/z/", 3);

  std::vector<TListRow> mapping_rows = {mappings.rows[2], mappings.rows[0],
                                        NewMirror("/s/9/", "/d/9/")};
  std::vector<TListRow> filter_rows = {
      {"", {int64_t{1}, int64_t{0}, "*.new", int64_t{1}}}, filters.rows[0], filters.rows[2]};
  std::vector<TListRow> age_rows = {ages.rows[1]};
  const TListSaveResult result =
      SaveLists(ini(), {{mappings, mapping_rows}, {filters, filter_rows}, {ages, age_rows}});
  ASSERT_TRUE(result.saved) << result.error;

  EXPECT_EQ(values_of(kept_key), before);
  EXPECT_FALSE(ini().KeyExists(SubkeyPath(kMappingsKey, MappingKeyName("/d/2/"))));
  EXPECT_EQ(Destinations(), (std::vector<std::string>{"/d/3/", "/d/1/", "/d/9/", "/d/0/"}));
  EXPECT_EQ(Filters(), (std::vector<std::string>{"*.new", "*.a", "*.c", "*.dropped"}));
  EXPECT_EQ(Ages(), (std::vector<std::string>{"/s/y/=2", "/s/z/=3"}));
  for (const auto& [name, value, stored] : {std::tuple{"00002", "Unknown", true},
                                            {"00001", "Unknown", false},
                                            {"00002", "Removed", false},
                                            {"00003", "Removed", false}}) {
    EXPECT_EQ(ini().ValueExists(SubkeyPath(kFiltersKey, name), value), stored) << name << value;
  }
  std::vector<std::tuple<TListKind, std::string, std::string>> kept;
  for (const TKeptEntry& entry : result.kept) kept.emplace_back(entry.kind, entry.key, entry.text);
  EXPECT_EQ(kept, (decltype(kept){{TListKind::kMappings, MappingKeyName("/d/0/"), "/d/0/"},
                                  {TListKind::kFilters, "00004", "*.dropped"},
                                  {TListKind::kMinimalAges, "00003", "/s/z/"}}));
  // The tool goes on after the kept entries.
  AddMirror("/s/8/", "/d/8/");
  EXPECT_EQ(Destinations().back(), "/d/8/");
}

// A mapping given another destination takes its key's values along, except
// what described the old destination directory.
TEST_F(ListSaveTest, ARenamedDestinationTakesAlongAllButTheOldDestinationsState) {
  AddMirror("/s/1/", "/d/old/", 5 * kGiB);
  const std::string old_key = MappingKeyName("/d/old/");
  const std::tuple<const char*, const char*, bool> kValues[] = {
      {"", "ScannedExDirs", true},
      {"", "SourceVolume", true},
      {"", "SourceRoot", true},
      {"", "MassChangePercent", true},
      {"", "Unknown", true},
      {"\\Source", "Size", true},
      {"\\Excluded", "NumberOfFiles", true},
      {"\\Destination\\Archive", "Unknown", true},
      {"\\Destination", "Unknown", true},
      {"", "DestVolume", false},
      {"", "DestRoot", false},
      {"", "MassChangeHold", false},
      {"", "CompleteScanFiles", false},
      {"\\Destination", "Size", false},
      {"\\Destination", "NumberOfDirs", false},
      {"\\Destination\\Archive", "CompressedSize", false},
      {"\\Destination\\Archive", "LastTimeSlot", false},
      {"\\Destination\\Archive\\Logs", "NumberOfFiles", false},
  };
  for (const auto& [subkey, name, carried] : kValues) {
    ASSERT_TRUE(ini().WriteInteger(SubkeyPath(kMappingsKey, old_key) + subkey, name, 7));
  }
  const TListSnapshot mappings = Load(TListKind::kMappings);
  std::vector<TListRow> rows = mappings.rows;
  rows[0].values[KeyColumn(TListKind::kMappings)] = std::string("/d/new/");
  const TListSaveResult result = SaveLists(ini(), {{mappings, rows}});
  ASSERT_TRUE(result.saved) << result.error;

  EXPECT_FALSE(ini().KeyExists(SubkeyPath(kMappingsKey, old_key)));
  const std::string new_key = SubkeyPath(kMappingsKey, MappingKeyName("/d/new/"));
  for (const auto& [subkey, name, carried] : kValues) {
    EXPECT_EQ(ini().ValueExists(new_key + subkey, name), carried) << subkey << " " << name;
  }
  EXPECT_EQ(Destinations(), std::vector<std::string>{"/d/new/"});
  TMapping mapping(ini(), "/d/new/");
  mapping.Load();
  EXPECT_EQ(mapping.settings().max_size_dest, 5 * kGiB);
  EXPECT_EQ(mapping.raw_source(), "/s/1/");
}

// A save that cannot be made in full makes nothing, and is not made later
// either by the retry of refused writes.
TEST_F(ListSaveTest, ASaveRefusedAnywhereLeavesEveryListAsItWas) {
  AddMirror("/s/1/", "/d/bk/");
  AddFilter("*.a");
  AddAge("/s/x/", 1);
  const TListSnapshot mappings = Load(TListKind::kMappings);
  const TListSnapshot filters = Load(TListKind::kFilters);
  const TListSnapshot ages = Load(TListKind::kMinimalAges);
  const std::vector<TListRow> no_ages;
  const std::vector<TListRow> one_filter = {{"", {int64_t{1}, int64_t{2}, "*.b", int64_t{0}}}};
  const struct {
    const char* what;
    std::vector<TListRow> mapping_rows;
    const char* meanwhile_destination;  // another writer adds this mirror
    bool refuse_filter_writes;
    std::string error;
  } kCases[] = {
      {"keys equal but for case",
       {mappings.rows[0], NewMirror("/s/2/", "/d/BK/")},
       nullptr,
       false,
       "the settings key of destination /d/BK/ is taken by /d/bk/"},
      {"key taken meanwhile",
       {mappings.rows[0], NewMirror("/s/2/", "/d/new/")},
       "/d/New/",
       false,
       "the settings key of destination /d/new/ is taken by /d/New/"},
      {"empty destination",
       {NewMirror("/s/2/", "")},
       nullptr,
       false,
       "Destination cannot be empty. Specify a value or delete the row to get rid of this error."},
      {"store refuses midway", {NewMirror("/s/2/", "/d/2/")}, nullptr, true, "refused"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    if (c.meanwhile_destination != nullptr) AddMirror("/s/m/", c.meanwhile_destination);
    if (c.refuse_filter_writes) {
      for (const std::string op : {"INSERT", "UPDATE"}) {
        const std::string sql = "CREATE TRIGGER refuse_" + op + " BEFORE " + op +
                                " ON vals WHEN NEW.lname = 'logfilter' "
                                "BEGIN SELECT RAISE(ABORT, 'refused'); END;";
        sqlite3_close(Exec(db_path_, sql.c_str()));
      }
    }
    const auto before = Dump(db_path_);
    const TListSaveResult result =
        SaveLists(ini(), {{mappings, c.mapping_rows}, {filters, one_filter}, {ages, no_ages}});
    EXPECT_FALSE(result.saved);
    EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    if (c.refuse_filter_writes) {
      sqlite3_close(Exec(db_path_, "DROP TRIGGER refuse_INSERT; DROP TRIGGER refuse_UPDATE"));
    }
    EXPECT_TRUE(ini().db().RetryRefusedWrites());
    EXPECT_EQ(Dump(db_path_), before);
    if (c.meanwhile_destination != nullptr) {
      ASSERT_TRUE(
          ini().DeleteKey(SubkeyPath(kMappingsKey, MappingKeyName(c.meanwhile_destination))));
    }
  }
}

// The grid's last row deleted: the list is empty, for every list.
TEST_F(ListSaveTest, SavingNoRowsEmptiesTheList) {
  AddMirror("/s/1/", "/d/1/");
  AddFilter("*.a");
  AddAge("/s/x/", 1);
  AddFileMapping("/t/a", "/s/a");
  const std::vector<TListRow> none;
  for (TListKind kind : {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                         TListKind::kFileMappings}) {
    const TListSnapshot snapshot = Load(kind);
    ASSERT_EQ(snapshot.rows.size(), 1u);
    ASSERT_TRUE(SaveLists(ini(), {{snapshot, none}}).saved);
    EXPECT_TRUE(ini().ListSubkeys(ListKey(kind)).empty());
    EXPECT_TRUE(Load(kind).rows.empty());
  }
}

}  // namespace
}  // namespace qv::testing
