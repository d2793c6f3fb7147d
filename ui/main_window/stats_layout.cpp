#include "ui/main_window/stats_layout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <algorithm>
#include <string>

#include "config/config_keys.h"
#include "config/settings_db.h"
#include "config/shared_ini.h"
#include "ui/main_window/log_stats_split.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv {

namespace {

const std::string kBase = kBaseKey;
const std::string kStatisticsKey = kBase + "\\PanelStatistics";
const std::string kLegendsKey = kBase + "\\PanelLegends";
const std::string kKinds[] = {"Files", "Sizes"};

// Alignment as stored: at the top, at the left, filling the rest.
constexpr int kAlignTop = 1;
constexpr int kAlignLeft = 3;
constexpr int kAlignClient = 5;
// The narrowest part a stored width may leave.
constexpr int kMinWidth = 16;

std::string ChartKey(TChartKind kind) {
  return kBase + "\\Chart" + kKinds[kind == TChartKind::kFiles ? 0 : 1];
}

std::string PanelKey(TChartKind kind) {
  return kBase + "\\Panel" + kKinds[kind == TChartKind::kFiles ? 0 : 1];
}

// The panel's parts: the control column with the lists, then each grid's box
// with its view and axis, side by side in one splitter.
QWidget& Controls(const TStatsPanel& panel) { return *panel.grids_list().parentWidget(); }
QWidget& GridBox(const TStatsPanel& panel, TChartKind kind) {
  return *panel.view(kind).parentWidget();
}
QSplitter* Parts(const TStatsPanel& panel) {
  return qobject_cast<QSplitter*>(Controls(panel).parentWidget());
}

// A stored size within [minimum, the screen's], or -1 for none worth taking.
int Clamped(int32_t size, int minimum, bool vertical) {
  if (size < 1) return -1;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize most = screen != nullptr ? screen->virtualSize() : QSize(size, size);
  return std::clamp(static_cast<int>(size), minimum,
                    std::max(minimum, vertical ? most.height() : most.width()));
}

struct TPanelValues {
  int align;
  bool visible;
  int height;
  int width;
};

void WritePanel(TSharedIni& ini, const std::string& key, const TPanelValues& values) {
  ini.WriteInteger(key, "Align", values.align);
  ini.WriteInteger(key, "Visible", values.visible ? 1 : 0);
  ini.WriteInteger(key, "Height", values.height);
  ini.WriteInteger(key, "Width", values.width);
}

}  // namespace

TStatsLayout::TStatsLayout(TSharedIni& ini, TStatsPanel& panel, TLogStatsSplit& split)
    : ini_(ini), panel_(panel), split_(split) {}

void TStatsLayout::Restore() {
  panel_.SetCharts(ini_.ReadBool(kBase, "Charts", true));
  panel_.SetVolumeLabels(ini_.ReadBool(kBase, "VolumeLabels", true));
  RestoreGrids();
  RestorePanels();
}

void TStatsLayout::RestoreGrids() {
  for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
    const std::string key = ChartKey(kind);
    TChartTextOptions options = panel_.model(kind).text_options();
    if (kind == TChartKind::kSizes) {
      options.units = ini_.ReadBool(key, "Units", true);
      options.bytes = ini_.ReadBool(key, "Bytes", false);
    }
    options.volume_labels = ini_.ReadBool(key, "VolumeLabels", true);
    panel_.SetTextOptions(kind, options);
    for (int column = 0; column < kChartColumns; ++column) {
      const int32_t width = ini_.ReadInteger(key, "ColWidth" + std::to_string(column), -1);
      // 0: hidden by the user; the titles' column always shows.
      if (width == 0 && column > 0) panel_.SetColumnShown(kind, column, false);
      if (width < 1) continue;
      panel_.SetColumnShown(kind, column, true);
      panel_.SetColumnWidth(kind, column, Clamped(width, kMinWidth, false));
    }
  }
}

void TStatsLayout::RestorePanels() {
  panel_.SetGridShown(TChartKind::kFiles,
                      ini_.ReadInteger(PanelKey(TChartKind::kFiles), "Visible", 1));
  panel_.SetGridShown(TChartKind::kSizes,
                      ini_.ReadInteger(PanelKey(TChartKind::kSizes), "Visible", 1));
  Controls(panel_).setVisible(ini_.ReadInteger(kLegendsKey, "Visible", 1) != 0);
  if (QSplitter* parts = Parts(panel_)) {
    QList<int> sizes = parts->sizes();
    const std::string keys[] = {kLegendsKey, PanelKey(TChartKind::kFiles),
                                PanelKey(TChartKind::kSizes)};
    for (int i = 0; i < sizes.size() && i < 3; ++i) {
      const int width = Clamped(ini_.ReadInteger(keys[i], "Width", -1), kMinWidth, false);
      // Not laid out yet, the splitter knows no sizes of its own.
      sizes[i] = width > 0 ? width : parts->widget(i)->sizeHint().width();
    }
    parts->setSizes(sizes);
  }
  split_.SetStatsShown(ini_.ReadInteger(kStatisticsKey, "Visible", 1) != 0);
  split_.SetLogShown(ini_.ReadInteger(kStatisticsKey, "Align", kAlignTop) != kAlignClient);
  const int height = Clamped(ini_.ReadInteger(kStatisticsKey, "Height", -1),
                             TLogStatsSplit::kMinPanelHeight, true);
  if (height > 0) split_.SetPanelHeight(height);
}

void TStatsLayout::Save() {
  TSettingsTransaction transaction(ini_.db());
  ini_.WriteBool(kBase, "Charts", panel_.charts());
  ini_.WriteBool(kBase, "VolumeLabels", panel_.volume_labels());
  SaveGrids();
  SavePanels();
  // A store that refuses keeps the earlier layout: nothing to tell.
  (void)transaction.Commit();
}

void TStatsLayout::SaveGrids() {
  for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
    const std::string key = ChartKey(kind);
    const TChartTextOptions& options = panel_.model(kind).text_options();
    if (kind == TChartKind::kSizes) {
      ini_.WriteBool(key, "Units", options.units);
      ini_.WriteBool(key, "Bytes", options.bytes);
    }
    ini_.WriteBool(key, "VolumeLabels", options.volume_labels);
    for (int column = 0; column < kChartColumns; ++column) {
      ini_.WriteInteger(key, "ColWidth" + std::to_string(column),
                        panel_.column_width(kind, column));
    }
  }
}

void TStatsLayout::SavePanels() {
  WritePanel(ini_, kStatisticsKey,
             {split_.log_shown() ? kAlignTop : kAlignClient, split_.stats_shown(),
              split_.panel_height(), panel_.width()});
  const QWidget& controls = Controls(panel_);
  WritePanel(ini_, kLegendsKey,
             {kAlignLeft, !controls.isHidden(), controls.height(), controls.width()});
  for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
    const QWidget& box = GridBox(panel_, kind);
    WritePanel(ini_, PanelKey(kind),
               {kind == TChartKind::kFiles ? kAlignLeft : kAlignClient, panel_.grid_shown(kind),
                box.height(), box.width()});
  }
}

}  // namespace qv
