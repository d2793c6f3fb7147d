// The built program on a real X server (Xvfb): one scan with /START /EXIT,
// then a picture of the idle window.
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "config/config_data.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

bool HaveXvfb() { return std::system("command -v xvfb-run >/dev/null 2>&1") == 0; }

// Runs the program under its own X server; answers its exit status.
int RunOnXvfb(const std::string& environment, const std::string& args) {
  const std::string command = "env -u QT_QPA_PLATFORM LSAN_OPTIONS=suppressions='" +
                              std::string(QUORVANE_TESTS_DIR) + "ui/lsan.supp' " + environment +
                              " xvfb-run -a '" + QUORVANE_GUI_PATH + "' " + args + " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SmokeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveXvfb()) GTEST_SKIP() << "xvfb-run is not installed (package xvfb)";
    MakeTree(temp_.path(), {"src/a.txt=alpha", "src/sub/b.txt=beta", "dst/"});
    TQVIniFile ini(DefaultPlatform(), settings_);
    TMapping mapping(ini, temp_ / "dst/");
    mapping.SetSource(temp_ / "src/");
    ASSERT_TRUE(mapping.Save());
    TConfigData config;
    config.SetWaitMinutes(-1);
    config.SetPriority(3);
    ASSERT_TRUE(config.Save(ini));
  }

  ScopedTempDir temp_;
  const std::string settings_ = temp_ / "settings.db";
};

TEST_F(SmokeTest, StartExitScansOnceAndTheIdleWindowIsDrawn) {
  ASSERT_EQ(RunOnXvfb("", "--settings '" + settings_ + "' /START /EXIT"), 0);
  EXPECT_EQ(ReadFile(temp_ / "dst/sub/b.txt"), "beta");
  const auto logs = std::filesystem::path(temp_ / "dst/Quorvane archive/Logs");
  ASSERT_TRUE(std::filesystem::is_directory(logs));
  EXPECT_FALSE(std::filesystem::is_empty(logs));

  const std::string picture = temp_ / "idle.png";
  ASSERT_EQ(RunOnXvfb("QUORVANE_SCREENSHOT='" + picture + "'", "--settings '" + settings_ + "'"),
            0);
  QImage image(QString::fromStdString(picture));
  ASSERT_FALSE(image.isNull());
  EXPECT_GE(image.width(), 300);
  EXPECT_GE(image.height(), 200);
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 4) {
    for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
  }
  // Tool bar, icons, frame and text: far more than a blank window's colours.
  EXPECT_GT(colours.size(), 10u);
}

// Pixels near the waiting icon's clock badge in the caption strip above the
// picture, where the window's icon is drawn.
int ClockPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - 0xe9) + std::abs(c.green() - 0xa2) + std::abs(c.blue() - 0x1b) < 40)
        ++count;
    }
  }
  return count;
}

TEST_F(SmokeTest, PicturesShowTheIconAndTitleOfTheStateAsked) {
  const std::string idle = temp_ / "idle.png";
  const std::string waiting = temp_ / "waiting.png";
  const std::string args = "--settings '" + settings_ + "' ";
  ASSERT_EQ(RunOnXvfb("QUORVANE_SCREENSHOT='" + idle + "'", args), 0);
  // Scans once, then waits for the next scan a minute later.
  ASSERT_EQ(RunOnXvfb("QUORVANE_SCREENSHOT='" + waiting + "' QUORVANE_SCREENSHOT_STATE=waiting",
                      args + "/WAIT=1 /START"),
            0);
  EXPECT_EQ(ReadFile(temp_ / "dst/a.txt"), "alpha");
  const QImage idle_image(QString::fromStdString(idle));
  const QImage waiting_image(QString::fromStdString(waiting));
  ASSERT_FALSE(idle_image.isNull());
  ASSERT_FALSE(waiting_image.isNull());
  EXPECT_EQ(ClockPixels(idle_image), 0);
  EXPECT_GT(ClockPixels(waiting_image), 3);
  EXPECT_EQ(RunOnXvfb("QUORVANE_SCREENSHOT_STATE=sleeping", args), 2);
}

}  // namespace
}  // namespace qv::testing
