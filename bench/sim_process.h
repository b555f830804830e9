// The simulators the benchmark talks to, run in a process of their own so that the
// benchmark's CPU time, context switches and system calls are the client's alone.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace qlcos::bench {

struct SimRequest {
    std::string Model; // a name from sim/simulators.h
    int Baud;          // pacing of the simulator's replies; 0: at once
};

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Forks the simulator process and starts one simulator per request in it. Call it
    // before this process starts any thread (the child runs on after fork). False, with
    // the reason in `error`, when a simulator did not start within a few seconds.
    bool Start(const std::vector<SimRequest>& requests, std::string& error);
    // The pseudo-terminal of the i-th request.
    const std::string& Path(size_t i) const { return m_Paths.at(i); }

private:
    pid_t m_Child = -1;
    int m_Control = -1; // closing it tells the child to stop its simulators and exit
    std::vector<std::string> m_Paths;
};

} // namespace qlcos::bench
