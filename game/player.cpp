#include "game/player.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "game/enemy_base.h"
#include "game/enemy_hooks.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.295776f;

constexpr float kFollowDistance = 10.0f;
constexpr float kFollowPitch = 67.5f;
constexpr float kActionDistance = 8.0f;
constexpr float kActionPitch = 40.0f;
constexpr float kWalkSpeed = 0.052f;  // per frame at full deflection
constexpr float kStickRange = 800.0f;
constexpr float kFlickThreshold = 300.0f;
constexpr float kGaugeCap = 300.0f;
constexpr std::uint32_t kInvincibleFrames = 91;
constexpr std::uint32_t kEnemyPauseFrames = 31;

float sinDeg(float degrees) { return std::sin(degrees * kDegreesToRadians); }
float cosDeg(float degrees) { return std::cos(degrees * kDegreesToRadians); }
void ease(float& v, float target, float f) { v -= (v - target) * f; }
bool bit(std::uint32_t set, PadButton button) { return (set & padBit(button)) != 0; }

// Camera routines ease toward their view and snap once close.
void easeView(float& v, float target, float f) {
    ease(v, target, f);
    if (std::fabs(v - target) < 0.1f) v = target;
}

std::int32_t defaultView(Player&, std::int32_t, float) { return 0; }

// The thrust narrows the view while it runs and hands it back late in the recovery.
std::int32_t thrustView(Player& p, std::int32_t phase, float) {
    float n = static_cast<float>(p.phaseFrames);
    p.cameraMode = Player::kActionView;
    switch (phase) {
    case 1:
        easeView(p.cameraDistance, kActionDistance, n / 11.0f);
        easeView(p.cameraPitch, kActionPitch, n / 11.0f);
        return 1;
    case 2:
        if (p.phaseFrames > 5) {
            p.cameraDistance = kActionDistance;
            p.cameraPitch = kActionPitch;
        } else {
            easeView(p.cameraDistance, kActionDistance, n / 6.0f);
            easeView(p.cameraPitch, kActionPitch, n / 6.0f);
        }
        return 1;
    default:
        p.cameraDistance = kActionDistance;
        p.cameraPitch = kActionPitch;
        return p.phaseFrames > 17 ? 0 : 1;
    }
}

std::int32_t spinView(Player& p, std::int32_t phase, float) {
    float f = static_cast<float>(p.phaseFrames) / 18.0f;
    p.cameraMode = Player::kActionView;
    if (phase == 3 && p.phaseFrames >= 18) {
        p.cameraDistance = kActionDistance;
        p.cameraPitch = kActionPitch;
        return 0;
    }
    easeView(p.cameraDistance, kActionDistance, f);
    easeView(p.cameraPitch, kActionPitch, f);
    return 1;
}

std::int32_t finisherView(Player& p, std::int32_t phase, float) {
    float n = static_cast<float>(p.phaseFrames);
    p.cameraMode = Player::kActionView;
    switch (phase) {
    case 1:
        easeView(p.cameraDistance, kActionDistance, n / 18.0f);
        easeView(p.cameraPitch, kActionPitch, n / 18.0f);
        return 1;
    case 2:
        easeView(p.cameraDistance, kActionDistance, n / 18.0f);
        if (std::fabs(p.cameraPitch - 10.0f) < 0.1f)
            p.cameraPitch = 10.0f;
        else
            easeView(p.cameraPitch, kActionPitch, n / 18.0f);
        return 1;
    default:
        if (p.phaseFrames > 17) {
            p.cameraDistance = kActionDistance;
            p.cameraPitch = kActionPitch;
            return 0;
        }
        easeView(p.cameraDistance, kActionDistance, n / 8.0f);
        easeView(p.cameraPitch, kActionPitch, n / 8.0f);
        return 1;
    }
}

}  // namespace

Player::Player() {
    for (auto& routine : cameraRoutines) routine = defaultView;
    cameraRoutines[ActionController::kThrust] = thrustView;
    cameraRoutines[ActionController::kSpin] = spinView;
    cameraRoutines[ActionController::kFinisher] = finisherView;
    resetState();
}

void Player::resetState() {
    phaseSeen = 0;
    phaseFrames = 0;
    cameraMode = kFollow;
    heading = bodyPitch = targetHeading = 0;
    gauge = 0;
    deathAlpha = 0;
    regenCounter = hitChain = ghostCounter = 0;
    flickLatch = false;
    flickMagnitude = flickPeak = 0;
    cameraPosture = kPostureFollow;
    postureCounter = 0;
    cameraDistance = kFollowDistance;
    cameraYaw = 0;
    cameraPitch = kFollowPitch;
    stepFoot = false;
    stride = trailStride = 0;
    leftFoot = rightFoot = lastStep = Vec3{0, 0, 0};
    result = kRunning;
    enemiesLeft = 0;
    lastAction = 0;
}

bool Player::init(float x, float y, float z) {
    if (!MeshCache::load("Resource_Blade/Mesh/player_body.x", bodyMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/player_leftfoot.x", leftFootMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/player_rightfoot.x", rightFootMesh)) return false;
    if (!SoundBuffer::load("Resource_Blade/SE/Sonkai/enemy_slash2_se.wav", firstHitSound)) return false;
    if (!SoundBuffer::load("Resource_Blade/SE/Sonkai/enemy_slash_se.wav", secondHitSound)) return false;
    if (!blade.init()) return false;
    character = std::make_unique<CharacterBase>();
    character->transform.position = Vec3{x, y, z};
    character->hitPoints = 3;
    resetState();
    deathAlpha = 255.0f;
    lastStep = Vec3{x, y, z};
    return true;
}

void Player::release() {
    MeshCache::release(bodyMesh);
    bodyMesh = nullptr;
    MeshCache::release(leftFootMesh);
    leftFootMesh = nullptr;
    MeshCache::release(rightFootMesh);
    rightFootMesh = nullptr;
    SoundBuffer::release(firstHitSound);
    firstHitSound = nullptr;
    SoundBuffer::release(secondHitSound);
    secondHitSound = nullptr;
    blade.release();
    character.reset();
}

Matrix Player::worldMatrix() const {
    Matrix m = Matrix::identity();
    if (character) character->transform.toMatrix(m);
    return m;
}

void Player::update(std::uint32_t padHeld, std::uint32_t padPressed, float leftStickX, float leftStickY,
                    float rightStickX, float rightStickY, float zAxis) {
    if (!character) return;
    ActionController& controller = blade.controller;

    if (character->hitPoints == 0) {
        cameraMode = kDead;
        controller.cutOff();
    }

    if (cameraMode == kFinalEventView || cameraMode == kEventView) {
        gauge = std::min(gauge, kGaugeCap);
        blade.update(heading, gauge, worldMatrix());
        heading = blade.heading;
        bodyPitch = blade.bodyPitch;
        if (controller.running())
            handOver(blade.movement);
        else
            eventView();
        cameraMode = kFollow;
        return;
    }

    if (cameraMode == kDead) {
        stepFeet(Vec3{0, 0, 0});
        handOver(Vec3{0, 0, 0});
        return;
    }

    Vec3 movement{0, 0, 0};
    if (zAxis > 0.0f && !controller.running()) {
        zoom(zAxis);
    } else {
        if (bit(padPressed, kCancelButton)) {
            bool wasRunning = controller.running();
            controller.request(0, gauge);
            if (wasRunning && !controller.running() && ghostCounter == 0) ghostCounter = 1;
        }
        readFlick(padHeld, padPressed, rightStickX, rightStickY);
        if (cameraMode == kFollow) movement = walk(leftStickX, leftStickY);
        actionCamera();
    }

    blade.update(heading, gauge, worldMatrix());
    movement = movement + blade.movement;
    heading = blade.heading;
    bodyPitch = blade.bodyPitch;

    stepFeet(movement);
    handOver(movement);

    if (cameraMode == kFollow || cameraMode == kActionView) {
        if (++regenCounter > 59) {
            regenCounter = 0;
            gauge += 0.2f;
        }
    }
}

// A flick of the right stick away from the facing asks for an attack; the latch keeps one flick
// from asking twice until the stick eases back or returns to the centre.
void Player::readFlick(std::uint32_t padHeld, std::uint32_t padPressed, float rightStickX, float rightStickY) {
    if (!flickLatch) {
        bool centred = std::fabs(rightStickX) < kFlickThreshold && std::fabs(rightStickY) < kFlickThreshold;
        float d = std::remainder(std::atan2(rightStickX, -rightStickY) * kRadiansToDegrees - heading, 360.0f);
        std::int32_t type = 0;
        std::int32_t marker = 0;
        float angle = 0;
        if (bit(padHeld, kSecondFamilyButton)) {
            if (centred) {
                if (bit(padPressed, kSecondFamilyButton)) type = ActionController::kThrust;
            } else if (std::fabs(d) <= 130.0f) {
                type = ActionController::kRightSweep;
                marker = ActionController::kFinisherMarker;
                angle = heading + d / 2.0f;
            }
        } else if (!centred) {
            if (std::fabs(d) <= 50.0f)
                type = ActionController::kForwardCut;
            else if (d < 0.0f && std::fabs(d) <= 130.0f)
                type = ActionController::kLeftSweep;
            else if (d > 0.0f && std::fabs(d) <= 130.0f)
                type = ActionController::kRightSweep;
            else
                type = ActionController::kTurningCut;
        }
        if (type != 0) {
            blade.controller.request(type, gauge, marker, angle);
            flickLatch = true;
            flickPeak = flickMagnitude;
        }
    }
    flickMagnitude = std::fabs(rightStickX) + std::fabs(rightStickY);
    if (flickLatch && (flickMagnitude < flickPeak || flickMagnitude == 0.0f)) {
        flickLatch = false;
        hitChain = 0;
    }
}

void Player::turnToward(float target) {
    if (heading - target > 180.0f)
        heading -= 360.0f;
    else if (target - heading > 180.0f)
        heading += 360.0f;
    ease(heading, target, 0.2f);
    if (std::fabs(heading - target) <= 0.5f) heading = target;
}

Vec3 Player::walk(float leftStickX, float leftStickY) {
    float m = std::fabs(leftStickX) + std::fabs(leftStickY);
    if (m > 0.0f) {
        float s = std::atan2(leftStickX, -leftStickY) * kRadiansToDegrees;
        if (blade.controller.running()) {
            // During an attack the body only slides, and not at all against its facing.
            float a = std::fmod(std::fabs(heading - s), 360.0f);
            float k = a > 90.0f ? 0.0f : (1.0f - a / 90.0f) * 0.5f;
            float speed = m / kStickRange * kWalkSpeed * k;
            return Vec3{sinDeg(s) * speed, 0.0f, cosDeg(s) * speed};
        }
        targetHeading = s;
        turnToward(s);
        float a = std::fabs(heading - s);
        if (a >= 90.0f) return Vec3{0, 0, 0};
        float x = sinDeg(heading);
        float z = cosDeg(heading);
        // Diagonal headings walk slower: down to half speed at 45 degrees.
        float f = std::fabs(std::fmod(std::trunc(heading), 90.0f)) + (heading - std::floor(heading));
        if (f > 45.0f) f = 90.0f - f;
        float v = f / 45.0f * 0.5f;
        if (std::fabs(x) != 1.0f && std::fabs(z) != 1.0f) {
            if (std::fabs(x) >= 0.9f || std::fabs(z) >= 0.9f) {
                if (std::fabs(x) > std::fabs(z))
                    x *= 1.0f - v;
                else
                    z *= 1.0f - v;
            }
            x *= 1.0f - v;
            z *= 1.0f - v;
        }
        float speed = (1.0f - a / 90.0f) * m / kStickRange * kWalkSpeed;
        return Vec3{x * speed, 0.0f, z * speed};
    }
    if (!blade.controller.running()) turnToward(targetHeading);
    return Vec3{0, 0, 0};
}

bool Player::easePosture(std::int32_t posture, float distance, float pitch, float yaw) {
    if (cameraPosture != posture) {
        cameraPosture = posture;
        postureCounter = 1;
    }
    if (postureCounter == 0) return false;
    ++postureCounter;
    if (postureCounter >= 18) {
        cameraDistance = distance;
        cameraPitch = pitch;
        cameraYaw = yaw;
        postureCounter = 0;
        return true;
    }
    float f = static_cast<float>(postureCounter) / 18.0f;
    ease(cameraDistance, distance, f);
    ease(cameraPitch, pitch, f);
    ease(cameraYaw, yaw, f * 0.5f);
    return false;
}

// The trigger raises the camera to look straight down; the body stands still meanwhile.
void Player::zoom(float zAxis) {
    if (cameraPosture != kPostureZoom) cameraMode = kActionView;
    float distance = zAxis / 900.0f * 6.0f + 17.5f;
    bool easing = cameraPosture != kPostureZoom || postureCounter != 0;
    easePosture(kPostureZoom, distance, 90.0f, 0.0f);
    if (!easing) cameraDistance = distance;
}

void Player::actionCamera() {
    cameraMode = kFollow;
    const ActionController& controller = blade.controller;
    if (!controller.running()) {
        easePosture(kPostureFollow, kFollowDistance, kFollowPitch, 0.0f);
        return;
    }
    cameraPosture = kPostureAction;
    postureCounter = 0;
    if (controller.phase != phaseSeen) {
        phaseSeen = controller.phase;
        phaseFrames = 1;
    } else if (phaseFrames < 10000) {
        ++phaseFrames;
    }
    CameraRoutine routine = nullptr;
    if (controller.action >= 0 && controller.action < kCameraRoutineCount) routine = cameraRoutines[controller.action];
    if (!routine || routine(*this, controller.phase, heading) == 0) cameraMode = kFollow;
}

// After a cleared stage the camera comes down in front of the knight for the story event.
void Player::eventView() {
    leftFoot = rightFoot = Vec3{0, 0, 0};
    if (easePosture(kPostureStageEnd, 4.2f, 34.0f, heading)) bodyPitch = 0;
    Vec3 body = character->transform.position;
    float s = sinDeg(heading);
    float c = cosDeg(heading);
    if (body.x > 25.0f) c = -c;
    gCamera.setOrbit(body.x + c, body.y, body.z + s, cameraPitch, cameraYaw, cameraDistance);
    gCamera.lookAt = Vec3{body.x + s, body.y + 1.15f, body.z + c};
    gCamera.apply();
}

void Player::swapFeet() {
    std::swap(stride, trailStride);
    stepFoot = !stepFoot;
    Vec3& moving = stepFoot ? leftFoot : rightFoot;
    moving.y = 0;
    lastStep = character->transform.position + moving;
}

// A procedural two-step walk: the moving foot swings ahead to a stride that grows with the speed while
// the planted foot falls behind the body, and they change over when either gets far enough.
void Player::stepFeet(Vec3 movement) {
    Vec3 body = character->transform.position;
    float dx = body.x - lastStep.x;
    float dz = body.z - lastStep.z;
    float d = dx * dx + dz * dz;
    float s = sinDeg(heading);
    float c = cosDeg(heading);

    bool moving = std::fabs(movement.x) >= 0.0001f || std::fabs(movement.z) >= 0.0001f;
    if (moving) {
        float g = 14.0f * movement.x;
        float h = 14.0f * movement.z;
        float t = std::min((g * g + h * h) * 0.6f, 0.8f);
        stride -= (stride - t) * 0.1f;
        trailStride -= (0.1f * d + t) * 0.06f;
        if (stride >= 0.98f * t || trailStride <= -0.98f * t) swapFeet();
        Vec3& movingFoot = stepFoot ? leftFoot : rightFoot;
        Vec3& plantedFoot = stepFoot ? rightFoot : leftFoot;
        float lift = movingFoot.y;
        if (stride >= 0.0f) {
            float reach = stride / (0.99f * t);
            lift = stride < 0.475f * t ? reach * 0.4f : (1.0f - stride / (0.995f * t)) * reach * 0.4f;
            // A stride far past a target that shrank would push the foot into the ground.
            lift = std::max(lift, 0.0f);
        }
        movingFoot = Vec3{s * stride, lift, c * stride};
        plantedFoot = Vec3{s * trailStride, plantedFoot.y, c * trailStride};
        if ((!stepFoot && rightFoot.y <= 0.012f) || (stepFoot && rightFoot.y <= 0.0f)) rightFoot.y = 0;
        return;
    }

    if (stride == 0.0f && trailStride == 0.0f) return;
    if (trailStride > 0.0f) swapFeet();
    stride *= 0.9f;
    if (std::fabs(stride) <= 0.02f) stride = 0;
    trailStride += 0.006f * d;
    Vec3& movingFoot = stepFoot ? leftFoot : rightFoot;
    Vec3& plantedFoot = stepFoot ? rightFoot : leftFoot;
    movingFoot = Vec3{s * stride, movingFoot.y, c * stride};
    plantedFoot = Vec3{s * trailStride, plantedFoot.y, c * trailStride};
    if (stride >= 0.594f || trailStride <= -0.594f) {
        stride = -0.6f;
        trailStride = 0.6f;
        stepFoot = !stepFoot;
    }
    if (stride == 0.0f) {
        stride = trailStride;
        trailStride = 0;
        stepFoot = !stepFoot;
    }
}

void Player::handOver(Vec3 movement) {
    character->move = movement;
    Vec3 body = character->transform.position;
    gCamera.setOrbit(body.x, body.y, body.z, cameraPitch - 0.001f, cameraYaw, cameraDistance);
    gCamera.lookAt = Vec3{body.x, body.y + 1.1f, body.z};
    gCamera.apply();
}

std::int32_t Player::combatStep(bool frozen) {
    result = kRunning;
    std::int32_t score = 0;
    if (!character) return 0;
    if (frozen) {
        update(0, 0, 0, 0, 0, 0, 0);
    } else {
        update(gInput.padHeld, gInput.padPressed, gInput.leftStickX, gInput.leftStickY, gInput.rightStickX,
               gInput.rightStickY, gInput.zAxis);
        const ActionController& controller = blade.controller;
        std::int32_t count = (enemyHooks && enemies) ? enemyHooks->enemyCount() : 0;
        if (controller.action != lastAction || controller.phase != 2) {
            lastAction = controller.action;
            for (std::int32_t i = 0; i < count; ++i) enemies[i].hitThisSwing = 0;
        }
        if (enemyHooks) {
            Vec3 body = character->transform.position;
            enemyHooks->moveEnemies(enemies, body.x, body.y, body.z);
        }
        resolveHits(score);
    }
    if (character->counter != 0 && ++character->counter > kInvincibleFrames) character->counter = 0;
    if (character->hitPoints == 0)
        result = kPlayerDead;
    else if (enemiesLeft == 0)
        result = kWaveCleared;
    return score;
}

MeshEntry* Player::meshForKind(std::int32_t kind) const {
    if (!enemyHooks) return nullptr;
    switch (kind) {
    case 1: return enemyHooks->enemyMesh(EnemyHooks::kGolem2);
    case 2: return enemyHooks->enemyMesh(EnemyHooks::kGolem3);
    case 7: return enemyHooks->enemyMesh(EnemyHooks::kObsidian);
    default: return enemyHooks->enemyMesh(EnemyHooks::kGolem1);
    }
}

// Blade hits first, then the enemy's own attack, enemy by enemy in wave order.
void Player::resolveHits(std::int32_t& score) {
    if (!enemyHooks || !enemies) return;
    const ActionController& controller = blade.controller;
    std::int32_t count = enemyHooks->enemyCount();
    bool bladeLive = controller.phase == 2 && cameraMode != kDead && cameraMode != kFinalEventView &&
                     cameraMode != kEventView;
    for (std::int32_t i = 0; i < count; ++i) {
        EnemyBase& enemy = enemies[i];
        if (enemy.hitPoints <= 0 || !enemy.active) continue;
        Vec3 body = character->transform.position;

        if (bladeLive && !enemy.hitThisSwing) {
            std::int32_t value = blade.hitTest(enemy, meshForKind(enemy.kind), enemy.kind);
            if (value != 0) {
                playHitSounds();
                float share = std::max(0.0f, 1.0f - static_cast<float>(hitChain) * 0.15f);
                gauge = std::min(gauge + std::trunc(static_cast<float>(value) * share), kGaugeCap);
                std::int32_t points = hitScore(enemy.kind);
                if (points != 0) {
                    std::int32_t action = controller.action;
                    std::int32_t damage = action == ActionController::kFinisher ? 2 : 1;
                    bool strong = action == ActionController::kThrust || action == ActionController::kFinisher;
                    if (enemyHooks->enemyTakeHit(enemy, &body, damage, strong)) {
                        enemy.hitThisSwing = 1;
                        if (enemy.hitPoints == 0) {
                            --enemiesLeft;
                            score += points;
                        }
                        if (enemiesLeft == 0) {
                            if (character->hitPoints > 2)
                                score += 500;
                            else
                                ++character->hitPoints;
                        }
                    }
                }
            }
        }

        if (enemy.counter != 0) {
            if (++enemy.counter > kEnemyPauseFrames) enemy.counter = 0;
        } else if (character->hitPoints > 0 && character->counter == 0) {
            if (enemyHooks->enemyAttackTest(bodyMesh, enemy, body)) {
                character->hitPoints = std::max(0, character->hitPoints - 1);
                character->counter = 1;
            }
        }
    }
}

std::int32_t Player::hitScore(std::int32_t kind) {
    float n = static_cast<float>(hitChain);
    std::int32_t points = 0;
    switch (blade.controller.action) {
    case ActionController::kForwardCut:
    case ActionController::kTurningCut: points = 100; break;
    case ActionController::kLeftSweep:
    case ActionController::kRightSweep:
    case ActionController::kThrust: points = 80; break;
    case ActionController::kSpin:
        points = static_cast<std::int32_t>(std::lround(120.0f / (n + 1.0f)));
        ++hitChain;
        break;
    case ActionController::kFinisher:
        points = static_cast<std::int32_t>(std::lround(80.0f / (0.5f * (n + 1.0f))));
        ++hitChain;
        break;
    default: break;
    }
    if (kind == Blade::kLargeEnemyKind) points = 10000;
    return points;
}

void Player::playHitSounds() {
    if (!firstHitSound) return;
    firstHitSound->stop();
    if (firstHitSound->buffer && firstHitSound->buffer->currentPosition() != 0) {
        // Still sounding: start it over and layer the second sound on top.
        firstHitSound->restart();
        if (secondHitSound) {
            secondHitSound->stop();
            secondHitSound->play();
        }
    } else {
        firstHitSound->play();
    }
}

Matrix Player::bodyMatrix(Vec3 offset, float scale) const {
    Transform t;
    t.position = character->transform.position + offset;
    t.rotation = Vec3{bodyPitch, -heading - 180.0f, 0.0f};
    Matrix m;
    t.toMatrix(m);
    if (scale != 1.0f) m = matrixMultiply(matrixScaling(scale, scale, scale), m);
    return m;
}

void Player::draw() {
    if (!character || !gDevice) return;
    Device& device = *gDevice;

    if (cameraMode == kDead) {
        // The knight tips over, then fades out.
        if (bodyPitch > -90.0f) {
            bodyPitch = std::max(bodyPitch - 3.0f, -90.0f);
        } else {
            deathAlpha = std::max(deathAlpha - 1.5f, 0.0f);
        }
        auto alpha = static_cast<std::uint32_t>(deathAlpha);
        if (alpha != 0) {
            device.setTransform(TransformType::World, bodyMatrix(Vec3{0, 0, 0}, 1.0f));
            if (bodyMesh) MeshCache::drawAlpha(bodyMesh, alpha);
            device.setTransform(TransformType::World, bodyMatrix(leftFoot, 1.0f));
            if (leftFootMesh) MeshCache::drawAlpha(leftFootMesh, alpha);
            device.setTransform(TransformType::World, bodyMatrix(rightFoot, 1.0f));
            if (rightFootMesh) MeshCache::drawAlpha(rightFootMesh, alpha);
        }
        blade.drawFading(heading, bodyPitch, deathAlpha);
        return;
    }

    bool invincible = character->counter != 0;
    auto drawPart = [&](MeshEntry* mesh, Vec3 offset) {
        device.setTransform(TransformType::World, bodyMatrix(offset, 1.0f));
        if (!mesh) return;
        if (invincible)
            MeshCache::drawAlpha(mesh, 96);
        else
            MeshCache::draw(mesh);
    };
    drawPart(bodyMesh, Vec3{0, 0, 0});
    if (ghostCounter > 6) ghostCounter = 0;
    if (ghostCounter != 0) {
        // A white after-image swells from the body after a cancel.
        float g = static_cast<float>(ghostCounter);
        device.setTransform(TransformType::World, bodyMatrix(Vec3{0, 0, 0}, g / 6.0f * 0.65f + 1.0f));
        auto alpha = static_cast<std::uint32_t>((6.0f - g) / 6.0f * 128.0f);
        if (bodyMesh) MeshCache::drawFlat(bodyMesh, (alpha << 24) | 0x00FFFFFFu);
        ghostCounter = ghostCounter >= 6 ? 0 : ghostCounter + 1;
    }
    drawPart(leftFootMesh, leftFoot);
    drawPart(rightFootMesh, rightFoot);
    if (cameraMode != kEventView) blade.draw(heading, gauge);
}

}  // namespace hc
