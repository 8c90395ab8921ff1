// The whole program through the driver: the real start-up, loop and scenes, on the headless back end
// and on SDL with OpenGL (offscreen).
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/program/program_support.h"

// A private copy of the PNG reader: the test checks the files, not the program's own loader.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

using hc_test::quoted;
using hc_test::readText;

class Drive : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->name());
        for (char& c : name)
            if (c == '/') c = '_';
        dir = fs::temp_directory_path() / ("hc-drive-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir);
    }

    fs::path write(const std::string& name, const std::string& text) {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

    // Runs the driver from the test's folder, in the runtime folder that holds Resource_Blade/.
    Result run(const std::string& args) {
        const char* runtime = std::getenv("HC_RUNTIME_DIR");
        std::string command = "cd " + quoted(dir.string()) + " && " + quoted(HC_GAMEDRIVE) + " " + args;
        if (runtime) command += " --workdir " + quoted(runtime);
        command += " >" + quoted((dir / "out").string()) + " 2>" + quoted((dir / "err").string());
        Result r;
        int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = readText(dir / "out");
        r.err = readText(dir / "err");
        return r;
    }
};

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // ARGB
};

bool loadPng(const fs::path& path, Image& image) {
    int channels = 0;
    stbi_uc* data = stbi_load(path.string().c_str(), &image.width, &image.height, &channels, 4);
    if (!data) return false;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const stbi_uc* p = data + i * 4;
        image.pixels[i] = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    }
    stbi_image_free(data);
    return true;
}

const char* const kModes[] = {"--headless", ""};

TEST_F(Drive, RunsTheTicksAskedForAndReportsWhereItStopped) {
    for (const char* mode : kModes) {
        SCOPED_TRACE(*mode ? mode : "sdl");
        Result r = run(std::string(mode) + " --ticks 120");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(R"({"ticks":120,"exit":"tick-limit","scene":"title","endless":0)"), std::string::npos)
            << r.out;
    }
}

TEST_F(Drive, ShotsAreTheBackBufferAfterTheTicksDraw) {
    Result r = run("--headless --ticks 10 --shot 5:h.png");
    ASSERT_EQ(r.status, 0) << r.err;
    Image image;
    ASSERT_TRUE(loadPng(dir / "h.png", image));
    EXPECT_EQ(image.width, 1286);
    EXPECT_EQ(image.height, 729);
    // The recording device answers reads with the colour its frame was cleared to.
    for (std::uint32_t p : image.pixels) ASSERT_EQ(p, 0xFF101012u);
}

TEST_F(Drive, TwoRunsOfOneScriptGiveTheSameFrames) {
    write("s.txt", "at 20 left 700 -300\nat 40 tap B\nat 90 shot a.png\nat 120 end\n");
    Result first = run("--script s.txt");
    ASSERT_EQ(first.status, 0) << first.err;
    fs::rename(dir / "a.png", dir / "first.png");
    Result second = run("--script s.txt");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(first.out, second.out);
    Image a, b;
    ASSERT_TRUE(loadPng(dir / "first.png", a));
    ASSERT_TRUE(loadPng(dir / "a.png", b));
    EXPECT_EQ(a.width, 1286);
    EXPECT_EQ(a.height, 729);
    EXPECT_TRUE(a.pixels == b.pixels);
}

TEST_F(Drive, ScriptEndStopsAfterItsTick) {
    write("s.txt", "at 10 end\nat 20 tap A\n");
    Result r = run("--headless --script s.txt --ticks 100");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(R"("ticks":10,"exit":"script-end")"), std::string::npos) << r.out;
}

TEST_F(Drive, HoldingBackThroughTheScriptedPadQuitsAfterSixtyTicks) {
    write("s.txt", "at 1 press BACK\n");
    for (const char* mode : kModes) {
        SCOPED_TRACE(*mode ? mode : "sdl");
        Result r = run(std::string(mode) + " --script s.txt --ticks 200");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(R"("ticks":60,"exit":"quit-hold")"), std::string::npos) << r.out;
    }
}

TEST_F(Drive, BadScriptsAndOptionsAreRefusedWithAClearMessage) {
    write("bad.txt", "at 1 press A\nat 2 press Z\n");
    Result r = run("--headless --script bad.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.txt:2: unknown button 'Z'"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    for (const char* args : {"--ticks 0", "--ticks x", "--shot 5", "--shot :a.png", "--bogus", "--script"}) {
        SCOPED_TRACE(args);
        Result o = run(std::string("--headless ") + args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("usage: gamedrive"), std::string::npos) << o.err;
    }
}

TEST_F(Drive, AShotThatIsNeverReachedIsAFailure) {
    Result r = run("--headless --ticks 10 --shot 20:late.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not reached"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "late.png"));
}

}  // namespace
