// Calculates a generated workbook with HyperFormula. Reads, from the file named by argv[2],
// {"sheets": [{"name": "Sheet1", "cells": [[row, col, content], ...]}, ...],
//  "ask": [[sheet, row, col], ...]}
// where content is a number, a boolean, a text ("'" + text keeps it a text) or a formula ("=...").
// Prints the value of each asked cell as JSON: {"n": ...}, {"s": ...}, {"b": ...}, {"e": "#N/A"} or
// {"z": true} for an empty cell.
'use strict';
const fs = require('fs');
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const sheets = {};
for (const s of input.sheets) {
  const rows = [];
  for (const [r, c, v] of s.cells) {
    while (rows.length <= r) rows.push([]);
    const row = rows[r];
    while (row.length <= c) row.push(null);
    row[c] = v;
  }
  sheets[s.name] = rows;
}
// Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
const hf = HyperFormula.buildFromSheets(sheets, { licenseKey: 'gpl-v3', maxRows: 1048576, smartRounding: false });
const ids = input.sheets.map((s) => hf.getSheetId(s.name));
const out = input.ask.map(([s, r, c]) => {
  const v = hf.getCellValue({ sheet: ids[s], col: c, row: r });
  if (v === null || v === undefined) return { z: true };
  if (typeof v === 'number') return { n: v };
  if (typeof v === 'boolean') return { b: v };
  if (typeof v === 'string') return { s: v };
  return { e: v.value };
});
process.stdout.write(JSON.stringify(out));
