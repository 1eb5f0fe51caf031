// The folder of day files an instrument writes on its TF card: "THdb" + instrument number, and in it
// one file "YYYYMMDD.hhw" per day, a plain sequence of 10-byte history records.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/instrument-sim/records.h"

namespace instrument_sim {

// The file name of a day, "20180408.hhw".
std::string day_file_name(const CivilTime& day);

// Writes the records under root/THdb<number>/, one file per day in the order the records come,
// replacing files of the same days. Returns the files written, in the order of their days' first
// record. `number` is 1..247.
std::vector<std::filesystem::path> write_tf_card(const std::filesystem::path& root, int number,
                                                 const std::vector<HistoryRecord>& records);

}  // namespace instrument_sim
