// What mdb-reader reads from the user tables of an Access 2007-2019 database, as
// one JSON document, for the reader's tests:   node ace_dump.mjs FILE
// Values take dump.mjs's forms ("f:"/"d:" IEEE bytes, "u:" UTF-16LE, "b:" bytes,
// Date/Time as milliseconds since 1970, Currency/Decimal/GUID as mdb-reader's text,
// the rest as JSON values) and, for the types dump.mjs does not know:
//   Large Number: "i:" + its decimal digits
//   Date/Time Extended: "x:" + mdb-reader's text, "YYYY.MM.DD hh:mm:ss.nnnnnnnnn"
//   complex columns: the list of their values in the hidden table's order (each in
//     the forms above; an attachment's file names), null when there are none.
// mdb-reader reads no multi-valued field and no column of a type it does not know,
// so the script first changes a copy of the file: a complex column's type byte
// becomes Long (mdb-reader then reads the key its rows hold, and its own
// resolveFlatTableForComplexColumn finds the hidden table), an unknown type's
// becomes Binary (mdb-reader then reads its bytes). Each column says whether its
// definition marks it calculated (mdb-reader reads calculated columns as plain
// ones, so their values are not what Access shows) and, for complex ones, which
// kind the hidden table's columns make it: "multi", "attachment",
// "versionHistory" or "unknown" (and, for "multi", the mdb-reader type of its
// values as valueType).
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";
// Not in the package's exports: reached by path.
import { Database } from "./node_modules/mdb-reader/lib/node/Database.js";
import { resolveFlatTableForComplexColumn } from "./node_modules/mdb-reader/lib/node/data/complex/utils.js";

const PAGE = 4096;
const COMPLEX = 0x12;
const KNOWN_TYPES = new Set([1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 0x12, 0x13, 0x14]);

const file = process.argv[2];
const original = readFileSync(file);

// The column entries of a table definition (mdbtools HACKING.md, "TDEF"; ACE
// offsets as Jackcess's JetFormat names them), with the file offset of each
// entry's type byte.
function columnEntries(tablePage) {
  const pages = [];
  for (let pg = tablePage; pg !== 0; pg = original.readUInt32LE(pg * PAGE + 4)) pages.push(pg);
  const at = (o) => {  // offset in the joined definition -> offset in the file
    if (o < PAGE) return pages[0] * PAGE + o;
    o -= PAGE;
    const k = Math.floor(o / (PAGE - 8));
    return pages[1 + k] * PAGE + 8 + (o % (PAGE - 8));
  };
  const byte = (o) => original[at(o)];
  const u16 = (o) => byte(o) | (byte(o + 1) << 8);
  const i32 = (o) => (byte(o) | (byte(o + 1) << 8) | (byte(o + 2) << 16) | (byte(o + 3) << 24));
  const columnCount = u16(45);
  const realIndexes = i32(51);
  let entry = 63 + realIndexes * 12;
  let names = entry + columnCount * 25;
  const out = [];
  for (let i = 0; i < columnCount; ++i, entry += 25) {
    const length = u16(names);
    const nameBytes = Buffer.alloc(length);
    for (let k = 0; k < length; ++k) nameBytes[k] = byte(names + 2 + k);
    names += 2 + length;
    out.push({
      name: nameBytes.toString("utf16le"),
      type: byte(entry),
      typeOffset: at(entry),
      calculated: (byte(entry + 16) & 0xc0) !== 0,
      complexId: i32(entry + 11),
    });
  }
  return out;
}

function encode(value, type) {
  if (value === null || value === undefined) return null;
  switch (type) {
    case "float": {
      const b = Buffer.alloc(4);
      b.writeFloatLE(value);
      return "f:" + b.toString("hex");
    }
    case "double": {
      const b = Buffer.alloc(8);
      b.writeDoubleLE(value);
      return "d:" + b.toString("hex");
    }
    case "text":
    case "memo":
      return "u:" + Buffer.from(value, "utf16le").toString("hex");
    case "binary":
    case "ole":
    case "unknown":
      return "b:" + Buffer.from(value).toString("hex");
    case "datetime":
      return value.getTime();
    case "bigint":
      return "i:" + value.toString();
    case "datetimextended":
      return "x:" + value;
    default:
      return value;
  }
}

const plain = new MDBReader(original);
const catalogue = plain.getTable("MSysObjects").getData({ columns: ["Id", "Name", "Type"] });
const pageOf = (name) => catalogue.find((r) => r.Name === name && r.Type === 1).Id & 0xffffff;

const patched = Buffer.from(original);
const entries = {};
for (const name of plain.getTableNames()) {
  entries[name] = columnEntries(pageOf(name));
  for (const e of entries[name]) {
    if (e.type === COMPLEX) patched[e.typeOffset] = 0x04;
    else if (!KNOWN_TYPES.has(e.type)) patched[e.typeOffset] = 0x09;
  }
}
const reader = new MDBReader(patched);
const database = new Database(patched, "");
const complexColumns = catalogue.some((r) => r.Name === "MSysComplexColumns")
  ? reader.getTable("MSysComplexColumns").getData()
  : [];

// The values of one complex column, by the key the table's rows hold.
function complexValues(tableName, entry) {
  let flat;
  try {
    flat = resolveFlatTableForComplexColumn(database, {
      name: entry.name,
      complex: { typeId: entry.complexId, tableDefinitionPage: pageOf(tableName) },
    });
  } catch (e) {
    return { kind: "unknown", valueType: null, byKey: new Map() };
  }
  let columns;
  try {
    columns = reader.getTable(flat.tableName).getColumns();
  } catch (e) {
    return { kind: "unknown", valueType: null, byKey: new Map() };
  }
  // The hidden table holds the type table's columns, the values' own autonumber
  // and the key (Jackcess ComplexColumnInfoImpl).
  const link = complexColumns.find((r) => r.ComplexID === entry.complexId);
  const typeTable = catalogue.find((r) => (r.Id & 0xffffff) === (link.ComplexTypeObjectID & 0xffffff));
  const typeNames = new Set(reader.getTable(typeTable.Name).getColumns().map((c) => c.name));
  const key = columns.find((c) => c.type === "long" && !c.autoLong && !typeNames.has(c.name));
  const own = columns.filter((c) => typeNames.has(c.name));
  let kind = "unknown";
  let value;
  if (own.some((c) => c.name === "FileName") && own.some((c) => c.name === "FileData")) {
    kind = "attachment";
    value = own.find((c) => c.name === "FileName");
  } else if (own.length === 1) {
    kind = "multi";
    value = own[0];
  } else if (own.some((c) => c.type === "memo") && own.some((c) => c.type === "datetime")) {
    kind = "versionHistory";
  }
  const byKey = new Map();
  if (value && key) {
    for (const row of reader.getTable(flat.tableName).getData({ columns: [key.name, value.name] })) {
      if (row[value.name] === null) continue;
      const list = byKey.get(row[key.name]) ?? [];
      list.push(encode(row[value.name], value.type));
      byKey.set(row[key.name], list);
    }
  }
  return { kind, valueType: kind === "multi" ? value.type : null, byKey };
}

const out = { userTables: plain.getTableNames(), tables: {} };
for (const name of out.userTables) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  const complex = {};
  for (const e of entries[name]) if (e.type === COMPLEX) complex[e.name] = complexValues(name, e);
  const described = columns.map((c) => {
    const e = entries[name].find((x) => x.name === c.name);
    return {
      name: c.name,
      type: e.type === COMPLEX ? "complex" : KNOWN_TYPES.has(e.type) ? c.type : "unknown",
      calculated: e.calculated,
      kind: complex[c.name]?.kind ?? null,
      valueType: complex[c.name]?.valueType ?? null,
    };
  });
  const rows = table.getData().map((r) =>
    columns.map((c, i) =>
      complex[c.name] ? complex[c.name].byKey.get(r[c.name]) ?? null : encode(r[c.name], described[i].type)));
  out.tables[name] = { columns: described, rows };
}
process.stdout.write(JSON.stringify(out) + "\n");
