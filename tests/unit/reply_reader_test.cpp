#include "isp/wire/reply_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using isp::EchoMode;

struct StreamCase {
  const char* name;
  std::string sent;  // the line sent, without its line end
  EchoMode mode;
  std::vector<std::string> reads;  // what each read of the line took
  std::vector<std::string> lines;  // the reply lines the reader hands out
};

void PrintTo(const StreamCase& c, std::ostream* os) {
  *os << c.name;
}

class ReplyStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ReplyStreamTest, YieldsTheReplyLinesOfEveryDialect) {
  const StreamCase& c = GetParam();
  isp::ReplyReader reader;
  reader.Begin(c.sent, c.mode);
  std::vector<std::string> lines;
  for (const std::string& read : c.reads) {
    reader.Push(read);
    while (auto line = reader.NextLine()) lines.push_back(*line);
  }
  EXPECT_EQ(lines, c.lines);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Streams, ReplyStreamTest,
    ::testing::Values(
        // The echo converted to CR LF, then the reply.
        StreamCase{"crlf_echo", "U 23130", EchoMode::kRequired, {"U 23130\r\n0\r\n"}, {"0"}},
        // Every byte echoed as it came: the reply follows the echoed CR.
        StreamCase{"exact_echo", "U 23130", EchoMode::kRequired, {"U 23130\r0\r\n"}, {"0"}},
        StreamCase{
            "echo_without_line_end", "U 23130", EchoMode::kRequired, {"U 231300\r\n"}, {"0"}},
        StreamCase{"echo_and_reply_split_over_reads",
                   "J",
                   EchoMode::kRequired,
                   {"J", "\r", "0\r", "\n9133", "09739\r\n"},
                   {"0", "913309739"}},
        StreamCase{"echo_off", "J", EchoMode::kNone, {"0\r\n913309739\r\n"}, {"0", "913309739"}},
        StreamCase{"xon_xoff_inside_a_reply",
                   "J",
                   EchoMode::kNone,
                   {"0\r\n9133\x13",
                    "\x11"s
                    "09739\r\n"},
                   {"0", "913309739"}},
        StreamCase{"xon_xoff_inside_the_echo",
                   "U 23130",
                   EchoMode::kRequired,
                   {"U 23\x13\x11"s
                    "130\r\n0\r\n"},
                   {"0"}},
        StreamCase{"surplus_line_ends", "P 0 3", EchoMode::kNone, {"\r\n\r\n0\r\r\n\n"}, {"0"}},
        StreamCase{"noise_before_the_echo",
                   "A 0",
                   EchoMode::kRequired,
                   {"\0\xFF\x7Fxy"s
                    "A 0\r\n0\r\n"},
                   {"0"}},
        StreamCase{"echo_not_yet_come", "U 23130", EchoMode::kRequired, {"U 231", "0\r\n"}, {}},
        StreamCase{"optional_echo_present", "A 0", EchoMode::kOptional, {"A 0\r0\r\n"}, {"0"}},
        StreamCase{"optional_echo_absent", "A 0", EchoMode::kOptional, {"0\r\n"}, {"0"}},
        // The LF of the answer before, come apart from its CR.
        StreamCase{
            "optional_echo_after_a_stray_lf", "A 0", EchoMode::kOptional, {"\n0\r\n"}, {"0"}},
        StreamCase{"junk_before_synchronized",
                   "?",
                   EchoMode::kSync,
                   {"\0\0??"s, "\xFF?Synchron", "ized\r\n"},
                   {"Synchronized"}},
        StreamCase{"synchronized_with_cr_only",
                   "?",
                   EchoMode::kSync,
                   {"Synchronized\r"},
                   {"Synchronized"}},
        // A part already synchronised: its echo of "?" and the return code.
        StreamCase{"already_synchronised_crlf", "?", EchoMode::kSync, {"?\r\n1\r\n"}, {"1"}},
        StreamCase{"already_synchronised_exact", "?", EchoMode::kSync, {"?", "\r1\r\n"}, {"1"}},
        StreamCase{"already_synchronised_no_echo", "?", EchoMode::kSync, {"1\r\n"}, {"1"}}),
    [](const ::testing::TestParamInfo<StreamCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(ReplyReaderTest, BeginDropsWhatAnEarlierAnswerLeft) {
  isp::ReplyReader reader;
  reader.Begin("J", EchoMode::kNone);
  reader.Push("0\r\n913309739\r\n");
  ASSERT_EQ(reader.NextLine(), "0");
  reader.Begin("K", EchoMode::kNone);
  EXPECT_EQ(reader.NextLine(), std::nullopt);
  reader.Push("0\r\n");
  EXPECT_EQ(reader.NextLine(), "0");
}

TEST(ReplyReaderTest, ReceivedKeepsTheRawBytesOfTheAnswerBounded) {
  isp::ReplyReader reader;
  reader.Begin("U 23130", EchoMode::kRequired);
  reader.Push(
      "U 23130\r\x13"
      "16\r\n");
  EXPECT_EQ(reader.Received(),
            "U 23130\r\x13"
            "16\r\n");
  EXPECT_EQ(isp::ShowBytes(reader.Received()), "U 23130\\r\\x1316\\r\\n");
  reader.Push(std::string(500, 'x'));
  EXPECT_EQ(reader.Received(), std::string(isp::ReplyReader::kKeptBytes, 'x'));
}

TEST(ReplyReaderTest, EndlessRunWithoutLineEndIsHandedOutAsALine) {
  isp::ReplyReader reader;
  reader.Begin("J", EchoMode::kNone);
  reader.Push(std::string(isp::ReplyReader::kLongestLine - 1, '7'));
  EXPECT_EQ(reader.NextLine(), std::nullopt);
  reader.Push("7");
  EXPECT_EQ(reader.NextLine(), std::string(isp::ReplyReader::kLongestLine, '7'));
}

}  // namespace
