#ifndef QUORVANE_TESTS_UI_FAKE_TRAY_H_
#define QUORVANE_TESTS_UI_FAKE_TRAY_H_

#include <QMenu>
#include <memory>

#include "ui/tray/tray.h"

namespace qv::testing {

// A tray that the test makes available or not, and clicks; what the owner
// set stays readable after the owner took the tray.
class TFakeTray : public TTray {
 public:
  struct TState {
    bool available = true;
    bool added = false;
    int adds = 0;
    QString tip;
    QIcon icon;
    QMenu* menu = nullptr;
    QString message;  // the last balloon's text
    TFakeTray* tray = nullptr;
  };

  explicit TFakeTray(TState& state) : state_(state) { state_.tray = this; }
  ~TFakeTray() override { state_.tray = nullptr; }

  bool Add() override {
    ++state_.adds;
    state_.added = state_.added || state_.available;
    return state_.added;
  }
  bool added() const override { return state_.added; }
  void SetTip(const QString& tip) override {
    if (state_.added) state_.tip = tip;
  }
  void SetIcon(const QIcon& icon) override { state_.icon = icon; }
  void SetMenu(QMenu* menu) override { state_.menu = menu; }
  void ShowMessage(const QString&, const QString& text) override {
    if (state_.added) state_.message = text;
  }
  void Click() { Clicked(); }

  static std::unique_ptr<TTray> Make(TState& state) { return std::make_unique<TFakeTray>(state); }

 private:
  TState& state_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_FAKE_TRAY_H_
