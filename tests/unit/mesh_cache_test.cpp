#include "engine/mesh_cache.h"
#include "tests/support/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine_test_support.h"
#include "platform/image.h"
#include "x_fixtures.h"

namespace hc {
namespace {

using testing::blockX;
using testing::ScratchDir;
using testing::ServiceScope;

constexpr float kPi = 3.14159265f;

class MeshCacheTest : public ::testing::Test {
protected:
    ServiceScope services;
    ScratchDir dir;

    void TearDown() override {
        EXPECT_EQ(MeshCache::size(), 0u) << "a test left meshes loaded";
        EXPECT_EQ(TextureCache::size(), 0u) << "a test left textures loaded";
    }

    void writeTexture(const std::string& name) {
        std::vector<Colour> pixels(4, 0xFF808080u);
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        ASSERT_TRUE(writePng(dir.file(name), 2, 2, pixels));
    }

    const std::vector<test::Shown>& boxes() { return services.platform.messages; }
};

TEST_F(MeshCacheTest, OnePathIsSharedAndItsTexturesGoWithTheLastRelease) {
    writeTexture("sub/stone.png");
    std::string path = dir.write("sub/block.x", blockX("stone.png"));
    MeshEntry* first = nullptr;
    MeshEntry* second = nullptr;
    ASSERT_TRUE(MeshCache::load(path, first));
    ASSERT_TRUE(MeshCache::load(path, second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->referenceCount, 2);
    EXPECT_STREQ(first->name, path.c_str());
    EXPECT_EQ(first->materialCount, 2u);
    ASSERT_EQ(first->textures.size(), 2u);
    ASSERT_NE(first->textures[0], nullptr);
    EXPECT_EQ(first->textures[0]->referenceCount, 1);  // the texture was loaded once
    EXPECT_EQ(first->textures[1], nullptr);

    // A texture also held by someone else outlives the mesh.
    TextureEntry* held = nullptr;
    ASSERT_TRUE(TextureCache::load(held, dir.file("sub/stone.png")));
    EXPECT_EQ(held, first->textures[0]);

    MeshCache::release(second);
    EXPECT_EQ(MeshCache::size(), 1u);
    EXPECT_EQ(held->referenceCount, 2);
    MeshCache::release(first);
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(held->referenceCount, 1);
    TextureCache::release(held);
    MeshCache::release(nullptr);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(MeshCacheTest, DifferentSpellingsOfOneFileAreDifferentEntries) {
    std::string path = dir.write("block.x", blockX(""));
    MeshEntry* a = nullptr;
    MeshEntry* b = nullptr;
    ASSERT_TRUE(MeshCache::load(path, a));
    ASSERT_TRUE(MeshCache::load(dir.path() + "//block.x", b));
    EXPECT_NE(a, b);
    EXPECT_EQ(MeshCache::size(), 2u);
    MeshCache::release(a);
    MeshCache::release(b);
}

TEST_F(MeshCacheTest, TexturesAreTakenFromTheMeshFolderOrByBareNameWithoutOne) {
    writeTexture("Resource_Blade/FieldObject/rock.png");
    writeTexture("rock.png");
    dir.write("Resource_Blade/FieldObject/rockbox.x", blockX("rock.png"));
    dir.write("rockbox.x", blockX("rock.png"));
    testsupport::WorkingFolder inside(dir.path());

    MeshEntry* nested = nullptr;
    ASSERT_TRUE(MeshCache::load("Resource_Blade/FieldObject/rockbox.x", nested));
    EXPECT_STREQ(nested->textures[0]->name, "Resource_Blade/FieldObject/rock.png");
    MeshEntry* bare = nullptr;
    ASSERT_TRUE(MeshCache::load("rockbox.x", bare));
    EXPECT_STREQ(bare->textures[0]->name, "rock.png");
    MeshCache::release(nested);
    MeshCache::release(bare);
}

TEST_F(MeshCacheTest, FailuresShowTheirMessagesAndKeepNothing) {
    writeTexture("stone.png");
    auto meshMessage = [](const std::string& path) { return "メッシュの読み込みに失敗しました\nファイル名 \"" + path + "\""; };
    struct Case {
        std::string file;
        std::vector<std::string> messages;
    } cases[] = {
        {dir.file("missing.x"), {meshMessage(dir.file("missing.x"))}},
        {dir.write("junk.x", "xof 0303txt 0032\nMesh {"), {meshMessage(dir.file("junk.x"))}},
        // The first material's texture loads, the second's is missing: the first is given back.
        {dir.write("holes.x", blockX("stone.png", 0, "gone.png")),
         {"テクスチャの読み込みに失敗しました", meshMessage(dir.file("holes.x"))}},
    };
    for (const Case& c : cases) {
        services.platform.messages.clear();
        MeshEntry* entry = reinterpret_cast<MeshEntry*>(0x1);
        EXPECT_FALSE(MeshCache::load(c.file, entry)) << c.file;
        EXPECT_EQ(entry, nullptr);
        ASSERT_EQ(boxes().size(), c.messages.size()) << c.file;
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(boxes()[i].text, c.messages[i]);
            EXPECT_EQ(boxes()[i].caption, "エラー");
        }
        EXPECT_EQ(MeshCache::size(), 0u);
        EXPECT_EQ(TextureCache::size(), 0u);
    }
}

TEST_F(MeshCacheTest, DrawsEverySubsetWithItsMaterialAndTexture) {
    writeTexture("stone.png");
    MeshEntry* entry = nullptr;
    ASSERT_TRUE(MeshCache::load(dir.write("block.x", blockX("stone.png")), entry));
    gDevice->calls.clear();
    MeshCache::draw(entry);
    std::vector<const DeviceCall*> textures, draws;
    for (const DeviceCall& call : gDevice->calls) {
        if (call.kind == CallKind::SetTexture) textures.push_back(&call);
        if (call.kind == CallKind::DrawIndexedPrimitive) draws.push_back(&call);
    }
    ASSERT_EQ(textures.size(), 2u);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->texture, entry->textures[0]->texture.get());
    EXPECT_EQ(draws[0]->value, 1u);
    EXPECT_EQ(draws[1]->texture, nullptr);  // the untextured material
    EXPECT_EQ(draws[1]->value, 2u);
    EXPECT_FLOAT_EQ(gDevice->material().diffuse.b, 0.4f);  // the last subset's material

    gDevice->calls.clear();
    MeshCache::draw(nullptr);
    EXPECT_TRUE(gDevice->calls.empty());
    MeshCache::release(entry);
}

struct StateStep {
    CallKind kind;
    std::uint32_t a, b, value;
};

std::vector<StateStep> stateSteps(const std::vector<DeviceCall>& calls) {
    std::vector<StateStep> steps;
    for (const DeviceCall& call : calls) {
        if (call.kind == CallKind::SetRenderState || call.kind == CallKind::SetTextureStageState)
            steps.push_back({call.kind, call.a, call.b, call.value});
        if (call.kind == CallKind::DrawIndexedPrimitive) steps.push_back({call.kind, 0, 0, 0});
    }
    return steps;
}

void expectSteps(const std::vector<StateStep>& actual, const std::vector<StateStep>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].kind, expected[i].kind) << i;
        EXPECT_EQ(actual[i].a, expected[i].a) << i;
        EXPECT_EQ(actual[i].b, expected[i].b) << i;
        EXPECT_EQ(actual[i].value, expected[i].value) << i;
    }
}

TEST_F(MeshCacheTest, AlphaAndFlatDrawsSetAndRestoreTheStageStates) {
    MeshEntry* entry = nullptr;
    ASSERT_TRUE(MeshCache::load(dir.write("block.x", blockX("")), entry));
    const auto rs = CallKind::SetRenderState;
    const auto ts = CallKind::SetTextureStageState;
    const auto draw = CallKind::DrawIndexedPrimitive;
    const auto factor = static_cast<std::uint32_t>(RenderState::TextureFactor);
    const auto alphaOp = static_cast<std::uint32_t>(TextureStageState::AlphaOp);
    const auto alphaArg1 = static_cast<std::uint32_t>(TextureStageState::AlphaArg1);
    const auto alphaArg2 = static_cast<std::uint32_t>(TextureStageState::AlphaArg2);
    const auto colorArg1 = static_cast<std::uint32_t>(TextureStageState::ColorArg1);

    gDevice->calls.clear();
    MeshCache::drawAlpha(entry, 0x80);
    expectSteps(stateSteps(gDevice->calls), {{rs, factor, 0, 0x80000000u},
                                             {ts, 0, alphaOp, TOP_MODULATE},
                                             {ts, 0, alphaArg1, TA_TEXTURE},
                                             {ts, 0, alphaArg2, TA_TFACTOR},
                                             {draw, 0, 0, 0},
                                             {draw, 0, 0, 0},
                                             {ts, 0, alphaOp, TOP_SELECTARG1},
                                             {ts, 0, alphaArg2, TA_DIFFUSE}});

    gDevice->calls.clear();
    MeshCache::drawFlat(entry, 0xC0123456u);
    expectSteps(stateSteps(gDevice->calls), {{rs, factor, 0, 0xC0123456u},
                                             {ts, 0, colorArg1, TA_TFACTOR},
                                             {ts, 0, alphaArg1, TA_TFACTOR},
                                             {draw, 0, 0, 0},
                                             {draw, 0, 0, 0},
                                             {rs, factor, 0, 0xFF000000u},
                                             {ts, 0, colorArg1, TA_TEXTURE},
                                             {ts, 0, alphaArg1, TA_TEXTURE}});
    MeshCache::release(entry);
}

TEST_F(MeshCacheTest, RayHitReturnsTheWorldPointOfTheNearestHit) {
    MeshEntry* entry = nullptr;
    ASSERT_TRUE(MeshCache::load(dir.write("block.x", blockX("")), entry));
    // Local (1, 0, 1) on the floor quad: scaled to (2, 0, 2), turned to (2, 0, -2), moved to (12, 0, -2).
    Matrix world = matrixMultiply(matrixMultiply(matrixScaling(2, 2, 2), matrixRotationY(kPi / 2)),
                                  matrixTranslation(10, 0, 0));
    struct Case {
        Vec3 start, delta;
        bool hit;
        Vec3 point;
    } cases[] = {
        {{12, 5, -2}, {0, -1, 0}, true, {12, 0, -2}},
        {{12, 5, -2}, {0, -0.01f, 0}, true, {12, 0, -2}},  // the line goes on past the ray's end
        {{12, 5, -2}, {0, 1, 0}, false, {}},               // pointing away
        {{30, 5, -2}, {0, -1, 0}, false, {}},              // beside the mesh
    };
    for (const Case& c : cases) {
        Vec3 point{-7, -7, -7};
        ASSERT_EQ(MeshCache::rayHit(entry, c.start, c.delta, world, point), c.hit);
        Vec3 expected = c.hit ? c.point : Vec3{-7, -7, -7};  // a miss leaves the point alone
        EXPECT_NEAR(point.x, expected.x, 1e-4f);
        EXPECT_NEAR(point.y, expected.y, 1e-4f);
        EXPECT_NEAR(point.z, expected.z, 1e-4f);
    }
    Vec3 point;
    EXPECT_FALSE(MeshCache::rayHit(nullptr, {12, 5, -2}, {0, -1, 0}, world, point));
    EXPECT_FALSE(MeshCache::rayHit(entry, {12, 5, -2}, {0, -1, 0}, matrixScaling(0, 0, 0), point));
    MeshCache::release(entry);
}

}  // namespace
}  // namespace hc
