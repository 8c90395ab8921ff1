// The building blocks of the generated music and effects: voices that add themselves into a stereo
// buffer, drums, filters and a reverb. Everything is deterministic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "random.h"
#include "stereo_buffer.h"

enum class Voice { Pad,
                   Strings,
                   Bass,
                   SoftBass,
                   Lead,
                   Flute,
                   Bell,
                   Pluck,
                   EPiano,
                   Choir };

struct Note {
  double beat;    // start, in beats
  double length;  // in beats
  int midi;
  float velocity;  // 0 … 1
};

namespace synth {

double midiToHz(int midi);
// "C4" = 60; sharps with '#', flats with 'b'.
int noteNumber(const std::string& name);
// A melody line: tokens "D5:1", "F#4:0.5", "r:2" (rest), separated by spaces; starts at `startBeat`.
std::vector<Note> phrase(const std::string& text, double startBeat, float velocity = 0.8f);

void playNote(StereoBuffer& out, Voice voice, const Note& n, double framesPerBeat, float pan, float gain);

// Drums, at a frame position.
void kick(StereoBuffer& out, size_t at, float gain, float pan = 0);
void snare(StereoBuffer& out, size_t at, float gain, Random& rnd, float pan = 0);
void hat(StereoBuffer& out, size_t at, float gain, bool open, Random& rnd, float pan = 0.2f);
void rim(StereoBuffer& out, size_t at, float gain, float pan = 0);
void shaker(StereoBuffer& out, size_t at, float gain, Random& rnd, float pan = -0.3f);
void timpani(StereoBuffer& out, size_t at, int midi, float gain, Random& rnd, float pan = 0);
void cymbal(StereoBuffer& out, size_t at, float gain, float seconds, Random& rnd, float pan = 0);
void tom(StereoBuffer& out, size_t at, float hz, float gain, float pan = 0);

// Schroeder reverb added in place (wet share `mix`).
void reverb(StereoBuffer& buf, float roomSeconds, float decay, float mix);
// A tempo-synced echo.
void echo(StereoBuffer& buf, size_t delayFrames, float feedback, float mix);
}  // namespace synth
