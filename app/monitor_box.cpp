#include "app/monitor_box.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace app {
namespace {

QTextCharFormat Coloured(const QColor& colour) {
  QTextCharFormat format;
  format.setForeground(colour);
  return format;
}

}  // namespace

MonitorBox::MonitorBox(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setMaximumBlockCount(kLineLimit);
  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &MonitorBox::ShowChanges);
}

void MonitorBox::AppendLine(const QString& text, const QColor& colour) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  const QTextCharFormat format = Coloured(colour);
  if (!empty_) cursor.insertBlock(QTextBlockFormat(), format);
  cursor.setBlockCharFormat(format);  // the colour of an empty line
  cursor.insertText(text, format);
  empty_ = false;
  Changed(1);
}

void MonitorBox::ReplaceLastLine(const QString& text, const QColor& colour) {
  if (empty_) {
    AppendLine(text, colour);
    return;
  }
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  const QTextCharFormat format = Coloured(colour);
  cursor.setBlockCharFormat(format);
  cursor.insertText(text, format);
  Changed(1);
}

void MonitorBox::ClearLines() {
  document()->clear();
  empty_ = true;
  scroll_pending_ = 0;
  Changed(0);
}

int MonitorBox::LineCount() const {
  return empty_ ? 0 : document()->blockCount();
}

QString MonitorBox::LineText(int line) const {
  return document()->findBlockByNumber(line).text();
}

QColor MonitorBox::LineColour(int line) const {
  const QTextBlock block = document()->findBlockByNumber(line);
  const auto fragment = block.begin();
  const QTextCharFormat format =
      fragment.atEnd() ? block.charFormat() : fragment.fragment().charFormat();
  return format.foreground().color();
}

void MonitorBox::Changed(int lines_added) {
  scroll_pending_ += lines_added;
  if (refresh_.isActive()) return;
  // Until the refresh the box keeps its last picture on screen.
  setUpdatesEnabled(false);
  refresh_.start();
}

void MonitorBox::ShowChanges() {
  refresh_.stop();
  // Each added line scrolls the view one line down.
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + scroll_pending_);
  scroll_pending_ = 0;
  setUpdatesEnabled(true);
}

}  // namespace app
