#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "game/enemy_base.h"

namespace hc {

// Lines are read into a buffer of this size; a longer line arrives in pieces, each one a record.
constexpr std::size_t kWaveLineBuffer = 128;
// More records than this is not a wave file: the reader gives up rather than exhaust memory.
constexpr std::uint32_t kMaxWaveRecords = 100000;

// Reads one wave file: one enemy per line, "x,y,z,kind,group". Fields missing at the end of a line keep
// the previous line's values. On success the array and count receive the records. A file that cannot
// be opened, holds no record or is far too long shows the wave error, returns false and touches no
// output.
bool readEnemyInfo(const std::string& path, std::unique_ptr<EnemyBase[]>& records, std::uint32_t& count);

// The wave files' number rule: the value at text (0 where no number starts) and how many characters
// the value says it took. Exposed for the tests of the rule.
float waveNumberValue(const char* text);
std::size_t waveNumberLength(float value);

}  // namespace hc
