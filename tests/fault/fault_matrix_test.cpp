// The driver, headless, on a copy of the runtime folder with one data file removed, cut in half or
// emptied, once for every file of Resource_Blade/. Each run shows the message of the reader that met the
// fault, ends by itself with status 0, never crashes, and writes nothing outside its runtime folder.
// A few files are also damaged by one change that once crashed a mesh reader.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Fault { Removed,
                   Truncated,
                   Emptied,
                   MaterialMisspelt,
                   NormalIndexPastNormals };

struct Case {
    std::string file;  // relative to Resource_Blade/
    Fault fault;
};

const char* faultName(Fault fault) {
    switch (fault) {
    case Fault::Removed: return "removed";
    case Fault::Truncated: return "truncated";
    case Fault::Emptied: return "emptied";
    case Fault::MaterialMisspelt: return "material_misspelt";
    case Fault::NormalIndexPastNormals: return "normal_index_past_normals";
    }
    return "";
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.file << " " << faultName(c.fault); }

const fs::path kRuntime = HC_FAULT_RUNTIME_DIR;

std::vector<Case> allCases() {
    std::vector<std::string> files;
    std::error_code ec;
    const fs::path data = kRuntime / "Resource_Blade";
    for (auto it = fs::recursive_directory_iterator(data, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file()) files.push_back(fs::relative(it->path(), data).generic_string());
    std::sort(files.begin(), files.end());
    std::vector<Case> cases;
    for (const auto& f : files) {
        for (Fault fault : {Fault::Removed, Fault::Truncated, Fault::Emptied}) cases.push_back({f, fault});
    }
    return cases;
}

// Letters, digits and underscores only: a test name, and a folder name without surprises.
std::string plainName(const Case& c) {
    std::string name;
    for (unsigned char ch : c.file) name += std::isalnum(ch) ? static_cast<char>(ch) : '_';
    return name + "_" + faultName(c.fault);
}

// The index keeps the names unique where Japanese folder names all turned into underscores.
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::to_string(info.index) + "_" + plainName(info.param);
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The message the reader of a file shows when the file is missing; empty when a missing file is no
// fault (the light settings fall back to their defaults).
std::string messageWhenMissing(const std::string& file) {
    const std::string path = "Resource_Blade/" + file;
    // Without light settings the six default lights are set; without remarks the window stays empty.
    if (file == "LightDate.txt" || file == "Event/つぶやき.txt") return "";
    if (file == "Event/シナリオ改.txt") return "シナリオの読み込みに失敗しました\nファイル名 \"" + path + "\"";
    if (startsWith(file, "Ranking/") && !endsWith(file, ".png"))
        return "ランキング情報の読み込みに失敗しました\nファイル名 \"" + path + "\"";
    if (startsWith(file, "Ene_CSVファイル/")) return "エネミー情報の読み込みに失敗しました\nファイル名 \"" + path + "\"";
    // The title's backdrop reads stage 3 first, with its own reader.
    if (file == "CSV/Field_3.csv" || file == "CSV/Wall_3.csv")
        return "フィールド情報の読み込みに失敗しました\nファイル名 \"" + path + "\"";
    if (startsWith(file, "CSV/")) return "CSVファイルの読み込みに失敗しました";
    if (endsWith(file, ".png")) return "テクスチャの読み込みに失敗しました";
    if (endsWith(file, ".x")) return "メッシュの読み込みに失敗しました";
    if (endsWith(file, ".wav")) return "音楽ファイルのロードに失敗しました\n(ファイルの読み込み)";
    return "?";  // a reader this table does not know yet: the test names the file
}

// Half an image or a mesh, or none of it, cannot be read; a text file or a sound cut short still can, as
// far as it goes (a sound without its header cannot).
std::string messageWhenCut(const std::string& file, Fault fault) {
    if (endsWith(file, ".png")) return "テクスチャの読み込みに失敗しました";
    if (endsWith(file, ".x")) return "メッシュの読み込みに失敗しました";
    if (endsWith(file, ".wav") && fault == Fault::Emptied) return "音楽データの読み込みに失敗しました\n(バッファ作成)";
    return "";
}

// One change to a good mesh: the inline material of its material list renamed "MAterial", or a digit
// put before the first index of its first normal face so that it points past the normals. Empty when
// the file has no such place.
std::string damaged(std::string bytes, Fault fault) {
    const std::size_t list = bytes.find("MeshMaterialList");
    if (fault == Fault::MaterialMisspelt) {
        const std::size_t at = list == std::string::npos ? list : bytes.find("Material ", list + 16);
        if (at == std::string::npos) return {};
        return bytes.replace(at, 9, "MAterial ");
    }
    // MeshNormals { count; normals...;; faceCount; cornerCount;index,...
    std::size_t at = bytes.find("MeshNormals");
    if (at != std::string::npos) at = bytes.find('{', at);
    if (at == std::string::npos) return {};
    char* end = nullptr;
    const long normals = std::strtol(bytes.c_str() + at + 1, &end, 10);
    at = bytes.find(";;", static_cast<std::size_t>(end - bytes.c_str()));  // the end of the normals
    if (at != std::string::npos) at = bytes.find(';', at + 2);             // the face count
    if (at != std::string::npos) at = bytes.find(';', at + 1);             // the first face's corner count
    if (at == std::string::npos) return {};
    std::string digits = "9";
    while (std::stol(digits) < normals) digits += "9";
    return bytes.insert(at + 1, digits);
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using Snapshot = std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>;

// Size and time of every file below root (the folders themselves are not compared).
Snapshot snapshot(const fs::path& root) {
    Snapshot files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory()) continue;
        files[fs::relative(it->path(), root).generic_string()] = {it->is_regular_file() ? it->file_size() : 0,
                                                                  it->last_write_time()};
    }
    return files;
}

// The game rewrites its two ranking files (after a name entry); nothing else of the data.
Snapshot withoutRankings(Snapshot files) {
    files.erase("Resource_Blade/Ranking/ranking_date");
    files.erase("Resource_Blade/Ranking/inf_ranking_date");
    return files;
}

struct DriveResult {
    bool exited = false;
    int status = -1;
    int signal = 0;
    std::string out, err;
};

// Starts the driver in `from` with the runtime folder as its working folder and TMPDIR in the sandbox.
DriveResult drive(const fs::path& from, const fs::path& runtime, const fs::path& tmp, const fs::path& logs) {
    const std::string outPath = (logs / "out").string(), errPath = (logs / "err").string();
    pid_t child = fork();
    if (child == 0) {
        if (chdir(from.c_str()) != 0) _exit(126);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setenv("TMPDIR", tmp.c_str(), 1);
        const std::string workdir = runtime.string();
        execl(HC_GAMEDRIVE, HC_GAMEDRIVE, "--headless", "--script", HC_FAULT_SCRIPT, "--workdir", workdir.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    DriveResult r;
    int raw = 0;
    if (child > 0 && waitpid(child, &raw, 0) == child) {
        r.exited = WIFEXITED(raw);
        r.status = r.exited ? WEXITSTATUS(raw) : -1;
        r.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    }
    r.out = readText(outPath);
    r.err = readText(errPath);
    return r;
}

class FaultMatrix : public ::testing::TestWithParam<Case> {
protected:
    fs::path sandbox;

    void SetUp() override {
        sandbox = fs::current_path() / "fault_sandbox" / (plainName(GetParam()) + "_" + std::to_string(getpid()));
        fs::remove_all(sandbox);
        for (const char* d : {"outside", "tmp", "logs", "runtime/Resource_Blade"}) fs::create_directories(sandbox / d);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(sandbox);
    }

    // A copy of the runtime folder with the fault put in. Files the game never writes are linked, not
    // copied; the ranking files, which it rewrites, are real copies.
    void buildRuntime(const Case& c) {
        const fs::path from = kRuntime / "Resource_Blade", to = sandbox / "runtime" / "Resource_Blade";
        for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
            const std::string rel = fs::relative(it->path(), from).generic_string();
            const fs::path target = to / rel;
            if (it->is_directory()) {
                fs::create_directories(target);
                continue;
            }
            if (rel == c.file && (c.fault == Fault::MaterialMisspelt || c.fault == Fault::NormalIndexPastNormals)) {
                const std::string bytes = damaged(readText(it->path()), c.fault);
                ASSERT_FALSE(bytes.empty()) << "no place for the damage in " << rel;
                std::ofstream(target, std::ios::binary) << bytes;
                continue;
            }
            if (rel == c.file) {
                if (c.fault != Fault::Removed) {
                    std::string bytes = readText(it->path());
                    std::ofstream(target, std::ios::binary)
                        << bytes.substr(0, c.fault == Fault::Truncated ? bytes.size() / 2 : 0);
                }
                continue;
            }
            std::error_code ec;
            if (startsWith(rel, "Ranking/"))
                ec = std::make_error_code(std::errc::operation_not_permitted);
            else
                fs::create_hard_link(it->path(), target, ec);
            if (ec) fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing);
        }
    }
};

TEST_P(FaultMatrix, ShowsTheReadersMessageAndEndsCleanly) {
    const Case& c = GetParam();
    buildRuntime(c);
    const auto outsideBefore = snapshot(sandbox / "outside");
    const auto runtimeBefore = snapshot(sandbox / "runtime");

    DriveResult r = drive(sandbox / "outside", sandbox / "runtime", sandbox / "tmp", sandbox / "logs");

    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal << "\n"
                          << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "fuzz: crashed"})
        EXPECT_EQ(r.err.find(report), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("{\"ticks\":"), std::string::npos) << "no run report\n"
                                                            << r.out;

    const std::string expected =
        c.fault == Fault::Removed ? messageWhenMissing(c.file) : messageWhenCut(c.file, c.fault);
    ASSERT_NE(expected, "?") << "no reader known for " << c.file;
    if (!expected.empty()) {
        EXPECT_NE(r.err.find("エラー: " + expected), std::string::npos)
            << "expected the message \"" << expected << "\"; standard error was:\n"
            << r.err;
    } else if (c.fault == Fault::Removed) {
        EXPECT_EQ(r.err.find("エラー"), std::string::npos) << r.err;
    }
    // A reader that gave up ends the program at once; the others run the whole script.
    if (r.err.find("エラー") == std::string::npos) {
        EXPECT_NE(r.out.find("\"exit\":\"script-end\""), std::string::npos) << r.out;
    }

    EXPECT_EQ(snapshot(sandbox / "outside"), outsideBefore) << "the driver wrote beside its runtime folder";
    EXPECT_TRUE(fs::is_empty(sandbox / "tmp")) << "the driver left files in TMPDIR";
    EXPECT_EQ(withoutRankings(snapshot(sandbox / "runtime")), withoutRankings(runtimeBefore))
        << "the driver changed data files other than the rankings";
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, FaultMatrix, ::testing::ValuesIn(allCases()), caseName);

// The two one-change damages of blade.x that once crashed the game (a read through a null pointer)
// or let it go on with normals read from past their list: now the mesh message, with the file's name.
class DamagedMesh : public FaultMatrix {};

TEST_P(DamagedMesh, ShowsTheMeshMessageWithTheFileAndEndsCleanly) {
    const Case& c = GetParam();
    buildRuntime(c);
    if (HasFatalFailure()) return;
    DriveResult r = drive(sandbox / "outside", sandbox / "runtime", sandbox / "tmp", sandbox / "logs");
    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal << "\n"
                          << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"})
        EXPECT_EQ(r.err.find(report), std::string::npos) << r.err;
    const std::string expected = "エラー: メッシュの読み込みに失敗しました\nファイル名 \"Resource_Blade/" + c.file + "\"";
    EXPECT_NE(r.err.find(expected), std::string::npos) << "standard error was:\n"
                                                       << r.err;
    EXPECT_EQ(r.out.find("\"exit\":\"script-end\""), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(OneChange, DamagedMesh,
                         ::testing::Values(Case{"Mesh/blade.x", Fault::MaterialMisspelt},
                                           Case{"Mesh/blade.x", Fault::NormalIndexPastNormals}),
                         [](const ::testing::TestParamInfo<Case>& p) { return plainName(p.param); });

TEST(FaultMatrixSetUp, RuntimeFolderHoldsTheData) {
    EXPECT_TRUE(fs::exists(kRuntime / "Resource_Blade" / "LightDate.txt")) << kRuntime;
    EXPECT_TRUE(fs::exists(HC_FAULT_SCRIPT));
}

}  // namespace
