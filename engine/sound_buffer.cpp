#include "engine/sound_buffer.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <new>

#include "engine/services.h"

namespace hc {

namespace {

// The WAV layout the game's files have: a 44-byte header, the format at 20, the data size at 40.
constexpr long kHeaderBytes = 44;
constexpr int kFormatOffset = 20;
constexpr int kDataSizeOffset = 40;

constexpr const char* kEntryAllocationFailed = "テクスチャの要領確保に失敗しました";
constexpr const char* kFileOpenFailed = "音楽ファイルのロードに失敗しました\n(ファイルの読み込み)";
constexpr const char* kBufferCreationFailed = "音楽データの読み込みに失敗しました\n(バッファ作成)";

std::map<std::string, SoundBuffer*>& cache() {
    static std::map<std::string, SoundBuffer*> entries;
    return entries;
}

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

class File {
public:
    std::FILE* handle;
    explicit File(const std::string& path) : handle(std::fopen(path.c_str(), "rb")) {}
    ~File() {
        if (handle) std::fclose(handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Size in bytes, or -1 when it cannot be told.
    long size() {
        if (std::fseek(handle, 0, SEEK_END) != 0) return -1;
        const long bytes = std::ftell(handle);
        if (std::fseek(handle, 0, SEEK_SET) != 0) return -1;
        return bytes;
    }
};

// Reads the sound at the fixed header offsets into a new buffer of the sound device. The declared
// data size is trusted only as far as the file reaches, so a broken header can neither make a huge
// allocation nor read past the end.
std::unique_ptr<AudioBuffer> readWave(File& file) {
    const long fileBytes = file.size();
    if (fileBytes < kHeaderBytes) return nullptr;

    std::uint8_t header[kHeaderBytes];
    if (std::fread(header, 1, sizeof header, file.handle) != sizeof header) return nullptr;
    const std::uint8_t* f = header + kFormatOffset;
    WaveFormat format;
    format.formatTag = readU16(f);
    format.channels = readU16(f + 2);
    format.samplesPerSecond = readU32(f + 4);
    format.averageBytesPerSecond = readU32(f + 8);
    format.blockAlign = readU16(f + 12);
    format.bitsPerSample = readU16(f + 14);

    // The buffer holds the declared data size minus 44 bytes, read from offset 44.
    const std::uint32_t dataSize = readU32(header + kDataSizeOffset);
    if (dataSize < kHeaderBytes || static_cast<long>(dataSize) > fileBytes) return nullptr;
    const std::uint32_t bytes = dataSize - kHeaderBytes;

    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[bytes > 0 ? bytes : 1]);
    if (!data) return nullptr;
    if (std::fread(data.get(), 1, bytes, file.handle) != bytes) return nullptr;
    if (!gSoundDevice) return nullptr;
    return gSoundDevice->createBuffer(format, data.get(), bytes);
}

}  // namespace

bool SoundBuffer::load(std::string path, SoundBuffer*& out) {
    auto& entries = cache();
    auto found = entries.find(path);
    if (found != entries.end() && found->second) {
        found->second->referenceCount += 1;
        out = found->second;
        return true;
    }

    out = nullptr;
    SoundBuffer* entry = new (std::nothrow) SoundBuffer;
    if (!entry) {
        showError(kEntryAllocationFailed);
        return false;
    }

    File file(path);
    if (!file.handle) {
        showError(kFileOpenFailed);
        delete entry;
        return false;
    }
    entry->buffer = readWave(file);
    if (!entry->buffer) {
        showError(kBufferCreationFailed);
        delete entry;
        return false;
    }

    std::strncpy(entry->name, path.c_str(), sizeof entry->name - 1);
    entry->name[sizeof entry->name - 1] = '\0';
    entry->referenceCount = 1;
    entries[path] = entry;
    out = entry;
    return true;
}

void SoundBuffer::release(SoundBuffer* handle) {
    if (!handle) return;
    if (handle->referenceCount > 1) {
        handle->referenceCount -= 1;
        return;
    }
    if (handle->buffer) handle->buffer->stop();
    // Found by the entry rather than by name: the name is cut at 64 bytes, the key is not.
    auto& entries = cache();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->second == handle) {
            entries.erase(it);
            break;
        }
    }
    delete handle;
}

void SoundBuffer::play() {
    if (buffer) buffer->play();
}

void SoundBuffer::restart() {
    if (!buffer) return;
    buffer->stop();
    buffer->setCurrentPosition(0);
    buffer->play();
}

void SoundBuffer::stop() {
    if (buffer) buffer->stop();
}

void SoundBuffer::keepAlive() {
    if (!buffer) return;
    if (buffer->currentPosition() == 0) {
        buffer->stop();
        buffer->play();
    }
}

std::size_t soundCacheSize() { return cache().size(); }

}  // namespace hc
