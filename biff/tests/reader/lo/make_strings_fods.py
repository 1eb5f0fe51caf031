#!/usr/bin/python3
"""Writes strings.fods: 600 distinct texts, 8-bit and 16-bit ones interleaved and long enough
that the shared-string table of the .xls runs over several CONTINUE records, with strings split
across them, plus a text cell with two formatted runs."""
import sys

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
 </office:automatic-styles>
 <office:body><office:spreadsheet><table:table table:name="Strings">
"""
TAIL = "</table:table></office:spreadsheet></office:body></office:document>\n"


def main(path):
    rows = []
    for i in range(600):
        if i % 3 == 0:
            text = "reading %04d of station %s" % (i, "x" * (i % 17))
        elif i % 3 == 1:
            text = "温度记录 %04d 湿度 %s" % (i, "度" * (i % 11))
        else:
            text = "mixed %04d ± µ °C %s" % (i, "ab" * (i % 7))
        rows.append('<table:table-row><table:table-cell office:value-type="string"><text:p>%s</text:p>'
                    '</table:table-cell><table:table-cell office:value-type="float" office:value="%d"/>'
                    '</table:table-row>\n' % (text, i))
    rows.append('<table:table-row><table:table-cell office:value-type="string"><text:p>plain '
                '<text:span text:style-name="T1">bold</text:span> tail</text:p></table:table-cell></table:table-row>\n')
    with open(path, "w", encoding="utf-8") as f:
        f.write(HEAD + "".join(rows) + TAIL)


if __name__ == "__main__":
    main(sys.argv[1])
