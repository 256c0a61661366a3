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
                                      "3"});
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
}

TEST(SimOptions, DefaultsAreAHealthyPart) {
  const ParsedOptions parsed = parse({});
  ASSERT_TRUE(parsed.options.has_value());
  EXPECT_EQ(parsed.options->part.part_id, kDefaultPartId);
  EXPECT_EQ(parsed.options->baud_rate, 0u);
  EXPECT_FALSE(parsed.options->part.faults.resend_transfer.has_value());
  EXPECT_FALSE(parsed.options->part.faults.hang_up_after_copies.has_value());
}

TEST(SimOptions, BadArgumentsGiveTheUsageExitCode) {
  const std::vector<std::vector<const char*>> bad = {
      {"--no-such-flag"},      {"--part-id", "twelve"}, {"--baud-rate", "0"},
      {"--hangup-after", "0"}, {"--noise", "-1"},       {"--flash-in", "/nonexistent/image.bin"},
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
