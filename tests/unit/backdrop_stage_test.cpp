// The backdrop: its stage, the orbit of its camera, which chips it draws with which mesh, and its fog.
#include "scenes/backdrop_stage.h"

#include <cmath>
#include <set>

#include "front_end_test_support.h"
#include "platform/mesh.h"

namespace hc {
namespace {

using frontend::FrontEndServices;

class BackdropStageTest : public FrontEndServices {
protected:
    frontend::ScratchDir dir;
    BackdropStage stage;

    ~BackdropStageTest() override { stage.release(); }
};

TEST_F(BackdropStageTest, InitPutsTheFloorChipsBeforeTheWallChipsAndCentresOnTheStartCell) {
    frontend::writeBackdropFiles();
    ASSERT_TRUE(stage.init());
    std::string letters;
    for (const FieldChip& chip : stage.chips) letters += chip.letter;
    EXPECT_EQ(letters, "BPCHOBLL");
    EXPECT_EQ(stage.chipCount, 8u);
    EXPECT_FLOAT_EQ(stage.startPosition.x, 1);
    EXPECT_FLOAT_EQ(stage.startPosition.z, 0);
    EXPECT_FLOAT_EQ(stage.centre.x, 1);
    EXPECT_EQ(stage.angle, 0);
    EXPECT_EQ(MeshCache::size(), 3u);
    stage.release();
    expectCachesEmpty();
}

TEST_F(BackdropStageTest, EveryCreationReseedsFromTheMillisecondClock) {
    frontend::writeBackdropFiles();
    auto spins = [&] {
        BackdropStage s;
        EXPECT_TRUE(s.init());
        std::vector<int> out;
        for (const FieldChip& chip : s.chips) out.push_back(chip.spin);
        s.release();
        return out;
    };
    advanceSeconds(12.345);
    const std::vector<int> first = spins();
    for (int i = 0; i < 50; ++i) std::rand();
    EXPECT_EQ(spins(), first);  // same millisecond, same sequence, whatever ran in between
    advanceSeconds(0.001);
    EXPECT_NE(spins(), first);
}

TEST_F(BackdropStageTest, AMissingFileOrMeshFailsWithTheReadersMessage) {
    struct Case {
        const char* removed;
        const char* message;
    };
    const Case cases[] = {
        {"Resource_Blade/CSV/Field_3.csv",
         "フィールド情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/CSV/Field_3.csv\""},
        {"Resource_Blade/CSV/Wall_3.csv",
         "フィールド情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/CSV/Wall_3.csv\""},
        {"Resource_Blade/FieldObject/boxhalf_obj.x",
         "メッシュの読み込みに失敗しました\nファイル名 \"Resource_Blade/FieldObject/boxhalf_obj.x\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        frontend::writeBackdropFiles();
        std::filesystem::remove(c.removed);
        messages().clear();
        BackdropStage s;
        EXPECT_FALSE(s.init());
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().back().text, c.message);
        s.release();
        expectCachesEmpty();
    }
}

TEST_F(BackdropStageTest, OneTurnOfTheOrbitHas721Angles) {
    std::vector<float> seen;
    for (int i = 0; i < 722; ++i) {
        stage.update();
        seen.push_back(stage.angle);
    }
    for (int i = 0; i < 720; ++i) ASSERT_EQ(seen[i], 0.5f * static_cast<float>(i + 1)) << i;
    EXPECT_EQ(seen[719], 360.0f);  // 360 itself is kept ...
    EXPECT_EQ(seen[720], 0.0f);    // ... the step beyond it gives 0
    EXPECT_EQ(seen[721], 0.5f);
    EXPECT_EQ(std::set<float>(seen.begin(), seen.begin() + 721).size(), 721u);
}

TEST_F(BackdropStageTest, TheCameraCirclesAPointThirtyUnitsBeyondTheCentre) {
    stage.centre = Vec3{4, 2, 6};
    const float r = 9 * std::cos(0.2617994f);
    const float h = 2 + 9 * std::sin(0.2617994f);
    struct Case {
        float angleBefore;
        Vec3 eye;
    };
    // Angle 0 puts the eye on the -z side of the target, 90 on its -x side; the step after 360 is 0.
    const Case cases[] = {{360, {4, h, 36 - r}}, {89.5f, {4 - r, h, 36}}, {179.5f, {4, h, 36 + r}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angleBefore);
        stage.angle = c.angleBefore;
        stage.update();
        EXPECT_NEAR(gCamera.eye.x, c.eye.x, 1e-4);
        EXPECT_NEAR(gCamera.eye.y, c.eye.y, 1e-4);
        EXPECT_NEAR(gCamera.eye.z, c.eye.z, 1e-4);
        EXPECT_FLOAT_EQ(gCamera.lookAt.x, 4);
        EXPECT_FLOAT_EQ(gCamera.lookAt.y, 2);
        EXPECT_FLOAT_EQ(gCamera.lookAt.z, 36);
        EXPECT_FLOAT_EQ(gCamera.orbitTarget.z, 36);
        EXPECT_EQ(gCamera.orbitYaw, stage.angle);
        EXPECT_EQ(gCamera.orbitPitch, 15);
        EXPECT_EQ(gCamera.orbitDistance, 9);
        const Matrix expected = matrixLookAtLH(gCamera.eye, gCamera.lookAt, gCamera.up);
        const Matrix& view = device->transform(TransformType::View);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(view.m[i][j], expected.m[i][j]);
    }
}

// Drawing with hand-made meshes told apart by their triangle counts, and a camera at the origin
// looking along +z, so that the frustum planes in world space are the view-space ones.
class BackdropDrawTest : public FrontEndServices {
protected:
    MeshEntry box, cylinder, halfBox;
    BackdropStage stage;

    BackdropDrawTest() {
        makeEntry(box, 3);
        makeEntry(cylinder, 4);
        makeEntry(halfBox, 5);
        stage.boxMesh = &box;
        stage.cylinderMesh = &cylinder;
        stage.halfBoxMesh = &halfBox;
        gCamera.eye = Vec3{0, 0, 0};
        gCamera.lookAt = Vec3{0, 0, 1};
        gCamera.apply();
    }
    ~BackdropDrawTest() override { stage.boxMesh = stage.cylinderMesh = stage.halfBoxMesh = nullptr; }

    static void makeEntry(MeshEntry& entry, int slices) {
        entry.mesh = Mesh::createSphere(*gDevice, 0.5f, slices, 2);
        entry.materials.assign(1, Material{});
        entry.materialCount = 1;
        entry.textures.assign(1, nullptr);
    }

    void add(char letter, float x, float y, float z) {
        FieldChip chip;
        chip.letter = letter;
        chip.world = matrixTranslation(x, y, z);
        stage.chips.push_back(chip);
        stage.chipCount = static_cast<std::uint32_t>(stage.chips.size());
    }

    // Which mesh each draw of one backdrop draw used: 'b'ox, 'c'ylinder, 'h'alf box.
    struct Drawn {
        char mesh;
        Matrix world;
    };
    std::vector<Drawn> draw() {
        device->calls.clear();
        stage.draw();
        std::vector<Drawn> out;
        for (const DeviceCall& c : worldDraws(device->calls)) {
            char mesh = '?';
            if (c.value == box.mesh->faceCount()) mesh = 'b';
            if (c.value == cylinder.mesh->faceCount()) mesh = 'c';
            if (c.value == halfBox.mesh->faceCount()) mesh = 'h';
            out.push_back({mesh, c.world});
        }
        return out;
    }
};

TEST_F(BackdropDrawTest, EachLetterDrawsItsMeshAndOthersNothing) {
    const char* letters = "BGLOPCHAZ";
    for (int i = 0; letters[i]; ++i) add(letters[i], static_cast<float>(i) - 4, 0, 10);
    std::string meshes;
    for (const Drawn& d : draw()) meshes += d.mesh;
    EXPECT_EQ(meshes, "bbbbbch");
}

TEST_F(BackdropDrawTest, AVisibleChipWithoutAMeshStillSetsTheWorldTransform) {
    add('A', 1, 2, 10);
    EXPECT_TRUE(draw().empty());
    const Matrix& world = device->transform(TransformType::World);
    EXPECT_FLOAT_EQ(world.m[3][0], 1);
    EXPECT_FLOAT_EQ(world.m[3][1], 2);
    EXPECT_FLOAT_EQ(world.m[3][2], 10);
}

TEST_F(BackdropDrawTest, OnlyChipsMoreThanOneUnitOutsideAPlaneAreCulled) {
    // The near plane passes through the eye (value z); the far plane lies at 101 (value 101 - z).
    struct Case {
        float z;
        bool drawn;
    };
    const Case cases[] = {{-1.0f, true}, {-1.01f, false}, {102.0f, true}, {102.01f, false}, {-0.5f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.z);
        stage.chips.clear();
        add('B', 0, 0, c.z);
        EXPECT_EQ(draw().size(), c.drawn ? 1u : 0u);
    }
}

TEST_F(BackdropDrawTest, HalfBlocksAreLoweredByHalfAUnitOrByOneAndAHalfAboveFive) {
    struct Case {
        float y;
        float drawnY;
    };
    const Case cases[] = {{5.0f, 4.5f}, {5.5f, 4.0f}, {0.0f, -0.5f}, {7.0f, 5.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        stage.chips.clear();
        add('H', 1, c.y, 10);
        for (int frame = 0; frame < 2; ++frame) {  // the chip keeps its place from frame to frame
            const std::vector<Drawn> drawn = draw();
            ASSERT_EQ(drawn.size(), 1u);
            EXPECT_EQ(drawn[0].mesh, 'h');
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][1], c.drawnY);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][0], 1);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][2], 10);
        }
        EXPECT_FLOAT_EQ(stage.chips[0].world.m[3][1], c.y);
    }
}

TEST_F(BackdropDrawTest, LightingBeforeTheChipsAndTheFogAfterThemForTheNextFrame) {
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::FogEnable, 0);
    add('B', 0, 0, 10);
    gCamera.eye = Vec3{0, 3, 0};
    gCamera.lookAt = Vec3{0, 3, 1};
    gCamera.apply();
    draw();

    std::size_t lastDraw = 0, firstFog = device->calls.size(), lighting = device->calls.size();
    for (std::size_t i = 0; i < device->calls.size(); ++i) {
        const DeviceCall& c = device->calls[i];
        if (c.kind == CallKind::DrawIndexedPrimitive) lastDraw = i;
        if (c.kind != CallKind::SetRenderState) continue;
        const auto state = static_cast<RenderState>(c.a);
        if (state == RenderState::Lighting && c.value == 1 && lighting == device->calls.size()) lighting = i;
        if (state == RenderState::FogEnable && firstFog == device->calls.size()) firstFog = i;
    }
    EXPECT_LT(lighting, lastDraw);
    EXPECT_GT(firstFog, lastDraw);  // this frame's chips were drawn without it

    EXPECT_EQ(device->renderState(RenderState::Lighting), 1u);
    EXPECT_EQ(device->renderState(RenderState::FogEnable), 1u);
    EXPECT_EQ(device->renderState(RenderState::RangeFogEnable), 1u);
    EXPECT_EQ(device->renderState(RenderState::FogColor), 0u);
    EXPECT_EQ(device->renderState(RenderState::FogVertexMode), FOG_LINEAR);
    EXPECT_EQ(device->renderState(RenderState::FogStart), floatBits(4.0f));
    EXPECT_EQ(device->renderState(RenderState::FogEnd), floatBits(25.0f));
}

}  // namespace
}  // namespace hc
