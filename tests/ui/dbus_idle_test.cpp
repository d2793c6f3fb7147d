// The D-Bus sources of the last input time against a fake idle service on a
// private session bus: the test starts itself again under dbus-run-session,
// where the tests below exist.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <atomic>

#include <gtest/gtest.h>

#include "tests/ui/idle_fakes.h"
#include "ui/idle/idle_time.h"
#include "ui/idle/idle_time_dbus.h"

namespace qv::testing {
namespace {

constexpr char kOnPrivateBus[] = "QUORVANE_TEST_PRIVATE_BUS";
constexpr char kInnerSuite[] = "PrivateBusIdleTest";

// One method of an idle service that answers `idle` as the given D-Bus type.
class TFakeIdleObject : public QDBusVirtualObject {
 public:
  TFakeIdleObject(QString method, bool wide) : method_(std::move(method)), wide_(wide) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != method_) return false;
    const qulonglong idle = idle_.load();
    connection.send(message.createReply(wide_ ? QVariant::fromValue(idle)
                                              : QVariant::fromValue(static_cast<uint>(idle))));
    return true;
  }
  std::atomic<qulonglong> idle_{0};

 private:
  const QString method_;
  const bool wide_;  // GNOME answers 64 bits, the screen saver 32
};

// The fake services on a connection of their own, answered on a thread of
// their own: the sources wait for the reply on the main thread.
class TFakeIdleServices {
 public:
  TFakeIdleServices() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kName)) {
    thread_.start();
  }
  ~TFakeIdleServices() {
    QDBusConnection::disconnectFromBus(kName);
    thread_.quit();
    thread_.wait();
  }
  TFakeIdleObject& Offer(const TDbusIdleMethod& method, bool wide, qulonglong idle) {
    auto& object = objects_.emplace_back(std::make_unique<TFakeIdleObject>(method.method, wide));
    object->idle_ = idle;
    object->moveToThread(&thread_);
    EXPECT_TRUE(bus_.registerVirtualObject(method.path, object.get()));
    EXPECT_TRUE(bus_.registerService(method.service));
    return *object;
  }

 private:
  static constexpr char kName[] = "quorvane-fake-idle";
  QDBusConnection bus_;
  QThread thread_;
  std::vector<std::unique_ptr<TFakeIdleObject>> objects_;
};

struct TBusCase {
  const char* name;
  std::optional<qulonglong> mutter;
  std::optional<qulonglong> screen_saver;
  std::optional<int64_t> expected;
};

class TSourcesOnBus : public ::testing::Test {
 public:
  explicit TSourcesOnBus(TBusCase c) : c_(c) {}
  void TestBody() override {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    TFakeIdleServices services;
    if (c_.mutter) services.Offer(kMutterIdle, true, *c_.mutter);
    if (c_.screen_saver) services.Offer(kScreenSaverIdle, false, *c_.screen_saver);
    TTickPlatform clock;
    TIdleTime idle(clock, DesktopIdleSources());
    idle.Sample();
    EXPECT_EQ(idle.MillisSinceLastInput(), c_.expected);
  }

 private:
  const TBusCase c_;
};

// Earlier cases leave no name behind that a later one could reach.
const TBusCase kBusCases[] = {
    {"NoServiceIsNoTime", std::nullopt, std::nullopt, std::nullopt},
    {"TheScreenSaverAlone", std::nullopt, 77, 77},
    {"GnomeBeforeTheScreenSaver", 4242, 77, 4242},
    {"GnomeAlone", 5000000000ull, std::nullopt, 5000000000ll},
};

[[maybe_unused]] const bool kInnerTestsRegistered = [] {
  if (!qEnvironmentVariableIsSet(kOnPrivateBus)) return false;
  for (const TBusCase& c : kBusCases) {
    ::testing::RegisterTest(kInnerSuite, c.name, nullptr, nullptr, __FILE__, __LINE__,
                            [c]() -> ::testing::Test* { return new TSourcesOnBus(c); });
  }
  return true;
}();

TEST(DbusIdleTest, TheSourcesAnswerFromAFakeServiceOnAPrivateBus) {
  if (QStandardPaths::findExecutable("dbus-run-session").isEmpty()) {
    GTEST_SKIP() << "dbus-run-session is not installed (package dbus)";
  }
  QProcess child;
  child.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kOnPrivateBus, "1");
  child.setProcessEnvironment(environment);
  child.start("dbus-run-session", {"--", QCoreApplication::applicationFilePath(),
                                   QString("--gtest_filter=") + kInnerSuite + ".*"});
  ASSERT_TRUE(child.waitForFinished(180000));
  const std::string output = child.readAll().toStdString();
  EXPECT_EQ(child.exitCode(), 0) << output;
  // A filter that matches nothing passes too.
  const std::string all_ran = "[  PASSED  ] " + std::to_string(std::size(kBusCases)) + " tests";
  EXPECT_NE(output.find(all_ran), std::string::npos) << output;
}

}  // namespace
}  // namespace qv::testing
