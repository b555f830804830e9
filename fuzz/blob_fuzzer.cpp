// Fuzzes every record's blob loading: the input is the blob. Each record checks it
// (IsValidData), loads it (LoadBlob bounded by the input's size; LoadConfig where the blob's
// own header keeps it inside the input) and saves what it loaded into a buffer of exactly
// GetSize() bytes; that blob must load again and save the same bytes.
#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* record, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", record, what);
    std::abort();
}

// The input copied to a buffer of exactly `size` bytes, so that any read past it is caught.
std::unique_ptr<unsigned char[]> Exact(const uint8_t* data, size_t size)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    return copy;
}

uint32_t StatedSize(const uint8_t* data, size_t size)
{
    uint32_t stated = 0;
    if (size >= 8) std::memcpy(&stated, data + 4, 4);
    return stated;
}

std::vector<unsigned char> Saved(const char* name, CZanConfig& record)
{
    const uint32_t size = record.GetSize();
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size ? size : 1]);
    const uint32_t written = record.SaveConfig(buffer.get());
    if (written != size) Fail(name, "SaveConfig wrote another size than GetSize");
    return std::vector<unsigned char>(buffer.get(), buffer.get() + size);
}

// LoadConfig where the contract allows it: a header is there and, when the record checks
// blobs, it passed IsValidData with a stated size inside the input. False when not called;
// else `loaded` is its result.
template <typename Record>
bool LoadConfigOf(Record& record, const uint8_t* data, size_t size, uint32_t& loaded)
{
    if (size < CZanConfig::kHeadSize) return false;
    // The header itself is read whatever size it states.
    const uint32_t stated = std::max(StatedSize(data, size), CZanConfig::kHeadSize);
    if (stated > size) return false;
    std::unique_ptr<unsigned char[]> exact = Exact(data, stated);
    if (!record.IsValidData(exact.get())) return false;
    loaded = record.LoadConfig(exact.get());
    return true;
}

// A record with a LoadBlob of its own. Where LoadConfig may be called, it loads what LoadBlob
// over the whole input loads: the stated size bounds both.
template <typename Record> void WithLoadBlob(const char* name, const uint8_t* data, size_t size)
{
    Record viaConfig;
    uint32_t viaConfigLoaded = 0;
    const bool calledLoadConfig = LoadConfigOf(viaConfig, data, size, viaConfigLoaded);
    const std::vector<unsigned char> savedViaConfig = Saved(name, viaConfig);

    Record record;
    std::unique_ptr<unsigned char[]> exact = Exact(data, size);
    const uint32_t loaded = record.LoadBlob(exact.get(), static_cast<uint32_t>(size));
    if (calledLoadConfig && (loaded != 0) != (viaConfigLoaded != 0))
        Fail(name, "LoadConfig and LoadBlob disagree on a blob");
    if (loaded == 0) return;
    const std::vector<unsigned char> first = Saved(name, record);
    if (calledLoadConfig && savedViaConfig != first)
        Fail(name, "LoadConfig and LoadBlob load a blob differently");
    Record again;
    if (again.LoadBlob(first.data(), static_cast<uint32_t>(first.size())) == 0)
        Fail(name, "a saved blob did not load");
    if (Saved(name, again) != first) Fail(name, "a saved blob loads differently");
}

// A record with a fixed-size blob and only LoadConfig.
template <typename Record> void WithLoadConfig(const char* name, const uint8_t* data, size_t size)
{
    Record record;
    uint32_t loaded = 0;
    LoadConfigOf(record, data, size, loaded);
    const std::vector<unsigned char> first = Saved(name, record);
    if (first.size() < CZanConfig::kHeadSize) return;
    Record again;
    if (!again.IsValidData(first.data())) Fail(name, "a saved blob is not valid");
    again.LoadConfig(first.data());
    if (Saved(name, again) != first) Fail(name, "a saved blob loads differently");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1u << 20) return 0;
    WithLoadBlob<CZanXavenGammaTableCfg>("gamma tables", data, size);
    WithLoadBlob<CZanXavenColorBalanceCfg>("colour balance", data, size);
    WithLoadBlob<CZanXavenPhotoPositionCfg>("photo positions", data, size);
    WithLoadBlob<CZanXavenPaperSizeCfg>("paper sizes", data, size);
    WithLoadBlob<CZanXavenPaperStyleCfg>("paper styles", data, size);
    WithLoadBlob<CZanLCosCtrlCfg>("LCoS controller", data, size);
    WithLoadConfig<CZanXavenControllerCfg>("controller", data, size);
    WithLoadConfig<CZanDensityCtrlCfg>("density controller", data, size);
    WithLoadConfig<CZanConfig>("record base", data, size);
    WithLoadConfig<CZanXavenMachineCtrlCfg>("machine", data, size);
    return 0;
}
