#include "sim_options.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace isp_sim {
namespace {

ParsedOptions parse(std::vector<const char*> args) {
  args.insert(args.begin(), "isp-sim");
  return parse_options(static_cast<int>(args.size()), args.data());
}

TEST(SimOptions, EveryFlagReachesItsSetting) {
  const ParsedOptions parsed = parse({"--link",
                                      "/tmp/lpc",
                                      "--flash-out",
                                      "out.bin",
                                      "--report",
                                      "r.json",
                                      "--part-id",
                                      "1234",
                                      "--baud-rate",
                                      "115200",
                                      "--once",
                                      "--silent",
                                      "--silent-after-sync",
                                      "--fail-freq",
                                      "--fail-unlock",
                                      "--fail-prepare",
                                      "--fail-erase",
                                      "--fail-blank-check",
                                      "--erase-ms",
                                      "250",
                                      "--resend-block",
                                      "0",
                                      "--copy-error",
                                      "--no-copy-reply",
                                      "--noise",
                                      "7",
                                      "--hangup-after",
                                      "3",
                                      "--hangup-at-copy",
                                      "5"});
  ASSERT_TRUE(parsed.options.has_value());
  const SimOptions& o = *parsed.options;
  const FaultSettings& f = o.part.faults;
  EXPECT_EQ(o.link_path, "/tmp/lpc");
  EXPECT_EQ(o.flash_out, "out.bin");
  EXPECT_EQ(o.report_path, "r.json");
  EXPECT_EQ(o.part.part_id, 1234u);
  EXPECT_EQ(o.baud_rate, 115200u);
  EXPECT_TRUE(o.once);
  EXPECT_TRUE(f.silent && f.silent_after_sync && f.fail_frequency && f.fail_unlock &&
              f.fail_prepare && f.fail_erase && f.fail_blank_check && f.copy_error &&
              f.no_copy_reply);
  EXPECT_EQ(f.erase_time, std::chrono::milliseconds(250));
  EXPECT_EQ(f.resend_transfer, 0u);
  EXPECT_EQ(f.noise_bytes, 7u);
  EXPECT_EQ(f.hang_up_after_copies, 3u);
  EXPECT_EQ(f.hang_up_at_copy, 5u);
}

TEST(SimOptions, DefaultsAreAHealthyPart) {
  const ParsedOptions parsed = parse({});
  ASSERT_TRUE(parsed.options.has_value());
  EXPECT_EQ(parsed.options->part.part_id, kDefaultPartId);
  EXPECT_EQ(parsed.options->baud_rate, 0u);
  EXPECT_FALSE(parsed.options->part.faults.resend_transfer.has_value());
  EXPECT_FALSE(parsed.options->part.faults.hang_up_after_copies.has_value());
  EXPECT_FALSE(parsed.options->part.faults.hang_up_at_copy.has_value());
}

TEST(SimOptions, PartByNameOrById) {
  const struct {
    std::vector<const char*> args;
    const char* part;
    std::uint32_t id;
  } cases[] = {
      {{}, "LPC1227", 913309739},
      {{"--part", "LPC1768"}, "LPC1768", 637615927},
      {{"--part", "lpc1764"}, "LPC1764", 637606178},
      {{"--part-id", "637615927"}, "LPC1768", 637615927},
      {{"--part-id", "327808"}, "LPC1115/303", 327808},
      // An id not in the table: a part answering a wrong id, on the default geometry.
      {{"--part-id", "123456789"}, "LPC1227", 123456789},
      {{"--part", "LPC1343", "--part-id", "42"}, "LPC1343", 42},
      // The unique start of a row's name.
      {{"--part", "LPC1114"}, "LPC1114/301", 0x0444102B},
      {{"--part", "lpc1115"}, "LPC1115/303", 327808},
      {{"--part", "lpc122"}, "LPC1227", 913309739},
      // Another id on a part's geometry, even an id of the table.
      {{"--part", "LPC1115/303", "--id-override", "0x12345678"}, "LPC1115/303", 0x12345678},
      {{"--id-override", "637615927"}, "LPC1227", 637615927},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.part);
    const ParsedOptions parsed = parse(test.args);
    ASSERT_TRUE(parsed.options.has_value());
    EXPECT_EQ(parsed.options->part.part.name, test.part);
    EXPECT_EQ(parsed.options->part.part_id, test.id);
  }
}

TEST(SimOptions, AnAmbiguousPartNameIsRefusedNamingTheCandidates) {
  testing::internal::CaptureStderr();
  const ParsedOptions parsed = parse({"--part", "LPC17"});
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(parsed.options.has_value());
  EXPECT_EQ(parsed.exit_code, kUsageExitCode);
  EXPECT_NE(said.find("LPC17 names more than one part (LPC1768, LPC1764)"), std::string::npos)
      << said;
}

TEST(SimOptions, DialectPinFlowControlAndTimes) {
  const ParsedOptions plain = parse({});
  ASSERT_TRUE(plain.options.has_value());
  EXPECT_EQ(plain.options->part.echo, EchoDialect::kCrLf);
  EXPECT_FALSE(plain.options->part.isp_pin_low);
  EXPECT_EQ(plain.options->xon_xoff_every, 0u);
  EXPECT_FALSE(plain.options->part.real_work_times);
  EXPECT_FALSE(plain.options->part.faults.erase_time.has_value());

  const ParsedOptions set = parse({"--echo", "exact", "--isp-pin", "--xon-xoff", "64",
                                   "--baud-rate", "9600", "--erase-ms", "0"});
  ASSERT_TRUE(set.options.has_value());
  EXPECT_EQ(set.options->part.echo, EchoDialect::kExact);
  EXPECT_TRUE(set.options->part.isp_pin_low);
  EXPECT_EQ(set.options->xon_xoff_every, 64u);
  EXPECT_TRUE(set.options->part.real_work_times);  // a line rate brings real flash times
  EXPECT_EQ(set.options->part.faults.erase_time, std::chrono::milliseconds(0));
}

TEST(SimOptions, BadArgumentsGiveTheUsageExitCode) {
  const std::vector<std::vector<const char*>> bad = {
      {"--part", "LPC11"},  // the start of two rows' names
      {"--no-such-flag"},
      {"--part-id", "twelve"},
      {"--id-override", "0x1FFFFFFFF"},
      {"--id-override", "12x"},
      {"--id-override", "1", "--part-id", "2"},
      {"--baud-rate", "0"},
      {"--hangup-after", "0"},
      {"--noise", "-1"},
      {"--flash-in", "/nonexistent/image.bin"},
      {"--part", "LPC9999"},
      {"--echo", "lf"},
      {"--xon-xoff", "0"},
      {"--hangup-at-copy", "0"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(args.front());
    const ParsedOptions parsed = parse(args);
    EXPECT_FALSE(parsed.options.has_value());
    EXPECT_EQ(parsed.exit_code, kUsageExitCode);
  }
}

}  // namespace
}  // namespace isp_sim
