// The program's icons come from its own resources, one per state.
#include "ui/app/icons.h"

#include <QLabel>
#include <QToolButton>
#include <set>

#include <gtest/gtest.h>

#include "tests/ui/window_fixture.h"
#include "ui/dialogs/about_box.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {
namespace {

QImage Image(const QIcon& icon, int size) { return icon.pixmap(size, size).toImage(); }

bool IsOneColour(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != image.pixel(0, 0)) return false;
    }
  }
  return true;
}

// Each drawn size is shipped as it is, never scaled from another.
TEST(IconsTest, EveryStateHasItsOwnPictureAtEverySize) {
  std::set<QByteArray> pictures;
  for (const char* name : {"MAINICON", "MD", "MW", "MS"}) {
    SCOPED_TRACE(name);
    const QIcon icon = StateIcon(name);
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 22, 24, 32, 48, 64}) {
      SCOPED_TRACE(size);
      EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
      const QImage image = Image(icon, size);
      EXPECT_EQ(image.size(), QSize(size, size));
      EXPECT_FALSE(IsOneColour(image));
    }
    const QImage image = Image(icon, 32).convertToFormat(QImage::Format_ARGB32);
    pictures.insert(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
  }
  EXPECT_EQ(pictures.size(), 4U);
}

TEST(IconsTest, TheAboutBoxShowsTheProgramIcon) {
  TAboutBox box("/usr/bin/quorvane");
  const auto* label = box.findChild<QLabel*>("ProgramIcon");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
            Image(ProgramIcon(), 32).convertToFormat(QImage::Format_ARGB32));
}

using WindowIconTest = WindowTest;

// The window's icon follows the state: idle, scanning, waiting.
TEST_F(WindowIconTest, TheWindowShowsTheIconOfItsState) {
  StoreConfig([](TConfigData& config) { config.SetWaitMinutes(10); });
  TMainWindow& window = MakeWindow();
  const auto shows = [&window](const char* name) {
    return Image(window.windowIcon(), 32) == Image(StateIcon(name), 32);
  };
  EXPECT_TRUE(shows("MD"));
  Click("SpeedButtonStart");
  EXPECT_TRUE(shows("MAINICON"));
  // With a Wait of 10 minutes the ended scan arms the next one.
  ASSERT_TRUE(WaitForScanEnd());
  ASSERT_EQ(window.scan_control().state(), TScanState::kWaiting);
  EXPECT_TRUE(shows("MW"));
}

}  // namespace
}  // namespace qv::testing
