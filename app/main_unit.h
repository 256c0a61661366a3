#pragma once

#include <cstdint>
#include <utility>

#include "app/rx_display_form.h"
#include "comm/comm.h"
#include "comm/port_table.h"
#include "isp/classic/isp_engine.h"

namespace app {

// The window unit's state, one set per process: the serial unit and the
// engine, the port table, and the flags of the run control and the traffic
// monitor. Created once, with the window the engine reports to and the
// factory of the backends through which the serial unit opens every port.
struct MainUnit {
  MainUnit(isp::IspWindow& window, comm::SerialBackendFactory backends)
      : comm(std::move(backends)), engine(comm, window) {}
  MainUnit(const MainUnit&) = delete;
  MainUnit& operator=(const MainUnit&) = delete;

  comm::Comm comm;
  isp::IspEngine engine;
  comm::PortTable PortTable;  // entry i names the port of CommPortBox entry i

  // --- run control
  bool PortConnected = false;          // a port is open on the window's behalf
  bool RunGoing = false;               // from the run's port opening to its last tick
  std::int32_t DisplayedProgress = 0;  // the last ProgressValue, drawn in panel 1
  int SpeedIndex = 0;                  // SpeedBox position, 0 is 2400 baud

  // --- traffic monitor
  std::int32_t MonitorShown = 0;    // the serial unit feeds the monitor while set
  std::int32_t MonitorNewLine = 1;  // the next received bytes begin a new line
  char RxLine[kRxLineSize] = {};    // display form of the reply so far
  std::int32_t RxLength = 0;        // characters in RxLine
};

}  // namespace app
