#pragma once
// What the whole-program tests share: reading the driver's output and running it in a folder of the
// test's own that holds a private copy of the runtime data (runs may rewrite ranking files).
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace hc_test {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text as one word for the shell.
inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The number after "key": in the driver's JSON line (-1 when the key is missing).
inline long long jsonNumber(const std::string& json, const std::string& key) {
    const std::string tag = "\"" + key + "\":";
    const std::size_t at = json.find(tag);
    if (at == std::string::npos) return -1;
    return std::strtoll(json.c_str() + at + tag.size(), nullptr, 10);
}

// The string after "key": in the driver's JSON line (plain text only, as the driver writes it).
inline std::string jsonString(const std::string& json, const std::string& key) {
    const std::string tag = "\"" + key + "\":\"";
    const std::size_t at = json.find(tag);
    if (at == std::string::npos) return "";
    const std::size_t end = json.find('"', at + tag.size());
    return end == std::string::npos ? "" : json.substr(at + tag.size(), end - at - tag.size());
}

class RuntimeCopyTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        if (!std::getenv("HC_SOURCE_DIR") || !std::getenv("HC_RUNTIME_DIR"))
            GTEST_SKIP() << "HC_SOURCE_DIR and HC_RUNTIME_DIR are needed";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("hc-run-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "runtime");
        fs::copy(fs::path(std::getenv("HC_RUNTIME_DIR")) / "Resource_Blade", dir / "runtime" / "Resource_Blade",
                 fs::copy_options::recursive);
    }
    void TearDown() override {
        if (!dir.empty() && !HasFailure()) fs::remove_all(dir);
    }

    fs::path rankingFile(const char* name) const { return dir / "runtime/Resource_Blade/Ranking" / name; }

    // The driver's JSON line for a headless run with these options in the private runtime folder; the
    // driver must end with status 0.
    std::string drive(const std::string& options) {
        std::string command = "cd " + quoted(dir.string()) + " && " + quoted(HC_GAMEDRIVE) + " --headless " + options +
                              " --workdir " + quoted((dir / "runtime").string()) + " >" + quoted((dir / "out").string()) +
                              " 2>" + quoted((dir / "err").string());
        int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readText(dir / "err");
        return readText(dir / "out");
    }

    // The same for one of the shipped driver scripts.
    std::string runScript(const std::string& script) {
        const fs::path path = fs::path(std::getenv("HC_SOURCE_DIR")) / "tools/gamedrive/scripts" / script;
        return drive("--script " + quoted(path.string()));
    }
};

}  // namespace hc_test
