// Prints the cost of the engine services the game leans on each tick and at load time: ray hits
// against a mesh of 1000 triangles (hit, miss outside the bounding box, miss inside it), and the time
// to load each kind of asset (mesh, PNG, WAV). Assets of the built game under HC_RUNTIME_DIR (or ./Resource_Blade)
// are timed as well when present.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/image.h"
#include "tests/unit/engine_test_support.h"

namespace {

using namespace hc;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A sphere of 1000 triangles written as a text .x file with normals, texture coordinates and a
// textured material, as the asset generator writes them.
std::string sphereX(const Mesh& sphere) {
    std::ostringstream x;
    x << "xof 0303txt 0032\n\nMesh Rock {\n " << sphere.vertices.size() << ";\n";
    for (std::size_t i = 0; i < sphere.vertices.size(); ++i) {
        const auto& v = sphere.vertices[i];
        x << "  " << v.x << ";" << v.y << ";" << v.z << ";" << (i + 1 < sphere.vertices.size() ? ",\n" : ";\n");
    }
    std::size_t faces = sphere.indices.size() / 3;
    x << " " << faces << ";\n";
    for (std::size_t f = 0; f < faces; ++f)
        x << "  3;" << sphere.indices[f * 3] << "," << sphere.indices[f * 3 + 1] << "," << sphere.indices[f * 3 + 2]
          << (f + 1 < faces ? ";,\n" : ";;\n");
    x << " MeshNormals {\n  " << sphere.vertices.size() << ";\n";
    for (std::size_t i = 0; i < sphere.vertices.size(); ++i) {
        const auto& v = sphere.vertices[i];
        x << "  " << v.nx << ";" << v.ny << ";" << v.nz << ";" << (i + 1 < sphere.vertices.size() ? ",\n" : ";\n");
    }
    x << "  " << faces << ";\n";
    for (std::size_t f = 0; f < faces; ++f)
        x << "  3;" << sphere.indices[f * 3] << "," << sphere.indices[f * 3 + 1] << "," << sphere.indices[f * 3 + 2]
          << (f + 1 < faces ? ";,\n" : ";;\n");
    x << " }\n MeshTextureCoords {\n  " << sphere.vertices.size() << ";\n";
    for (std::size_t i = 0; i < sphere.vertices.size(); ++i) {
        const auto& v = sphere.vertices[i];
        x << "  " << (v.x * 0.5f + 0.5f) << ";" << (v.y * 0.5f + 0.5f) << ";"
          << (i + 1 < sphere.vertices.size() ? ",\n" : ";\n");
    }
    x << " }\n MeshMaterialList {\n  1;\n  " << faces << ";\n";
    for (std::size_t f = 0; f < faces; ++f) x << "  0" << (f + 1 < faces ? ",\n" : ";;\n");
    x << "  Material {\n   0.8;0.8;0.8;1.0;;\n   5.0;\n   0.2;0.2;0.2;;\n   0.0;0.0;0.0;;\n"
         "   TextureFilename {\n    \"rock.png\";\n   }\n  }\n }\n}\n";
    return x.str();
}

double meshLoadMs(const std::string& path, int repeats) {
    double total = 0;
    for (int i = 0; i < repeats; ++i) {
        MeshEntry* entry = nullptr;
        auto start = Clock::now();
        bool ok = MeshCache::load(path, entry);
        total += secondsSince(start);
        if (!ok) return -1;
        MeshCache::release(entry);
    }
    return total / repeats * 1000.0;
}

double textureLoadMs(const std::string& path, int repeats) {
    double total = 0;
    for (int i = 0; i < repeats; ++i) {
        TextureEntry* entry = nullptr;
        auto start = Clock::now();
        bool ok = TextureCache::load(entry, path);
        total += secondsSince(start);
        if (!ok) return -1;
        TextureCache::release(entry);
    }
    return total / repeats * 1000.0;
}

double soundLoadMs(const std::string& path, int repeats) {
    double total = 0;
    for (int i = 0; i < repeats; ++i) {
        SoundBuffer* sound = nullptr;
        auto start = Clock::now();
        bool ok = SoundBuffer::load(path, sound);
        total += secondsSince(start);
        if (!ok) return -1;
        SoundBuffer::release(sound);
    }
    return total / repeats * 1000.0;
}

// 16-bit stereo PCM at 44.1 kHz in the canonical 44-byte layout.
void writeWav(const std::string& path, int seconds) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(seconds) * 44100u * 4u;
    std::vector<std::uint8_t> file(44 + dataBytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        file[at] = static_cast<std::uint8_t>(v);
        file[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    std::memcpy(&file[0], "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(&file[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, 44100);
    put32(28, 44100 * 4);
    put16(32, 4);
    put16(34, 16);
    std::memcpy(&file[36], "data", 4);
    put32(40, dataBytes);
    for (std::uint32_t i = 0; i < dataBytes; ++i) file[44 + i] = static_cast<std::uint8_t>(i * 31u);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

struct Ray {
    Vec3 start, delta;
};

// Nanoseconds per rayHit call over the rays, repeated until about a quarter second has passed.
double rayHitNs(MeshEntry* entry, const std::vector<Ray>& rays, const Matrix& world, int& hits) {
    long calls = 0;
    hits = 0;
    Vec3 point;
    auto start = Clock::now();
    do {
        for (const Ray& ray : rays) {
            if (MeshCache::rayHit(entry, ray.start, ray.delta, world, point)) ++hits;
            ++calls;
        }
    } while (secondsSince(start) < 0.25);
    double ns = secondsSince(start) * 1e9 / static_cast<double>(calls);
    hits = static_cast<int>(static_cast<long>(hits) * static_cast<long>(rays.size()) / calls);
    return ns;
}

// Ray hits as the blade makes them: short segments in world space against a scaled, turned mesh.
// Rays come from a ring three radii out, aimed near the centre (hits), along the ring's tangent (misses
// that the bounding box rejects), and parallel to z through a corner of the box (misses that reach
// the faces for a round mesh).
void benchRayHits(const std::string& path, const char* label) {
    MeshEntry* entry = nullptr;
    if (!MeshCache::load(path, entry)) {
        std::printf("could not load %s\n", path.c_str());
        return;
    }
    const Mesh& mesh = *entry->mesh;
    Matrix world = matrixMultiply(matrixMultiply(matrixScaling(1.5f, 1.5f, 1.5f), matrixRotationY(0.7f)),
                                  matrixTranslation(10, 1, 10));
    Vec3 localCentre = (mesh.boundsMin + mesh.boundsMax) * 0.5f;
    Vec3 half = (mesh.boundsMax - mesh.boundsMin) * 0.5f;
    Vec3 centre = vec3TransformCoord(localCentre, world);
    float radius = vec3Length(half) * 1.5f;
    std::vector<Ray> hitting, missingBox, missingInside;
    std::srand(1);
    auto random = [] { return static_cast<float>(std::rand()) / static_cast<float>(RAND_MAX) - 0.5f; };
    for (int i = 0; i < 256; ++i) {
        float angle = (random() + 0.5f) * 6.2831853f;
        Vec3 from = centre + Vec3{3 * radius * std::cos(angle), random() * 0.2f * radius, 3 * radius * std::sin(angle)};
        Vec3 to = centre + Vec3{random(), random(), random()} * (0.2f * radius);
        hitting.push_back({from, (to - from) * 0.1f});
        missingBox.push_back({from, Vec3{-std::sin(angle), 0, std::cos(angle)} * (0.1f * radius)});
        Vec3 corner = vec3TransformCoord(localCentre + Vec3{half.x * 0.9f, half.y * 0.9f, 0}, world);
        missingInside.push_back({corner - Vec3{0, 0, 3 * radius + random()}, {0, 0, 0.1f * radius}});
    }
    std::printf("rayHit on %s (%u triangles):\n", label, mesh.faceCount());
    int hits = 0;
    double ns = rayHitNs(entry, hitting, world, hits);
    std::printf("  aimed at the centre: %.0f ns per call (%d of %zu rays hit)\n", ns, hits, hitting.size());
    ns = rayHitNs(entry, missingBox, world, hits);
    std::printf("  miss outside the bounding box: %.0f ns per call (%d hits)\n", ns, hits);
    ns = rayHitNs(entry, missingInside, world, hits);
    std::printf("  through a corner of the bounding box: %.0f ns per call (%d of %zu rays hit)\n", ns, hits,
                missingInside.size());
    MeshCache::release(entry);
}

void timeGameAssets(const std::filesystem::path& root) {
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) {
        std::printf("game assets: %s not found, skipped\n", root.string().c_str());
        return;
    }
    struct Kind {
        const char* extension;
        int count = 0;
        double totalMs = 0, worstMs = 0;
        std::string worst;
    } kinds[] = {{".x"}, {".png"}, {".wav"}};
    for (const auto& file : std::filesystem::recursive_directory_iterator(root, error)) {
        if (!file.is_regular_file()) continue;
        std::string path = file.path().string();
        std::string extension = file.path().extension().string();
        for (Kind& kind : kinds) {
            if (extension != kind.extension) continue;
            double ms = extension == ".x"     ? meshLoadMs(path, 3)
                        : extension == ".png" ? textureLoadMs(path, 3)
                                              : soundLoadMs(path, 3);
            if (ms < 0) {
                std::printf("  could not load %s\n", path.c_str());
                continue;
            }
            ++kind.count;
            kind.totalMs += ms;
            if (ms > kind.worstMs) {
                kind.worstMs = ms;
                kind.worst = path;
            }
        }
    }
    for (const Kind& kind : kinds) {
        if (kind.count == 0) continue;
        std::printf("game assets %-4s: %3d files, %.3f ms mean, %.3f ms worst (%s)\n", kind.extension, kind.count,
                    kind.totalMs / kind.count, kind.worstMs, kind.worst.c_str());
    }
}

// Every shipped mesh loaded in turn (with its textures), a few rounds: wall and processor time of a
// round, the processor time beside the wall time because the machine may be shared.
void timeGameMeshRounds(const std::filesystem::path& root) {
    std::vector<std::string> meshes;
    std::error_code error;
    for (const auto& file : std::filesystem::recursive_directory_iterator(root, error))
        if (file.is_regular_file() && file.path().extension() == ".x") meshes.push_back(file.path().string());
    if (meshes.empty()) return;
    constexpr int kRounds = 5;
    const auto wallStart = Clock::now();
    const std::clock_t cpuStart = std::clock();
    for (int round = 0; round < kRounds; ++round)
        for (const std::string& path : meshes) {
            MeshEntry* entry = nullptr;
            if (!MeshCache::load(path, entry)) return;
            MeshCache::release(entry);
        }
    const double wallMs = secondsSince(wallStart) * 1000.0 / kRounds;
    const double cpuMs = static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / kRounds;
    std::printf("game meshes: all %zu loaded, %.1f ms wall, %.1f ms processor a round (%d rounds)\n", meshes.size(),
                wallMs, cpuMs, kRounds);
}

}  // namespace

int main() {
    testing::ServiceScope services;
    testing::ScratchDir dir;
    std::unique_ptr<SoundDevice> sound = createHeadlessSoundDevice(services.platform.clock());
    gSoundDevice = sound.get();

    // Assets of known sizes.
    std::unique_ptr<Mesh> sphere = Mesh::createSphere(*gDevice, 1.0f, 25, 21);
    std::string meshPath = dir.write("rock.x", sphereX(*sphere));
    for (int size : {64, 256, 1024}) {
        std::vector<Colour> pixels(static_cast<std::size_t>(size * size));
        for (int i = 0; i < size * size; ++i)
            pixels[static_cast<std::size_t>(i)] = 0xFF000000u | static_cast<Colour>((i * 2654435761u) >> 8);
        writePng(dir.file("tex" + std::to_string(size) + ".png"), size, size, pixels);
    }
    writePng(dir.file("rock.png"), 64, 64, std::vector<Colour>(64 * 64, 0xFF807060u));

    std::printf("mesh load (%u triangles, text .x, with its 64x64 texture): %.3f ms\n", sphere->faceCount(),
                meshLoadMs(meshPath, 20));
    for (int size : {64, 256, 1024})
        std::printf("PNG load %dx%d (noisy, worst case for the decoder): %.3f ms\n", size, size,
                    textureLoadMs(dir.file("tex" + std::to_string(size) + ".png"), size == 1024 ? 5 : 20));
    for (int seconds : {2, 60}) {
        std::string path = dir.file("sound" + std::to_string(seconds) + ".wav");
        writeWav(path, seconds);
        std::printf("WAV load, %d s of 16-bit stereo 44.1 kHz (into a silent buffer): %.3f ms\n", seconds,
                    soundLoadMs(path, 5));
    }

    benchRayHits(meshPath, "1000-triangle sphere");
    const char* runtime = std::getenv("HC_RUNTIME_DIR");
    std::filesystem::path assets =
        runtime ? std::filesystem::path(runtime) / "Resource_Blade" : std::filesystem::path("Resource_Blade");
    timeGameMeshRounds(assets);
    std::filesystem::path golem = assets / "Enemy_Mesh" / "golem_01.x";
    if (std::filesystem::exists(golem)) benchRayHits(golem.string(), "the game's golem_01.x");
    timeGameAssets(assets);
    gSoundDevice = nullptr;
    return 0;
}
