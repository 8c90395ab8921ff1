#pragma once
// The working folder of a test: another folder for a while, or a fresh scratch folder of its own.
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace hc::testsupport {

// Works in the given folder while the object lives and goes back to the folder it came from.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(saved_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path saved_;
};

// A fresh folder under /tmp, the working folder while the object lives, removed with all it holds.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix = "hc_test") : path(make(prefix)) { inside_.emplace(path); }
    ~ScratchFolder() {
        inside_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path path;

private:
    static std::filesystem::path make(const char* prefix) {
        std::string pattern = std::string("/tmp/") + prefix + "_XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::filesystem::filesystem_error("mkdtemp", pattern, std::error_code(errno, std::generic_category()));
        return pattern;
    }
    std::optional<WorkingFolder> inside_;
};

}  // namespace hc::testsupport
