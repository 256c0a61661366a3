#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "part_memory.hpp"

namespace isp_sim {

inline constexpr std::uint32_t kAircrAddress = 0xE000ED0C;

enum class RunOutcome {
  kSystemReset,  // AIRCR written with VECTKEY and SYSRESETREQ
  kIdleLoop,     // a branch to itself
  kFault,        // an instruction or access the core cannot perform
  kStepLimit,    // still running when the step budget ran out
};

struct RunResult {
  RunOutcome outcome;
  std::uint32_t pc;   // address of the last instruction looked at
  std::size_t steps;  // instructions executed
};

// Runs the small set of Thumb-1 instructions that start-up and restart stubs use: LDR (literal
// and immediate), STR immediate, MOVS immediate, ADDS (register, imm3, imm8), B, BX and NOP.
class ThumbCpu {
 public:
  explicit ThumbCpu(PartMemory& memory) : memory_(memory) {}

  RunResult run(std::uint32_t entry, std::size_t step_limit);
  std::uint32_t reg(unsigned index) const { return regs_.at(index); }

 private:
  enum class Step { kNext, kSystemReset, kIdleLoop, kFault };

  Step execute(std::uint16_t opcode);
  Step load(std::uint32_t address, unsigned target);
  Step store(std::uint32_t address, std::uint32_t value);
  Step branch_to(std::uint32_t target);

  PartMemory& memory_;
  std::array<std::uint32_t, 16> regs_{};
  std::uint32_t pc_ = 0;
  std::uint32_t next_pc_ = 0;
};

}  // namespace isp_sim
