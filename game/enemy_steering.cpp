#include "game/enemy_steering.h"

#include <cmath>
#include <memory>

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.295776f;
constexpr float kNobody = 100000.0f;  // squared distance of a probe that found no one
constexpr float kNoPush = 999.9f;     // length of a push slot without an enemy
constexpr int kProbeCount = 4;
constexpr int kMaxNeighbours = 32;
constexpr std::int32_t kWalkingState = 0;  // the approach state, the one that steers

Vec3 along(float heading) {
    return Vec3{std::cos(heading * kDegreesToRadians), 0, std::sin(heading * kDegreesToRadians)};
}

float groundDistance2(Vec3 a, Vec3 b) {
    float dx = a.x - b.x, dz = a.z - b.z;
    return dx * dx + dz * dz;
}

// Signed angle from heading h to the direction from `from` to `to`, in (-180, 180].
float bearing(Vec3 from, Vec3 to, float h) {
    float a = std::atan2(to.z - from.z, to.x - from.x) * kRadiansToDegrees - h;
    a = std::fmod(a, 360.0f);
    if (a > 180.0f) a -= 360.0f;
    if (a <= -180.0f) a += 360.0f;
    return a;
}

bool onField(const EnemyBase& e) { return e.hitPoints > 0 && e.active != 0; }

struct Probes {
    Vec3 point[kProbeCount];
    float distance2[kProbeCount] = {kNobody, kNobody, kNobody, kNobody};
    std::int32_t nearest[kProbeCount] = {-1, -1, -1, -1};
};

// Nearest other enemy of each probe among those within the look radius of the walker. They are looked
// at nearest first, and once some probe has an enemy within the push radius the search stops: that
// pair must be parted anyway, and nothing farther matters more.
bool searchProbes(const EnemyBase* wave, std::int32_t count, std::int32_t index, Probes& probes) {
    const Vec3 self = wave[index].transform.position;
    const float look2 = EnemySteering::kLookRadius * EnemySteering::kLookRadius;
    const float push2 = EnemySteering::kPushRadius * EnemySteering::kPushRadius;

    // The closest neighbours in order of distance; in a crowd only so many fit in the look radius.
    std::int32_t order[kMaxNeighbours];
    float orderDistance2[kMaxNeighbours];
    int found = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        if (j == index || !onField(wave[j])) continue;
        const float d2 = groundDistance2(self, wave[j].transform.position);
        if (d2 > look2) continue;
        if (found == kMaxNeighbours && d2 >= orderDistance2[found - 1]) continue;
        int k = found < kMaxNeighbours ? found++ : found - 1;
        for (; k > 0 && orderDistance2[k - 1] > d2; --k) {
            order[k] = order[k - 1];
            orderDistance2[k] = orderDistance2[k - 1];
        }
        order[k] = j;
        orderDistance2[k] = d2;
    }

    for (int n = 0; n < found; ++n) {
        const std::int32_t j = order[n];
        const Vec3 other = wave[j].transform.position;
        bool contact = false;
        for (int p = 0; p < kProbeCount; ++p) {
            float d2 = groundDistance2(probes.point[p], other);
            if (d2 < probes.distance2[p]) {
                probes.distance2[p] = d2;
                probes.nearest[p] = j;
            }
            contact = contact || probes.distance2[p] < push2;
        }
        if (contact) return true;
    }
    return false;
}

// Two walkers are parted by the lower index of the pair; an enemy that is not walking (circling,
// charging, knocked back) does not steer, so the walker parts from it whatever the order. The smallest
// push wins: 0.92 of the offset between the two, eased out at the walker's own pace so that a crowd
// drifts apart instead of jumping.
Vec3 partingPush(const EnemyBase* wave, std::int32_t index, const Probes& probes, float speed) {
    const Vec3 self = wave[index].transform.position;
    Vec3 best{0, 0, 0};
    float bestLength = kNoPush;
    for (int p = 0; p < kProbeCount; ++p) {
        std::int32_t j = probes.nearest[p];
        if (j < 0 || j == index || (j < index && wave[j].state == kWalkingState)) continue;
        bool seen = false;
        for (int q = 0; q < p; ++q) seen = seen || probes.nearest[q] == j;
        if (seen) continue;
        Vec3 offset = self - wave[j].transform.position;
        offset.y = 0;
        Vec3 push = offset * EnemySteering::kPushFactor;
        float length = vec3Length(push);
        if (length < bestLength) {
            bestLength = length;
            best = push;
        }
    }
    if (bestLength == kNoPush) return Vec3{0, 0, 0};
    // Two golems on one spot part sideways, the lower index to its left.
    if (bestLength == 0) return along(wave[index].transform.rotation.y + 90.0f) * speed;
    return bestLength > speed ? best * (speed / bestLength) : best;
}

// The probe enemy nearest its probe, within `radius` of it, whose direction from the walker lies in the
// forward cone of heading h.
std::int32_t blockerIn(const EnemyBase* wave, std::int32_t index, const Probes& probes, float h, float cone,
                       float radius, float* angle, float* distance2) {
    const Vec3 self = wave[index].transform.position;
    std::int32_t found = -1;
    float best = radius * radius;
    for (int p = 0; p < kProbeCount; ++p) {
        std::int32_t j = probes.nearest[p];
        if (j < 0) continue;
        float d2 = probes.distance2[p];
        if (d2 >= best) continue;
        float a = bearing(self, wave[j].transform.position, h);
        if (std::fabs(a) > cone * 0.5f) continue;
        best = d2;
        found = j;
        if (angle) *angle = a;
        if (distance2) *distance2 = d2;
    }
    return found;
}

}  // namespace

void EnemySteering::reset() {
    tracks_.reset();
    trackCount_ = 0;
}

void EnemySteering::beginFrame(std::int32_t count) {
    ++frame_;
    if (count != trackCount_) {
        tracks_ = count > 0 ? std::make_unique<Track[]>(static_cast<std::size_t>(count)) : nullptr;
        trackCount_ = count > 0 ? count : 0;
    }
}

void EnemySteering::approach(EnemyBase* wave, std::int32_t count, std::int32_t index, float speed, bool mayTurn) {
    EnemyBase& self = wave[index];
    const float heading = self.transform.rotation.y;
    const Vec3 position = self.transform.position;
    const Vec3 step = along(heading) * speed;
    const Vec3 side = along(heading + 90.0f) * kSideProbe;

    self.avoidCounter = (self.avoidCounter + 1) % kAvoidCycle;
    if (self.avoidPause != 0 && ++self.avoidPause > kAvoidPause) self.avoidPause = 0;

    Probes probes;
    probes.point[0] = position + step;
    probes.point[1] = position - step;
    probes.point[2] = position + side;
    probes.point[3] = position - side;
    const bool contact = searchProbes(wave, count, index, probes);
    const Vec3 push = contact ? partingPush(wave, index, probes, speed) : Vec3{0, 0, 0};
    if (!mayTurn) {
        self.move = step + push;
        return;
    }

    // A walker that was walking last frame keeps the side it chose to pass on, and swings its heading
    // round smoothly rather than snapping between its path and its way round.
    Track* track = index < trackCount_ ? &tracks_[index] : nullptr;
    const bool walking = track && track->frame + 1 == frame_;
    float chosen = heading;
    float away = 0;
    float angle = 0, distance2 = 0;
    if (blockerIn(wave, index, probes, heading, kBlockCone, kBlockRadius, &angle, &distance2) >= 0) {
        // Turn away from the blocker's side (dead ahead, even and odd indices pick opposite sides). While
        // the pause after being boxed in runs, the other side is tried first, which breaks up two golems
        // that keep turning into each other.
        away = angle > 0 ? -1.0f : angle < 0 ? 1.0f
                                             : (index % 2 == 0 ? 1.0f : -1.0f);
        if (walking && track->side != 0) away = track->side;
        if (self.avoidPause != 0) away = -away;
        chosen = heading + away * kSlightTurn;
        if (distance2 < kCloseRadius * kCloseRadius) {
            // Too close to veer: step aside, or round the other way (a little wider, as that passes the
            // blocker's side) when an enemy stands in the way out; boxed in, squeeze along.
            chosen = heading + away * kTurn;
            if (blockerIn(wave, index, probes, chosen, kExitCone, kBlockRadius, nullptr, nullptr) >= 0) {
                chosen = heading - away * kWideTurn;
                if (blockerIn(wave, index, probes, chosen, kExitCone, kBlockRadius, nullptr, nullptr) >= 0) {
                    chosen = heading + away * kSlightTurn;
                    if (self.avoidPause == 0 && self.avoidCounter == 0) self.avoidPause = 1;
                }
            }
        }
    }
    float turned = chosen;
    if (walking) {
        float swing = std::remainder(chosen - track->heading, 360.0f);
        turned = track->heading + swing * kTurnEase;
    }
    if (track) {
        track->heading = turned;
        track->side = away;
        track->frame = frame_;
    }
    self.transform.rotation.y = turned;
    self.move = along(turned) * speed + push;
}

}  // namespace hc
