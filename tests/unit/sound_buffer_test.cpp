#include "engine/sound_buffer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/services.h"
#include "test_platform.h"

namespace hc {
namespace {

namespace fs = std::filesystem;

constexpr WaveFormat kMono16{1, 1, 22050, 44100, 2, 16};
const std::string kBufferCreationFailed = "音楽データの読み込みに失敗しました\n(バッファ作成)";

// Passes everything to the headless device and remembers what the reader handed over.
class RecordingSoundDevice : public SoundDevice {
public:
    std::unique_ptr<SoundDevice> inner;
    int created = 0;
    WaveFormat format;
    std::vector<std::uint8_t> data;

    explicit RecordingSoundDevice(Clock& clock) : inner(createHeadlessSoundDevice(clock)) {}
    std::unique_ptr<AudioBuffer> createBuffer(const WaveFormat& f, const std::uint8_t* d, std::uint32_t bytes) override {
        ++created;
        format = f;
        data.assign(d, d + bytes);
        return inner->createBuffer(f, d, bytes);
    }
};

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

// A canonical 44-byte-header PCM file holding the given samples.
std::vector<std::uint8_t> canonicalWav(const WaveFormat& f, const std::vector<std::uint8_t>& samples) {
    std::vector<std::uint8_t> out(44);
    const char* ids[] = {"RIFF", "WAVE", "fmt ", "data"};
    const std::size_t idAt[] = {0, 8, 12, 36};
    for (int i = 0; i < 4; ++i) std::copy(ids[i], ids[i] + 4, out.begin() + static_cast<long>(idAt[i]));
    put32(out, 4, static_cast<std::uint32_t>(36 + samples.size()));
    put32(out, 16, 16);
    put16(out, 20, f.formatTag);
    put16(out, 22, f.channels);
    put32(out, 24, f.samplesPerSecond);
    put32(out, 28, f.averageBytesPerSecond);
    put16(out, 32, f.blockAlign);
    put16(out, 34, f.bitsPerSample);
    put32(out, 40, static_cast<std::uint32_t>(samples.size()));
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

std::vector<std::uint8_t> counting(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

class SoundBufferTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform platform;
    test::ManualClock& clock = platform.platform.manualClock;
    RecordingSoundDevice device{clock};
    fs::path dir = fs::temp_directory_path() / ("hc_sound_buffer_" + std::to_string(getpid()));

    void SetUp() override {
        fs::create_directories(dir);
        gSoundDevice = &device;
    }
    void TearDown() override {
        EXPECT_EQ(soundCacheSize(), 0u) << "a test left entries in the cache";
        gSoundDevice = nullptr;
        fs::remove_all(dir);
    }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    const std::vector<test::Shown>& messages() { return platform.platform.messages; }
};

TEST_F(SoundBufferTest, CanonicalFileGivesFormatAndDataSizeLessTheHeader) {
    const auto samples = counting(1000);
    const std::string path = write("a.wav", canonicalWav({1, 2, 44100, 176400, 4, 16}, samples));
    SoundBuffer* sound = nullptr;
    ASSERT_TRUE(SoundBuffer::load(path, sound));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->referenceCount, 1);
    EXPECT_STREQ(sound->name, path.c_str());
    EXPECT_EQ(device.format.formatTag, 1);
    EXPECT_EQ(device.format.channels, 2);
    EXPECT_EQ(device.format.samplesPerSecond, 44100u);
    EXPECT_EQ(device.format.averageBytesPerSecond, 176400u);
    EXPECT_EQ(device.format.blockAlign, 4);
    EXPECT_EQ(device.format.bitsPerSample, 16);
    // The declared size less 44 bytes, from offset 44: the last 44 bytes are not played.
    EXPECT_EQ(device.data, std::vector<std::uint8_t>(samples.begin(), samples.end() - 44));
    EXPECT_TRUE(messages().empty());
    SoundBuffer::release(sound);
}

TEST_F(SoundBufferTest, ExtraChunkBeforeTheDataIsReadAsSound) {
    // A 100-byte LIST chunk at 36 puts its size where the data size is expected: 56 bytes of the
    // chunk's contents are taken as samples.
    auto file = canonicalWav(kMono16, {});
    file.resize(36);
    file.insert(file.end(), {'L', 'I', 'S', 'T', 100, 0, 0, 0});
    const auto listContents = counting(100);
    file.insert(file.end(), listContents.begin(), listContents.end());
    file.insert(file.end(), {'d', 'a', 't', 'a', 200, 0, 0, 0});
    file.resize(file.size() + 200, 0x55);
    SoundBuffer* sound = nullptr;
    ASSERT_TRUE(SoundBuffer::load(write("list.wav", file), sound));
    EXPECT_EQ(device.data, std::vector<std::uint8_t>(listContents.begin(), listContents.begin() + 56));
    SoundBuffer::release(sound);
}

TEST_F(SoundBufferTest, BrokenFilesReportAndLoadNothing) {
    const auto good = canonicalWav(kMono16, counting(400));
    auto withSize = [&](std::uint32_t size) {
        auto f = good;
        put32(f, 40, size);
        return f;
    };
    auto withFormat = [&](const WaveFormat& format) { return canonicalWav(format, counting(400)); };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        bool reachesDevice;  // the header was sound and the device itself refused
    };
    const Case cases[] = {
        {"empty file", {}, false},
        {"truncated header", std::vector<std::uint8_t>(good.begin(), good.begin() + 43), false},
        {"data size below 44", withSize(43), false},
        {"data size exactly 44", withSize(44), true},
        {"data size one past the file", withSize(static_cast<std::uint32_t>(good.size()) + 1), false},
        {"data size far beyond the file", withSize(0xFFFFFFFFu), false},
        {"float samples", withFormat({3, 1, 22050, 88200, 4, 32}), true},
        {"24-bit samples", withFormat({1, 1, 22050, 66150, 3, 24}), true},
        {"zero channels", withFormat({1, 0, 22050, 0, 0, 16}), true},
    };
    for (const Case& c : cases) {
        platform.platform.messages.clear();
        device.created = 0;
        SoundBuffer stale;
        SoundBuffer* sound = &stale;  // a failed load must not hand anything back
        EXPECT_FALSE(SoundBuffer::load(write("broken.wav", c.file), sound)) << c.name;
        EXPECT_EQ(sound, nullptr) << c.name;
        EXPECT_EQ(device.created, c.reachesDevice ? 1 : 0) << c.name;
        ASSERT_EQ(messages().size(), 1u) << c.name;
        EXPECT_EQ(messages()[0].text, kBufferCreationFailed) << c.name;
        EXPECT_EQ(messages()[0].caption, "エラー") << c.name;
        EXPECT_EQ(soundCacheSize(), 0u) << c.name;
    }
    // The largest data size the file allows still loads.
    SoundBuffer* sound = nullptr;
    EXPECT_TRUE(SoundBuffer::load(write("edge.wav", withSize(static_cast<std::uint32_t>(good.size()))), sound));
    EXPECT_EQ(device.data.size(), good.size() - 44);
    SoundBuffer::release(sound);
}

TEST_F(SoundBufferTest, MissingFileReportsTheLoadFailure) {
    SoundBuffer* sound = nullptr;
    EXPECT_FALSE(SoundBuffer::load((dir / "absent.wav").string(), sound));
    EXPECT_EQ(sound, nullptr);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "音楽ファイルのロードに失敗しました\n(ファイルの読み込み)");
    EXPECT_EQ(soundCacheSize(), 0u);
}

TEST_F(SoundBufferTest, HoldersOfOnePathShareOneCountedEntry) {
    const std::string path = write("shared.wav", canonicalWav(kMono16, counting(500)));
    SoundBuffer* first = nullptr;
    SoundBuffer* second = nullptr;
    ASSERT_TRUE(SoundBuffer::load(path, first));
    ASSERT_TRUE(SoundBuffer::load(path, second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->referenceCount, 2);
    EXPECT_EQ(device.created, 1);

    // Keys are the path as spelled: another spelling of the same file is another entry.
    const std::string otherSpelling = (dir / "." / "shared.wav").string();
    SoundBuffer* third = nullptr;
    ASSERT_TRUE(SoundBuffer::load(otherSpelling, third));
    EXPECT_NE(third, first);
    EXPECT_EQ(soundCacheSize(), 2u);

    SoundBuffer::release(second);
    EXPECT_EQ(first->referenceCount, 1);
    EXPECT_EQ(soundCacheSize(), 2u);
    SoundBuffer::release(first);
    SoundBuffer::release(third);
    SoundBuffer::release(nullptr);
    EXPECT_EQ(soundCacheSize(), 0u);

    // After the last release the next load reads the file again.
    ASSERT_TRUE(SoundBuffer::load(path, first));
    EXPECT_EQ(device.created, 3);
    SoundBuffer::release(first);
}

TEST_F(SoundBufferTest, PathLongerThanTheNameStillLeavesTheCache) {
    const std::string name(80, 'n');
    const std::string path = write(name + ".wav", canonicalWav(kMono16, counting(500)));
    SoundBuffer* sound = nullptr;
    ASSERT_TRUE(SoundBuffer::load(path, sound));
    EXPECT_EQ(std::string(sound->name), path.substr(0, 63));
    SoundBuffer::release(sound);
    EXPECT_EQ(soundCacheSize(), 0u);
}

// 1044 bytes of data at 44100 bytes per second: the buffer holds 1000 bytes, about 22.7 ms. The clock
// counts bytes of this format, so positions come out exact.
class SoundOperationsTest : public SoundBufferTest {
protected:
    SoundBuffer* sound = nullptr;
    void SetUp() override {
        SoundBufferTest::SetUp();
        clock.countsPerSecond = 44100;
        ASSERT_TRUE(SoundBuffer::load(write("music.wav", canonicalWav(kMono16, counting(1044))), sound));
    }
    void TearDown() override {
        SoundBuffer::release(sound);
        SoundBufferTest::TearDown();
    }
    void advanceBytes(std::uint32_t bytes) { clock.now += bytes; }
    std::uint32_t position() { return sound->buffer->currentPosition(); }
};

TEST_F(SoundOperationsTest, KeepAliveStartsAndLoopsMusicButLeavesItPlaying) {
    sound->keepAlive();  // the first tick starts it
    EXPECT_TRUE(sound->buffer->playing());
    advanceBytes(500);
    sound->keepAlive();  // mid-way: left alone
    EXPECT_EQ(position(), 500u);
    advanceBytes(600);  // ran out
    EXPECT_FALSE(sound->buffer->playing());
    sound->keepAlive();
    EXPECT_TRUE(sound->buffer->playing());
    advanceBytes(100);
    EXPECT_EQ(position(), 100u);
}

TEST_F(SoundOperationsTest, StopPausesPlayResumesRestartRewinds) {
    sound->play();
    advanceBytes(300);
    sound->stop();
    advanceBytes(300);
    EXPECT_EQ(position(), 300u);
    sound->keepAlive();  // a paused piece is not at 0: keep-alive does not resume it
    EXPECT_FALSE(sound->buffer->playing());
    sound->play();
    advanceBytes(100);
    EXPECT_EQ(position(), 400u);
    sound->restart();
    EXPECT_EQ(position(), 0u);
    EXPECT_TRUE(sound->buffer->playing());
    advanceBytes(50);
    EXPECT_EQ(position(), 50u);
}

}  // namespace
}  // namespace hc
