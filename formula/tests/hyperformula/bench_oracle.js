// Times HyperFormula on one benchmark workbook, read from the file named by argv[2]:
// {"sheets": [{"name": "Sheet1", "cells": [[row, col, content], ...]}, ...], "ask": [sheet, row, col]}
// (content a number, a text, or a formula "=..."). Prints as JSON the build (parse and first
// calculation) time, the least of 3 full recalculations (rebuildAndRecalculate), both processor
// time, and the asked cell's value.
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
// Processor time in milliseconds (the machine may be busy with other work).
function time(fn) {
  const t = process.cpuUsage();
  fn();
  const d = process.cpuUsage(t);
  return (d.user + d.system) / 1e3;
}
const out = {};
let hf;
out.build_ms = time(() => {
  // Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
  hf = HyperFormula.buildFromSheets(sheets, { licenseKey: 'gpl-v3', maxRows: 1048576 });
});
const runs = [];
for (let r = 0; r < 3; ++r) runs.push(time(() => hf.rebuildAndRecalculate()));
out.recalc_ms = Math.min(...runs);
const [s, r, c] = input.ask;
const v = hf.getCellValue({ sheet: hf.getSheetId(input.sheets[s].name), col: c, row: r });
out.last = typeof v === 'object' && v !== null ? String(v.value) : String(v);
process.stdout.write(JSON.stringify(out));
