#include "tools/gamedrive/bot_grid.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace hc {

namespace {

// A stage far larger than any shipped one is walked without a map rather than allocated.
constexpr long long kMaxCells = 1 << 22;
// How much less a body reaching into a wall must reach into it per unit it moves.
constexpr float kWithdrawal = 0.5f;
// What a cell beside a wall adds to a way, against 10 for a step.
constexpr int kBesideWallCost = 30;
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

float BotGrid::penetration(Point p, float radius) const {
    // How deep the square body reaches into the blocked cells it overlaps: the smaller of the two
    // overlaps per cell, the largest over the cells.
    float deepest = 0;
    Cell lo = cellOf(p.x - radius, p.z - radius), hi = cellOf(p.x + radius, p.z + radius);
    for (int z = lo.z; z <= hi.z; ++z)
        for (int x = lo.x; x <= hi.x; ++x) {
            if (!blocked(x, z)) continue;
            float ox = std::min(p.x + radius, x + 0.5f) - std::max(p.x - radius, x - 0.5f);
            float oz = std::min(p.z + radius, z + 0.5f) - std::max(p.z - radius, z - 0.5f);
            deepest = std::max(deepest, std::min(ox, oz));
        }
    return deepest;
}

bool BotGrid::clearLine(Point a, Point b, float radius) const {
    if (empty()) return true;
    float dx = b.x - a.x, dz = b.z - a.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (!std::isfinite(length) || !std::isfinite(a.x) || !std::isfinite(a.z)) return false;
    int steps = std::max(1, static_cast<int>(std::ceil(length / 0.1f)));
    if (steps > 100000) return false;
    // A body that already reaches into a wall may only draw out of it: the walls' collision throws a
    // body that slides along them about, even into the next block.
    const float start = penetration(a, radius);
    for (int i = 1; i <= steps; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(steps);
        float allowed = std::max(0.0f, start - kWithdrawal * length * t) + 1e-4f;
        if (penetration({a.x + dx * t, a.z + dz * t}, radius) > allowed) return false;
    }
    return true;
}

bool BotGrid::besideWall(int x, int z) const {
    for (int dz = -1; dz <= 1; ++dz)
        for (int dx = -1; dx <= 1; ++dx)
            if ((dx != 0 || dz != 0) && blocked(x + dx, z + dz)) return true;
    return false;
}

std::vector<BotGrid::Cell> BotGrid::path(Cell a, Cell b) const {
    std::vector<Cell> out;
    if (empty() || !inside(a.x, a.z) || !inside(b.x, b.z) || blocked(b.x, b.z)) return out;
    // Cheapest way by steps of 10 (14 across), cells beside a wall costing more, so that ways keep
    // off the walls where the floor allows.
    std::vector<int> cost(blocked_.size(), std::numeric_limits<int>::max());
    std::vector<int> from(blocked_.size(), -1);
    using Entry = std::pair<int, std::size_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    const std::size_t start = index(a.x, a.z), goal = index(b.x, b.z);
    cost[start] = 0;
    from[start] = static_cast<int>(start);
    open.push({0, start});
    static constexpr int kSteps[8][3] = {{1, 0, 10}, {-1, 0, 10}, {0, 1, 10}, {0, -1, 10}, {1, 1, 14}, {1, -1, 14}, {-1, 1, 14}, {-1, -1, 14}};
    while (!open.empty()) {
        auto [c, at] = open.top();
        open.pop();
        if (c > cost[at]) continue;
        if (at == goal) break;
        const int x = static_cast<int>(at % static_cast<std::size_t>(width_)) + minX_;
        const int z = static_cast<int>(at / static_cast<std::size_t>(width_)) + minZ_;
        for (const auto& s : kSteps) {
            int nx = x + s[0], nz = z + s[1];
            if (!inside(nx, nz) || blocked(nx, nz)) continue;
            // A diagonal step may not cut the corner of a blocked cell.
            if (s[0] != 0 && s[1] != 0 && (blocked(x + s[0], z) || blocked(x, z + s[1]))) continue;
            const std::size_t n = index(nx, nz);
            const int next = c + s[2] + (besideWall(nx, nz) ? kBesideWallCost : 0);
            if (next >= cost[n]) continue;
            cost[n] = next;
            from[n] = static_cast<int>(at);
            open.push({next, n});
        }
    }
    if (from[goal] < 0) return out;
    std::size_t at = goal;
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

int BotGrid::clearance(int x, int z, int cap) const {
    for (int r = 1; r <= cap; ++r)
        for (int dz = -r; dz <= r; ++dz)
            for (int dx = -r; dx <= r; ++dx)
                if (std::max(std::abs(dx), std::abs(dz)) == r && blocked(x + dx, z + dz)) return r - 1;
    return cap;
}

BotGrid::Cell BotGrid::openest(Cell from, int maxSteps, int cap) const {
    if (empty() || blocked(from.x, from.z)) return from;
    // Breadth first over free cells, four ways, so that the steps count the walk.
    std::vector<int> steps(blocked_.size(), -1);
    std::vector<std::size_t> queue{index(from.x, from.z)};
    steps[queue.front()] = 0;
    Cell best = from;
    int bestClearance = clearance(from.x, from.z, cap);
    static constexpr int kWays[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t at = queue[head];
        const int x = static_cast<int>(at % static_cast<std::size_t>(width_)) + minX_;
        const int z = static_cast<int>(at / static_cast<std::size_t>(width_)) + minZ_;
        const int c = clearance(x, z, cap);
        if (c > bestClearance) {  // breadth first: the first found of a clearance is the nearest
            bestClearance = c;
            best = Cell{x, z};
        }
        if (steps[at] >= maxSteps) continue;
        for (const auto& w : kWays) {
            const int nx = x + w[0], nz = z + w[1];
            if (blocked(nx, nz)) continue;
            const std::size_t n = index(nx, nz);
            if (steps[n] >= 0) continue;
            steps[n] = steps[at] + 1;
            queue.push_back(n);
        }
    }
    return best;
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
