// Runs a fuzz target without libFuzzer: every corpus file once, then a bounded number of mutations of
// them drawn from a seeded generator, so a run is repeatable. Each input is written to crash-input in the
// working folder before it runs, and the file is removed once all ran clean: after a crash, a
// sanitizer's report (which ends the process without a signal) or a hang, it holds the input that
// caused it (run the target on that file to reproduce it).
//
//   fuzz_x [--runs N] [--seed S] [--max-len L] [FILE or FOLDER]...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kCrashInput[] = "crash-input";

void onCrash(int signal) {
    const char note[] = "fuzz: crashed; the input is in crash-input\n";
    ssize_t ignored = write(2, note, sizeof note - 1);
    (void)ignored;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(next() % n) : 0; }

private:
    std::uint64_t state_;
};

// Bytes that matter to text readers: separators, signs, digits, line ends, and the extremes.
constexpr std::uint8_t kInteresting[] = {0, 0xFF, 0x7F, 0x80, '\n', '\r', ',', '-', '+', '.', ' ', '\t', '#',
                                         '0', '1', '9', 'e', '"', 0x82, 0x83, 0x93};
constexpr const char* kNumbers[] = {"0", "-1", "2147483647", "-2147483648", "4294967295", "99999999999999999999",
                                    "1e39", "nan", "0.5", "-0"};

void mutate(Bytes& data, const std::vector<Bytes>& corpus, Random& rng, std::size_t maxLen) {
    int steps = 1 + static_cast<int>(rng.below(4));
    for (int s = 0; s < steps; ++s) {
        switch (rng.below(9)) {
        case 0:  // flip a bit
            if (!data.empty()) data[rng.below(data.size())] ^= static_cast<std::uint8_t>(1u << rng.below(8));
            break;
        case 1:  // any byte
            if (!data.empty()) data[rng.below(data.size())] = static_cast<std::uint8_t>(rng.next());
            break;
        case 2:  // a byte that matters to text
            if (!data.empty()) data[rng.below(data.size())] = kInteresting[rng.below(sizeof kInteresting)];
            break;
        case 3:  // insert a byte
            data.insert(data.begin() + static_cast<std::ptrdiff_t>(rng.below(data.size() + 1)),
                        kInteresting[rng.below(sizeof kInteresting)]);
            break;
        case 4:  // erase a run
            if (!data.empty()) {
                std::size_t at = rng.below(data.size());
                std::size_t n = 1 + rng.below(std::min<std::size_t>(data.size() - at, 64));
                data.erase(data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(at + n));
            }
            break;
        case 5:  // repeat a run
            if (!data.empty()) {
                std::size_t at = rng.below(data.size());
                std::size_t n = 1 + rng.below(std::min<std::size_t>(data.size() - at, 256));
                Bytes run(data.begin() + static_cast<std::ptrdiff_t>(at),
                          data.begin() + static_cast<std::ptrdiff_t>(at + n));
                std::size_t times = 1 + rng.below(8);
                for (std::size_t t = 0; t < times; ++t)
                    data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), run.begin(), run.end());
            }
            break;
        case 6:  // cut the end off
            if (!data.empty()) data.resize(rng.below(data.size()));
            break;
        case 7:  // splice in part of another input
            if (!corpus.empty()) {
                const Bytes& other = corpus[rng.below(corpus.size())];
                if (!other.empty()) {
                    std::size_t from = rng.below(other.size());
                    std::size_t n = 1 + rng.below(other.size() - from);
                    data.insert(data.begin() + static_cast<std::ptrdiff_t>(rng.below(data.size() + 1)),
                                other.begin() + static_cast<std::ptrdiff_t>(from),
                                other.begin() + static_cast<std::ptrdiff_t>(from + n));
                }
            }
            break;
        default: {  // an extreme number
            const char* number = kNumbers[rng.below(std::size(kNumbers))];
            data.insert(data.begin() + static_cast<std::ptrdiff_t>(rng.below(data.size() + 1)), number,
                        number + std::strlen(number));
            break;
        }
        }
    }
    if (data.size() > maxLen) data.resize(maxLen);
}

bool readFile(const std::filesystem::path& path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Keeps the input where it can be found if the target never returns from it.
bool keep(const Bytes& data) {
    int fd = open(kCrashInput, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return close(fd) == 0 && done == data.size();
}

bool run(const Bytes& data) {
    if (!keep(data)) {
        std::fprintf(stderr, "fuzz: cannot write %s in the working folder\n", kCrashInput);
        return false;
    }
    // Like libFuzzer, never a null pointer, even for an empty input: targets may hand it to fwrite.
    static const std::uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
    return true;
}

bool parseCount(const char* text, unsigned long long& out) {
    char* end = nullptr;
    out = std::strtoull(text, &end, 10);
    return end && *end == '\0' && *text != '\0' && *text != '-';
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long runs = 1000, seed = 1, maxLen = 65536;
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        unsigned long long* target = nullptr;
        if (arg == "--runs") target = &runs;
        if (arg == "--seed") target = &seed;
        if (arg == "--max-len") target = &maxLen;
        if (target) {
            if (i + 1 >= argc || !parseCount(argv[++i], *target)) {
                std::fprintf(stderr, "fuzz: %s needs a whole number\n", arg.c_str());
                return 2;
            }
        } else {
            paths.emplace_back(arg);
        }
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::signal(SIGSEGV, onCrash);
    std::signal(SIGABRT, onCrash);
    std::signal(SIGFPE, onCrash);
    std::signal(SIGBUS, onCrash);
    std::signal(SIGILL, onCrash);

    std::vector<std::filesystem::path> files;
    for (const auto& path : paths) {
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(path, ec)) {
            files.push_back(path);
        } else {
            std::fprintf(stderr, "fuzz: no corpus at %s, starting from nothing\n", path.string().c_str());
        }
    }
    std::sort(files.begin(), files.end());  // the same order on every machine

    std::vector<Bytes> corpus;
    for (const auto& file : files) {
        Bytes data;
        if (!readFile(file, data)) {
            std::fprintf(stderr, "fuzz: cannot read %s\n", file.string().c_str());
            return 2;
        }
        if (data.size() > maxLen) data.resize(maxLen);
        if (!run(data)) return 2;
        corpus.push_back(std::move(data));
    }

    Random rng(seed);
    Bytes data;
    for (unsigned long long i = 0; i < runs; ++i) {
        data = corpus.empty() ? Bytes{} : corpus[rng.below(corpus.size())];
        mutate(data, corpus, rng, maxLen);
        if (!run(data)) return 2;
    }
    std::remove(kCrashInput);
    std::printf("fuzz: %zu corpus inputs and %llu mutations ran clean\n", corpus.size(), runs);
    return 0;
}
