#include "simulator_app.hpp"

#include <iostream>
#include <optional>
#include <vector>

#include "image_files.hpp"
#include "pty_port.hpp"
#include "session_runner.hpp"
#include "simulated_part.hpp"
#include "slave_watch.hpp"
#include "stop_signals.hpp"
#include "symlink_guard.hpp"

namespace isp_sim {

int run_simulator(const SimOptions& options) {
  StopSignals signals;
  std::vector<std::uint8_t> image;
  if (!options.flash_in.empty())
    image = read_flash_image(options.flash_in, options.part.part.flash_size);
  SimulatedPart part(options.part, image);

  PtyPort port;
  SlaveWatch watch(port.slave_path());
  std::optional<SymlinkGuard> link;
  if (!options.link_path.empty()) link.emplace(options.link_path, port.slave_path());
  std::cout << port.slave_path() << std::endl;

  SessionRunner runner(part, port, watch, signals,
                       {options.baud_rate, options.xon_xoff_every, options.once});
  const SessionEnd end = runner.run();

  // Files first, so that a host which sees the hang-up finds them complete.
  if (!options.flash_out.empty()) write_flash_image(options.flash_out, part.memory().flash());
  if (!options.report_path.empty()) write_report(options.report_path, to_json(part.report()));
  port.close();
  if (end == SessionEnd::kPortFailed) {
    std::cerr << "isp-sim: the pty line failed\n";
    return 1;
  }
  return 0;
}

}  // namespace isp_sim
