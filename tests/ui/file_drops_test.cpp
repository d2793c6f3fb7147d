// Dropping files on the window: each answer of the mirrors, whole paths,
// foreign URLs and a store that refuses the filter.
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <sqlite3.h>

#include "config/filter_store.h"
#include "config/qv_ini_file.h"
#include "log/logger.h"
#include "tests/ui/window_fixture.h"

namespace qv::testing {
namespace {

enum TAnswer { kOk, kCancel, kStoreLocked };

// seen: the questions ("?"), informations ("i") and errors ("!") shown, then
// the filters stored (their type, a blank, their text). "@s/", "@d/", "@t/"
// and "@db" stand for the test's source, destination, another folder and
// the settings file.
struct DropCase {
  const char* name;
  std::vector<std::string> urls;
  TAnswer answer;
  std::vector<std::string> seen;
};

void PrintTo(const DropCase& drop, std::ostream* out) { *out << drop.name; }

const std::string kLong = "@s/" + std::string(200, 'l') + "/" + std::string(100, 'm');
const char kWeb[] = "https://example.org/src/a.txt";

const DropCase kDrops[] = {
    {"Source", {"@s/a.txt"}, kOk, {"?Add @s/a.txt to excluded sources?", "0 @s/a.txt"}},
    {"Destination", {"@d/sub"}, kOk, {"?Add @d/sub to excluded destinations?", "1 @d/sub"}},
    {"NoMirror", {"@t/else"}, kOk, {"i@t/else is not part of a mirror"}},
    {"Cancel",
     {"@s/a.txt", "@d/x"},
     kCancel,
     {"?Add @s/a.txt to excluded sources?", "?Add @d/x to excluded destinations?"}},
    {"PlainText",
     {"@s/a & <b>b</b> c"},
     kOk,
     {"?Add @s/a & <b>b</b> c to excluded sources?", "0 @s/a & <b>b</b> c"}},
    {"LongerThan260", {kLong}, kOk, {"?Add " + kLong + " to excluded sources?", "0 " + kLong}},
    {"WebBesideLocal", {kWeb, "@s/b"}, kOk, {"?Add @s/b to excluded sources?", "0 @s/b"}},
    {"OnlyWeb", {kWeb}, kOk, {}},
    {"StoreLocked",
     {"@s/a.txt"},
     kStoreLocked,
     {"?Add @s/a.txt to excluded sources?",
      "!Failed to save the filter to the registry. Cannot write the settings store @db: "
      "database is locked"}},
};

class FileDropsTest : public WindowTest, public ::testing::WithParamInterface<DropCase> {
 protected:
  std::string Real(std::string text) const {
    for (const auto& [mark, path] :
         {std::pair{"@s/", src_}, {"@d/", dst_}, {"@t/", temp_ / "t/"}, {"@db", settings_}}) {
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, path);
    }
    return text;
  }
};

TEST_P(FileDropsTest, AsksStoresAndReports) {
  const DropCase& drop = GetParam();
  MakeWindow();
  dialogs_.confirm_answer = drop.answer != kCancel;
  QList<QUrl> urls;
  for (const std::string& url : drop.urls) {
    urls.push_back(url == kWeb ? QUrl(kWeb)
                               : QUrl::fromLocalFile(QString::fromStdString(Real(url))));
  }
  QMimeData data;
  data.setUrls(urls);
  const bool accepted = drop.urls != std::vector<std::string>{kWeb};
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &enter);
  EXPECT_EQ(enter.isAccepted(), accepted);
  QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window_.get(), &event);
  EXPECT_EQ(event.isAccepted(), accepted);

  sqlite3* holder = nullptr;
  if (drop.answer == kStoreLocked) {
    ASSERT_EQ(sqlite3_open(settings_.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  }
  // The questions come after the drop returned.
  QCoreApplication::sendPostedEvents(window_.get(), QEvent::MetaCall);
  sqlite3_close(holder);

  std::vector<std::string> seen, expected;
  for (const std::string& text : dialogs_.confirmations) seen.push_back("?" + text);
  for (const std::string& text : dialogs_.informations) seen.push_back("i" + text);
  for (const std::string& text : dialogs_.errors) seen.push_back("!" + text);
  TQVIniFile ini(platform_, settings_);
  TLogger logger;
  std::vector<TStoredFilter> filters;
  ASSERT_TRUE(ReadStoredFilters(ini, logger, &filters));
  for (const TStoredFilter& filter : filters) {
    seen.push_back(std::to_string(filter.type) + (filter.enabled ? " " : " disabled ") +
                   filter.text);
  }
  for (const std::string& text : drop.seen) expected.push_back(Real(text));
  EXPECT_EQ(seen, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileDropsTest, ::testing::ValuesIn(kDrops),
                         [](const auto& each) { return std::string(each.param.name); });

}  // namespace
}  // namespace qv::testing
