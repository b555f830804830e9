// Fuzzes the light-engine drivers' handling of controller replies: a driver of the model the
// input names runs on an in-memory line, opens, identifies the controller and runs the
// operations the input chooses, every reply coming from the input.
//
// Input: model (byte % 5: lamp controller 2, LED, LCD, LDD, first-generation lamp), setup,
// then operations (three bytes each, see reply_operations.h) interleaved with the replies
// to the frames each of them writes (records, see reply_script.h), in the order the driver
// consumes them. Setup: bits 0-1 attempts per command (0: the default), bit 2 open the port
// without identifying the controller, bit 3 delete the driver without Destroy.
#include "qlcos/exposure.h"
#include "fuzz/byte_source.h"
#include "fuzz/memory_line.h"
#include "fuzz/reply_operations.h"
#include "fuzz/reply_script.h"
#include "serial/time_scale.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace {

using qlcos::fuzz::ByteSource;
using qlcos::fuzz::LineScript;
using qlcos::fuzz::MemoryLine;
using qlcos::fuzz::Operation;
using qlcos::fuzz::ReplyScript;

LineScript* g_Script = nullptr; // the script of the input being run

std::unique_ptr<qlcos::serial::SerialBackend> MakeMemoryLine()
{
    return std::make_unique<MemoryLine>(*g_Script);
}

template <typename Driver> void Drive(ByteSource& input, uint8_t setup, ReplyScript& script)
{
    Driver driver;
    script.SetPort(&driver);
    if (setup & 3) driver.SetAttemptCount(setup & 3);
    ZanResult opened;
    if (setup & 4) {
        tagZANSerialPortProperty property{1, -1, 9600, 8, 0, 0};
        opened = driver.CZanComDevice::Create(&property);
    } else {
        opened = driver.Create(1, -1);
    }
    // Operations on a driver that did not open are run all the same.
    if (qlcos::fuzz::Verbose()) std::fprintf(stderr, "opened: 0x%08X\n", opened);
    while (!input.Empty()) {
        Operation op;
        op.Which = input.Byte();
        op.A = input.Byte();
        op.B = input.Byte();
        const ZanResult result = qlcos::fuzz::RunOperation(driver, op);
        if (qlcos::fuzz::Verbose())
            std::fprintf(stderr, "operation %u (%u, %u): 0x%08X\n", op.Which, op.A, op.B, result);
    }
    if (!(setup & 8)) driver.Destroy();
    script.SetPort(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    ByteSource input(data, size);
    static const char kLetters[5] = {'Y', 'h', 'f', 'g', 0};
    const int model = input.Byte() % 5;
    const uint8_t setup = input.Byte();
    ReplyScript script(input, kLetters[model]);
    g_Script = &script;
    qlcos::serial::SetSerialBackendFactoryForTests(MakeMemoryLine);
    // The memory line answers at once: the port's waits (reply time-outs, the quiet line
    // after a refused reply, pauses) run at a hundredth of their length.
    qlcos::serial::SetWaitScaleForTests(1);
    switch (model) {
    case 0: Drive<CQLampControl2>(input, setup, script); break;
    case 1: Drive<CQLEDControl>(input, setup, script); break;
    case 2: Drive<CQLCDControl>(input, setup, script); break;
    case 3: Drive<CQLDDControl>(input, setup, script); break;
    default: Drive<CQLampControl>(input, setup, script); break;
    }
    qlcos::serial::SetSerialBackendFactoryForTests(nullptr);
    g_Script = nullptr;
    return 0;
}
