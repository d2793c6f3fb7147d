#ifndef QUORVANE_UI_MAIN_WINDOW_STATS_LAYOUT_H_
#define QUORVANE_UI_MAIN_WINDOW_STATS_LAYOUT_H_

namespace qv {

class TLogStatsSplit;
class TSharedIni;
class TStatsPanel;

// The statistics panel's stored layout. Under the program's key "Charts" and
// "VolumeLabels" (the mirror list's); under each grid's key (ChartFiles,
// ChartSizes) "Units" and "Bytes" (sizes only), "VolumeLabels" (row titles)
// and ColWidth<column> (-1 or none: the default width; a hidden column is
// saved as -1 and stays hidden); under each panel's key (PanelStatistics,
// PanelLegends, PanelFiles, PanelSizes) "Align", "Visible", "Height" and
// "Width". The statistics panel's Align tells whether it fills the window
// (the log hidden); the other panels' alignment is fixed and only stored.
//
// Restored once at start, saved once when the window closes. Stored sizes
// are kept between a small minimum and the screen's size, so that no value
// makes a panel vanish. Main thread only.
class TStatsLayout {
 public:
  TStatsLayout(TSharedIni& ini, TStatsPanel& panel, TLogStatsSplit& split);

  void Restore();
  void Save();

 private:
  void RestoreGrids();
  void RestorePanels();
  void SaveGrids();
  void SavePanels();

  TSharedIni& ini_;
  TStatsPanel& panel_;
  TLogStatsSplit& split_;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_STATS_LAYOUT_H_
