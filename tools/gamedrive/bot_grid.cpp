#include "tools/gamedrive/bot_grid.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace hc {

namespace {

// A stage far larger than any shipped one is walked without a map rather than allocated.
constexpr long long kMaxCells = 1 << 22;
// How far along a path the straight-line shortcut is looked for.
constexpr std::size_t kLookAhead = 16;

}  // namespace

void BotGrid::reset(int minX, int minZ, int maxX, int maxZ) {
    long long w = static_cast<long long>(maxX) - minX + 3;
    long long d = static_cast<long long>(maxZ) - minZ + 3;
    if (w <= 0 || d <= 0 || w * d > kMaxCells) {
        clear();
        return;
    }
    minX_ = minX - 1;
    minZ_ = minZ - 1;
    width_ = static_cast<int>(w);
    depth_ = static_cast<int>(d);
    blocked_.assign(static_cast<std::size_t>(w * d), 0);
}

void BotGrid::clear() {
    width_ = depth_ = 0;
    blocked_.clear();
}

void BotGrid::block(int x, int z) {
    if (inside(x, z)) blocked_[index(x, z)] = 1;
}

bool BotGrid::blocked(int x, int z) const {
    if (empty()) return false;
    return !inside(x, z) || blocked_[index(x, z)] != 0;
}

BotGrid::Cell BotGrid::cellOf(float x, float z) {
    auto round = [](float v) {
        if (!std::isfinite(v)) return 0;
        return static_cast<int>(std::lround(std::clamp(v, -1.0e8f, 1.0e8f)));
    };
    return Cell{round(x), round(z)};
}

bool BotGrid::clearLine(Point a, Point b, float radius) const {
    if (empty()) return true;
    float dx = b.x - a.x, dz = b.z - a.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (!std::isfinite(length)) return false;
    int steps = std::max(1, static_cast<int>(std::ceil(length / 0.1f)));
    if (steps > 100000) return false;
    for (int i = 0; i <= steps; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(steps);
        float x = a.x + dx * t, z = a.z + dz * t;
        // The four cells a body of this radius can touch around the point.
        for (float ox : {-radius, radius})
            for (float oz : {-radius, radius}) {
                Cell c = cellOf(x + ox, z + oz);
                if (blocked(c.x, c.z)) return false;
            }
    }
    return true;
}

std::vector<BotGrid::Cell> BotGrid::path(Cell a, Cell b) const {
    std::vector<Cell> out;
    if (empty() || !inside(a.x, a.z) || !inside(b.x, b.z) || blocked(b.x, b.z)) return out;
    std::vector<int> from(blocked_.size(), -1);
    std::deque<Cell> open;
    from[index(a.x, a.z)] = static_cast<int>(index(a.x, a.z));
    open.push_back(a);
    static constexpr int kSteps[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    bool found = false;
    while (!open.empty() && !found) {
        Cell c = open.front();
        open.pop_front();
        for (const auto& s : kSteps) {
            int nx = c.x + s[0], nz = c.z + s[1];
            if (!inside(nx, nz) || blocked(nx, nz)) continue;
            // A diagonal step may not cut the corner of a blocked cell.
            if (s[0] != 0 && s[1] != 0 && (blocked(c.x + s[0], c.z) || blocked(c.x, c.z + s[1]))) continue;
            std::size_t n = index(nx, nz);
            if (from[n] >= 0) continue;
            from[n] = static_cast<int>(index(c.x, c.z));
            if (nx == b.x && nz == b.z) {
                found = true;
                break;
            }
            open.push_back(Cell{nx, nz});
        }
    }
    if (!found && !(a == b)) return out;
    std::size_t at = index(b.x, b.z);
    std::size_t start = index(a.x, a.z);
    for (std::size_t guard = 0; guard <= blocked_.size(); ++guard) {
        out.push_back(Cell{static_cast<int>(at % static_cast<std::size_t>(width_)) + minX_,
                           static_cast<int>(at / static_cast<std::size_t>(width_)) + minZ_});
        if (at == start) break;
        at = static_cast<std::size_t>(from[at]);
    }
    std::reverse(out.begin(), out.end());
    return out;
}

BotGrid::Cell BotGrid::nearestFree(Cell c) const {
    if (!blocked(c.x, c.z)) return c;
    for (int r = 1; r < 8; ++r)
        for (int dz = -r; dz <= r; ++dz)
            for (int dx = -r; dx <= r; ++dx) {
                if (std::max(std::abs(dx), std::abs(dz)) != r) continue;
                if (!blocked(c.x + dx, c.z + dz)) return Cell{c.x + dx, c.z + dz};
            }
    return c;
}

BotGrid::Point BotGrid::waypoint(Point a, Point b, float radius) const {
    if (clearLine(a, b, radius)) return b;
    Cell from = nearestFree(cellOf(a.x, a.z));
    Cell to = nearestFree(cellOf(b.x, b.z));
    std::vector<Cell> cells = path(from, to);
    if (cells.empty()) return a;
    // The furthest of the next few cells of the path that the body reaches in a straight line.
    Point best{static_cast<float>(cells.front().x), static_cast<float>(cells.front().z)};
    if (cells.size() > 1) best = Point{static_cast<float>(cells[1].x), static_cast<float>(cells[1].z)};
    for (std::size_t i = std::min<std::size_t>(cells.size(), kLookAhead); i-- > 1;) {
        Point p{static_cast<float>(cells[i].x), static_cast<float>(cells[i].z)};
        if (clearLine(a, p, radius)) {
            best = p;
            break;
        }
    }
    return best;
}

}  // namespace hc
