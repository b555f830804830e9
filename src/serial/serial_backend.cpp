// Choosing the backend a port opens with: the system's, or one a test installed.
#include "serial/serial_backend.h"

#include <atomic>

namespace qlcos::serial {

namespace {
std::atomic<SerialBackendFactory> g_factory{nullptr};
}

std::unique_ptr<SerialBackend> CreateSerialBackend()
{
    const SerialBackendFactory factory = g_factory.load();
    return factory ? factory() : CreateSystemSerialBackend();
}

void SetSerialBackendFactoryForTests(SerialBackendFactory factory) { g_factory.store(factory); }

} // namespace qlcos::serial
