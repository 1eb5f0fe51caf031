// Reads {"cells": [...], "criteria": [...]} from the file named by argv[2] and prints, as JSON, the
// matrix result[criterion][cell] of COUNTIF(cell, criterion) computed by HyperFormula.
// A cell is null (blank), {"n": number}, {"s": text} or {"b": boolean}.
'use strict';
const fs = require('fs');
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const cells = input.cells;
const criteria = input.criteria;

function content(cell) {
  if (cell === null) return null;
  if ('n' in cell) return cell.n;
  if ('b' in cell) return cell.b;
  return "'" + cell.s;  // a leading apostrophe keeps the text a text
}

const rows = cells.map((cell, i) => {
  const row = [content(cell)];
  for (const c of criteria) row.push('=COUNTIF(A' + (i + 1) + ',"' + c.replace(/"/g, '""') + '")');
  return row;
});
// Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
const hf = HyperFormula.buildFromArray(rows, { licenseKey: 'gpl-v3' });
const result = criteria.map((_, j) => cells.map((__, i) => {
  const v = hf.getCellValue({ sheet: 0, col: j + 1, row: i });
  return typeof v === 'number' ? v : 'error';
}));
process.stdout.write(JSON.stringify(result));
