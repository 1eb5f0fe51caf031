// The same workbook as the C++ side, written with the npm package xlsx as BIFF8 and read back.
// Prints the write and read times in milliseconds and the file size.
const path = require("path");
const XLSX = require(path.join(process.argv[2], "node_modules", "xlsx"));
const rowsPerSheet = Number(process.argv[3]);
const wb = XLSX.utils.book_new();
for (let s = 0; s < 2; ++s) {
  const aoa = [];
  for (let r = 0; r < rowsPerSheet; ++r) {
    const row = s * rowsPerSheet + r;
    const line = ["Row " + row];
    for (let c = 1; c < 10; ++c) line.push(c % 3 === 0 ? row * 0.25 + c : c % 3 === 1 ? row + c : (row * 7 + c) / 3);
    aoa.push(line);
  }
  XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet(aoa), "Sheet" + (s + 1));
}
let t = process.hrtime.bigint();
const buf = XLSX.write(wb, { bookType: "biff8", type: "buffer" });
const write = Number(process.hrtime.bigint() - t) / 1e6;
t = process.hrtime.bigint();
const back = XLSX.read(buf, { type: "buffer" });
const read = Number(process.hrtime.bigint() - t) / 1e6;
const cells = back.SheetNames.reduce((n, name) => n + Object.keys(back.Sheets[name]).filter((k) => k[0] !== "!").length, 0);
console.log(write.toFixed(1) + " " + read.toFixed(1) + " " + buf.length + " " + cells);
