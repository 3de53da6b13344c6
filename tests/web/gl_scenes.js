// SPDX-License-Identifier: MIT
// The browser's GL subset against Mesa: the scenes of gl_scenes.cpp drawn by
// the native build (llvmpipe, under X) and by the page (our GL over WebGL in
// headless Chromium's SwiftShader), compared pixel by pixel (RGB; the canvas
// has no alpha). A filled scene passes with at least 99 % of its pixels within
// one level and none off by more than 8 but along edges that the two
// rasterisers put a pixel apart (counted and reported); the wireframe scene's
// lines are drawn by rules of each renderer's own, so it is reported, and
// only held to a looser bound.
// Usage: node gl_scenes.js NATIVE_PROGRAM SITE_FOLDER
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {Serve, Launch, Echo} = require('./browser.js');

const kScenes = ['environments', 'blending', 'depth and primitives', 'scissor', 'sphere map', 'wireframe'];
const kSize = 256;
const kLines = 'wireframe';

// Largest channel difference of pixel i of a and pixel j of b.
function Difference(a, i, b, j) {
  return Math.max(Math.abs(a[i] - b[j]), Math.abs(a[i + 1] - b[j + 1]), Math.abs(a[i + 2] - b[j + 2]));
}

// Whether pixel (x, y) of `a` has a match (within 8 levels) among the 3 x 3
// pixels around it in `b`: an edge that the two renderers put a pixel apart.
function Shifted(a, b, x, y) {
  for (let dy = -1; dy <= 1; ++dy)
    for (let dx = -1; dx <= 1; ++dx) {
      const nx = x + dx, ny = y + dy;
      if (nx >= 0 && ny >= 0 && nx < kSize && ny < kSize &&
          Difference(a, (y * kSize + x) * 4, b, (ny * kSize + nx) * 4) <= 8)
        return true;
    }
  return false;
}

// Shares of pixels equal and within one level, the number off by more than 8
// along edges (each side's pixel matched next to it on the other side), and
// the largest difference elsewhere.
function Compare(ours, theirs) {
  let equal = 0, withinOne = 0, edges = 0, worst = 0;
  for (let y = 0; y < kSize; ++y)
    for (let x = 0; x < kSize; ++x) {
      const i = (y * kSize + x) * 4, diff = Difference(ours, i, theirs, i);
      equal += diff === 0;
      withinOne += diff <= 1;
      if (diff > 8 && (Shifted(ours, theirs, x, y) || Shifted(theirs, ours, x, y)))
        ++edges;
      else
        worst = Math.max(worst, diff);
    }
  const pixels = kSize * kSize;
  return {equal: equal / pixels, withinOne: withinOne / pixels, edges, worst};
}

async function Main() {
  const [native, site] = process.argv.slice(2);
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'gl_scenes-')), 'mesa.rgba');
  execFileSync(native, [out], {stdio: 'inherit'});
  const mesa = fs.readFileSync(out);
  fs.rmSync(path.dirname(out), {recursive: true});

  const server = await Serve(site);
  const browser = await Launch();
  let web;
  try {
    const page = await browser.newPage();
    Echo(page);
    await page.goto(server.url);
    await page.waitForFunction(() => window.Module && Module.scenes, {timeout: 60000});
    const base64 = await page.evaluate(() => {
      let text = '';
      for (let i = 0; i < Module.scenes.length; i += 0x8000)
        text += String.fromCharCode.apply(null, Module.scenes.subarray(i, i + 0x8000));
      return btoa(text);
    });
    web = Buffer.from(base64, 'base64');
  } finally {
    await browser.close();
    server.close();
  }
  if (web.length !== mesa.length || mesa.length !== kScenes.length * kSize * kSize * 4)
    throw new Error(`pixel counts differ: page ${web.length} bytes, Mesa ${mesa.length}`);

  let failed = 0;
  const bytes = kSize * kSize * 4;
  kScenes.forEach((name, i) => {
    const r = Compare(web.subarray(i * bytes, (i + 1) * bytes), mesa.subarray(i * bytes, (i + 1) * bytes));
    const lines = name === kLines;
    const pass = lines ? r.withinOne >= 0.97 : r.withinOne >= 0.99 && r.worst <= 8;
    failed += !pass;
    console.log(`${pass ? 'ok  ' : 'FAIL'} ${name.padEnd(22)} equal ${(r.equal * 100).toFixed(2)} %, ` +
                `within one level ${(r.withinOne * 100).toFixed(2)} %, worst ${r.worst} ` +
                `(edge pixels apart: ${r.edges})` +
                (lines ? ' (lines: reported apart)' : ''));
  });
  // Kept for a look: RGBA, the scenes one after the other, bottom row first.
  fs.writeFileSync(path.join(site, 'mesa.rgba'), mesa);
  fs.writeFileSync(path.join(site, 'page.rgba'), web);
  if (failed)
    throw new Error(`${failed} scene(s) differ from Mesa's beyond the bounds; both sets of pixels are in ${site}`);
}

Main().catch((e) => {
  console.error('FAIL: ' + e.message);
  process.exit(1);
});
