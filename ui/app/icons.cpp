#include "ui/app/icons.h"

#include <QString>
#include <array>

// The resources live in a static library: registered once, before first use.
static void RegisterIconResources() { Q_INIT_RESOURCE(icons); }

namespace qv {

namespace {

constexpr std::array<std::string_view, 4> kNames = {"MAINICON", "MD", "MW", "MS"};
constexpr std::array<int, 6> kSizes = {16, 22, 24, 32, 48, 64};

QIcon Load(std::string_view name) {
  static const bool registered = (RegisterIconResources(), true);
  (void)registered;
  QIcon icon;
  for (const int size : kSizes) {
    icon.addFile(QString(":/icons/png/%1-%2.png")
                     .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())))
                     .arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace

QIcon StateIcon(std::string_view name) {
  for (const std::string_view known : kNames) {
    if (known == name) return Load(known);
  }
  return {};
}

QIcon ProgramIcon() { return StateIcon("MAINICON"); }

}  // namespace qv
