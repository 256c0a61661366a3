#include <exception>
#include <iostream>

#include "sim_options.hpp"
#include "simulator_app.hpp"

int main(int argc, char** argv) {
  const isp_sim::ParsedOptions parsed = isp_sim::parse_options(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  try {
    return isp_sim::run_simulator(*parsed.options);
  } catch (const std::exception& error) {
    std::cerr << "isp-sim: " << error.what() << '\n';
    return 1;
  }
}
