#include "ui/idle/idle_time_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace qv {

namespace {

class TX11IdleSource : public TIdleSource {
 public:
  explicit TX11IdleSource(Display* display) : display_(display), info_(XScreenSaverAllocInfo()) {}
  ~TX11IdleSource() override {
    XFree(info_);
    XCloseDisplay(display_);
  }
  TX11IdleSource(const TX11IdleSource&) = delete;
  TX11IdleSource& operator=(const TX11IdleSource&) = delete;

  std::optional<int64_t> IdleMillis() override {
    if (info_ == nullptr ||
        XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_) == 0) {
      return std::nullopt;
    }
    return static_cast<int64_t>(info_->idle);
  }

 private:
  Display* const display_;
  XScreenSaverInfo* const info_;
};

}  // namespace

std::unique_ptr<TIdleSource> X11IdleSource(const std::string& display) {
  Display* connection = XOpenDisplay(display.empty() ? nullptr : display.c_str());
  if (connection == nullptr) return nullptr;
  int event_base = 0;
  int error_base = 0;
  if (XScreenSaverQueryExtension(connection, &event_base, &error_base) == 0) {
    XCloseDisplay(connection);
    return nullptr;
  }
  return std::make_unique<TX11IdleSource>(connection);
}

}  // namespace qv
