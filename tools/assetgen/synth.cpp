#include "synth.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

constexpr double kTwoPi = 6.283185307179586;

float envelope(double t, double held, double a, double d, double s, double r) {
  double level;
  if (t < a)
    level = t / a;
  else if (t < a + d)
    level = 1.0 - (1.0 - s) * (t - a) / d;
  else
    level = s;
  if (t > held) {
    // Release from the level held at note off.
    double atOff = held < a ? held / a : (held < a + d ? 1.0 - (1.0 - s) * (held - a) / d : s);
    level = atOff * std::max(0.0, 1.0 - (t - held) / r);
  }
  return static_cast<float>(std::max(0.0, level));
}

struct Shape {
  double attack, decay, sustain, release;
};

Shape shapeOf(Voice v) {
  switch (v) {
  case Voice::Pad: return {0.5, 0.3, 0.85, 1.0};
  case Voice::Strings: return {0.25, 0.3, 0.8, 0.6};
  case Voice::Bass: return {0.004, 0.22, 0.55, 0.06};
  case Voice::SoftBass: return {0.02, 0.4, 0.7, 0.2};
  case Voice::Lead: return {0.02, 0.2, 0.75, 0.15};
  case Voice::Flute: return {0.07, 0.15, 0.85, 0.18};
  case Voice::Bell: return {0.002, 0.0, 1.0, 2.5};
  case Voice::Pluck: return {0.002, 0.0, 1.0, 0.12};
  case Voice::EPiano: return {0.003, 0.0, 1.0, 0.3};
  case Voice::Choir: return {0.45, 0.3, 0.85, 0.9};
  }
  return {0.01, 0.1, 0.8, 0.1};
}

}  // namespace

namespace synth {

double midiToHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

int noteNumber(const std::string& name) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty() || name[0] < 'A' || name[0] > 'G') return -1;
  int n = base[name[0] - 'A'];
  size_t i = 1;
  if (i < name.size() && name[i] == '#') {
    ++n;
    ++i;
  } else if (i < name.size() && name[i] == 'b') {
    --n;
    ++i;
  }
  int octave = std::stoi(name.substr(i));
  return n + (octave + 1) * 12;
}

std::vector<Note> phrase(const std::string& text, double startBeat, float velocity) {
  std::vector<Note> notes;
  std::istringstream in(text);
  std::string tok;
  double beat = startBeat;
  while (in >> tok) {
    size_t colon = tok.find(':');
    std::string name = tok.substr(0, colon);
    double len = colon == std::string::npos ? 1.0 : std::stod(tok.substr(colon + 1));
    if (name != "r") notes.push_back({beat, len, noteNumber(name), velocity});
    beat += len;
  }
  return notes;
}

namespace {

// One cycle of a sine, looked up with linear interpolation (phase in cycles).
struct SineTable {
  static constexpr int N = 4096;
  float v[N + 1];
  SineTable() {
    for (int i = 0; i <= N; ++i) v[i] = static_cast<float>(std::sin(kTwoPi * i / N));
  }
  float at(double cycles) const {
    double x = (cycles - std::floor(cycles)) * N;
    int i = static_cast<int>(x);
    float f = static_cast<float>(x - i);
    return v[i] + (v[i + 1] - v[i]) * f;
  }
};
const SineTable& sine() {
  static const SineTable table;
  return table;
}

// One cycle of a fixed spectrum: harmonic amplitudes (index 0 is the fundamental).
struct Wavetable {
  static constexpr int N = 2048;
  std::vector<float> v;
  explicit Wavetable(const std::vector<double>& amps) : v(N + 1, 0.0f) {
    for (size_t k = 0; k < amps.size(); ++k) {
      if (amps[k] == 0) continue;
      for (int i = 0; i <= N; ++i) v[static_cast<size_t>(i)] += static_cast<float>(amps[k] * std::sin(kTwoPi * (k + 1) * i / N));
    }
  }
  float at(double cycles) const {
    double x = (cycles - std::floor(cycles)) * N;
    int i = static_cast<int>(x);
    float f = static_cast<float>(x - i);
    return v[static_cast<size_t>(i)] + (v[static_cast<size_t>(i) + 1] - v[static_cast<size_t>(i)]) * f;
  }
};

std::vector<double> spectrum(Voice voice, double f, double nyquist) {
  std::vector<double> a;
  for (int k = 1; k <= 16 && k * f < nyquist; ++k) {
    double amp = 0;
    switch (voice) {
    case Voice::Pad: amp = k <= 9 ? std::exp(-k / 3.5) / k : 0; break;
    case Voice::Strings: amp = k <= 14 ? std::exp(-k / 6.0) / k : 0; break;
    case Voice::Lead: amp = k <= 10 ? 1.0 / std::pow(k, 1.35) : 0; break;
    case Voice::Flute: amp = k == 1 ? 1.0 : (k == 2 ? 0.14 : (k == 3 ? 0.05 : 0)); break;
    case Voice::SoftBass: amp = k == 1 ? 1.0 : (k == 2 ? 0.12 : 0); break;
    case Voice::Choir: {
      double hz = k * f;
      amp = k <= 8 ? std::exp(-std::pow((hz - 750) / 300, 2)) + 0.7 * std::exp(-std::pow((hz - 1150) / 250, 2)) + 0.3 / k : 0;
      break;
    }
    default: break;
    }
    a.push_back(amp);
  }
  return a;
}

struct Partial {
  double ratio, amp, decayPerSecond;
};

std::vector<Partial> partials(Voice voice) {
  switch (voice) {
  case Voice::Bell:
    return {{1.0, 1.0, 2.0}, {2.0, 0.55, 2.9}, {3.01, 0.32, 3.8}, {4.2, 0.18, 4.9}, {5.43, 0.1, 6.0}};
  case Voice::Pluck: {
    std::vector<Partial> p;
    for (int k = 1; k <= 8; ++k) p.push_back({static_cast<double>(k), 1.0 / k, 4.0 + k * 2.5});
    return p;
  }
  case Voice::EPiano: return {{1.0, 1.0, 1.2}, {2.0, 0.3, 2.5}, {7.0, 0.12, 14.0}};
  case Voice::Bass: return {{1.0, 1.5, 5.0}, {3.0, 1.0 / 3, 15.0}, {5.0, 0.2, 25.0}, {7.0, 1.0 / 7, 35.0}, {9.0, 1.0 / 9, 45.0}};
  default: return {};
  }
}

float voiceGain(Voice v) {
  switch (v) {
  case Voice::Pad: return 0.33f;
  case Voice::Strings: return 0.33f;
  case Voice::Lead: return 0.55f;
  case Voice::Choir: return 0.45f;
  case Voice::Bell: return 0.6f;
  case Voice::Pluck: return 0.7f;
  case Voice::EPiano: return 0.8f;
  case Voice::Bass: return 0.8f;
  default: return 1.0f;
  }
}

}  // namespace

void playNote(StereoBuffer& out, Voice voice, const Note& n, double framesPerBeat, float pan, float gain) {
  const double rate = out.rate;
  const Shape sh = shapeOf(voice);
  const double f0 = midiToHz(n.midi);
  const double held = n.length * framesPerBeat / rate;
  double total = held + sh.release;
  if (voice == Voice::Bell) total = std::max(total, 2.8);
  if (voice == Voice::Pluck) total = std::min(total, held + 0.12);
  const size_t start = static_cast<size_t>(std::llround(n.beat * framesPerBeat));
  const size_t count = static_cast<size_t>(total * rate);
  const double nyquist = rate * 0.45;
  const float scale = n.velocity * gain * voiceGain(voice);
  const float pl = StereoBuffer::panLeft(pan), pr = StereoBuffer::panRight(pan);
  const bool vibrato = voice == Voice::Lead || voice == Voice::Flute || voice == Voice::Strings || voice == Voice::Choir;

  std::vector<Partial> parts = partials(voice);
  if (!parts.empty()) {
    // Decaying partials: each amplitude shrinks by a fixed factor per frame.
    std::vector<double> amp, step, phase(parts.size(), 0.0), inc;
    for (const Partial& p : parts) {
      bool audible = p.ratio * f0 < nyquist;
      amp.push_back(audible ? p.amp : 0.0);
      step.push_back(std::exp(-p.decayPerSecond / rate));
      inc.push_back(p.ratio * f0 / rate);
    }
    const SineTable& s = sine();
    for (size_t i = 0; i < count && start + i < out.frames(); ++i) {
      double t = i / rate;
      float env = envelope(t, held, sh.attack, sh.decay, sh.sustain, sh.release);
      double v = 0;
      for (size_t k = 0; k < parts.size(); ++k) {
        v += amp[k] * s.at(phase[k]);
        phase[k] += inc[k];
        amp[k] *= step[k];
      }
      float x = static_cast<float>(v) * env * scale;
      out.left[start + i] += x * pl;
      out.right[start + i] += x * pr;
    }
    return;
  }

  Wavetable table(spectrum(voice, f0, nyquist));
  const int oscillators = (voice == Voice::Pad || voice == Voice::Strings) ? 3 : 1;
  const double detune[3] = {1.0, 1.0042, 0.9961};
  double phase[3] = {0, 0.31, 0.67};
  Random rnd(static_cast<uint64_t>(n.midi) * 7919u + start);
  float breath = 0;
  const SineTable& s = sine();
  for (size_t i = 0; i < count && start + i < out.frames(); ++i) {
    double t = i / rate;
    float env = envelope(t, held, sh.attack, sh.decay, sh.sustain, sh.release);
    double vib = vibrato ? s.at(5.2 * t) * std::min(1.0, std::max(0.0, t - 0.18) * 3.0) * 0.0045 : 0.0;
    double f = f0 * (1.0 + vib);
    double v = 0;
    for (int o = 0; o < oscillators; ++o) {
      v += table.at(phase[o]);
      phase[o] += f * detune[o] / rate;
    }
    if (voice == Voice::Pad || voice == Voice::Strings) v *= 1.0 + 0.08 * s.at(0.7 * t);
    if (voice == Voice::Flute) {
      breath += 0.2f * ((rnd.uniform() * 2 - 1) - breath);
      v += 0.08 * breath;
    }
    float x = static_cast<float>(v) * env * scale;
    out.left[start + i] += x * pl;
    out.right[start + i] += x * pr;
  }
}

void kick(StereoBuffer& out, size_t at, float gain, float pan) {
  double ph = 0;
  const double rate = out.rate;
  for (size_t i = 0; i < static_cast<size_t>(0.45 * rate); ++i) {
    double t = i / rate;
    double f = 44 + 95 * std::exp(-t * 32);
    ph += kTwoPi * f / rate;
    double v = std::sin(ph) * std::exp(-t * 7.5) + 0.25 * std::sin(ph * 2.7) * std::exp(-t * 90);
    out.add(at + i, static_cast<float>(v) * gain, pan);
  }
}

void snare(StereoBuffer& out, size_t at, float gain, Random& rnd, float pan) {
  const double rate = out.rate;
  float lp = 0;
  for (size_t i = 0; i < static_cast<size_t>(0.28 * rate); ++i) {
    double t = i / rate;
    float n = rnd.uniform() * 2 - 1;
    lp += 0.35f * (n - lp);
    double noise = (n - lp) * std::exp(-t * 16);
    double tone = std::sin(kTwoPi * 185 * t) * std::exp(-t * 28) * 0.6;
    out.add(at + i, static_cast<float>(noise * 0.9 + tone) * gain, pan);
  }
}

void hat(StereoBuffer& out, size_t at, float gain, bool open, Random& rnd, float pan) {
  const double rate = out.rate;
  float prev = 0, prev2 = 0;
  double len = open ? 0.3 : 0.06;
  for (size_t i = 0; i < static_cast<size_t>(len * rate); ++i) {
    double t = i / rate;
    float n = rnd.uniform() * 2 - 1;
    float hp = n - 2 * prev + prev2;  // second difference: only the top of the spectrum remains
    prev2 = prev;
    prev = n;
    out.add(at + i, hp * 0.3f * static_cast<float>(std::exp(-t * (open ? 10 : 70))) * gain, pan);
  }
}

void rim(StereoBuffer& out, size_t at, float gain, float pan) {
  const double rate = out.rate;
  for (size_t i = 0; i < static_cast<size_t>(0.05 * rate); ++i) {
    double t = i / rate;
    double v = (std::sin(kTwoPi * 1750 * t) * 0.6 + std::sin(kTwoPi * 820 * t)) * std::exp(-t * 110);
    out.add(at + i, static_cast<float>(v) * gain, pan);
  }
}

void shaker(StereoBuffer& out, size_t at, float gain, Random& rnd, float pan) {
  const double rate = out.rate;
  float prev = 0;
  for (size_t i = 0; i < static_cast<size_t>(0.09 * rate); ++i) {
    double t = i / rate;
    float n = rnd.uniform() * 2 - 1;
    float hp = n - prev;
    prev = n;
    double env = std::min(1.0, t / 0.012) * std::exp(-t * 40);
    out.add(at + i, hp * 0.35f * static_cast<float>(env) * gain, pan);
  }
}

void timpani(StereoBuffer& out, size_t at, int midi, float gain, Random& rnd, float pan) {
  const double rate = out.rate;
  const double f = midiToHz(midi);
  double ph = 0;
  float lp = 0;
  for (size_t i = 0; i < static_cast<size_t>(2.2 * rate); ++i) {
    double t = i / rate;
    ph += kTwoPi * f * (1 + 0.04 * std::exp(-t * 9)) / rate;
    float n = rnd.uniform() * 2 - 1;
    lp += 0.08f * (n - lp);
    double v = std::sin(ph) * std::exp(-t * 1.8) + 0.35 * std::sin(ph * 1.5) * std::exp(-t * 3) +
               lp * 2.0 * std::exp(-t * 25);
    out.add(at + i, static_cast<float>(v) * gain, pan);
  }
}

void cymbal(StereoBuffer& out, size_t at, float gain, float seconds, Random& rnd, float pan) {
  const double rate = out.rate;
  float prev = 0;
  for (size_t i = 0; i < static_cast<size_t>(seconds * rate); ++i) {
    double t = i / rate;
    float n = rnd.uniform() * 2 - 1;
    float hp = n - prev;
    prev = n;
    double env = std::min(1.0, t / 0.004) * std::exp(-t * 3.2 / seconds);
    out.add(at + i, hp * 0.25f * static_cast<float>(env) * gain, pan);
  }
}

void tom(StereoBuffer& out, size_t at, float hz, float gain, float pan) {
  const double rate = out.rate;
  double ph = 0;
  for (size_t i = 0; i < static_cast<size_t>(0.4 * rate); ++i) {
    double t = i / rate;
    ph += kTwoPi * hz * (1 + 0.6 * std::exp(-t * 18)) / rate;
    out.add(at + i, static_cast<float>(std::sin(ph) * std::exp(-t * 8)) * gain, pan);
  }
}

void reverb(StereoBuffer& buf, float roomSeconds, float decay, float mix) {
  const double scale = roomSeconds / 0.04;
  const double combMs[2][4] = {{29.7, 37.1, 41.1, 43.7}, {31.3, 35.9, 40.3, 45.1}};
  const double allMs[2] = {5.0, 1.7};
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<float>& x = ch == 0 ? buf.left : buf.right;
    std::vector<float> wet(x.size(), 0.0f);
    for (int c = 0; c < 4; ++c) {
      size_t d = static_cast<size_t>(combMs[ch][c] * scale * buf.rate / 1000.0);
      std::vector<float> line(d, 0.0f);
      float damp = 0;
      size_t p = 0;
      for (size_t i = 0; i < x.size(); ++i) {
        float y = line[p];
        damp += 0.45f * (y - damp);  // high frequencies die first
        line[p] = x[i] + damp * decay;
        p = (p + 1) % d;
        wet[i] += y * 0.25f;
      }
    }
    for (double ms : allMs) {
      size_t d = static_cast<size_t>(ms * buf.rate / 1000.0);
      std::vector<float> line(d, 0.0f);
      size_t p = 0;
      for (size_t i = 0; i < wet.size(); ++i) {
        float in = wet[i];
        float y = line[p];
        float out = -0.7f * in + y;
        line[p] = in + 0.7f * out;
        p = (p + 1) % d;
        wet[i] = out;
      }
    }
    for (size_t i = 0; i < x.size(); ++i) x[i] = x[i] * (1 - mix * 0.5f) + wet[i] * mix;
  }
}

void echo(StereoBuffer& buf, size_t delayFrames, float feedback, float mix) {
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<float>& x = ch == 0 ? buf.left : buf.right;
    std::vector<float>& other = ch == 0 ? buf.right : buf.left;
    std::vector<float> line(delayFrames, 0.0f);
    size_t p = 0;
    std::vector<float> src = other;  // ping-pong: each side echoes the other
    for (size_t i = 0; i < x.size(); ++i) {
      float y = line[p];
      line[p] = src[i] + y * feedback;
      p = (p + 1) % delayFrames;
      x[i] += y * mix;
    }
  }
}

}  // namespace synth
