// Sound effects, synthesised at 44100 Hz, mono.
#include <cmath>
#include <vector>

#include "generators.h"
#include "random.h"
#include "synth.h"
#include "wav_writer.h"

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 6.283185307179586;

struct Sound {
  std::vector<float> s;
  explicit Sound(double seconds) : s(static_cast<size_t>(seconds * kRate), 0.0f) {}
  double t(size_t i) const { return static_cast<double>(i) / kRate; }
};

// State-variable band-pass on noise with a moving centre: whooshes and rumbles.
struct BandPass {
  double low = 0, band = 0;
  float run(float x, double hz, double q) {
    double f = 2 * std::sin(3.14159265358979 * std::min(hz, kRate * 0.2) / kRate);
    double high = x - low - q * band;
    band += f * high;
    low += f * band;
    return static_cast<float>(band);
  }
};

std::vector<unsigned char> finish(Sound& snd, float level, bool withRoom) {
  if (withRoom) {
    StereoBuffer b(snd.s.size(), kRate);
    for (size_t i = 0; i < snd.s.size(); ++i) b.add(i, snd.s[i], 0);
    synth::reverb(b, 0.03f, 0.6f, 0.18f);
    snd.s = b.mono(0, snd.s.size());
  }
  // Short fades at both ends so nothing clicks.
  size_t fade = static_cast<size_t>(0.004 * kRate);
  size_t onset = static_cast<size_t>(0.0005 * kRate);
  for (size_t i = 0; i < onset && i < snd.s.size(); ++i) snd.s[i] *= static_cast<float>(i) / onset;
  for (size_t i = 0; i < fade && i < snd.s.size(); ++i) {
    float g = static_cast<float>(i) / fade;
    snd.s[snd.s.size() - 1 - i] *= g;
  }
  float peak = 0;
  for (float v : snd.s) peak = std::max(peak, std::fabs(v));
  return WavWriter::encode(snd.s, 1, kRate, peak > 0 ? level / peak : 1.0f);
}

// The blade's swing: a band of air sweeping up and back down.
std::vector<unsigned char> swing() {
  Sound snd(0.38);
  Random rnd(1);
  BandPass bp;
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    double x = t / 0.38;
    double hz = 700 + 3800 * std::sin(3.14159265 * std::min(1.0, x * 1.3));
    double env = std::pow(std::sin(3.14159265 * std::min(1.0, x * 1.15)), 1.6);
    float v = bp.run(rnd.uniform() * 2 - 1, hz, 0.5) * static_cast<float>(env);
    // A faint ring of the blade.
    v += static_cast<float>(0.05 * std::sin(kTwoPi * 3150 * t) * env);
    snd.s[i] = v;
  }
  return finish(snd, 0.8f, false);
}

std::vector<unsigned char> cursorBlip() {
  Sound snd(0.11);
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    double hz = t < 0.045 ? 1320 : 1760;
    double env = std::min(1.0, t / 0.003) * std::exp(-t * (t < 0.045 ? 30 : 45));
    snd.s[i] = static_cast<float>((std::sin(kTwoPi * hz * t) + 0.3 * std::sin(kTwoPi * hz * 2 * t)) * env);
  }
  return finish(snd, 0.6f, false);
}

// Confirmation: a bright bell chord rising, long enough to cover the title's fade.
std::vector<unsigned char> decide() {
  Sound snd(1.8);
  const int notes[4] = {72, 76, 79, 84};
  for (int k = 0; k < 4; ++k) {
    double f = synth::midiToHz(notes[k]);
    double start = k * 0.06;
    for (size_t i = static_cast<size_t>(start * kRate); i < snd.s.size(); ++i) {
      double t = snd.t(i) - start;
      double env = std::min(1.0, t / 0.003) * std::exp(-t * 2.6);
      double v = std::sin(kTwoPi * f * t) + 0.45 * std::sin(kTwoPi * f * 2.0 * t) * std::exp(-t * 3) +
                 0.2 * std::sin(kTwoPi * f * 3.01 * t) * std::exp(-t * 5);
      snd.s[i] += static_cast<float>(v * env * 0.3);
    }
  }
  Random rnd(3);
  BandPass bp;
  for (size_t i = 0; i < static_cast<size_t>(0.5 * kRate); ++i) {
    double t = snd.t(i);
    snd.s[i] += bp.run(rnd.uniform() * 2 - 1, 2500 + 4000 * t, 0.7) * static_cast<float>(0.25 * std::exp(-t * 8));
  }
  return finish(snd, 0.75f, true);
}

// A heavy blow: a low thump with a dull crunch.
std::vector<unsigned char> slam() {
  Sound snd(0.7);
  Random rnd(4);
  double ph = 0;
  BandPass bp;
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    ph += kTwoPi * (38 + 70 * std::exp(-t * 18)) / kRate;
    double body = std::sin(ph) * std::exp(-t * 6);
    double crunch = bp.run(rnd.uniform() * 2 - 1, 600, 0.8) * std::exp(-t * 14) * 1.5;
    snd.s[i] = static_cast<float>(body + crunch);
  }
  return finish(snd, 0.9f, true);
}

// The blade biting rock: a crack, grit and a short metallic ring. `bright` shifts it up for the
// follow-up hit.
std::vector<unsigned char> stoneHit(bool bright) {
  Sound snd(0.45);
  Random rnd(bright ? 6 : 5);
  BandPass crack, grit;
  double ring = bright ? 2780 : 2250;
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    float n = rnd.uniform() * 2 - 1;
    double c = crack.run(n, bright ? 5200 : 3800, 0.35) * std::exp(-t * 45) * 2.0;
    // Grains of stone: sparse clicks through a lower band.
    float g = rnd.uniform() < 0.02f * static_cast<float>(std::exp(-t * 9)) ? (rnd.uniform() * 2 - 1) * 6 : 0.0f;
    double gr = grit.run(g + n * 0.2f, bright ? 1400 : 900, 0.6) * std::exp(-t * 10);
    double r = (std::sin(kTwoPi * ring * t) + 0.5 * std::sin(kTwoPi * ring * 1.51 * t)) * std::exp(-t * 16) * 0.25;
    double thud = std::sin(kTwoPi * (bright ? 150 : 110) * t) * std::exp(-t * 22) * 0.6;
    snd.s[i] = static_cast<float>(c + gr + r + thud);
  }
  return finish(snd, 0.85f, true);
}

// A golem's fist on armour: thud and clang.
std::vector<unsigned char> armourHit() {
  Sound snd(0.6);
  Random rnd(7);
  BandPass bp;
  const double clang[4] = {420, 1130, 2210, 3370};
  double ph = 0;
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    ph += kTwoPi * (60 + 60 * std::exp(-t * 25)) / kRate;
    double v = std::sin(ph) * std::exp(-t * 9) * 1.2;
    for (int k = 0; k < 4; ++k) v += std::sin(kTwoPi * clang[k] * t + k) * std::exp(-t * (7 + k * 4)) * (0.4 / (k + 1));
    v += bp.run(rnd.uniform() * 2 - 1, 1800, 0.5) * std::exp(-t * 40) * 1.5;
    snd.s[i] = static_cast<float>(v);
  }
  return finish(snd, 0.9f, true);
}

// The field crumbling: a deep boom, a long rumble and falling debris.
std::vector<unsigned char> crumble() {
  Sound snd(2.6);
  Random rnd(8);
  BandPass rumble, debris;
  double ph = 0;
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    ph += kTwoPi * (32 + 40 * std::exp(-t * 6)) / kRate;
    double boom = std::sin(ph) * std::exp(-t * 2.5);
    double env = std::min(1.0, t / 0.05) * std::exp(-t * 1.1) * (0.8 + 0.2 * std::sin(kTwoPi * 7 * t));
    double r = rumble.run(rnd.uniform() * 2 - 1, 140, 0.9) * env * 3.0;
    float hit = rnd.uniform() < 0.004f * static_cast<float>(std::exp(-t * 0.9)) ? (rnd.uniform() * 2 - 1) * 8 : 0.0f;
    double d = debris.run(hit, 900 + 700 * rnd.uniform(), 0.5) * 0.6;
    snd.s[i] = static_cast<float>(boom * 0.9 + r + d);
  }
  return finish(snd, 0.9f, true);
}

// A letter changed in the name entry: a short wooden tick.
std::vector<unsigned char> tick() {
  Sound snd(0.07);
  for (size_t i = 0; i < snd.s.size(); ++i) {
    double t = snd.t(i);
    double env = std::min(1.0, t / 0.001) * std::exp(-t * 70);
    snd.s[i] = static_cast<float>((std::sin(kTwoPi * 2100 * t) * 0.7 + std::sin(kTwoPi * 980 * t)) * env);
  }
  return finish(snd, 0.55f, false);
}

}  // namespace

void makeEffects(OutputTree& out) {
  out.bytes("SE/Harbor Tone Works/slash.wav", swing());
  out.bytes("SE/Harbor Tone Works/title_select_se.wav", cursorBlip());
  out.bytes("SE/Harbor Tone Works/title_se.wav", decide());
  out.bytes("SE/Morrowbell/Slams.wav", slam());
  out.bytes("SE/Sonkai/enemy_slash_se.wav", stoneHit(false));
  out.bytes("SE/Sonkai/enemy_slash2_se.wav", stoneHit(true));
  out.bytes("SE/Duskforge/enemy_hit_se.wav", armourHit());
  out.bytes("SE/Duskforge/field_break_se.wav", crumble());
  out.bytes("SE/Duskforge/cancell_se.wav", tick());
}
