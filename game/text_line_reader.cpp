#include "game/text_line_reader.h"

namespace hc {

bool TextLineReader::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    return file_ != nullptr;
}

bool TextLineReader::readLine(char* buffer, std::size_t size) {
    if (size == 0) return false;
    buffer[0] = '\0';
    if (!file_ || size == 1) return false;
    std::size_t n = 0;
    bool any = false;
    while (n + 1 < size) {
        int c = std::fgetc(file_);
        if (c == EOF) break;
        any = true;
        if (c == '\r') {
            int next = std::fgetc(file_);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file_);
            }
        }
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return any;
}

void TextLineReader::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace hc
