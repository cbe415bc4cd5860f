#!/usr/bin/env node
// Converts a TopoJSON land file (the world-atlas package's land-50m.json or
// land-110m.json) into the plain ring list the image generator reads:
//
//   # comment lines
//   R <point count>
//   <longitude x 100> <latitude x 100>      (integers, one point a line)
//
// Rings are closed implicitly (the last point is not repeated). Consecutive
// points that fall on the same hundredth of a degree are merged.
//
// usage: node topojson_to_rings.js land-50m.json > data/maps/land-50m.rings
'use strict';
const fs = require('fs');

const topo = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const [sx, sy] = topo.transform ? topo.transform.scale : [1, 1];
const [tx, ty] = topo.transform ? topo.transform.translate : [0, 0];

// Decode the delta-encoded, quantised arcs into absolute coordinates.
const arcs = topo.arcs.map((arc) => {
  let x = 0, y = 0;
  return arc.map(([dx, dy]) => {
    if (topo.transform) { x += dx; y += dy; } else { x = dx; y = dy; }
    return [x * sx + tx, y * sy + ty];
  });
});

function ringPoints(arcIndexes) {
  const out = [];
  for (const i of arcIndexes) {
    const a = i >= 0 ? arcs[i] : arcs[~i].slice().reverse();
    // Each arc starts where the previous one ended; skip the shared point.
    out.push(...(out.length ? a.slice(1) : a));
  }
  return out;
}

function polygons(geom) {
  if (geom.type === 'GeometryCollection') return geom.geometries.flatMap(polygons);
  if (geom.type === 'Polygon') return [geom.arcs];
  if (geom.type === 'MultiPolygon') return geom.arcs;
  return [];
}

const lines = [
  '# Natural Earth land polygons (public domain), from the world-atlas package',
  '# ' + require('path').basename(process.argv[2]) + ', converted by tools/maps/topojson_to_rings.js.',
  '# Each ring: "R <count>", then <count> lines "<lon*100> <lat*100>".',
];
let ringCount = 0, pointCount = 0;
for (const obj of Object.values(topo.objects)) {
  for (const poly of polygons(obj)) {
    for (const ring of poly) {
      const pts = [];
      for (const [lon, lat] of ringPoints(ring)) {
        const p = [Math.round(lon * 100), Math.round(lat * 100)];
        const last = pts[pts.length - 1];
        if (!last || last[0] !== p[0] || last[1] !== p[1]) pts.push(p);
      }
      if (pts.length > 1 && pts[0][0] === pts[pts.length - 1][0] && pts[0][1] === pts[pts.length - 1][1]) pts.pop();
      if (pts.length < 3) continue;
      lines.push('R ' + pts.length);
      for (const [x, y] of pts) lines.push(x + ' ' + y);
      ringCount++;
      pointCount += pts.length;
    }
  }
}
process.stdout.write(lines.join('\n') + '\n');
process.stderr.write(`${ringCount} rings, ${pointCount} points\n`);
