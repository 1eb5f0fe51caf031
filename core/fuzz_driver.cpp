// Stand-in for libFuzzer's driver: replays every file of the seed corpus through the target, then a
// bounded number of deterministic mutations of them (bit flips, byte changes, insertions, deletions,
// truncations, splices). Any crash or sanitizer report fails the run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

void run(const Input& in) {
  // A copy of exactly the input's size, so that the sanitizer sees any read past its end.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[in.size() ? in.size() : 1]);
  if (!in.empty()) std::memcpy(copy.get(), in.data(), in.size());
  LLVMFuzzerTestOneInput(copy.get(), in.size());
}

Input mutate(const Input& base, const std::vector<Input>& corpus, std::mt19937& rng) {
  Input out = base;
  auto pick = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0; };
  int steps = 1 + static_cast<int>(pick(4));
  for (int s = 0; s < steps; ++s) {
    switch (pick(7)) {
      case 0:
        if (!out.empty()) out[pick(out.size())] ^= static_cast<std::uint8_t>(1u << pick(8));
        break;
      case 1:
        if (!out.empty()) out[pick(out.size())] = static_cast<std::uint8_t>(rng());
        break;
      case 2: {
        static const std::uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE};
        if (!out.empty()) out[pick(out.size())] = interesting[pick(sizeof interesting)];
        break;
      }
      case 3:
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(pick(out.size() + 1)), static_cast<std::uint8_t>(rng()));
        break;
      case 4:
        if (!out.empty()) {
          std::size_t at = pick(out.size());
          std::size_t n = 1 + pick(std::min<std::size_t>(16, out.size() - at));
          out.erase(out.begin() + static_cast<std::ptrdiff_t>(at), out.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        break;
      case 5:
        out.resize(pick(out.size() + 1));
        break;
      case 6: {
        const Input& other = corpus[pick(corpus.size())];
        if (!other.empty()) {
          std::size_t from = pick(other.size());
          std::size_t n = 1 + pick(std::min<std::size_t>(64, other.size() - from));
          std::size_t at = pick(out.size() + 1);
          out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), other.begin() + static_cast<std::ptrdiff_t>(from),
                     other.begin() + static_cast<std::ptrdiff_t>(from + n));
        }
        break;
      }
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 3000;
  std::vector<Input> corpus;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--runs=", 0) == 0) {
      runs = std::strtol(arg.c_str() + 7, nullptr, 10);
      continue;
    }
    std::filesystem::path p(arg);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(p)) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(p)) {
        if (e.is_regular_file()) files.push_back(e.path());
      }
    } else if (std::filesystem::exists(p)) {
      files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  if (const char* env = std::getenv("THC_FUZZ_RUNS")) runs = std::strtol(env, nullptr, 10);
  if (corpus.empty()) corpus.emplace_back();
  for (const auto& in : corpus) run(in);
  std::mt19937 rng(12345);
  for (long i = 0; i < runs; ++i) run(mutate(corpus[i % static_cast<long>(corpus.size())], corpus, rng));
  std::printf("fuzz: %zu seeds and %ld mutations ran clean\n", corpus.size(), runs);
  return 0;
}
