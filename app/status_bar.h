#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "app/progress_drawing.h"

namespace app {

// A status bar of three panels, 100, 400 and 50 pixels wide. Panels 0 and 2
// show text; panel 1 is drawn by its owner through OnDrawPanel, on the bar's
// painter with the bar's font, given the panel's rectangle.
class StatusBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPanelCount = 3;
  static constexpr int kOwnerDrawnPanel = 1;
  using DrawPanelFunction = std::function<void(QPainter& canvas, int panel, const WinRect& rect)>;

  explicit StatusBar(QWidget* parent);

  int PanelWidth(int panel) const;
  const QString& PanelText(int panel) const;
  void SetPanelText(int panel, const QString& text);
  // The rectangle inside the panel's sunken edge, right and bottom outside.
  WinRect PanelRect(int panel) const;

  DrawPanelFunction OnDrawPanel;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<QString, kPanelCount> texts_;
};

}  // namespace app
