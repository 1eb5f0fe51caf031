// Reads {"sheet": [[cell, ...], ...], "formulas": ["=...", ...]} from the file named by argv[2] and
// prints, as JSON, HyperFormula's value of each formula, computed in a column to the right of the
// sheet. A cell is null (blank), {"n": number}, {"s": text}, {"b": boolean} or {"e": "#N/A"}.
// A result is {"n": ...}, {"s": ...}, {"b": ...} or {"e": "<error text>"}.
'use strict';
const fs = require('fs');
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const errorFormulas = { '#N/A': '=NA()', '#DIV/0!': '=1/0', '#VALUE!': '="a"+1', '#NUM!': '=SQRT(-1)' };

function content(cell) {
  if (cell === null) return null;
  if ('n' in cell) return cell.n;
  if ('b' in cell) return cell.b;
  if ('e' in cell) return errorFormulas[cell.e];
  return "'" + cell.s;  // a leading apostrophe keeps the text a text
}

const width = input.sheet.reduce((w, row) => Math.max(w, row.length), 0);
const rows = input.sheet.map((row) => {
  const out = row.map(content);
  while (out.length < width) out.push(null);
  return out;
});
// The engine's side calculates in column Z; the oracle uses the same column.
const resultCol = Math.max(width + 1, 25);
input.formulas.forEach((f, i) => {
  while (rows.length <= i) rows.push(new Array(width).fill(null));
  const row = rows[i];
  while (row.length <= resultCol) row.push(null);
  row[resultCol] = f;
});
// Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
const hf = HyperFormula.buildFromArray(rows, { licenseKey: 'gpl-v3', maxRows: 1048576, smartRounding: false });
const out = input.formulas.map((_, i) => {
  const v = hf.getCellValue({ sheet: 0, col: resultCol, row: i });
  if (v === null || v === undefined) return { n: 0 };
  if (typeof v === 'number') return { n: v };
  if (typeof v === 'boolean') return { b: v };
  if (typeof v === 'string') return { s: v };
  return { e: v.value };
});
process.stdout.write(JSON.stringify(out));
