#include "game/text_line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "field_test_support.h"

namespace hc {
namespace {

std::vector<std::string> readAll(const std::string& bytes, std::size_t size) {
    fieldtest::writeFile("lines.txt", bytes);
    TextLineReader reader;
    EXPECT_TRUE(reader.open("lines.txt"));
    std::vector<std::string> lines;
    std::vector<char> buffer(size, 'x');
    while (reader.readLine(buffer.data(), buffer.size())) lines.emplace_back(buffer.data());
    EXPECT_EQ(buffer[0], '\0');
    return lines;
}

TEST(TextLineReader, SplitsLinesLikeTextMode) {
    fieldtest::ScratchDir scratch;
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t size;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"LF and CR LF", "ab\ncd\r\nef", 16, {"ab\n", "cd\n", "ef"}},
        {"lone CR stays", "a\rb\r", 16, {"a\rb\r"}},
        {"long line in pieces", "abcdefg\n", 4, {"abc", "def", "g\n"}},
        {"CR LF across a piece boundary", "ab\r\ncd", 3, {"ab", "\n", "cd"}},
        {"empty lines", "\n\n", 8, {"\n", "\n"}},
        {"empty file", "", 8, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(readAll(c.bytes, c.size), c.lines) << c.name;
}

TEST(TextLineReader, MissingFileDoesNotOpen) {
    TextLineReader reader;
    EXPECT_FALSE(reader.open("/nonexistent/dir/file.txt"));
    char buffer[8] = "xxxxxxx";
    EXPECT_FALSE(reader.readLine(buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], '\0');
}

}  // namespace
}  // namespace hc
