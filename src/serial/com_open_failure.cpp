// Why a port control's last open failed: kept with the port, composed into one text with the
// system's own words for its error.
#include "qlcos/serial.h"
#include "platform/os_error.h"
#include "serial/com_port.h"

#include <cstring>
#include <string>

namespace {

// Copies `text` into `field`, cut at a character boundary so that the UTF-8 stays whole.
template <size_t N> void Copy(char (&field)[N], const std::string& text)
{
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

} // namespace

tagZanOpenFailure CZanComCtrl::GetLastOpenFailure() const
{
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    return m_Port->LastOpen;
}

void CZanComCtrl::NoteOpenFailure(ZanResult result, uint32_t osError, const char* port,
                                  const char* reason)
{
    tagZanOpenFailure note{};
    note.Result = result;
    note.OsError = osError;
    const std::string name = port ? port : "";
    Copy(note.Port, name);
    if (result != 0) {
        std::string text = name + ": " + (reason && *reason ? reason : "open failed");
        if (osError != 0) text += " (" + qlcos::platform::OsErrorText(osError) + ")";
        Copy(note.Text, text);
    }
    std::lock_guard<std::mutex> lock(m_Port->Mutex);
    m_Port->LastOpen = note;
}

// What the backend said of its open, kept with the port.
void CZanComCtrl::NoteOpen(const qlcos::serial::SerialBackend& backend, ZanResult opened)
{
    const qlcos::serial::OpenFailure failure = backend.LastOpenFailure();
    if (opened == ZAN_COM_OK)
        NoteOpenFailure(0, 0, backend.Name().c_str(), nullptr);
    else
        NoteOpenFailure(opened, failure.OsError, backend.Name().c_str(), failure.Reason.c_str());
}
