// Recalculates five workbooks with the formula handler (building the calculation chain, evaluating
// in its order and storing each result as the cell's cached value) and runs the same workbooks
// through HyperFormula under node in the same run, at a size N and at 2N:
//   report       10 sheets of 3.2 N rows x 2 numeric columns under a text header, six formulas each
//                ("label"&ROUND(AVERAGE(..),2), MIN, MAX over the columns), as the console writes them
//   independent  10 N formulas =A(i)*2+1
//   chain        10 N formulas B(i)=B(i-1)+A(i)
//   fan-in       N running totals =SUM($A$1:A(i)) and N/10 sliding windows =SUM(B(j):B(j+999)) over
//                those totals
//   lookups      N exact =VLOOKUP(C(j),$A$1:$B$N,2,0) into an N-row table of unique keys
// The engine's formulas are compiled to byte code first; its time is the least processor time of
// 7 full calculations (N and 2N taking turns), HyperFormula's the least of 3 rebuildAndRecalculate
// runs, also processor time: the machine may be busy with other work. LibreOffice's calculateAll
// times come from libreoffice_bench.py: run live with --libreoffice (needs python3-uno), else the
// figures recorded in libreoffice_figures.txt.
//
//   bench_formula_eval [N] [--libreoffice] [--only NAME] [--no-peers] [--no-hf]   (N defaults to 10000)
// --only runs one workbook, --no-peers the engine alone (for a profiler), --no-hf leaves HyperFormula
// out (with --libreoffice: to record LibreOffice's figures, whose lines it prints as "figure ...").
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "formula/formula_handler.h"
#include "formula/tests/fake_workbook.h"

namespace {

namespace fs = std::filesystem;

// Processor time of this process in milliseconds: the machine may be busy with other work, which
// the wall clock would count.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Cell {
  int Row = 0, Col = 0;
  bool IsText = false;  // Text holds a text, or a formula when it starts with '='
  double Number = 0;
  std::string Text;
};

struct Book {
  std::string Name;
  std::vector<std::vector<Cell>> Sheets;
  int AskSheet = 0, AskRow = 0, AskCol = 0;  // the cell whose value both engines print
  int Formulas = 0;
};

void Num(std::vector<Cell>& S, int Row, int Col, double V) { S.push_back({Row, Col, false, V, {}}); }
void Txt(std::vector<Cell>& S, int Row, int Col, std::string T) { S.push_back({Row, Col, true, 0, std::move(T)}); }

std::string A1(int Col, int Row, bool Abs = false) {
  std::string c;
  for (int n = Col + 1; n > 0; n = (n - 1) / 26) c.insert(c.begin(), static_cast<char>('A' + (n - 1) % 26));
  return Abs ? "$" + c + "$" + std::to_string(Row + 1) : c + std::to_string(Row + 1);
}

Book Report(int N) {
  Book b{"report", {}, 0, 0, 0, 0};
  const int rows = N * 16 / 5, header = 27;
  for (int s = 0; s < 10; ++s) {
    std::vector<Cell> cells;
    Txt(cells, header, 1, "Temperature");
    Txt(cells, header, 2, "Humidity");
    for (int i = 0; i < rows; ++i) {
      Num(cells, header + 1 + i, 1, 20 + (i * 7 + s) % 150 / 10.0);
      Num(cells, header + 1 + i, 2, 40 + (i * 13 + s) % 400 / 10.0);
    }
    const int last = header + rows;
    for (int c = 1; c <= 2; ++c) {
      const std::string range = A1(c, header) + ":" + A1(c, last);
      const int row = (c - 1) * 3;
      Txt(cells, row, 4, "=\"    average:\"&ROUND(AVERAGE(" + range + "),2)");
      Txt(cells, row + 1, 4, "=\"    minimum:\"&MIN(" + range + ")");
      Txt(cells, row + 2, 4, "=\"    maximum:\"&MAX(" + range + ")");
      b.Formulas += 3;
    }
    b.Sheets.push_back(std::move(cells));
  }
  b.AskSheet = 9;
  b.AskRow = 3;
  b.AskCol = 4;
  return b;
}

Book Independent(int N) {
  Book b{"independent", {{}}, 0, 10 * N - 1, 1, 10 * N};
  for (int i = 0; i < 10 * N; ++i) {
    Num(b.Sheets[0], i, 0, (i + 1) % 97);
    Txt(b.Sheets[0], i, 1, "=" + A1(0, i) + "*2+1");
  }
  return b;
}

Book Chain(int N) {
  Book b{"chain", {{}}, 0, 10 * N - 1, 1, 10 * N};
  for (int i = 0; i < 10 * N; ++i) {
    Num(b.Sheets[0], i, 0, (i + 1) % 97);
    Txt(b.Sheets[0], i, 1, i == 0 ? "=A1" : "=" + A1(1, i - 1) + "+" + A1(0, i));
  }
  return b;
}

Book FanIn(int N) {
  Book b{"fan-in", {{}}, 0, N / 10 - 1, 2, N + N / 10};
  for (int i = 0; i < N; ++i) {
    Num(b.Sheets[0], i, 0, (i % 97) * 0.1);
    Txt(b.Sheets[0], i, 1, "=SUM($A$1:" + A1(0, i) + ")");
  }
  for (int j = 0; j < N / 10; ++j)
    Txt(b.Sheets[0], j, 2, "=SUM(" + A1(1, j) + ":" + A1(1, std::min(N - 1, j + 999)) + ")");
  return b;
}

Book Lookups(int N) {
  Book b{"lookups", {{}}, 0, N - 1, 3, N};
  const std::string table = "$A$1:" + A1(1, N - 1, true);
  for (int i = 0; i < N; ++i) {
    const long long key = (static_cast<long long>(i) * 7919) % N + 1;  // a permutation of 1..N
    Num(b.Sheets[0], i, 0, static_cast<double>(key));
    Num(b.Sheets[0], i, 1, static_cast<double>(key * 2 + 1));
    Num(b.Sheets[0], i, 2, static_cast<double>((static_cast<long long>(i) * 31) % N + 1));
    Txt(b.Sheets[0], i, 3, "=VLOOKUP(" + A1(2, i) + "," + table + ",2,0)");
  }
  return b;
}

std::u16string Wide(const std::string& S) { return std::u16string(S.begin(), S.end()); }

std::string ValueText(workbook::TXLSCellMMU& Cells, int Col, int Row) {
  workbook::TMMUCellRef ref;
  if (!Cells.FindCell(Col, Row, ref)) return "(none)";
  switch (workbook::TXLSCellMMU::CellType(ref)) {
    case workbook::cvkFloatFormula: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", workbook::TXLSCellMMU::GetFormulaFloat(ref));
      return buf;
    }
    case workbook::cvkStringFormula: {
      std::u16string t;
      workbook::TXLSCellMMU::GetFormulaString(ref, t);
      return std::string(t.begin(), t.end());
    }
    case workbook::cvkErrorFormula: return "error " + std::to_string(workbook::TXLSCellMMU::GetFormulaError(ref));
    default: return "(other)";
  }
}

// A workbook loaded into the engine: values written, formulas compiled to byte code.
struct Loaded {
  explicit Loaded(const Book& B) : wb(static_cast<int>(B.Sheets.size())), handler(&wb) {
    std::vector<std::uint8_t> tokens;
    for (std::size_t s = 0; s < B.Sheets.size(); ++s) {
      workbook::TXLSCellMMU& cells = wb.Sheet(static_cast<int>(s));
      for (const Cell& c : B.Sheets[s]) {
        if (!c.IsText) {
          cells.WriteFloat(c.Col, c.Row, 0, c.Number);
        } else if (c.Text[0] == '=') {
          if (handler.EncodeCellFormula(Wide(c.Text.substr(1)), tokens, static_cast<int>(s), c.Col, c.Row, true) <= 0) {
            std::fprintf(stderr, "cannot compile %s\n", c.Text.c_str());
            std::exit(1);
          }
          cells.WriteFormulaPtgs(c.Col, c.Row, 0, tokens.data(), static_cast<int>(tokens.size()), 0);
        } else {
          cells.WriteString(c.Col, c.Row, 0, Wide(c.Text));
        }
      }
    }
  }
  // Processor time of one full calculation.
  double Calculate() {
    const double t = CpuMs();
    handler.Calculate();
    return CpuMs() - t;
  }
  formula::testing::FakeWorkbook wb;
  formula::TXLSFormulaHandler handler;
};

std::string JsonString(const std::string& S) {
  std::string o = "\"";
  for (char c : S) {
    if (c == '"' || c == '\\') o += '\\';
    o += c;
  }
  return o + "\"";
}

// The workbook as the peers' scripts read it: {"sheets": [{"name", "cells": [[row, col, v]]}],
// "ask": [sheet, row, col]}.
void WriteJson(const Book& B, const fs::path& File) {
  std::ofstream f(File);
  f << "{\"sheets\":[";
  for (std::size_t s = 0; s < B.Sheets.size(); ++s) {
    f << (s ? "," : "") << "{\"name\":\"Sheet" << s + 1 << "\",\"cells\":[";
    bool first = true;
    for (const Cell& c : B.Sheets[s]) {
      f << (first ? "" : ",") << "[" << c.Row << "," << c.Col << ",";
      if (c.IsText)
        f << JsonString(c.Text);
      else
        f << c.Number;
      f << "]";
      first = false;
    }
    f << "]}";
  }
  f << "],\"ask\":[" << B.AskSheet << "," << B.AskRow << "," << B.AskCol << "]}";
}

std::string RunCommand(const std::string& Cmd) {
  FILE* p = popen(Cmd.c_str(), "r");
  if (!p) return {};
  std::string out;
  char buf[4096];
  std::size_t got;
  while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
  pclose(p);
  return out;
}

double Field(const std::string& Json, const char* Name) {
  const std::size_t k = Json.find(std::string("\"") + Name + "\":");
  return k == std::string::npos ? -1.0 : std::atof(Json.c_str() + k + std::string(Name).size() + 3);
}

std::string TextField(const std::string& Json, const char* Name) {
  const std::size_t k = Json.find(std::string("\"") + Name + "\":");
  if (k == std::string::npos) return "?";
  std::size_t b = k + std::string(Name).size() + 3, e = b;
  if (Json[b] == '"') {
    e = Json.find('"', b + 1);
    return Json.substr(b + 1, e - b - 1);
  }
  while (e < Json.size() && Json[e] != ',' && Json[e] != '}') ++e;
  return Json.substr(b, e - b);
}

// "name N ms" lines of the recorded LibreOffice figures.
std::map<std::string, double> RecordedLibreOffice(const fs::path& File) {
  std::map<std::string, double> out;
  std::ifstream f(File);
  std::string line;
  while (std::getline(f, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string name;
    int n = 0;
    double ms = 0;
    if (in >> name >> n >> ms) out[name + " " + std::to_string(n)] = ms;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int n = 10000;
  bool liveLibreOffice = false, peers = true, hyperFormula = true;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--libreoffice")
      liveLibreOffice = true;
    else if (a == "--no-peers")
      peers = false;
    else if (a == "--no-hf")
      hyperFormula = false;
    else if (a == "--only" && i + 1 < argc)
      only = argv[++i];
    else
      n = std::max(100, std::atoi(argv[i]));
  }
  const fs::path hfDir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  const fs::path benchDir = fs::path(THC_BENCH_SOURCE_DIR);
  const bool hf = peers && hyperFormula && fs::exists(hfDir / "node_modules" / "hyperformula") &&
                  std::system("command -v node > /dev/null 2>&1") == 0;
  const auto recorded = RecordedLibreOffice(benchDir / "libreoffice_figures.txt");
  const fs::path tmp = fs::temp_directory_path() / ("thc_formula_bench_" + std::to_string(::getpid()));
  fs::create_directories(tmp);
  if (!hf) std::printf("HyperFormula: not installed, no comparison\n");
  std::printf("%-12s %7s %9s %12s %12s %14s   %s\n", "workbook", "N", "formulas", "engine ms", "HF ms",
              "LibreOffice ms", "lead over the faster peer");

  using Maker = Book (*)(int);
  const std::pair<const char*, Maker> books[] = {
      {"report", Report}, {"independent", Independent}, {"chain", Chain}, {"fan-in", FanIn}, {"lookups", Lookups}};
  for (const auto& [name, make] : books) {
    if (!only.empty() && only != name) continue;
    // The engine on both sizes, runs taking turns so that a change in the machine's load meets both
    // alike; the least processor time of 7 runs each.
    const Book books2[2] = {make(n), make(2 * n)};
    double engine[2] = {0, 0};
    std::string last[2];
    {
      Loaded loaded[2] = {Loaded(books2[0]), Loaded(books2[1])};
      for (int r = 0; r < 7; ++r)
        for (int k = 0; k < 2; ++k) {
          const double t = loaded[k].Calculate();
          engine[k] = r == 0 ? t : std::min(engine[k], t);
        }
      for (int k = 0; k < 2; ++k) {
        const Book& b = books2[k];
        last[k] = ValueText(loaded[k].wb.Sheet(b.AskSheet), b.AskCol, b.AskRow);
      }
    }
    for (int k = 0; k < 2; ++k) {
      const int size = k == 0 ? n : 2 * n;
      const Book& book = books2[k];
      double hfMs = -1, loMs = -1;
      std::string hfLast = "-";
      if (hf || liveLibreOffice) WriteJson(book, tmp / "book.json");
      if (hf) {
        const std::string out = RunCommand("node " + (hfDir / "bench_oracle.js").string() + " " + (tmp / "book.json").string());
        hfMs = Field(out, "recalc_ms");
        hfLast = TextField(out, "last");
      }
      if (liveLibreOffice && peers) {
        const std::string out = RunCommand("/usr/bin/python3 " + (benchDir / "libreoffice_bench.py").string() + " " +
                                           (tmp / "book.json").string());
        loMs = Field(out, "calc_ms");
        std::printf("figure %s %d %.1f   (value: %s)\n", name, size, loMs, TextField(out, "last").c_str());
      } else if (auto it = recorded.find(std::string(name) + " " + std::to_string(size)); it != recorded.end()) {
        loMs = it->second;
      }
      double peer = -1;
      for (double p : {hfMs, loMs})
        if (p > 0 && (peer < 0 || p < peer)) peer = p;
      char lead[32] = "-";
      if (peer > 0) std::snprintf(lead, sizeof lead, "%.2f", peer / engine[k]);
      std::printf("%-12s %7d %9d %12.1f %12.1f %14.1f   %s   (value: engine %s, HF %s)\n", name, size,
                  book.Formulas, engine[k], hfMs, loMs, lead, last[k].c_str(), hfLast.c_str());
      std::fflush(stdout);
    }
    std::printf("%-12s time at 2N / time at N: %.2f\n", name, engine[1] / engine[0]);
  }
  fs::remove_all(tmp);
  return 0;
}
