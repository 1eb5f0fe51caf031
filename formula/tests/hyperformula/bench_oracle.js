// Times HyperFormula on the benchmark sheets: N values in column A with B(i) = A(i)*2+1 (independent
// formulas) or with C(1) = A(1), C(i) = C(i-1)+A(i) (a dependency chain). Prints milliseconds as JSON:
// the build (parse and first calculation) and the median of 5 full recalculations.
'use strict';
const path = require('path');
const { HyperFormula } = require(path.join(__dirname, 'node_modules', 'hyperformula'));

const n = parseInt(process.argv[2] || '100000', 10);
function sheet(chain) {
  const rows = [];
  for (let i = 1; i <= n; ++i) {
    const f = chain ? (i === 1 ? '=A1' : '=B' + (i - 1) + '+A' + i) : '=A' + i + '*2+1';
    rows.push([i % 97, f]);
  }
  return rows;
}
function time(fn) {
  const t = process.hrtime.bigint();
  fn();
  return Number(process.hrtime.bigint() - t) / 1e6;
}
const out = {};
for (const [name, chain] of [['independent', false], ['chain', true]]) {
  const rows = sheet(chain);
  let hf;
  out[name + '_build_ms'] = time(() => {
    // Test use only: HyperFormula is used under its GPL licence as a comparison oracle.
    hf = HyperFormula.buildFromArray(rows, { licenseKey: 'gpl-v3', maxRows: 1048576 });
  });
  const runs = [];
  for (let r = 0; r < 5; ++r) runs.push(time(() => hf.rebuildAndRecalculate()));
  runs.sort((a, b) => a - b);
  out[name + '_recalc_ms'] = runs[2];
  out[name + '_last'] = hf.getCellValue({ sheet: 0, col: 1, row: n - 1 });
}
process.stdout.write(JSON.stringify(out));
