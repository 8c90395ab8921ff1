#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace hc {

// Reads a data file line by line into a caller's fixed buffer, the way the game's text files are read:
// a CR LF pair arrives as one '\n' whatever the platform, and a line longer than the buffer arrives in
// pieces, each piece ending the read like a line of its own.
class TextLineReader {
public:
    TextLineReader() = default;
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;
    ~TextLineReader() { close(); }

    bool open(const std::string& path);
    // Fills at most size - 1 bytes and always terminates them; stops after a '\n'. Returns false when the
    // file has nothing more (the buffer then holds an empty string).
    bool readLine(char* buffer, std::size_t size);
    void close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace hc
