#pragma once
// The demo network of the window program: the simulator's instruments started inside the program
// (every profile on a loopback TCP port, the old analyzer also on a serial pseudo-terminal, a
// calibrator behind a Hayes modem on another, and an analyzer behind a multiplexor) and a network
// configuration that reaches them. The instruments stop when the demo is destroyed.

#include <memory>
#include <string>
#include <vector>

namespace talven {

class CNetworkConfiguration;

namespace sim {
class SimInstrument;
}

namespace gui {

class DemoNetwork {
  public:
    /// Starts the instruments and replaces the configuration's lists with the demo network (no
    /// file, not modified). Null, with error set, when an instrument could not be started.
    static std::unique_ptr<DemoNetwork> Start(CNetworkConfiguration& configuration, std::string& error);
    ~DemoNetwork();
    DemoNetwork(const DemoNetwork&) = delete;
    DemoNetwork& operator=(const DemoNetwork&) = delete;

    /// One line per instrument: its node's name and where the instrument listens.
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    DemoNetwork() = default;

    std::vector<std::unique_ptr<sim::SimInstrument>> instruments_;
    std::vector<std::string> lines_;
};

}  // namespace gui
}  // namespace talven
