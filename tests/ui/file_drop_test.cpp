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

struct TStored {
  std::string text;
  int type;
  bool operator==(const TStored&) const = default;
};

enum TAnswer { kOk, kCancel, kStoreLocked };

// shown: the questions, then the informations, marked "?" and "i".
struct DropCase {
  const char* name;
  std::vector<std::string> urls;  // "@s/", "@d/" and "@t/" stand for the test's folders
  TAnswer answer;
  std::vector<std::string> shown;
  std::vector<TStored> stored;
};

void PrintTo(const DropCase& drop, std::ostream* out) { *out << drop.name; }

const std::string kLong = std::string(200, 'l') + "/" + std::string(100, 'm');
const char kWeb[] = "https://example.org/src/a.txt";

const DropCase kDrops[] = {
    {"Source", {"@s/a.txt"}, kOk, {"?Add @s/a.txt to excluded sources?"}, {{"@s/a.txt", 0}}},
    {"Destination", {"@d/sub"}, kOk, {"?Add @d/sub to excluded destinations?"}, {{"@d/sub", 1}}},
    {"NoMirror", {"@t/else"}, kOk, {"i@t/else is not part of a mirror"}, {}},
    {"Cancel",
     {"@s/a.txt", "@d/x"},
     kCancel,
     {"?Add @s/a.txt to excluded sources?", "?Add @d/x to excluded destinations?"},
     {}},
    {"PlainText",
     {"@s/a & <b>b</b> c"},
     kOk,
     {"?Add @s/a & <b>b</b> c to excluded sources?"},
     {{"@s/a & <b>b</b> c", 0}}},
    {"LongerThan260",
     {"@s/" + kLong},
     kOk,
     {"?Add @s/" + kLong + " to excluded sources?"},
     {{"@s/" + kLong, 0}}},
    {"WebBesideLocal", {kWeb, "@s/b"}, kOk, {"?Add @s/b to excluded sources?"}, {{"@s/b", 0}}},
    {"OnlyWeb", {kWeb}, kOk, {}, {}},
    {"StoreLocked", {"@s/a.txt"}, kStoreLocked, {"?Add @s/a.txt to excluded sources?"}, {}},
};

class FileDropTest : public WindowTest, public ::testing::WithParamInterface<DropCase> {
 protected:
  // The test's folders in place of "@s/", "@d/" and "@t/".
  std::string Real(std::string text) const {
    for (const auto& [mark, folder] :
         {std::pair{"@s/", src_}, {"@d/", dst_}, {"@t/", temp_ / "t/"}}) {
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, folder);
    }
    return text;
  }
  std::vector<TStored> Stored() {
    TQVIniFile ini(platform_, settings_);
    TLogger logger;
    std::vector<TStoredFilter> filters;
    EXPECT_TRUE(ReadStoredFilters(ini, logger, &filters));
    std::vector<TStored> stored;
    for (const TStoredFilter& filter : filters) {
      EXPECT_TRUE(filter.enabled);
      stored.push_back({filter.text, filter.type});
    }
    return stored;
  }
};

TEST_P(FileDropTest, AsksStoresAndReports) {
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

  std::vector<std::string> shown;
  for (const std::string& text : dialogs_.confirmations) shown.push_back("?" + text);
  for (const std::string& text : dialogs_.informations) shown.push_back("i" + text);
  std::vector<std::string> expected_shown;
  for (const std::string& text : drop.shown) expected_shown.push_back(Real(text));
  EXPECT_EQ(shown, expected_shown);
  std::vector<TStored> expected_stored = drop.stored;
  for (TStored& filter : expected_stored) filter.text = Real(filter.text);
  EXPECT_EQ(Stored(), expected_stored);
  const std::vector<std::string> locked = {
      "Failed to save the filter to the registry. Cannot write the settings store " + settings_ +
      ": database is locked"};
  EXPECT_EQ(dialogs_.errors, drop.answer == kStoreLocked ? locked : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Cases, FileDropTest, ::testing::ValuesIn(kDrops),
                         [](const auto& each) { return std::string(each.param.name); });

}  // namespace
}  // namespace qv::testing
