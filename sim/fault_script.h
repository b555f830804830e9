// The faults a test has scripted for a simulator's next answers: a queue per command and
// one for any command. Faults for one command apply to successive answers in order; a
// fault for the specific command goes before an any-command fault. Not locked: the
// simulator guards it with its state.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <utility>

namespace qlcos::sim {

// Scripts a fault for whatever command comes next.
constexpr int kAnyCommand = -1;

template <class Fault> class FaultScript {
public:
    // `command` is a command byte, or kAnyCommand.
    void Add(Fault fault, int command)
    {
        if (command != kAnyCommand) command &= 0xFF;
        m_Queues[command].push_back(std::move(fault));
    }

    void Clear() { m_Queues.clear(); }

    // The fault for the next answer to `command`, taken off its queue; none when nothing is
    // scripted for it.
    std::optional<Fault> Take(unsigned char command)
    {
        for (int key : {static_cast<int>(command), kAnyCommand}) {
            auto it = m_Queues.find(key);
            if (it != m_Queues.end() && !it->second.empty()) {
                Fault fault = std::move(it->second.front());
                it->second.pop_front();
                return fault;
            }
        }
        return std::nullopt;
    }

private:
    std::map<int, std::deque<Fault>> m_Queues;
};

} // namespace qlcos::sim
