// The stand-in's FIFO on Windows: there is none (a POSIX FIFO has no Windows counterpart that
// a shell can write lines to), so QLCOS_COLORMOUSE_FIFO is not followed and the control
// functions are the only way to press the button.
#include "sim/colormouse/fifo_reader.h"

namespace qlcos::sim {

std::unique_ptr<FifoReader> FifoReader::Start(const std::string&, LineHandler) { return nullptr; }

FifoReader::~FifoReader() = default;

} // namespace qlcos::sim
