#include "boot_loader.hpp"

namespace isp_sim {

std::optional<std::vector<std::uint32_t>> decimal_args(const CommandLine& command,
                                                       std::size_t count) {
  if (command.args.size() != count) return std::nullopt;
  std::vector<std::uint32_t> values;
  for (const std::string& arg : command.args) {
    const auto value = parse_decimal(arg);
    if (!value) return std::nullopt;
    values.push_back(*value);
  }
  return values;
}

BootLoader::BootLoader(PartMemory& memory, Wire& wire, SessionReport& report,
                       const PartSettings& settings)
    : memory_(memory),
      wire_(wire),
      report_(report),
      settings_(settings),
      lines_(settings.echo),
      prepared_(memory.sector_count(), false) {}

void BootLoader::restart(CrpLevel level) {
  lines_.clear();
  line_rate_request_.reset();
  state_ = State::kAwaitQuestionMark;
  echo_ = true;
  unlocked_ = false;
  crp_ = crp_rules(level);
  prepared_.assign(prepared_.size(), false);
  write_.reset();
  read_.reset();
}

BootEvent BootLoader::on_byte(char byte) {
  if (state_ == State::kHalted) return BootEvent::kNone;
  if (state_ == State::kAwaitQuestionMark) {
    if (byte == '?') {
      wire_.send_noise();
      wire_.send_line("Synchronized");
      lines_.clear();
      state_ = settings_.faults.silent_after_sync ? State::kHalted : State::kAwaitSynchronized;
    }
    return BootEvent::kNone;
  }
  const LineInput input = lines_.push(byte);
  if (echo_ && !input.echo.empty()) {
    if (input.starts_line) wire_.send_noise();
    wire_.send(input.echo);
  }
  return input.line ? on_line(*input.line) : BootEvent::kNone;
}

BootEvent BootLoader::on_line(const std::string& line) {
  switch (state_) {
    case State::kAwaitSynchronized:
      on_synchronized_line(line);
      break;
    case State::kAwaitFrequency:
      on_frequency_line(line);
      break;
    case State::kCommand:
      echo(line);
      return execute_command(line);
    case State::kWriteData:
      on_write_data_line(line);
      break;
    case State::kReadAck:
      return on_read_ack_line(line);
    case State::kAwaitQuestionMark:
    case State::kHalted:
      break;
  }
  return BootEvent::kNone;
}

void BootLoader::on_synchronized_line(const std::string& line) {
  if (line != "Synchronized") {
    state_ = State::kAwaitQuestionMark;
    return;
  }
  echo(line);
  wire_.send_line("OK");
  state_ = State::kAwaitFrequency;
}

void BootLoader::on_frequency_line(const std::string& line) {
  echo(line);
  if (settings_.faults.fail_frequency) {
    state_ = State::kHalted;
    return;
  }
  const auto khz = parse_decimal(line);
  if (!khz || *khz == 0) {
    state_ = State::kAwaitQuestionMark;
    return;
  }
  wire_.send_line("OK");
  state_ = State::kCommand;
  report_.synchronised = true;
  report_.crystal_khz = *khz;
}

BootEvent BootLoader::execute_command(const std::string& line) {
  const auto command = split_command(line);
  Reply reply = command ? dispatch(*command) : Reply{ReturnCode::kInvalidCommand};
  if (reply.unanswered) return reply.after ? reply.after() : BootEvent::kNone;
  if (reply.code != ReturnCode::kSuccess) {
    report_.refused_commands.push_back({line, static_cast<int>(reply.code)});
  }
  if (reply.delay.count() > 0) wire_.hold_for(reply.delay);
  wire_.send_line(to_wire(reply.code));
  for (const std::string& data : reply.lines) wire_.send_line(data);
  return reply.after ? reply.after() : BootEvent::kNone;
}

BootLoader::Reply BootLoader::dispatch(const CommandLine& command) {
  switch (command.letter) {
    case 'U':
      return unlock(command);
    case 'A':
      return set_echo(command);
    case 'B':
      return set_baud_rate(command);
    case 'J':
      return read_part_id(command);
    case 'K':
      return read_boot_code_version(command);
    case 'N':
      return read_serial_number(command);
    case 'P':
      return prepare_sectors(command);
    case 'E':
      return erase_sectors(command);
    case 'I':
      return blank_check_sectors(command);
    case 'C':
      return copy_ram_to_flash(command);
    case 'W':
      return write_to_ram(command);
    case 'R':
      return read_memory(command);
    case 'M':
      return compare_memory(command);
    case 'G':
      return go(command);
    default:
      return {ReturnCode::kInvalidCommand};
  }
}

void BootLoader::on_write_data_line(const std::string& line) {
  echo(line);
  switch (write_->on_line(line, memory_)) {
    case RamWriteTransfer::Verdict::kNone:
      break;
    case RamWriteTransfer::Verdict::kOk:
      wire_.send_line("OK");
      if (write_->complete()) {
        write_.reset();
        state_ = State::kCommand;
      }
      break;
    case RamWriteTransfer::Verdict::kResend:
      wire_.send_line("RESEND");
      break;
  }
}

BootEvent BootLoader::on_read_ack_line(const std::string& line) {
  echo(line);
  if (line == "RESEND") {
    send_read_block();
    return BootEvent::kNone;
  }
  if (line == "OK") {
    read_->advance();
    if (!read_->complete()) {
      send_read_block();
      return BootEvent::kNone;
    }
  }
  read_.reset();
  state_ = State::kCommand;
  // Anything but OK/RESEND ends the transfer and is taken as the next command.
  return line == "OK" ? BootEvent::kNone : execute_command(line);
}

void BootLoader::send_read_block() {
  for (const std::string& line : read_->block_lines()) wire_.send_line(line);
}

// The line-wise echo; the exact dialect has echoed every byte as it came.
void BootLoader::echo(const std::string& line) {
  if (echo_ && lines_.dialect() == EchoDialect::kCrLf) wire_.echo_line(line);
}

}  // namespace isp_sim
