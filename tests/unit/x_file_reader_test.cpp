#include "platform/x_file_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "x_fixtures.h"

namespace hc {
namespace {

using testing::blockX;

std::string fixture(const char* name) {
    const char* source = std::getenv("HC_SOURCE_DIR");
    return std::string(source ? source : ".") + "/tests/unit/x_files/" + name;
}

void expectVertex(const XFileModel::Vertex& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(XFileReader, ReadsFramesReferencesAndTemplatesAsExportersWriteThem) {
    if (!std::getenv("HC_SOURCE_DIR")) GTEST_SKIP() << "HC_SOURCE_DIR not set";
    XFileReader reader;
    XFileModel model;
    ASSERT_TRUE(reader.read(fixture("framed_exporter.x"), model)) << reader.error;
    // The referenced material at the top of the file, its doubled backslash made single.
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, "Stone");
    EXPECT_EQ(model.materials[0].textureFile, "tex\\stone.png");
    EXPECT_FLOAT_EQ(model.materials[0].power, 12.0f);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[2], 0.6f);
    // Three frames: scaled by 2, turned a quarter about z and moved 1 along x, moved 5 along z.
    ASSERT_EQ(model.vertices.size(), 4u);
    expectVertex(model.vertices[0], 1, 0, 5);
    expectVertex(model.vertices[1], 1, 2, 5);
    expectVertex(model.vertices[2], -1, 2, 5);
    expectVertex(model.vertices[3], -1, 0, 5);
    for (const XFileModel::Vertex& v : model.vertices) {
        EXPECT_NEAR(v.nx, 0.0f, 1e-6f);
        EXPECT_NEAR(v.ny, 0.0f, 1e-6f);
        EXPECT_FLOAT_EQ(v.nz, -1.0f);
    }
    EXPECT_FLOAT_EQ(model.vertices[1].u, 1.0f);
    EXPECT_FLOAT_EQ(model.vertices[1].v, 1.0f);
    ASSERT_EQ(model.triangles.size(), 1u);
    EXPECT_EQ(model.triangles[0], (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST(XFileReader, ReadsListsClosedBySingleSemicolonsAndOneIndexForAllFaces) {
    if (!std::getenv("HC_SOURCE_DIR")) GTEST_SKIP() << "HC_SOURCE_DIR not set";
    XFileReader reader;
    XFileModel model;
    ASSERT_TRUE(reader.read(fixture("single_semicolons.x"), model)) << reader.error;
    ASSERT_EQ(model.materials.size(), 2u);
    EXPECT_EQ(model.materials[1].name, "Green");
    EXPECT_FLOAT_EQ(model.materials[1].diffuse[3], 0.5f);
    EXPECT_FALSE(model.hasUvs);
    // The pentagon fanned around its first corner, all in the second material; the first keeps none.
    ASSERT_EQ(model.triangles.size(), 2u);
    EXPECT_TRUE(model.triangles[0].empty());
    EXPECT_EQ(model.triangles[1], (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
    ASSERT_EQ(model.vertices.size(), 5u);
    expectVertex(model.vertices[4], -1.0f, 1.5f, 0.0f);
}

TEST(XFileReader, AMeshWithoutMaterialsDrawsInGreyAndCornersAreShared) {
    const std::string x =
        "xof 0303txt 0032\nMesh {\n 4;\n 0;0;0;,\n 1;0;0;,\n 1;1;0;,\n 0;1;0;;\n"
        " 2;\n 3;0,1,2;,\n 3;0,2,3;;\n}\n";
    XFileReader reader;
    XFileModel model;
    ASSERT_TRUE(reader.parse(x, model)) << reader.error;
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[3], 1.0f);
    EXPECT_EQ(model.vertices.size(), 4u);
    EXPECT_FALSE(model.hasNormals);

    // A mesh of no faces with a material list of no materials adds nothing.
    const std::string empty = "xof 0303txt 0032\nMesh {\n 0;\n 0;\n MeshMaterialList {\n  0;\n  0;\n }\n}\n";
    ASSERT_TRUE(reader.parse(empty + x.substr(17), model)) << reader.error;
    EXPECT_EQ(model.vertices.size(), 4u);
}

// Each case breaks one promise of a good file.
TEST(XFileReader, RefusesEveryBrokenPromise) {
    const std::string good = blockX();
    struct Case {
        const char* what;
        std::string find, replace;
    } cases[] = {
        {"a face index beyond the vertices", "3;4,5,6;;", "3;4,5,7;;"},
        {"a normal face index beyond the normals", "   3;1,1,1;;", "   3;1,1,10;;"},
        {"normal faces fewer than the faces", "   2;\n   4;0,0,0,0;,\n   3;1,1,1;;", "   1;\n   4;0,0,0,0;;"},
        {"a normal face with other corners than its face", "   3;1,1,1;;", "   4;1,1,1,1;;"},
        {"a material index beyond the materials", "   1,\n   0;;", "   2,\n   0;;"},
        {"more materials counted than given", "   2;\n   2;\n   1,", "   3;\n   2;\n   1,"},
        {"a misspelt material block", "   Material {\n    1.0", "   MAterial {\n    1.0"},
        {"texture coordinates fewer than the vertices", "   7;\n   0.0;0.0;,", "   6;\n   0.0;0.0;,"},
        {"a count larger than the file", "  7;\n  0.0;0.0;0.0;,", "  4000000000;\n  0.0;0.0;0.0;,"},
        {"a count beyond 32 bits", "  7;\n  0.0;0.0;0.0;,", "  99999999999;\n  0.0;0.0;0.0;,"},
        {"a negative count", "  7;\n  0.0;0.0;0.0;,", "  -7;\n  0.0;0.0;0.0;,"},
        {"a fractional count", "  7;\n  0.0;0.0;0.0;,", "  7.5;\n  0.0;0.0;0.0;,"},
        {"a face of two corners", "3;4,5,6;;", "2;4,5;;"},
        {"a number too large", "6.0;1.0;1.0;", "6e30;1.0;1.0;"},
        {"a number past every float", "6.0;1.0;1.0;", "1e999;1.0;1.0;"},
        {"not a number", "6.0;1.0;1.0;", "nan;1.0;1.0;"},
        {"a number with a tail", "6.0;1.0;1.0;", "6.0x;1.0;1.0;"},
        {"digits without end", "6.0;1.0;1.0;", "6." + std::string(100, '1') + ";1.0;1.0;"},
        {"a missing separator", "6.0;1.0;1.0;", "6.0 1.0;1.0;"},
        {"a second normal list", "  MeshTextureCoords {", "  MeshNormals {\n 0;\n 0;\n }\n  MeshTextureCoords {"},
        {"a string without its end", "\"stone.png\";", "\"stone.png;"},
        {"an unclosed object", "  }\n }\n}\n", "  }\n }\n"},
        {"a stray closing brace", "Frame Root {", "}\nFrame Root {"},
        {"the binary form", "xof 0303txt 0032", "xof 0303bin 0032"},
        {"the compressed form", "xof 0303txt 0032", "xof 0303tzip0032"},
        {"another float size", "xof 0303txt 0032", "xof 0303txt 0016"},
        {"a reference to no material", "   Material {\n    0.2;0.3;0.4;1.0;;\n    0.0;\n    0.0;0.0;0.0;;\n    0.0;0.0;0.0;;\n   }",
         "   { Nowhere }"},
    };
    XFileReader reader;
    XFileModel model;
    ASSERT_TRUE(reader.parse(good, model)) << reader.error;
    for (const Case& c : cases) {
        std::string bad = good;
        const std::size_t at = bad.find(c.find);
        ASSERT_NE(at, std::string::npos) << c.what;
        bad.replace(at, c.find.size(), c.replace);
        EXPECT_FALSE(reader.parse(bad, model)) << c.what;
        EXPECT_FALSE(reader.error.empty()) << c.what;
        EXPECT_TRUE(model.vertices.empty() && model.materials.empty()) << c.what;
    }
}

TEST(XFileReader, RefusesEveryCutOfAGoodFile) {
    const std::string good = blockX();
    XFileReader reader;
    XFileModel model;
    // Cuts inside the last closing brace's trailing newline still hold the whole file.
    for (std::size_t size = 0; size + 1 < good.size(); ++size)
        EXPECT_FALSE(reader.parse(good.substr(0, size), model)) << size << " bytes";
}

TEST(XFileReader, LimitsNestingAndFileSize) {
    auto nested = [](int frames) {
        std::string x = "xof 0303txt 0032\n";
        for (int i = 0; i < frames; ++i) x += "Frame {\n";
        x += "Mesh {\n3;\n0;0;0;,\n1;0;0;,\n0;1;0;;\n1;\n3;0,1,2;;\n}\n";
        for (int i = 0; i < frames; ++i) x += "}\n";
        return x;
    };
    XFileReader reader;
    XFileModel model;
    EXPECT_TRUE(reader.parse(nested(XFileReader::kMaxDepth - 1), model)) << reader.error;
    EXPECT_FALSE(reader.parse(nested(XFileReader::kMaxDepth), model));
    EXPECT_FALSE(reader.parse(nested(100000), model));
    // Unknown objects are skipped, within the same limit.
    EXPECT_FALSE(reader.parse("xof 0303txt 0032\nHeader " + std::string(1000, '{'), model));

    std::string huge = nested(1);
    huge.resize(XFileReader::kMaxFileBytes + 1, ' ');
    EXPECT_FALSE(reader.parse(huge, model));
    EXPECT_EQ(reader.error, "file too large");
}

TEST(XFileReader, ReadsNumbersAsTheyAreWritten) {
    struct Case {
        const char* text;
        float value;
    } cases[] = {
        {"0.5", 0.5f},
        {"-0.25", -0.25f},
        {"+2", 2.0f},
        {".5", 0.5f},
        {"3.", 3.0f},
        {"1.5e3", 1500.0f},
        {"25E-1", 2.5f},
        {"0.123456", 0.123456f},
        {"0.000001", 0.000001f},
    };
    XFileReader reader;
    XFileModel model;
    for (const Case& c : cases) {
        const std::string x = std::string("xof 0303txt 0032\nMesh {\n3;\n") + c.text +
                              ";0;0;,\n1;0;0;,\n0;1;0;;\n1;\n3;0,1,2;;\n}\n";
        ASSERT_TRUE(reader.parse(x, model)) << c.text << ": " << reader.error;
        EXPECT_FLOAT_EQ(model.vertices[0].x, c.value) << c.text;
    }
}

}  // namespace
}  // namespace hc
