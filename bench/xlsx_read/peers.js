// Reads an .xlsx workbook with one of the npm peers and prints "ms cells sum chars": the time of the
// reading, the cells it holds, the sum of the numbers and the UTF-16 length of the texts.
//   node peers.js sheetjs|exceljs FILE
const path = require("path");
const [which, file] = process.argv.slice(2);
const modules = path.join(__dirname, "node_modules");

function report(ms, cells, sum, chars) {
  console.log(ms.toFixed(1) + " " + cells + " " + sum.toPrecision(17) + " " + chars);
}

function count(value, totals) {
  ++totals.cells;
  if (typeof value === "number") totals.sum += value;
  else if (typeof value === "string") totals.chars += value.length;
}

async function main() {
  const totals = { cells: 0, sum: 0, chars: 0 };
  // The package is loaded before the clock starts: its loading is start-up, not reading.
  const lib = require(path.join(modules, which === "sheetjs" ? "xlsx" : which));
  const t = process.hrtime.bigint();
  if (which === "sheetjs") {
    const XLSX = lib;
    const book = XLSX.readFile(file, { dense: true });
    for (const name of book.SheetNames) {
      const sheet = book.Sheets[name];
      // Dense sheets keep their rows under "!data" in later versions, under the row numbers before.
      const rows = sheet["!data"] || Object.keys(sheet).filter((k) => k[0] !== "!").map((k) => sheet[k]);
      for (const row of rows) {
        if (row) for (const cell of row) if (cell) count(cell.v, totals);
      }
    }
  } else if (which === "exceljs") {
    const book = new lib.Workbook();
    await book.xlsx.readFile(file);
    book.eachSheet((sheet) => sheet.eachRow((row) => row.eachCell((cell) => count(cell.value, totals))));
  }
  report(Number(process.hrtime.bigint() - t) / 1e6, totals.cells, totals.sum, totals.chars);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
