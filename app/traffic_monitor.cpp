// The traffic monitor: every sent text as a line of its own, the bytes that
// come back gathered into one line per reply with their control bytes
// escaped ("[0D]"). The serial unit calls these only while MonitorShown is
// set; each ends by letting the window process what is pending, so a click
// can take effect between two lines.
#include <cstdarg>
#include <cstdio>

#include "app/bgr_colour.h"
#include "app/main_form.h"
#include "app/monitor_box.h"
#include "app/symbol_button.h"

namespace app {
namespace {

constexpr int kPrintfBufferSize = 4096;

// A line of the monitor is one block of the text box, and a CR or LF would
// begin another; sent line ends are therefore left out of the shown line.
QString SentLineText(const char* text) {
  QString line = QString::fromLatin1(text);
  line.remove(QLatin1Char('\r'));
  line.remove(QLatin1Char('\n'));
  return line;
}

}  // namespace

void TMainForm::MonitorAppend(const char* text, std::uint32_t colour) {
  MsgList->AppendLine(SentLineText(text), FromBgr(colour));
  ProcessMessages();
}

void TMainForm::MonitorPrintf(std::uint32_t colour, const char* format, ...) {
  unit.MonitorNewLine = 1;
  char buffer[kPrintfBufferSize];
  va_list arguments;
  va_start(arguments, format);
  // A longer text is cut at 4095 characters.
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  MonitorAppend(buffer, colour);
}

void TMainForm::ShowRxLine(bool replace_last, std::uint32_t colour) {
  const QString line = QString::fromLatin1(unit.RxLine, unit.RxLength);
  if (replace_last) {
    MsgList->ReplaceLastLine(line, FromBgr(colour));
  } else {
    MsgList->AppendLine(line, FromBgr(colour));
  }
}

void TMainForm::MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes,
                                std::int32_t count) {
  // The first bytes after a sent line begin a new line; later ones replace
  // the line that shows the reply so far.
  bool replace_last = unit.MonitorNewLine == 0;
  if (unit.MonitorNewLine != 0) {
    unit.RxLength = 0;
    if (count > 0) unit.MonitorNewLine = 0;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    if (!AppendRxDisplayForm(unit.RxLine, unit.RxLength, bytes[i])) {
      // RxLine is full: the line stays as it is shown, and this byte begins
      // a new one.
      unit.RxLine[unit.RxLength] = '\0';
      ShowRxLine(replace_last, colour);
      replace_last = false;
      unit.RxLength = 0;
      AppendRxDisplayForm(unit.RxLine, unit.RxLength, bytes[i]);
    }
  }
  unit.RxLine[unit.RxLength] = '\0';
  if (count > 0) ShowRxLine(replace_last, colour);
  ProcessMessages();
}

void TMainForm::ClearBtnClick() {
  MsgList->ClearLines();
}

void TMainForm::ListShowBtnClick() {
  if (!MsgList->isHidden()) {
    SetClientHeight(kClientHeight);
    MsgList->hide();
    ListShowBtn->setText("q");
    unit.MonitorShown = 0;
  } else {
    SetClientHeight(kMonitorShownHeight);
    MsgList->show();
    ListShowBtn->setText("p");
    unit.MonitorShown = 1;
  }
}

}  // namespace app
