// A simulated controller started by the test and reached by qlcos on a port number, so that
// several qlcos runs work on the same controller and the test sees what reached its line.
#pragma once

#include "sim/simulators.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace qlcos::test {

class SimPort {
public:
    SimPort(const std::string& model, int port)
        : m_Sim(qlcos::sim::MakeSimulator(model)),
          m_Variable("QLCOS_COM" + std::to_string(port)),
          m_Port(std::to_string(port))
    {
        if (!m_Sim || !m_Sim->Start()) {
            ADD_FAILURE() << "cannot start the simulated " << model;
            return;
        }
        qlcos::sim::SetSimulatorTimeScale(*m_Sim, 0);
        setenv(m_Variable.c_str(), m_Sim->Path().c_str(), 1); // qlcos inherits it
    }
    ~SimPort() { unsetenv(m_Variable.c_str()); }

    const std::string& Port() const { return m_Port; }
    qlcos::sim::PtyDevice& Sim() { return *m_Sim; }

private:
    std::unique_ptr<qlcos::sim::PtyDevice> m_Sim;
    std::string m_Variable;
    std::string m_Port;
};

} // namespace qlcos::test
