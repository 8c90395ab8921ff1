// The three pieces of music. Each is arranged for a whole number of bars and rendered twice in a
// row; the second pass, which already carries the first pass's echoes and releases at its start,
// is the file. Played to its end and started again, it continues without a seam.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "generators.h"
#include "synth.h"
#include "wav_writer.h"

namespace {

constexpr int kRate = 22050;

struct Arrangement {
  int framesPerBeat;  // whole frames, so that bar lines fall on exact frames
  int beats;
  // Adds one pass of the piece starting at `beatOffset`.
  std::function<void(StereoBuffer&, double beatOffset, Random&)> play;
  std::function<void(StereoBuffer&)> effects;
};

std::vector<unsigned char> render(const Arrangement& a) {
  const size_t loop = static_cast<size_t>(a.framesPerBeat) * a.beats;
  StereoBuffer buf(loop * 2, kRate);
  Random rnd(2024);
  a.play(buf, 0, rnd);
  a.play(buf, a.beats, rnd);
  a.effects(buf);
  // Level from the kept pass only.
  float peak = 0;
  for (size_t i = loop; i < 2 * loop; ++i) peak = std::max({peak, std::fabs(buf.left[i]), std::fabs(buf.right[i])});
  return WavWriter::encode(buf.interleaved(loop, loop), 2, kRate, peak > 0 ? 0.86f / peak : 1.0f);
}

void notes(StereoBuffer& b, Voice v, const std::vector<Note>& ns, double offset, double fpb, float pan, float gain) {
  for (Note n : ns) {
    n.beat += offset;
    synth::playNote(b, v, n, fpb, pan, gain);
  }
}

// Chord tones (midi) from a name like "Dm", "Bb", "C", "A", "G", "Fm", "Ab", "Eb", "F", "Cmaj7".
std::vector<int> chord(const std::string& name, int octave) {
  std::string root = name.substr(0, (name.size() > 1 && (name[1] == 'b' || name[1] == '#')) ? 2 : 1);
  std::string kind = name.substr(root.size());
  int r = synth::noteNumber(root + std::to_string(octave));
  std::vector<int> tones = {r, r + (kind.rfind("m", 0) == 0 && kind.rfind("maj", 0) != 0 ? 3 : 4), r + 7};
  if (kind == "maj7") tones.push_back(r + 11);
  if (kind == "m7" || kind == "7") tones.push_back(r + 10);
  return tones;
}

// ---- Stages: driving, D minor, 140 beats a minute, 36 bars. ----
Arrangement road() {
  Arrangement a;
  a.framesPerBeat = kRate * 60 / 140;  // 9450
  a.beats = 36 * 4;
  a.play = [fpb = a.framesPerBeat](StereoBuffer& b, double off, Random& rnd) {
    const char* prog[4] = {"Dm", "Bb", "C", "A"};
    const std::string lead1 =
        "D5:0.5 A4:0.5 D5:0.5 E5:0.5 F5:1 E5:0.5 D5:0.5 F5:1.5 G5:0.5 F5:1 D5:1 "
        "E5:0.5 C5:0.5 E5:0.5 G5:0.5 A5:1 G5:0.5 E5:0.5 C#5:2 E5:1 A4:1 "
        "D5:0.5 A4:0.5 D5:0.5 E5:0.5 F5:1 A5:1 Bb5:1.5 A5:0.5 G5:1 F5:1 "
        "G5:0.5 F5:0.5 E5:0.5 C5:0.5 E5:1 G5:1 A5:3 r:1";
    const std::string lead2 =
        "A5:1 F5:0.5 A5:0.5 D6:1 C6:0.5 A5:0.5 Bb5:1 F5:0.5 Bb5:0.5 D6:1 Bb5:1 "
        "C6:1 G5:0.5 C6:0.5 E6:1 D6:0.5 C6:0.5 C#6:1.5 A5:0.5 E5:1 C#6:1 "
        "D6:1.5 C6:0.5 A5:1 F5:1 G5:1 A5:0.5 Bb5:0.5 A5:1 G5:1 "
        "E5:1 F5:0.5 G5:0.5 A5:1 C6:1 C#6:2 E6:2";
    // Sections in bars: intro 0-3, A 4-11, B 12-19, breakdown 20-27, A again 28-35.
    for (int bar = 0; bar < 36; ++bar) {
      double beat0 = off + bar * 4;
      size_t f0 = static_cast<size_t>(beat0 * fpb);
      const std::string c = prog[bar % 4];
      bool breakdown = bar >= 20 && bar < 28;
      // Pad holds the chord.
      for (int t : chord(c, 3)) synth::playNote(b, Voice::Pad, {beat0, 4, t, 0.5f}, fpb, (t % 2) ? -0.4f : 0.4f, 0.11f);
      // Bass: driving eighths with an octave jump; halved in the breakdown.
      int root = chord(c, 2)[0];
      for (int e = 0; e < 8; ++e) {
        if (breakdown && e % 2) continue;
        int m = (e == 3 || e == 7) ? root + 12 : root;
        synth::playNote(b, Voice::Bass, {beat0 + e * 0.5, 0.45, m, e % 2 ? 0.75f : 0.95f}, fpb, 0, 0.3f);
      }
      // Drums.
      if (!breakdown || bar >= 26) {
        synth::kick(b, f0, 0.7f);
        synth::kick(b, f0 + static_cast<size_t>(2 * fpb), 0.7f);
        if (bar % 2) synth::kick(b, f0 + static_cast<size_t>(2.75 * fpb), 0.45f);
        synth::snare(b, f0 + static_cast<size_t>(1 * fpb), 0.35f, rnd);
        synth::snare(b, f0 + static_cast<size_t>(3 * fpb), 0.35f, rnd);
        for (int e = 0; e < 8; ++e)
          synth::hat(b, f0 + static_cast<size_t>(e * 0.5 * fpb), e % 2 ? 0.25f : 0.4f, e == 7 && bar % 4 == 3, rnd);
      } else {
        synth::kick(b, f0, 0.5f);
        synth::hat(b, f0 + static_cast<size_t>(2 * fpb), 0.3f, true, rnd);
      }
      // Fills at the ends of sections.
      if (bar % 8 == 3 && bar > 3) {
        for (int k = 0; k < 4; ++k)
          synth::tom(b, f0 + static_cast<size_t>((3 + k * 0.25) * fpb), 160.0f - k * 25, 0.4f, k % 2 ? 0.3f : -0.3f);
      }
      if (bar == 27)
        for (int k = 0; k < 8; ++k) synth::snare(b, f0 + static_cast<size_t>((2 + k * 0.25) * fpb), 0.12f + k * 0.03f, rnd);
      if (bar == 4 || bar == 12 || bar == 28) synth::cymbal(b, f0, 0.5f, 1.6f, rnd, 0.2f);
      // Arpeggio in the breakdown and under the second theme.
      if (breakdown || (bar >= 12 && bar < 20)) {
        std::vector<int> t = chord(c, 4);
        for (int s = 0; s < 16; ++s) {
          int m = t[static_cast<size_t>(s) % t.size()] + ((s / 3) % 2 ? 12 : 0);
          synth::playNote(b, Voice::Pluck, {beat0 + s * 0.25, 0.25, m, 0.6f}, fpb, s % 2 ? 0.5f : -0.5f,
                          breakdown ? 0.16f : 0.08f);
        }
      }
    }
    notes(b, Voice::Lead, synth::phrase(lead1, 16), off, fpb, -0.1f, 0.17f);
    notes(b, Voice::Lead, synth::phrase(lead2, 48), off, fpb, 0.1f, 0.17f);
    notes(b, Voice::Lead, synth::phrase(lead1, 112), off, fpb, -0.1f, 0.17f);
    // Strings an octave below the last theme.
    auto low = synth::phrase(lead1, 112, 0.7f);
    for (Note& n : low) n.midi -= 12;
    notes(b, Voice::Strings, low, off, fpb, 0.3f, 0.08f);
  };
  a.effects = [fpb = a.framesPerBeat](StereoBuffer& b) {
    synth::echo(b, static_cast<size_t>(fpb * 0.75), 0.3f, 0.18f);
    synth::reverb(b, 0.035f, 0.72f, 0.22f);
  };
  return a;
}

// ---- Title: solemn, C minor, 72 beats a minute, 20 bars. ----
Arrangement opening() {
  Arrangement a;
  a.framesPerBeat = kRate * 60 / 72;  // 18375
  a.beats = 20 * 4;
  a.play = [fpb = a.framesPerBeat](StereoBuffer& b, double off, Random& rnd) {
    const char* prog[8] = {"Cm", "Ab", "Eb", "Bb", "Fm", "Ab", "G", "G"};
    const std::string theme1 =
        "G4:2 C5:1 D5:1 Eb5:3 D5:0.5 C5:0.5 Bb4:2 G4:1 Bb4:1 D5:3 r:1 "
        "C5:2 F5:1 Eb5:1 Eb5:1.5 D5:0.5 C5:2 B4:2 D5:1 F5:1 G5:4";
    const std::string theme2 =
        "C5:1 G5:2 Eb5:1 C6:3 Bb5:0.5 Ab5:0.5 G5:2 Eb5:1 G5:1 F5:3 D5:1 "
        "Ab5:2 G5:1 F5:1 Eb5:1 F5:1 G5:1 Ab5:1 G5:2 F5:1 D5:1 D5:2 B4:2";
    for (int bar = 0; bar < 20; ++bar) {
      double beat0 = off + bar * 4;
      size_t f0 = static_cast<size_t>(beat0 * fpb);
      const std::string c = prog[(bar + 4) % 8];  // the intro walks the second half of the progression
      std::string cc = bar < 4 ? std::string(prog[bar]) : c;
      for (int t : chord(cc, 3)) synth::playNote(b, Voice::Choir, {beat0, 4, t, 0.6f}, fpb, (t % 3 - 1) * 0.4f, 0.1f);
      int root = chord(cc, 2)[0];
      synth::playNote(b, Voice::SoftBass, {beat0, 4, root, 0.8f}, fpb, 0, 0.22f);
      synth::playNote(b, Voice::SoftBass, {beat0, 4, root - 12, 0.6f}, fpb, 0, 0.12f);
      // Bell motif every bar: the chord's fifth and root, falling.
      std::vector<int> t = chord(cc, 5);
      synth::playNote(b, Voice::Bell, {beat0, 1, t[2], 0.55f}, fpb, 0.4f, 0.1f);
      synth::playNote(b, Voice::Bell, {beat0 + 1.5, 1, t[1], 0.45f}, fpb, -0.4f, 0.08f);
      synth::playNote(b, Voice::Bell, {beat0 + 3, 1, t[0], 0.4f}, fpb, 0.2f, 0.08f);
      if (bar >= 12) {
        synth::timpani(b, f0, root + 12, 0.45f, rnd);
        if (bar % 2) synth::timpani(b, f0 + static_cast<size_t>(3.5 * fpb), root + 12, 0.3f, rnd);
        for (int s : {-1, 1})
          for (int tn : chord(cc, 4)) synth::playNote(b, Voice::Strings, {beat0, 4, tn, 0.5f}, fpb, s * 0.6f, 0.035f);
      }
      if (bar == 4 || bar == 12) synth::cymbal(b, f0, 0.35f, 3.0f, rnd, -0.2f);
    }
    notes(b, Voice::Strings, synth::phrase(theme1, 16, 0.85f), off, fpb, -0.15f, 0.2f);
    notes(b, Voice::Lead, synth::phrase(theme2, 48, 0.8f), off, fpb, 0.1f, 0.13f);
    auto octave = synth::phrase(theme2, 48, 0.6f);
    for (Note& n : octave) n.midi -= 12;
    notes(b, Voice::Strings, octave, off, fpb, -0.3f, 0.12f);
  };
  a.effects = [](StereoBuffer& b) { synth::reverb(b, 0.06f, 0.84f, 0.4f); };
  return a;
}

// ---- Ranking, name entry and credits: calm, F major, 90 beats a minute, 24 bars. ----
Arrangement ranking() {
  Arrangement a;
  a.framesPerBeat = kRate * 60 / 90;  // 14700
  a.beats = 24 * 4;
  a.play = [fpb = a.framesPerBeat](StereoBuffer& b, double off, Random& rnd) {
    const char* prog[8] = {"Fmaj7", "C", "Dm7", "Bb", "F", "C", "Bb", "C"};
    const std::string m1 =
        "A4:1 C5:1 F5:1.5 E5:0.5 E5:1 D5:1 C5:2 D5:1 F5:1 A5:1.5 G5:0.5 F5:1 D5:1 Bb4:2 "
        "A4:1 C5:1 F5:1 A5:1 G5:1.5 F5:0.5 E5:1 C5:1 D5:1 F5:1 E5:1 D5:1 E5:3 r:1";
    const std::string m2 =
        "C6:2 A5:1 F5:1 G5:2 E5:1 C5:1 F5:1.5 E5:0.5 D5:1 A4:1 Bb4:1 D5:1 F5:2 "
        "A5:1.5 G5:0.5 F5:1 C5:1 E5:1 G5:1 C6:2 Bb5:1 A5:1 G5:1 F5:1 G5:2 E5:2";
    for (int bar = 0; bar < 24; ++bar) {
      double beat0 = off + bar * 4;
      size_t f0 = static_cast<size_t>(beat0 * fpb);
      const std::string c = prog[bar % 8];
      std::vector<int> t = chord(c, 4);
      // Broken chords on the electric piano.
      const int pattern[8] = {0, 1, 2, 1, 3, 1, 2, 1};
      for (int e = 0; e < 8; ++e) {
        size_t k = static_cast<size_t>(pattern[e]) % t.size();
        int m = t[k] - (e == 0 ? 12 : 0);
        synth::playNote(b, Voice::EPiano, {beat0 + e * 0.5, 0.5, m, e == 0 ? 0.8f : 0.55f}, fpb, e % 2 ? 0.35f : -0.35f,
                        0.14f);
      }
      int root = chord(c, 2)[0];
      synth::playNote(b, Voice::SoftBass, {beat0, 2, root, 0.8f}, fpb, 0, 0.26f);
      synth::playNote(b, Voice::SoftBass, {beat0 + 2, 1.5, root + 7, 0.7f}, fpb, 0, 0.22f);
      synth::playNote(b, Voice::SoftBass, {beat0 + 3.5, 0.5, root + 12, 0.6f}, fpb, 0, 0.18f);
      if (bar >= 4) {
        synth::kick(b, f0, 0.35f);
        synth::kick(b, f0 + static_cast<size_t>(2.5 * fpb), 0.25f);
        synth::rim(b, f0 + static_cast<size_t>(1 * fpb), 0.18f, 0.3f);
        synth::rim(b, f0 + static_cast<size_t>(3 * fpb), 0.18f, 0.3f);
        for (int e = 0; e < 8; ++e) synth::shaker(b, f0 + static_cast<size_t>(e * 0.5 * fpb), e % 2 ? 0.35f : 0.22f, rnd);
      }
      for (int tn : t) synth::playNote(b, Voice::Pad, {beat0, 4, tn - 12, 0.4f}, fpb, 0, 0.05f);
    }
    notes(b, Voice::Flute, synth::phrase(m1, 0, 0.8f), off, fpb, -0.1f, 0.2f);
    notes(b, Voice::Flute, synth::phrase(m2, 32, 0.8f), off, fpb, 0.1f, 0.2f);
    notes(b, Voice::Flute, synth::phrase(m1, 64, 0.8f), off, fpb, -0.1f, 0.18f);
    auto harmony = synth::phrase(m1, 64, 0.6f);
    for (Note& n : harmony) n.midi -= 4;
    notes(b, Voice::Bell, harmony, off, fpb, 0.4f, 0.07f);
  };
  a.effects = [fpb = a.framesPerBeat](StereoBuffer& b) {
    synth::echo(b, static_cast<size_t>(fpb * 0.5), 0.25f, 0.12f);
    synth::reverb(b, 0.05f, 0.8f, 0.32f);
  };
  return a;
}

}  // namespace

void makeMusic(OutputTree& out) {
  out.bytes("BGM/Q BLEND HALL/road.wav", render(road()));
  out.bytes("BGM/Tidewell/Op.wav", render(opening()));
  out.bytes("BGM/Lullow/Ranking.wav", render(ranking()));
}
