#ifndef QUORVANE_UI_MAIN_WINDOW_WINDOW_PLACEMENT_H_
#define QUORVANE_UI_MAIN_WINDOW_WINDOW_PLACEMENT_H_

class QWidget;

namespace qv {

class TSharedIni;
struct TPlacementToSave;

// The main window's bounds and state under the settings key Window (Left,
// Top, Width, Height, WinState). Main thread only.
class TWindowPlacement {
 public:
  // size_only: the window system places windows itself (Wayland), so only
  // the size is restored and stored.
  TWindowPlacement(QWidget& window, TSharedIni& ini, bool size_only);

  // Before the window is shown: the stored bounds kept on a screen, then
  // maximised when WinState is 2. Nothing stored leaves the window as it is.
  void Restore();
  // On the change into the maximised state: stores the normal bounds it
  // leaves, which a close while maximised then keeps.
  void SaveNormalBounds();
  // At close: WinState, and the bounds unless the window is maximised.
  void Save();

 private:
  void Write(const TPlacementToSave& save, bool with_state);

  QWidget& window_;
  TSharedIni& ini_;
  const bool size_only_;
  bool restoring_ = false;
};

// Whether the window system refuses to let clients place their windows.
bool WindowSystemPlacesWindows();

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_WINDOW_PLACEMENT_H_
