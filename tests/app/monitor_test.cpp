// The traffic monitor: sent lines in blue, replies in dark green with their
// control bytes escaped, growing byte by byte on one line.
#include <QPushButton>
#include <cstring>

#include "app/monitor_box.h"
#include "app/status_bar.h"
#include "app/symbol_button.h"
#include "tests/app/window_fixture.h"
#include "tests/support/pty_peer.h"

namespace app_test {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kDarkGreen(0, 128, 0);

// A shown monitor, with the window's serial unit on a scripted peer.
class MonitorTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form->ListShowBtn->click();
    ASSERT_EQ(form->unit.comm.CommOpen(peer.Path().c_str(), 115200), 1);
  }

  // Reads one byte the peer has sent, through the serial unit.
  void ReadByte() {
    char byte = 0;
    int got = 0;
    for (int tries = 0; tries < 50 && got == 0; ++tries) got = form->unit.comm.CommRead(&byte, 1);
    ASSERT_EQ(got, 1);
  }
  void Send(const char* text) {
    form->unit.comm.CommWrite(text, static_cast<int>(std::strlen(text)));
  }
  app::MonitorBox& Monitor() { return *form->MsgList; }
  QString LastLine() { return Monitor().LineText(Monitor().LineCount() - 1); }

  testing_support::PtyPeer peer;
};

TEST_F(MonitorTest, ReplyGrowsByteByByteOnOneGreenLine) {
  Send("J\r");
  peer.Send("0\r\n");
  const char* grown[] = {"0", "0[0D]", "0[0D][0A]"};
  for (const char* line : grown) {
    ReadByte();
    ASSERT_EQ(Monitor().LineCount(), 2);
    EXPECT_EQ(LastLine(), line);
  }
  EXPECT_EQ(Monitor().LineText(0), "J");
  EXPECT_EQ(Monitor().LineColour(0), kBlue);
  EXPECT_EQ(Monitor().LineColour(1), kDarkGreen);
  EXPECT_EQ(std::string(form->unit.RxLine), "0[0D][0A]");
  EXPECT_EQ(form->unit.RxLength, 9);
  EXPECT_EQ(form->unit.MonitorNewLine, 0);
}

TEST_F(MonitorTest, SentLinesWithoutReplyStayApartAndKeepTheReplyLine) {
  peer.Send("OK");
  Send("A\r");
  ReadByte();
  ReadByte();
  Send("B\r");
  Send("C\r");
  ASSERT_EQ(Monitor().LineCount(), 4);
  EXPECT_EQ(Monitor().LineText(1), "OK");
  EXPECT_EQ(Monitor().LineText(2), "B");
  EXPECT_EQ(Monitor().LineText(3), "C");
  EXPECT_EQ(Monitor().LineColour(3), kBlue);
  // RxLength goes back to 0 only when the next bytes come.
  EXPECT_EQ(form->unit.MonitorNewLine, 1);
  EXPECT_EQ(form->unit.RxLength, 2);
}

TEST_F(MonitorTest, ClearDuringAReplyLeavesTheWholeReplyAsTheOnlyLine) {
  Send("J\r");
  peer.Send("0\r\n");
  ReadByte();
  form->ClearBtn->click();
  EXPECT_EQ(Monitor().LineCount(), 0);
  EXPECT_EQ(Monitor().toPlainText(), "");
  ReadByte();
  ASSERT_EQ(Monitor().LineCount(), 1);
  EXPECT_EQ(LastLine(), "0[0D]");
  EXPECT_EQ(Monitor().LineColour(0), kDarkGreen);
}

TEST_F(MonitorTest, TrafficWhileHiddenIsNotShownAndStartsNoLine) {
  Send("J\r");
  peer.Send("0\r\n");
  ReadByte();
  form->ListShowBtn->click();
  ReadByte();  // "\r" passes while the monitor is hidden
  Send("X\r");
  EXPECT_EQ(Monitor().LineCount(), 2);
  form->ListShowBtn->click();
  ReadByte();
  ASSERT_EQ(Monitor().LineCount(), 2);
  EXPECT_EQ(LastLine(), "0[0A]");
}

TEST_F(MonitorTest, SentTextShowsUpToItsFirstZeroByte) {
  form->unit.comm.CommWrite("AB\0CD", 5);
  const char unterminated[3] = {'X', 'Y', 'Z'};
  form->unit.comm.CommWrite(unterminated, 3);
  ASSERT_EQ(Monitor().LineCount(), 2);
  EXPECT_EQ(Monitor().LineText(0), "AB");
  EXPECT_EQ(Monitor().LineText(1), "XYZ");
}

TEST_F(MonitorTest, ShowingGrowsTheWindowByTheMonitorAndHidingShrinksIt) {
  EXPECT_EQ(form->size(), QSize(558, 587));
  EXPECT_EQ(form->maximumSize(), QSize(558, 587));
  EXPECT_TRUE(form->MsgList->isVisible());
  EXPECT_EQ(form->ListShowBtn->text(), "p");
  EXPECT_EQ(form->unit.MonitorShown, 1);
  EXPECT_EQ(form->StatusBar1->geometry(), QRect(0, 568, 558, 19));
  Send("kept\r");

  form->ListShowBtn->click();
  EXPECT_EQ(form->size(), QSize(558, 283));
  EXPECT_FALSE(form->MsgList->isVisible());
  EXPECT_EQ(form->ListShowBtn->text(), "q");
  EXPECT_EQ(form->unit.MonitorShown, 0);
  EXPECT_EQ(form->StatusBar1->geometry(), QRect(0, 264, 558, 19));
  EXPECT_EQ(Monitor().LineCount(), 1);  // hiding does not clear
}

struct EscapeCase {
  std::vector<std::uint8_t> bytes;
  const char* shown;
};

// Names the case in test listings.
void PrintTo(const EscapeCase& c, std::ostream* os) {
  *os << c.shown;
}

class EscapeTest : public WindowTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeTest, ReceivedBytesShowInTheirDisplayForm) {
  form->ListShowBtn->click();
  form->MonitorPrintf(0xFF0000, "%s", "J\r");
  const EscapeCase& c = GetParam();
  form->MonitorAppendRx(0x008000, c.bytes.data(), static_cast<std::int32_t>(c.bytes.size()));
  EXPECT_EQ(form->MsgList->LineText(1), c.shown);
  EXPECT_EQ(form->unit.RxLength, static_cast<std::int32_t>(std::strlen(c.shown)));
}

INSTANTIATE_TEST_SUITE_P(Bytes, EscapeTest,
                         ::testing::Values(EscapeCase{{0x00}, "[00]"}, EscapeCase{{0x1F}, "[1F]"},
                                           EscapeCase{{0x20}, " "}, EscapeCase{{0x7E}, "~"},
                                           EscapeCase{{0x7F}, "[7F]"}, EscapeCase{{0x80}, "[80]"},
                                           EscapeCase{{0xFF}, "[FF]"},
                                           EscapeCase{{0x0D, 0x0A}, "[0D][0A]"},
                                           EscapeCase{{0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF},
                                                      "[00][1F] ~[7F][80][FF]"}));

struct BoundCase {
  const char* name;
  std::uint8_t byte;
  int count;             // bytes received after a sent line, in one read
  int first_line_chars;  // the full line
  const char* next_line;
};

// Names the case in test listings.
void PrintTo(const BoundCase& c, std::ostream* os) {
  *os << c.name;
}

class RxLineBoundTest : public WindowTest, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(RxLineBoundTest, ByteThatNoLongerFitsBeginsANewLine) {
  const BoundCase& c = GetParam();
  form->ListShowBtn->click();
  form->MonitorPrintf(0xFF0000, "%s", "R\r");
  const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(c.count), c.byte);
  form->MonitorAppendRx(0x008000, bytes.data(), c.count);
  ASSERT_EQ(form->MsgList->LineCount(), 3);
  EXPECT_EQ(form->MsgList->LineText(1).size(), c.first_line_chars);
  EXPECT_EQ(form->MsgList->LineText(2), c.next_line);
  EXPECT_EQ(std::string(form->unit.RxLine), c.next_line);
  EXPECT_EQ(form->unit.RxLine[app::kRxLineSize - 1], '\0');

  // The next bytes grow the new line.
  form->MonitorAppendRx(0x008000, bytes.data(), 1);
  EXPECT_EQ(form->MsgList->LineCount(), 3);
  EXPECT_EQ(form->MsgList->LineText(2), QString(c.next_line) + c.next_line);
}

INSTANTIATE_TEST_SUITE_P(Bounds, RxLineBoundTest,
                         ::testing::Values(BoundCase{"printable", 'x', 4096, 4095, "x"},
                                           BoundCase{"escaped", 0x01, 1024, 4092, "[01]"}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(WindowTest, FormattedLineIsCutAt4095Characters) {
  form->ListShowBtn->click();
  const std::string long_text(5000, 'L');
  form->MonitorPrintf(0xFF0000, "%s", long_text.c_str());
  EXPECT_EQ(form->MsgList->LineText(0), QString(4095, 'L'));
  EXPECT_EQ(form->unit.MonitorNewLine, 1);
}

TEST_F(WindowTest, MonitorKeepsTheNewestLinesOnly) {
  form->ListShowBtn->click();
  const int limit = app::MonitorBox::kLineLimit;
  for (int i = 0; i < limit + 5; ++i) {
    form->MonitorAppend(std::to_string(i).c_str(), 0xFF0000);
  }
  ASSERT_EQ(form->MsgList->LineCount(), limit);
  EXPECT_EQ(form->MsgList->LineText(0), "5");
  EXPECT_EQ(form->MsgList->LineText(limit - 1), QString::number(limit + 4));
  // A reply still replaces the newest line.
  const std::uint8_t byte = 'z';
  form->unit.MonitorNewLine = 0;
  form->unit.RxLength = 0;
  form->MonitorAppendRx(0x008000, &byte, 1);
  EXPECT_EQ(form->MsgList->LineText(limit - 1), "z");
}

}  // namespace
}  // namespace app_test
