#include "thumb_cpu.hpp"

namespace isp_sim {
namespace {

constexpr unsigned kSp = 13;
constexpr unsigned kLr = 14;
constexpr std::uint32_t kVectKey = 0x05FA;
constexpr std::uint32_t kSysResetReq = 1u << 2;
constexpr std::uint32_t kAircrReadValue = 0xFA050000;  // VECTKEYSTAT reads as 0xFA05
constexpr std::uint32_t kNoReturn = 0xFFFFFFFF;

unsigned field(std::uint16_t opcode, unsigned shift, unsigned bits) {
  return (unsigned{opcode} >> shift) & ((1u << bits) - 1);
}

bool is_32bit_prefix(std::uint16_t opcode) {
  return (opcode >> 11) >= 0x1D;
}

std::uint32_t sign_extend(std::uint32_t value, unsigned bits) {
  const std::uint32_t sign = 1u << (bits - 1);
  return (value ^ sign) - sign;
}

}  // namespace

RunResult ThumbCpu::run(std::uint32_t entry, std::size_t step_limit) {
  regs_.fill(0);
  regs_[kSp] = memory_.part().ram_buffer_end;
  regs_[kLr] = kNoReturn;
  pc_ = entry & ~1u;
  for (std::size_t steps = 0; steps < step_limit; ++steps) {
    if (!memory_.is_mapped(pc_, 2) || is_32bit_prefix(memory_.read_halfword(pc_))) {
      return {RunOutcome::kFault, pc_, steps};
    }
    next_pc_ = pc_ + 2;
    switch (execute(memory_.read_halfword(pc_))) {
      case Step::kNext:
        pc_ = next_pc_;
        break;
      case Step::kSystemReset:
        return {RunOutcome::kSystemReset, pc_, steps + 1};
      case Step::kIdleLoop:
        return {RunOutcome::kIdleLoop, pc_, steps + 1};
      case Step::kFault:
        return {RunOutcome::kFault, pc_, steps};
    }
  }
  return {RunOutcome::kStepLimit, pc_, step_limit};
}

ThumbCpu::Step ThumbCpu::execute(std::uint16_t opcode) {
  const std::uint32_t pc_value = pc_ + 4;    // PC as an operand reads two instructions ahead
  if (opcode == 0xBF00) return Step::kNext;  // NOP
  if ((opcode & 0xF800) == 0x4800) {         // LDR Rt, [PC, #imm8 * 4]
    return load((pc_value & ~3u) + field(opcode, 0, 8) * 4, field(opcode, 8, 3));
  }
  if ((opcode & 0xF800) == 0x6800) {  // LDR Rt, [Rn, #imm5 * 4]
    return load(regs_[field(opcode, 3, 3)] + field(opcode, 6, 5) * 4, field(opcode, 0, 3));
  }
  if ((opcode & 0xF800) == 0x6000) {  // STR Rt, [Rn, #imm5 * 4]
    return store(regs_[field(opcode, 3, 3)] + field(opcode, 6, 5) * 4, regs_[field(opcode, 0, 3)]);
  }
  if ((opcode & 0xF800) == 0x2000) {  // MOVS Rd, #imm8
    regs_[field(opcode, 8, 3)] = field(opcode, 0, 8);
    return Step::kNext;
  }
  if ((opcode & 0xFE00) == 0x1800) {  // ADDS Rd, Rn, Rm
    regs_[field(opcode, 0, 3)] = regs_[field(opcode, 3, 3)] + regs_[field(opcode, 6, 3)];
    return Step::kNext;
  }
  if ((opcode & 0xFE00) == 0x1C00) {  // ADDS Rd, Rn, #imm3
    regs_[field(opcode, 0, 3)] = regs_[field(opcode, 3, 3)] + field(opcode, 6, 3);
    return Step::kNext;
  }
  if ((opcode & 0xF800) == 0x3000) {  // ADDS Rdn, #imm8
    regs_[field(opcode, 8, 3)] += field(opcode, 0, 8);
    return Step::kNext;
  }
  if ((opcode & 0xF800) == 0xE000) {  // B label
    return branch_to(pc_value + sign_extend(field(opcode, 0, 11) << 1, 12));
  }
  if ((opcode & 0xFF87) == 0x4700) {  // BX Rm
    const unsigned rm = field(opcode, 3, 4);
    const std::uint32_t target = rm == 15 ? pc_value : regs_[rm];
    if ((target & 1u) == 0) return Step::kFault;  // ARM state does not exist on Cortex-M
    return branch_to(target & ~1u);
  }
  return Step::kFault;
}

ThumbCpu::Step ThumbCpu::load(std::uint32_t address, unsigned target) {
  if ((address & 3u) != 0) return Step::kFault;
  if (address == kAircrAddress) {
    regs_[target] = kAircrReadValue;
  } else if (memory_.is_mapped(address, 4)) {
    regs_[target] = memory_.read_word(address);
  } else {
    return Step::kFault;
  }
  return Step::kNext;
}

ThumbCpu::Step ThumbCpu::store(std::uint32_t address, std::uint32_t value) {
  if ((address & 3u) != 0) return Step::kFault;
  if (address == kAircrAddress) {
    const bool key_ok = (value >> 16) == kVectKey;
    return key_ok && (value & kSysResetReq) != 0 ? Step::kSystemReset : Step::kNext;
  }
  if (!memory_.in_ram(address, 4)) return Step::kFault;  // flash is not writable by stores
  memory_.write_ram_word(address, value);
  return Step::kNext;
}

ThumbCpu::Step ThumbCpu::branch_to(std::uint32_t target) {
  if (target == pc_) return Step::kIdleLoop;
  next_pc_ = target;
  return Step::kNext;
}

}  // namespace isp_sim
