// SPDX-License-Identifier: MIT
// The browser build as a viewer meets it, timed: the page opened to the
// dialog shown, Start to the first frame, then frames presented a second in
// each effect while the show plays in real time (window mode, the first
// video mode), and the site's size without the data file.
// Usage: node bench/web/page_bench.js SITE [--seconds N]   (N: how long the
// show plays, default its whole 128 s)
'use strict';
const fs = require('fs');
const path = require('path');
const {Serve, Launch} = require('../../tests/web/browser.js');

const site = process.argv[2];
const at = process.argv.indexOf('--seconds');
const seconds = at > 0 ? Number(process.argv[at + 1]) : 130;
if (!site || !fs.existsSync(path.join(site, 'index.html')) || !(seconds > 0)) {
  console.error('usage: page_bench.js SITE [--seconds N]');
  process.exit(2);
}
const kEffects = [['zoom', 0, 12.5], ['twirl', 12.5, 25], ['spin', 25, 44.5], ['sphere', 44.5, 89], ['wave', 89, 128]];

(async () => {
  const server = await Serve(site);
  const browser = await Launch();
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 800});
  // Each frame the show presents clears the whole canvas once (the sphere's
  // second view clears again within a scissor box): its times are the frames'.
  await page.evaluateOnNewDocument(() => {
    window.benchClears = [];
    const get = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function(type, attributes) {
      const gl = get.call(this, type, attributes);
      if (gl && this.id == 'zarvox-canvas' && !gl.benchWrapped) {
        gl.benchWrapped = true;
        const clear = gl.clear.bind(gl);
        gl.clear = (bits) => {
          if (!gl.isEnabled(gl.SCISSOR_TEST)) window.benchClears.push(performance.now());
          clear(bits);
        };
      }
      return gl;
    };
  });
  const opened = Date.now();
  await page.goto(server.url);
  await page.waitForSelector('#zarvox-dialog', {visible: true, timeout: 60000});
  const dialogMs = Date.now() - opened;
  await page.click('label[data-id="1003"] input');
  const start = await page.evaluate(() => performance.now());
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.benchClears.length > 0, {timeout: 60000, polling: 'raf'});
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const clears = await page.evaluate(() => window.benchClears);
  await browser.close();
  server.close();

  const first = clears[0];
  console.log('browser: Chromium headless, WebGL on SwiftShader');
  console.log('page opened to the dialog shown: ' + dialogMs + ' ms (aim: 1500 ms or less)');
  console.log('Start to the first frame: ' + Math.round(first - start) + ' ms (aim: 500 ms or less)');
  for (const [name, from, to] of kEffects) {
    const end = Math.min(to, seconds);
    if (end <= from + 1) continue;
    // The effect's window of show time, less a second at each end.
    const frames = clears.filter((t) => t - first >= (from + 0.5) * 1000 && t - first < (end - 0.5) * 1000).length;
    console.log(name + ': ' + (frames / (end - from - 1)).toFixed(1) + ' frames a second (aim: 60 +- 1)');
  }
  let bytes = 0;
  for (const name of fs.readdirSync(site))
    if (name != 'zarvox.dat') bytes += fs.statSync(path.join(site, name)).size;
  console.log('site without zarvox.dat: ' + bytes + ' bytes (aim: 1.5 MB or less)');
})().catch((e) => {
  console.error('page_bench: ' + (e.stack || e));
  process.exit(1);
});
