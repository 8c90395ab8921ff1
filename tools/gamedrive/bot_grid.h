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

    static Cell cellOf(float x, float z);

    // True when a body of the given radius can move straight from a to b without touching a blocked cell.
    bool clearLine(Point a, Point b, float radius) const;
    // The point to walk toward on the way from a to b: b itself when the line is clear, otherwise the
    // furthest point of a shortest grid path that can be reached in a straight line. a itself when no
    // path exists.
    Point waypoint(Point a, Point b, float radius) const;
    // Shortest 8-connected path of cells from a to b (both included; corners are not cut). Empty when b
    // cannot be reached.
    std::vector<Cell> path(Cell a, Cell b) const;
    // The free cell nearest to c (c itself when it is free).
    Cell nearestFree(Cell c) const;

private:
    bool inside(int x, int z) const { return x >= minX_ && z >= minZ_ && x < minX_ + width_ && z < minZ_ + depth_; }
    std::size_t index(int x, int z) const {
        return static_cast<std::size_t>(z - minZ_) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x - minX_);
    }

    int minX_ = 0, minZ_ = 0, width_ = 0, depth_ = 0;
    std::vector<std::uint8_t> blocked_;
};

}  // namespace hc
