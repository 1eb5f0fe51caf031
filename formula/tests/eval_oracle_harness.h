// The evaluator's side of the HyperFormula comparison: a sheet given to both sides, the node run of
// hyperformula/eval_oracle.js and the comparison of results.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "formula/tests/fake_workbook.h"

namespace formula::testing {

inline std::string NumText(double V) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", V);
  return buf;
}
inline std::string Json(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// Appends the command's standard output to Out (its errors go to the test's own stderr); true when
// it exited with 0.
inline bool RunCapture(const std::string& Command, std::string& Out) {
  const core::testing::ToolRun run = core::testing::RunTool(Command, core::testing::Stderr::kShown);
  Out += run.output;
  return run.status == 0;
}

// Runs the node script `Script` on `Input`, handed over as a JSON file in a folder of its own; Out
// gets what the script prints. True when it exited with 0.
inline bool RunNodeOracle(const std::filesystem::path& Script, const std::string& Input, std::string& Out) {
  const core::testing::TempDir dir("thc_oracle");
  const std::filesystem::path input = dir.path() / "input.json";
  std::ofstream(input, std::ios::binary) << Input;
  return RunCapture("node " + core::testing::Quoted(Script) + " " + core::testing::Quoted(input), Out);
}

// Parses [{"n":1},{"s":"x"},{"b":true},{"e":"#N/A"}] into Describe-style texts, numbers with Digits
// significant digits.
inline std::vector<std::string> ParseResults(const std::string& s, int Digits = 15) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while ((i = s.find("{\"", i)) != std::string::npos) {
    const char kind = s[i + 2];
    std::size_t v = s.find(':', i) + 1;
    if (kind == 'n') {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.*g", Digits, std::strtod(s.c_str() + v, nullptr));
      out.push_back(buf);
    } else if (kind == 'b') {
      out.push_back(s.compare(v, 4, "true") == 0 ? "TRUE" : "FALSE");
    } else {
      std::string text;
      std::size_t k = v + 1;
      for (; k < s.size() && s[k] != '"'; ++k) {
        if (s[k] == '\\') ++k;
        text.push_back(s[k]);
      }
      out.push_back(kind == 's' ? "\"" + text + "\"" : text);
    }
    i = s.find('}', i) + 1;
  }
  return out;
}

// Numbers equal within a relative Tolerance (12 significant digits by default); everything else
// exactly.
inline bool SameResult(const std::string& A, const std::string& B, double Tolerance = 1e-12) {
  if (A == B) return true;
  char* endA = nullptr;
  char* endB = nullptr;
  const double a = std::strtod(A.c_str(), &endA), b = std::strtod(B.c_str(), &endB);
  if (*endA || *endB || A.empty() || B.empty()) return false;
  return std::fabs(a - b) <= Tolerance * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

// A difference kept on purpose: formulas whose text starts with Prefix and ends with Suffix are not
// compared. A Suffix that does not end in ')' is a text the formula holds anywhere after the prefix.
struct AllowedFormula {
  const char* prefix;
  const char* suffix;
  const char* reason;
};

template <std::size_t N>
bool IsAllowedFormula(const AllowedFormula (&List)[N], const std::string& Text) {
  for (const AllowedFormula& a : List) {
    const std::string prefix = a.prefix, suffix = a.suffix;
    if (Text.rfind(prefix, 0) != 0) continue;
    if (!suffix.empty() && suffix.back() != ')') {
      if (Text.find(suffix, prefix.size()) != std::string::npos) return true;
      continue;
    }
    if (Text.size() >= prefix.size() + suffix.size() &&
        Text.compare(Text.size() - suffix.size(), suffix.size(), suffix) == 0)
      return true;
  }
  return false;
}

// A sheet given to both sides: cells as the oracle's JSON and in the fake workbook.
class SharedSheet {
public:
  explicit SharedSheet(FakeWorkbook& Wb) : wb_(Wb) {}
  void Num(int Col, int Row, double V) {
    Put(Col, Row, "{\"n\":" + NumText(V) + "}");
    wb_.Sheet().WriteFloat(Col, Row, 0, V);
  }
  void Str(int Col, int Row, const std::string& V) {
    Put(Col, Row, "{\"s\":" + Json(V) + "}");
    wb_.Sheet().WriteString(Col, Row, 0, core::utf8_to_utf16(V));
  }
  void Bool(int Col, int Row, bool V) {
    Put(Col, Row, std::string("{\"b\":") + (V ? "true" : "false") + "}");
    wb_.Sheet().WriteBoolean(Col, Row, 0, V);
  }
  void Err(int Col, int Row, std::uint8_t Code, const char* Text) {
    Put(Col, Row, std::string("{\"e\":\"") + Text + "\"}");
    wb_.Sheet().WriteError(Col, Row, 0, Code);
  }
  std::string ToJson() const {
    std::string out = "[";
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      if (r) out += ",";
      out += "[";
      for (std::size_t c = 0; c < rows_[r].size(); ++c) {
        if (c) out += ",";
        out += rows_[r][c].empty() ? "null" : rows_[r][c];
      }
      out += "]";
    }
    return out + "]";
  }

private:
  void Put(int Col, int Row, const std::string& Cell) {
    if (rows_.size() <= static_cast<std::size_t>(Row)) rows_.resize(static_cast<std::size_t>(Row) + 1);
    auto& row = rows_[static_cast<std::size_t>(Row)];
    if (row.size() <= static_cast<std::size_t>(Col)) row.resize(static_cast<std::size_t>(Col) + 1);
    row[static_cast<std::size_t>(Col)] = Cell;
  }
  FakeWorkbook& wb_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace formula::testing
