#pragma once
// Shared fixture pieces of the field tests: a scratch folder that becomes the working directory, and
// writers of tiny data files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/unit/scratch_files.h"

namespace hc::fieldtest {

class ScratchDir : public testsupport::ScratchFolder {
public:
    ScratchDir() : ScratchFolder("field_test") {}
};

using testfiles::boxMeshText;
using testfiles::writeFile;

// A canonical 44-byte-header PCM WAV of a little silence.
inline std::string silentWav() { return testfiles::silentPcmWav(22050, 16, 2205 * 2); }

}  // namespace hc::fieldtest
