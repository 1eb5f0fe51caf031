// Test-only oracle for the statistics functions. Reads {"sheet": [[cell, ...], ...], "cases": [...]}
// from the file named by argv[2]; a case is {"hf": "=FORMULA"} (HyperFormula, computed on the
// sheet) or {"fj": "NAME", "args": [...]} (a direct @formulajs/formulajs call; an argument is a
// number, a boolean, a string, a nested array of rows, or {"m": 1} for an omitted argument).
// A cell is null, {"n": x}, {"s": text}, {"b": bool} or {"e": "#N/A"}. Prints one result per case:
// {"n": x}, {"b": bool}, {"s": text}, {"e": "#ERR"} or {"a": [[result, ...], ...]} for an array.
'use strict';
const fs = require('fs');
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));
const formulajs = require(path.join(__dirname, 'node_modules', '@formulajs', 'formulajs', 'lib', 'cjs', 'index.cjs'));

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const errorFormulas = { '#N/A': '=NA()', '#DIV/0!': '=1/0', '#VALUE!': '="a"+1', '#NUM!': '=SQRT(-1)' };

function content(cell) {
  if (cell === null) return null;
  if ('n' in cell) return cell.n;
  if ('b' in cell) return cell.b;
  if ('e' in cell) return errorFormulas[cell.e];
  return "'" + cell.s;
}

// Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
const hf = HyperFormula.buildFromArray(input.sheet.map((row) => row.map(content)), {
  licenseKey: 'gpl-v3',
  smartRounding: false,
});

function scalar(v) {
  if (v === null || v === undefined) return { n: 0 };
  if (typeof v === 'number') return Number.isFinite(v) ? { n: v } : { e: '#NUM!' };
  if (typeof v === 'boolean') return { b: v };
  if (typeof v === 'string') return { s: v };
  if (v instanceof Error) return { e: v.message };
  if (v && typeof v === 'object' && 'value' in v) return { e: v.value };
  return { e: '#?' };
}

function result(v) {
  if (Array.isArray(v)) {
    const rows = Array.isArray(v[0]) ? v : v.map((x) => [x]);
    if (rows.length === 1 && rows[0].length === 1) return scalar(rows[0][0]);
    return { a: rows.map((r) => r.map(scalar)) };
  }
  return scalar(v);
}

function fjArg(a) {
  if (a && typeof a === 'object' && !Array.isArray(a) && 'm' in a) return undefined;
  return a;
}

function fjFunction(name) {
  let f = formulajs;
  for (const part of name.split('.')) f = f && f[part];
  return f;
}

const out = input.cases.map((c) => {
  try {
    if (c.hf !== undefined) return result(hf.calculateFormula(c.hf, 0));
    const fn = fjFunction(c.fj);
    if (typeof fn !== 'function') return { e: '#NAME?' };
    const args = c.args.map(fjArg);
    while (args.length && args[args.length - 1] === undefined) args.pop();
    return result(fn(...args));
  } catch (err) {
    return { e: '#EXCEPTION ' + String(err && err.message) };
  }
});
process.stdout.write(JSON.stringify(out));
