// Writes the exceljs package fixture: node make_fixture.js <out.xlsx> <image.png>
const ExcelJS = require('exceljs');

async function main() {
  const [out, png] = process.argv.slice(2);
  const wb = new ExcelJS.Workbook();
  wb.creator = 'fixture';
  wb.created = new Date(Date.UTC(2024, 0, 2, 3, 4, 5));
  wb.modified = wb.created;
  const ws = wb.addWorksheet('Readings');
  ws.addRow(['Time', 'Temperature', 'Humidity']);
  ws.addRow(['10:00', 21.5, 48]);
  ws.getCell('A4').value = { text: 'manual', hyperlink: 'https://example.com/manual?a=1&b=2' };
  ws.getCell('B2').note = 'probe note';
  ws.addTable({
    name: 'Levels', ref: 'E1', headerRow: true,
    columns: [{ name: 'Probe' }, { name: 'Level' }],
    rows: [['A', 1], ['B', 2]],
  });
  const image = wb.addImage({ filename: png, extension: 'png' });
  ws.addImage(image, 'H2:I4');
  wb.addWorksheet('Notes').getCell('A1').value = 'second sheet';
  await wb.xlsx.writeFile(out);
}

main().catch((e) => { console.error(e); process.exit(1); });
