#pragma once
// Shared by the engine service tests: a scratch folder, file writing, and the services they run on.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/services.h"
#include "platform/headless/headless_device.h"
#include "platform/platform.h"
#include "tests/support/service_guard.h"
#include "tests/unit/test_platform.h"

namespace hc::testing {

class ScratchDir {
public:
    ScratchDir() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("hc_engine_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::string write(const std::string& name, const std::string& contents) const {
        std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << contents;
        return p.string();
    }

private:
    std::filesystem::path path_;
};

// The test platform (which keeps the error boxes) and a headless device as the process-wide services
// for one test.
class ServiceScope : public testsupport::ServiceGuard {
public:
    ServiceScope() : ServiceGuard(deviceOnly()) {}
};

}  // namespace hc::testing
