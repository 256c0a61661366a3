#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "image_files.hpp"
#include "part_driver.hpp"
#include "session_report.hpp"

namespace isp_sim::testing {
namespace {

TEST(Report, ProgrammingSessionEndingInFirmware) {
  PartDriver driver;
  driver.synchronise();
  driver.command("E 0 0");  // refused: locked
  driver.unlock();
  driver.command("B 115200 1");
  driver.command("P 0 1");
  driver.command("E 0 1");
  driver.write_ram(kRamBuffer, valid_user_code_image());
  driver.command("P 0 0");
  driver.command("C 0 268436224 256");
  driver.write_ram(kRamBuffer, kRestartRoutine);
  driver.command("G 268436224 T");
  driver.send("EA=1\r\n*");

  const nlohmann::json expected = {
      {"part", "LPC1227"},
      {"synchronised", true},
      {"unlocked", true},
      {"sectors_erased", {0, 1}},
      {"copies", 1},
      {"copied_blocks", {{{"flash", 0}, {"ram", 268436224}, {"count", 256}}}},
      {"flash_lines_programmed_twice", 0},
      {"user_code_valid", true},
      {"code_read_protection", "none"},
      {"firmware_running", true},
      {"resets", 2},
      {"refused_commands", {{{"command", "E 0 0"}, {"code", 15}}}},
      {"firmware_commands", {"EA=1", "*"}},
      {"programs_started", {{{"address", 268436224}, {"mode", "T"}, {"outcome", "reset"}}}},
      {"crystal_khz", 12000},
      {"baud_rate", 115200},
      {"hang_ups", 0},
      {"bytes_sent", 0},  // counted on the line, which this driver does not use
      {"bytes_received", 0},
      {"line_rates", nlohmann::json::array()},
  };
  EXPECT_EQ(to_json(driver.part().report()), expected);
}

TEST(Report, FreshPartInTheBootLoader) {
  PartDriver driver;
  const nlohmann::json report = to_json(driver.part().report());
  EXPECT_EQ(report["synchronised"], false);
  EXPECT_EQ(report["user_code_valid"], false);
  EXPECT_EQ(report["firmware_running"], false);
  EXPECT_EQ(report["resets"], 0);
  EXPECT_EQ(report["copies"], 0);
  EXPECT_TRUE(report["sectors_erased"].is_array() && report["sectors_erased"].empty());
  EXPECT_TRUE(report["refused_commands"].is_array() && report["refused_commands"].empty());
  EXPECT_TRUE(report["firmware_commands"].is_array() && report["firmware_commands"].empty());
  EXPECT_TRUE(report["crystal_khz"].is_null());
}

// A command garbled on the line (sent at another rate) is no UTF-8: the
// report is still written, with the replacement character in its place.
TEST(Report, BytesThatAreNoUtf8AreReplacedAndTheReportIsWritten) {
  const std::string path = ::testing::TempDir() + "garbled-report.json";
  write_report(path, nlohmann::json{{"last_command", "B \xB5\x12"}});
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  const auto report = nlohmann::json::parse(text.str(), nullptr, false);
  ASSERT_FALSE(report.is_discarded()) << text.str();
  EXPECT_EQ(report["last_command"], "B \xEF\xBF\xBD\x12");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace isp_sim::testing
