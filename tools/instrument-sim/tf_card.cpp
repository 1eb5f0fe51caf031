#include "tools/instrument-sim/tf_card.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>

namespace instrument_sim {

std::string day_file_name(const CivilTime& day) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d%02d%02d.hhw", day.year, day.month, day.day);
  return name;
}

std::vector<std::filesystem::path> write_tf_card(const std::filesystem::path& root, int number,
                                                 const std::vector<HistoryRecord>& records) {
  if (number < 1 || number > 247) throw std::invalid_argument("instrument number must be 1 to 247");
  const std::filesystem::path folder = root / ("THdb" + std::to_string(number));
  std::filesystem::create_directories(folder);
  std::map<int, Bytes> days;
  std::vector<int> order;
  for (const HistoryRecord& r : records) {
    if (!is_valid(r.time)) throw std::invalid_argument("a record's time is no valid date");
    const int key = date_key(r.time);
    auto [it, fresh] = days.try_emplace(key);
    if (fresh) order.push_back(key);
    append_record(it->second, r);
  }
  std::vector<std::filesystem::path> written;
  for (int key : order) {
    const CivilTime day{key / 10000, key / 100 % 100, key % 100, 0, 0, 0};
    const std::filesystem::path file = folder / day_file_name(day);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const Bytes& bytes = days[key];
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
    written.push_back(file);
  }
  return written;
}

}  // namespace instrument_sim
