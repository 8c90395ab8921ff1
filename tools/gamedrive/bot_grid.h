#pragma once
// The bot's map of a stage: which grid cells a wall blocks, and the way around them.
#include <cstdint>
#include <vector>

namespace hc {

class BotGrid {
public:
    struct Cell {
        int x = 0, z = 0;
        bool operator==(const Cell& o) const { return x == o.x && z == o.z; }
    };
    struct Point {
        float x = 0, z = 0;
    };

    // The walkable area spans the floor cells, one cell of margin around them; blocked cells are the
    // solid wall chips. Cells are one world unit, centred on whole coordinates.
    void reset(int minX, int minZ, int maxX, int maxZ);
    // No map: nothing is blocked.
    void clear();
    void block(int x, int z);
    bool blocked(int x, int z) const;
    bool empty() const { return width_ <= 0 || depth_ <= 0; }
    // The cells mapped, margin included.
    int minX() const { return minX_; }
    int minZ() const { return minZ_; }
    int maxX() const { return minX_ + width_ - 1; }
    int maxZ() const { return minZ_ + depth_ - 1; }

    static Cell cellOf(float x, float z);

    // True when a square body of the given half width can move straight from a to b without reaching
    // into a blocked cell; a body that reaches into one at a must draw out of it on the way.
    bool clearLine(Point a, Point b, float radius) const;
    // How deep such a body at p reaches into blocked cells (0 when clear of them).
    float penetration(Point p, float radius) const;
    // The point to walk toward on the way from a to b: b itself when the line is clear, otherwise the
    // furthest point of a shortest grid path that can be reached in a straight line. a itself when no
    // path exists.
    Point waypoint(Point a, Point b, float radius) const;
    // Cheapest 8-connected path of cells from a to b (both included; corners are not cut), keeping off
    // cells beside walls where it can. Empty when b cannot be reached.
    std::vector<Cell> path(Cell a, Cell b) const;
    // A blocked cell is among the eight around this one.
    bool besideWall(int x, int z) const;
    // The free cell nearest to c (c itself when it is free).
    Cell nearestFree(Cell c) const;
    // How many cells lie between this cell and the nearest blocked one (Chebyshev distance less one),
    // counted up to cap.
    int clearance(int x, int z, int cap) const;
    // Of the free cells a walk of at most maxSteps cells from `from` reaches, the one furthest from
    // every wall (clearance up to cap), the nearest of equals: where falling blocks cannot wall the
    // knight in. `from` itself when it is blocked or no cell is clearer.
    Cell openest(Cell from, int maxSteps, int cap) const;

private:
    bool inside(int x, int z) const { return x >= minX_ && z >= minZ_ && x < minX_ + width_ && z < minZ_ + depth_; }
    std::size_t index(int x, int z) const {
        return static_cast<std::size_t>(z - minZ_) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x - minX_);
    }

    int minX_ = 0, minZ_ = 0, width_ = 0, depth_ = 0;
    std::vector<std::uint8_t> blocked_;
};

}  // namespace hc
