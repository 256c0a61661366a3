#include <gtest/gtest.h>

#include "part_driver.hpp"
#include "thumb_cpu.hpp"

namespace isp_sim::testing {
namespace {

std::string run_restart_routine(PartDriver& driver) {
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, kRestartRoutine);
  return driver.command("G 268436224 T");
}

TEST(Go, RestartRoutineResetsIntoValidFirmware) {
  PartDriver driver({}, valid_user_code_image());
  EXPECT_EQ(driver.send("!\r"), "!");  // firmware hands over to the boot loader
  ASSERT_FALSE(driver.part().running_firmware());
  EXPECT_EQ(run_restart_routine(driver), echoed_reply("G 268436224 T", 0));
  EXPECT_TRUE(driver.part().running_firmware());
  EXPECT_EQ(driver.part().resets(), 1u);
  EXPECT_TRUE(driver.part().report().user_code_valid);
  EXPECT_EQ(driver.send("?"), "");
  ASSERT_EQ(driver.part().report().programs_started.size(), 1u);
  EXPECT_EQ(driver.part().report().programs_started[0].outcome, "reset");
}

TEST(Go, RestartRoutineWithoutValidCodeComesBackUnsynchronised) {
  PartDriver driver;
  EXPECT_EQ(run_restart_routine(driver), echoed_reply("G 268436224 T", 0));
  EXPECT_FALSE(driver.part().running_firmware());
  EXPECT_EQ(driver.part().resets(), 1u);
  EXPECT_EQ(driver.command("J"), "");  // locked out until synchronised again
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
}

TEST(Go, ArmModeAndIdleCodeLeaveThePartSilent) {
  const struct {
    const char* line;
    std::vector<std::uint8_t> code;
    const char* outcome;
  } cases[] = {
      {"G 268436224 A", kRestartRoutine, "fault"},
      {"G 268436224 T", {0xFE, 0xE7, 0x00, 0xBF}, "idle"},   // b .
      {"G 268436224 T", {0x00, 0xB5, 0xFE, 0xE7}, "fault"},  // push {lr}: not supported
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.outcome);
    PartDriver driver;
    driver.synchronise();
    driver.unlock();
    driver.write_ram(kRamBuffer, test.code);
    EXPECT_EQ(driver.command(test.line), echoed_reply(test.line, 0));
    EXPECT_EQ(driver.command("J"), "");
    EXPECT_EQ(driver.send("?"), "");
    EXPECT_EQ(driver.part().resets(), 0u);
    EXPECT_EQ(driver.part().report().programs_started.at(0).outcome, test.outcome);
  }
}

struct CpuCase {
  const char* name;
  std::vector<std::uint8_t> code;
  RunOutcome outcome;
};

TEST(ThumbCpu, RunsTheSupportedSubsetAndFaultsOnTheRest) {
  const CpuCase cases[] = {
      {"nop then b .", {0x00, 0xBF, 0xFE, 0xE7}, RunOutcome::kIdleLoop},
      {"b over a bad halfword", {0x00, 0xE0, 0xFF, 0xFF, 0xFE, 0xE7}, RunOutcome::kIdleLoop},
      // r0 = 5: a Thumb branch to 4, where erased flash reads as a 32-bit prefix
      {"bx into erased flash", {0x05, 0x20, 0x00, 0x47}, RunOutcome::kFault},
      {"bx to even address", {0x04, 0x20, 0x00, 0x47}, RunOutcome::kFault},
      {"32-bit instruction", {0x00, 0xF0, 0x00, 0xB8}, RunOutcome::kFault},
      // ldr r0,=0x20000000; ldr r1,[r0]
      {"load from unmapped", {0x00, 0x48, 0x01, 0x68, 0x00, 0x00, 0x00, 0x20}, RunOutcome::kFault},
      {"store to flash", {0x00, 0x20, 0x01, 0x60}, RunOutcome::kFault},
      // AIRCR without VECTKEY is ignored: ldr r0,=AIRCR; movs r1,#4; str r1,[r0]; b .
      {"aircr without key",
       {0x01, 0x48, 0x04, 0x21, 0x01, 0x60, 0xFE, 0xE7, 0x0C, 0xED, 0x00, 0xE0},
       RunOutcome::kIdleLoop},
      {"restart routine", kRestartRoutine, RunOutcome::kSystemReset},
      {"zeroed RAM (lsls r0,r0,#0) is not in the subset", {}, RunOutcome::kFault},
  };
  for (const CpuCase& test : cases) {
    SCOPED_TRACE(test.name);
    PartMemory memory;
    memory.write_ram(kRamBuffer, test.code);
    ThumbCpu cpu(memory);
    EXPECT_EQ(cpu.run(kRamBuffer | 1, 100000).outcome, test.outcome);
  }
}

TEST(ThumbCpu, ArithmeticAndStoresReachRam) {
  // movs r0,#200; adds r0,#55; adds r1,r0,#3; adds r2,r0,r1; ldr r3,[pc,#4]; str r2,[r3,#4]; b .
  const std::vector<std::uint8_t> code = {0xC8, 0x20, 0x37, 0x30, 0xC1, 0x1C, 0x42,
                                          0x18, 0x01, 0x4B, 0x5A, 0x60, 0xFE, 0xE7,
                                          0x00, 0xBF, 0x00, 0x04, 0x00, 0x10};
  PartMemory memory;
  memory.write_ram(kRamBuffer, code);
  ThumbCpu cpu(memory);
  const RunResult result = cpu.run(kRamBuffer, 100);
  EXPECT_EQ(result.outcome, RunOutcome::kIdleLoop);
  EXPECT_EQ(cpu.reg(0), 255u);
  EXPECT_EQ(cpu.reg(1), 258u);
  EXPECT_EQ(memory.read_word(0x10000404), 513u);
  EXPECT_EQ(result.pc, kRamBuffer + 12);
}

TEST(ThumbCpu, EndlessNonIdleLoopHitsTheStepLimit) {
  PartMemory memory;
  memory.write_ram(kRamBuffer,
                   std::vector<std::uint8_t>{0x00, 0xBF, 0xFD, 0xE7});  // nop; b back to the nop
  ThumbCpu cpu(memory);
  const RunResult result = cpu.run(kRamBuffer, 1000);
  EXPECT_EQ(result.outcome, RunOutcome::kStepLimit);
  EXPECT_EQ(result.steps, 1000u);
}

TEST(Firmware, AnswersItsCommandsAndRecordsThem) {
  PartDriver driver({}, valid_user_code_image());
  ASSERT_TRUE(driver.part().running_firmware());
  EXPECT_EQ(driver.send("EA=1\r\n"), "EA=1\r\n");
  EXPECT_EQ(driver.send("CR\r"), "CR\r\n");
  EXPECT_EQ(driver.send("hello\r\n?"), "");
  EXPECT_EQ(driver.send("*"), "");  // reset: the firmware starts again
  EXPECT_EQ(driver.part().resets(), 1u);
  EXPECT_TRUE(driver.part().running_firmware());
  EXPECT_EQ(driver.send("!\r"), "!");
  EXPECT_FALSE(driver.part().running_firmware());
  EXPECT_FALSE(driver.part().report().firmware_running);
  EXPECT_EQ(driver.send("*"), "");  // the boot loader ignores it
  EXPECT_EQ(driver.part().resets(), 1u);
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.part().report().firmware_commands,
            (std::vector<std::string>{"EA=1", "CR", "*", "!"}));
}

TEST(Firmware, StarResetsInTheMiddleOfALine) {
  PartDriver driver({}, valid_user_code_image());
  EXPECT_EQ(driver.send("EA*"), "");
  EXPECT_EQ(driver.part().resets(), 1u);
  EXPECT_EQ(driver.send("=1\r"), "");  // the partial line was lost with the reset
  EXPECT_EQ(driver.send("CR\r"), "CR\r\n");
}

}  // namespace
}  // namespace isp_sim::testing
