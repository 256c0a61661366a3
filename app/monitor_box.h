#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

namespace app {

// The traffic monitor's text box: read-only lines, each in its own colour.
//
// It keeps at most kLineLimit lines and drops the oldest, so adding a line
// never fails however long the monitor stays open. Replacing the last line
// touches that line only, so its cost does not grow with the text held.
// Its owner lets the window process events after every line; repainting
// the box each time would cost far more than the line itself, so changes
// are shown together, at most once per kRefreshMs.
class MonitorBox : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kLineLimit = 3000;
  static constexpr int kRefreshMs = 40;

  explicit MonitorBox(QWidget* parent);

  void AppendLine(const QString& text, const QColor& colour);
  // Deletes the last line and adds text in its place; adds it as the only
  // line when the box holds none.
  void ReplaceLastLine(const QString& text, const QColor& colour);
  void ClearLines();

  int LineCount() const;
  QString LineText(int line) const;
  QColor LineColour(int line) const;

  // Shows what changed at once: scrolls and repaints.
  void ShowChanges();

 private:
  void Changed(int lines_added);

  bool empty_ = true;
  int scroll_pending_ = 0;
  QTimer refresh_;
};

}  // namespace app
