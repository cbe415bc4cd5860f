// Compares horavel-cli's sunrise/sunset and Moon results with astronomy-engine, a high-precision
// independent library, over many places and dates. Prints the largest differences of each kind
// and fails when one exceeds the tolerance the method is documented to meet (docs/accuracy.md).
//
//   node check.js path/to/horavel-cli [--report]
//
// Exit status: 0 within tolerance, 1 outside it, 77 when astronomy-engine is not installed.
'use strict';

let A;
try {
    A = require('astronomy-engine');
} catch (e) {
    console.log('astronomy-engine is not installed (npm ci in tests/accuracy): skipped');
    process.exit(77);
}
const { execFileSync } = require('child_process');

const cli = process.argv[2];
const reportOnly = process.argv.includes('--report');
if (!cli) {
    console.error('usage: node check.js HORAVEL_CLI [--report]');
    process.exit(2);
}

// Tolerances: see docs/accuracy.md.
const TOL = {
    riseSetMin: 1.5,      // sunrise and sunset, |latitude| <= 60
    twilightMin: 1.5,     // civil, nautical and astronomical twilight, |latitude| <= 50
    phaseMin: 4,          // principal phases, 1900..2100 (grows with delta T outside)
    apsisHours: 1,        // perigee and apogee times
    apsisKm: 30,          // perigee and apogee distances
    distanceKm: 60,       // distance now
    visiblePercent: 1,    // illuminated fraction now, against a whole percentage
};

// Deterministic pseudo-random numbers, so that every run checks the same cases.
let seed = 20061;
function rnd() {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
}
function pad(n, w = 2) { return String(n).padStart(w, '0'); }
function run(args) { return execFileSync(cli, args, { encoding: 'utf8' }); }
function parseMinute(s) { // 'YYYY-MM-DD HH:MM' as UTC milliseconds
    const m = /^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d)$/.exec(s);
    return Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5]);
}

const worst = {};
const failures = [];
function note(kind, diff, tol, what) {
    const a = Math.abs(diff);
    if (!worst[kind] || a > worst[kind].diff) worst[kind] = { diff: a, what };
    if (a > tol) failures.push(`${kind}: ${diff.toFixed(2)} (tolerance ${tol}) at ${what}`);
}

// ---- Sunrise and sunset ------------------------------------------------------------------
const zenithAltitude = [null, -6, -12, -18];
let sunCases = 0, sunSkipped = 0;
// The environment can widen the sample to explore: more cases, other years or latitudes.
const SCALE = Number(process.env.HV_ACCURACY_SCALE || 1);
const FIRST_YEAR = Number(process.env.HV_ACCURACY_FIRST_YEAR || 1900);
const YEARS = Number(process.env.HV_ACCURACY_YEARS || 200);
for (let i = 0; i < 160 * SCALE; ++i) {
    const type = i % 4;
    const maxLat = Number(process.env.HV_ACCURACY_LAT || (type === 0 ? 60 : 50));
    const lat = Math.round((rnd() * 2 - 1) * maxLat * 100) / 100;
    const lon = Math.round((rnd() * 2 - 1) * 180 * 100) / 100;
    const year = FIRST_YEAR + Math.floor(rnd() * YEARS);
    const month = 1 + Math.floor(rnd() * 12);
    const day = 1 + Math.floor(rnd() * 28);
    const offsetMin = Math.round(lon / 15) * 60;
    const date = `${year}-${pad(month)}-${pad(day)}`;
    const out = run(['sun', '--lat', String(lat), '--lon', String(lon), '--offset-min', String(offsetMin),
                     '--date', date, '--type', String(type)]).split('\n')[0].split(' ').map(Number);
    const midnight = Date.UTC(year, month - 1, day) - offsetMin * 60000;
    const obs = new A.Observer(lat, lon, 0);
    const start = A.MakeTime(new Date(midnight));
    const search = (dir) => type === 0 ? A.SearchRiseSet(A.Body.Sun, obs, dir, start, 1)
                                       : A.SearchAltitude(A.Body.Sun, obs, dir, start, 1, zenithAltitude[type]);
    const ref = [search(+1), search(-1)];
    for (let k = 0; k < 2; ++k) {
        const ours = out[k];
        const r = ref[k];
        const refInDay = r && r.date.getTime() - midnight < 86400000;
        if (ours < 0 || !refInDay) {
            // Near a polar or twilight limit one side may just find an event the other does not.
            if ((ours < 0) !== !refInDay) sunSkipped++;
            continue;
        }
        const refMin = (r.date.getTime() - midnight) / 60000;
        sunCases++;
        note(type === 0 ? 'riseSetMin' : 'twilightMin', ours - refMin, type === 0 ? TOL.riseSetMin : TOL.twilightMin,
             `${date} lat ${lat} lon ${lon} type ${type} ${k ? 'set' : 'rise'}`);
    }
}
if (sunSkipped > 6) failures.push(`sun: ${sunSkipped} cases where only one side finds an event`);

// ---- The Moon ----------------------------------------------------------------------------
let moonCases = 0;
for (let i = 0; i < 90 * SCALE; ++i) {
    const t = Date.UTC(FIRST_YEAR, 0, 1) + Math.floor(rnd() * YEARS * 365.25 * 86400) * 1000;
    const d = new Date(t);
    const utc = `${d.getUTCFullYear()}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
                `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`;
    const kv = {};
    for (const line of run(['moon', '--utc', utc]).trim().split('\n')) {
        const eq = line.indexOf('=');
        kv[line.slice(0, eq)] = line.slice(eq + 1);
    }
    moonCases++;
    const at = A.MakeTime(d);
    note('visiblePercent', Number(kv.visible) - A.Illumination(A.Body.Moon, at).phase_fraction * 100,
         TOL.visiblePercent, utc);
    note('distanceKm', Number(kv.distance_km) - A.GeoMoon(at).Length() * A.KM_PER_AU, TOL.distanceKm, utc);

    const kinds = ['new', 'first', 'full', 'last'];
    let q = A.SearchMoonQuarter(at);
    for (let n = 1; n <= 4; ++n) {
        const [kind, when] = kv['phase_' + n].split(/ (.*)/);
        if (kinds[q.quarter] !== kind) {
            failures.push(`phase ${n} at ${utc}: ${kind}, reference ${kinds[q.quarter]}`);
        } else {
            // Ours is cut to the minute: compare its middle.
            note('phaseMin', (parseMinute(when) + 30000 - q.time.date.getTime()) / 60000, TOL.phaseMin, `${utc} ${kind}`);
        }
        q = A.NextMoonQuarter(q);
    }

    for (const [key, kindWanted] of [['perigee', A.ApsisKind.Pericenter], ['apogee', A.ApsisKind.Apocenter]]) {
        const [dd, hh, km] = kv[key].split(' ');
        const ours = parseMinute(`${dd} ${hh}`) + 30000;
        let ap = A.SearchLunarApsis(A.MakeTime(new Date(ours - 20 * 86400000)));
        while (ap.kind !== kindWanted || ap.time.date.getTime() < ours - 7 * 86400000) ap = A.NextLunarApsis(ap);
        note('apsisHours', (ours - ap.time.date.getTime()) / 3600000, TOL.apsisHours, `${utc} ${key}`);
        note('apsisKm', Number(km) - ap.dist_km, TOL.apsisKm, `${utc} ${key}`);
    }
}

console.log(`checked ${sunCases} sun events (${sunSkipped} limit cases skipped) and ${moonCases} Moon instants`);
for (const [kind, w] of Object.entries(worst))
    console.log(`largest ${kind}: ${w.diff.toFixed(2)} (tolerance ${TOL[kind]}) at ${w.what}`);
if (failures.length && !reportOnly) {
    console.log(failures.slice(0, 20).join('\n'));
    process.exit(1);
}
process.exit(0);
