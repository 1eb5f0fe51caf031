// Reads {"sheet": [[cell, ...], ...], "formulas": [...]} from the file named by argv[2] and prints,
// as JSON, one result per formula. A formula "=..." is calculated by HyperFormula in a column to the
// right of the sheet (as eval_oracle.js does); an object {"fjs": name, "args": [...], "dates": [i, ...]}
// calls formulajs's function of that name, the arguments at the listed positions turned from day
// serials (day 0 = 30 December 1899) into dates. Cells and results as in eval_oracle.js.
'use strict';
const fs = require('fs');
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));
const formulajs = require(require.resolve('@formulajs/formulajs', { paths: [__dirname] }));

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const errorFormulas = { '#N/A': '=NA()', '#DIV/0!': '=1/0', '#VALUE!': '="a"+1', '#NUM!': '=SQRT(-1)' };

function content(cell) {
  if (cell === null) return null;
  if ('n' in cell) return cell.n;
  if ('b' in cell) return cell.b;
  if ('e' in cell) return errorFormulas[cell.e];
  return "'" + cell.s;
}

const width = input.sheet.reduce((w, row) => Math.max(w, row.length), 0);
const rows = input.sheet.map((row) => {
  const out = row.map(content);
  while (out.length < width) out.push(null);
  return out;
});
const resultCol = Math.max(width + 1, 25);
input.formulas.forEach((f, i) => {
  while (rows.length <= i) rows.push(new Array(width).fill(null));
  const row = rows[i];
  while (row.length <= resultCol) row.push(null);
  row[resultCol] = typeof f === 'string' ? f : null;
});
// Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
const hf = HyperFormula.buildFromArray(rows, { licenseKey: 'gpl-v3', maxRows: 1048576, smartRounding: false });

function serialToDate(serial) {
  const t = new Date(Date.UTC(1899, 11, 30) + Math.floor(serial) * 86400000);
  return new Date(t.getUTCFullYear(), t.getUTCMonth(), t.getUTCDate());
}

function result(v) {
  if (v === null || v === undefined) return { n: 0 };
  if (typeof v === 'number') return Number.isFinite(v) ? { n: v } : { e: '#NUM!' };
  if (typeof v === 'boolean') return { b: v };
  if (typeof v === 'string') return { s: v };
  if (v instanceof Error) return { e: v.message && v.message.startsWith('#') ? v.message : String(v.value || '#VALUE!') };
  return { e: v.value };
}

const out = input.formulas.map((f, i) => {
  if (typeof f === 'string') return result(hf.getCellValue({ sheet: 0, col: resultCol, row: i }));
  const args = f.args.map((a, k) => ((f.dates || []).includes(k) ? serialToDate(a) : a));
  try {
    return result(formulajs[f.fjs](...args));
  } catch (e) {
    return { e: '#EXCEPTION' };  // never equal to an engine result
  }
});
process.stdout.write(JSON.stringify(out));
