// Several modules programmed at once, against one isp-sim per port.
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/parallel_program.h"
#include "cli/port_list.h"
#include "cli/record/record_fields.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;
using testing_support::SimProcess;

constexpr const char* kSimSerial = "0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7";

class SeveralPortsTest : public E2eTest {
 protected:
  // A simulator per entry, each with its own flash dump "flash-<i>.bin".
  void StartSims(const std::vector<std::vector<std::string>>& flags) {
    for (std::size_t i = 0; i < flags.size(); ++i) {
      std::vector<std::string> args = {ISP_SIM_PATH, "--once", "--flash-out",
                                       dir.File("flash-" + std::to_string(i) + ".bin")};
      args.insert(args.end(), flags[i].begin(), flags[i].end());
      sims.push_back(std::make_unique<SimProcess>(args));
      ports.push_back(sims.back()->Path());
    }
  }
  std::vector<std::uint8_t> FlashOf(std::size_t i) {
    if (!sims[i]->WaitExit(std::chrono::seconds(10))) sims[i]->Stop();
    return testing_support::ImageRangeOfDump(FileText("flash-" + std::to_string(i) + ".bin"));
  }
  std::vector<std::string> ProgramArgs(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"program", "--no-start-isp"};
    for (const std::string& port : ports) args.insert(args.end(), {"--port", port});
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("image.hex");
    return args;
  }

  std::vector<std::unique_ptr<SimProcess>> sims;
  std::vector<std::string> ports;
};

// In this process: the records the sink gets, and each part's flash.
TEST_F(SeveralPortsTest, FourModulesAtOnceOneFailingLeavesTheOthersProgrammed) {
  const ByteMap bytes = Pattern(0, 0x1400);
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  StartSims({{}, {}, {"--fail-erase"}, {"--echo", "exact"}});
  cli::ProgramOptions options;
  options.file = "image.hex";
  options.link.start_isp = false;
  options.link.output.quiet = true;
  std::mutex mutex;
  std::vector<cli::RunRecord> records;
  const int status = cli::RunParallelProgram(options, ports, [&](const cli::RunRecord& record) {
    const std::lock_guard lock(mutex);
    records.push_back(record);
  });
  EXPECT_EQ(status, 1);
  ASSERT_EQ(records.size(), 4u);
  const std::vector<std::string> logs = cli::PortLogNames(ports);
  for (std::size_t i = 0; i < ports.size(); ++i) {
    SCOPED_TRACE(ports[i]);
    const auto record = std::find_if(records.begin(), records.end(),
                                     [&](const cli::RunRecord& r) { return r.port == ports[i]; });
    ASSERT_NE(record, records.end());
    EXPECT_EQ(record->file, "image.hex");
    EXPECT_EQ(record->part_id, 0x3670002Bu);
    EXPECT_EQ(record->part_name, "LPC1227");
    EXPECT_EQ(record->part_serial, kSimSerial);
    EXPECT_EQ(record->boot_code, "5.2");
    EXPECT_EQ(record->time_utc.size(), 20u) << record->time_utc;
    EXPECT_EQ(record->time_utc.back(), 'Z');
    const std::string log = FileText(logs[i]);
    EXPECT_TRUE(log.starts_with("Start") && log.ends_with("End.")) << logs[i];
    if (i == 2) {
      EXPECT_FALSE(record->passed);
      EXPECT_EQ(record->bytes, 0u);
      EXPECT_NE(record->error.find("BUSY"), std::string::npos) << record->error;
      EXPECT_EQ(FlashOf(i), std::vector<std::uint8_t>(0x10000, 0xFF));
    } else {
      EXPECT_TRUE(record->passed) << record->error;
      EXPECT_EQ(record->error, "");
      EXPECT_EQ(record->bytes, 0x1400u);
      std::vector<std::uint8_t> expected(0x10000, 0xFF);
      for (const auto& [address, value] : bytes) expected[address] = value;
      EXPECT_EQ(FlashOf(i), testing_support::WithChecksumWord(expected));
    }
  }
}

// The command line's summary names the port that failed and why.
TEST_F(SeveralPortsTest, SummaryNamesTheFailingPort) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  StartSims({{}, {"--fail-unlock"}, {}});
  const auto result = Cli(ProgramArgs());
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_NE(result.out.find("1 of 3 modules failed: " + ports[1] + "\n"), std::string::npos)
      << result.out;
  const auto row_of = [&](const std::string& port) {
    const auto at = result.out.find("\n" + port + "  ", result.out.find("Port "));
    return at == std::string::npos
               ? std::string()
               : result.out.substr(at + 1, result.out.find('\n', at + 1) - at - 1);
  };
  EXPECT_NE(row_of(ports[0]).find("PASS"), std::string::npos) << result.out;
  EXPECT_NE(row_of(ports[0]).find(kSimSerial), std::string::npos) << result.out;
  EXPECT_NE(row_of(ports[1]).find("FAIL"), std::string::npos) << result.out;
  EXPECT_NE(row_of(ports[1]).find("INVALID_CODE"), std::string::npos) << result.out;
  EXPECT_NE(row_of(ports[2]).find("PASS"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("Error: " + ports[1] + ": "), std::string::npos) << result.err;
  for (const std::string& log : cli::PortLogNames(ports)) {
    EXPECT_NE(result.out.find("Traffic log   " + ShownPath(log) + "\n"), std::string::npos)
        << result.out;
  }
}

// With --json every event names its port; the last object sums up.
TEST_F(SeveralPortsTest, JsonEventsCarryTheirPort) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  StartSims({{}, {}});
  const auto result = Cli(ProgramArgs({"--json"}));
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  std::vector<nlohmann::json> events;
  std::size_t from = 0;
  while (from < result.out.size()) {
    const std::size_t end = result.out.find('\n', from);
    events.push_back(nlohmann::json::parse(result.out.substr(from, end - from)));
    from = end + 1;
  }
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().value("event", ""), "summary");
  EXPECT_EQ(events.back().value("ok", false), true);
  std::map<std::string, int> results;
  for (std::size_t i = 0; i + 1 < events.size(); ++i) {
    const std::string port = events[i].value("port", "");
    EXPECT_TRUE(port == ports[0] || port == ports[1]) << events[i].dump();
    if (events[i].value("event", "") == "result") {
      EXPECT_TRUE(events[i].value("ok", false)) << events[i].dump();
      ++results[port];
    }
  }
  EXPECT_EQ(results, (std::map<std::string, int>{{ports[0], 1}, {ports[1], 1}}));
}

// Refused before any port is opened: the simulators never hear a byte.
TEST_F(SeveralPortsTest, BadPortListsAreRefusedBeforeAnyPortOpens) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  std::vector<std::string> report_flags = {"--report", dir.File("report-0.json")};
  StartSims({report_flags, {}});
  std::filesystem::create_symlink(ports[0], dir.File("link-to-0"));
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"a port named twice",
       {"program", "--port", ports[0], "--port", ports[1], "--port", ports[0], "image.hex"},
       64,
       "Error: the port " + ports[0] + " is named twice\n"},
      {"one device under two names",
       {"program", "--port", ports[0], "--port", dir.File("link-to-0"), "image.hex"},
       64,
       "Error: the ports " + ports[0] + " and " + dir.File("link-to-0") + " are one device\n"},
      {"a port that does not exist",
       {"program", "--port", ports[0], "--port", "/dev/no-such-port", "image.hex"},
       2,
       "Error: the port /dev/no-such-port does not exist\n"},
      {"the window's dialogue on two ports",
       {"program", "--classic", "--port", ports[0], "--port", ports[1], "image.hex"},
       64,
       "Error: --classic programs one port: give --port once\n"},
      {"one log for several ports",
       {"program", "--port", ports[0], "--port", ports[1], "--log", "x.txt", "image.hex"},
       64,
       "Error: --log names one file: with several ports each port's traffic goes to "
       "commlog-<port>.txt (or give --no-log)\n"},
      {"a ports file that is not there",
       {"program", "--ports-file", "no-such-list", "image.hex"},
       2,
       "Error: no-such-list: it does not exist\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Cli(c.args);
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.err, c.said);
    EXPECT_EQ(result.out, "");
  }
  sims[0]->Stop();
  const auto report = nlohmann::json::parse(FileText("report-0.json"));
  EXPECT_EQ(report.at("bytes_received"), 0) << report.dump();
  EXPECT_EQ(report.at("hang_ups"), 0) << report.dump();
}

// --ports-file lists the ports, with comments and blank lines.
TEST_F(SeveralPortsTest, PortsFileNamesThePorts) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  StartSims({{}, {}});
  testing_support::WriteTextFile(dir.File("ports.txt"), "# the fixture's two sockets\n" + ports[0] +
                                                            "\n\n  " + ports[1] + "  \n");
  const auto result = Cli({"program", "--no-start-isp", "--ports-file", "ports.txt", "image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("All 2 modules programmed.\n"), std::string::npos) << result.out;
  EXPECT_EQ(FlashOf(0), FlashOf(1));
}

// --record keeps one whole record per port, in either kind of file: each
// port's own part serial number and result, and the digest of the image
// the passing part's flash holds.
TEST_F(SeveralPortsTest, EveryPortOfTheRunIsRecorded) {
  for (const std::string file : {"runs.jsonl", "runs.db"}) {
    SCOPED_TRACE(file);
    sims.clear();
    ports.clear();
    testing_support::WriteTextFile(dir.File("image.hex"),
                                   testing_support::HexFromBytes(Pattern(0, 0x800)));
    StartSims({{}, {"--fail-unlock"}});
    const auto result = Cli(ProgramArgs({"--record", file}));
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    const std::vector<std::uint8_t> flash = FlashOf(0);
    ASSERT_GE(flash.size(), 0x800u);
    testing_support::WriteTextFile(dir.File("written.bin"),
                                   std::string(flash.begin(), flash.begin() + 0x800));
    const auto sum = testing_support::RunProcess({"/usr/bin/sha256sum", dir.File("written.bin")},
                                                 dir.Path().string());
    ASSERT_EQ(sum.exit_status, 0) << sum.err;

    const auto shown = Cli({"record", "show", file, "--json"});
    ASSERT_EQ(shown.exit_status, 0) << shown.err;
    std::map<std::string, cli::RunRecord> by_port;
    std::istringstream lines(shown.out);
    std::string line;
    while (std::getline(lines, line)) {
      const auto record = cli::RecordFromJson(nlohmann::json::parse(line, nullptr, false));
      ASSERT_TRUE(record) << line;
      by_port[record->port] = *record;
    }
    ASSERT_EQ(by_port.size(), 2u) << shown.out;
    const cli::RunRecord& good = by_port[ports[0]];
    const cli::RunRecord& bad = by_port[ports[1]];
    EXPECT_TRUE(good.passed);
    EXPECT_EQ(good.error, "");
    EXPECT_EQ(good.part_serial, kSimSerial);
    EXPECT_EQ(good.image_sha256, sum.out.substr(0, 64));
    EXPECT_FALSE(good.station_host.empty());
    EXPECT_FALSE(bad.passed);
    EXPECT_NE(bad.error.find("INVALID_CODE"), std::string::npos) << bad.error;
    EXPECT_EQ(bad.image_sha256, good.image_sha256);
  }
}

// Every module programmed, but the record could not be kept: exit 1 and an
// error line that says so, never silence.
TEST_F(SeveralPortsTest, ARecordThatCannotBeKeptFailsARunThatProgrammedEveryPort) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  StartSims({{}, {}});
  // Nobody, root included, makes a new file in /proc.
  const auto result = Cli(ProgramArgs({"--record", "/proc/tarvo-runs.jsonl"}));
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_NE(result.out.find("All 2 modules programmed."), std::string::npos) << result.out;
  for (const std::string& port : ports) {
    EXPECT_NE(result.err.find("Error: " + port + ": programmed but not recorded: "),
              std::string::npos)
        << result.err;
  }
  EXPECT_EQ(FlashOf(0), FlashOf(1));
}

}  // namespace
}  // namespace e2e
