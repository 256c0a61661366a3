// G: start code in flash or RAM on the simulated core.
#include "boot_loader.hpp"
#include "thumb_cpu.hpp"

namespace isp_sim {
namespace {

// Code may not start in the lowest flash, where the boot ROM's vectors sit while it runs.
constexpr std::uint32_t kLowestGoAddress = 0x200;

const char* outcome_name(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kSystemReset:
      return "reset";
    case RunOutcome::kIdleLoop:
      return "idle";
    case RunOutcome::kFault:
      return "fault";
    case RunOutcome::kStepLimit:
      return "step_limit";
  }
  return "fault";
}

}  // namespace

BootLoader::Reply BootLoader::go(const CommandLine& command) {
  if (command.args.size() != 2) return {ReturnCode::kParamError};
  const auto address = parse_decimal(command.args[0]);
  if (!address) return {ReturnCode::kParamError};
  if (!unlocked_) return {ReturnCode::kCmdLocked};
  if (crp_.write_copy_and_go_refused) return {ReturnCode::kCodeReadProtectionEnabled};
  const std::string& mode = command.args[1];
  if (mode != "T" && mode != "A") return {ReturnCode::kParamError};
  if (!memory_.is_mapped(*address, 2)) return {ReturnCode::kAddrNotMapped};
  if (*address % 2 != 0 || *address < kLowestGoAddress) return {ReturnCode::kAddrError};
  Reply reply;
  reply.after = [this, start = *address, thumb = mode.front()] {
    return run_program(start, thumb);
  };
  return reply;
}

BootEvent BootLoader::run_program(std::uint32_t address, char mode) {
  if (mode != 'T') {  // a Cortex-M core faults on entering ARM state
    report_.programs_started.push_back({address, mode, outcome_name(RunOutcome::kFault)});
    state_ = State::kHalted;
    return BootEvent::kNone;
  }
  ThumbCpu cpu(memory_);
  const RunResult result = cpu.run(address, kProgramStepLimit);
  report_.programs_started.push_back({address, mode, outcome_name(result.outcome)});
  if (result.outcome == RunOutcome::kSystemReset) return BootEvent::kSystemReset;
  state_ = State::kHalted;
  return BootEvent::kNone;
}

}  // namespace isp_sim
