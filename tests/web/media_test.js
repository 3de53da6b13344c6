// SPDX-License-Identifier: MIT
// The media probe natively (DevIL, libmpg123), then in headless Chromium over
// the browser's decoders, checking its results against the native ones.
//   node media_test.js NATIVE_PROBE BROWSER_PROBE_JS MEDIA_DIR
// Exits 77 (skipped) where the browser probe or tests/web/node_modules is missing.
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [nativeProbe, browserProbe, media] = process.argv.slice(2);
function Skip(why) {
  console.log(`web_media: skipped: ${why}`);
  process.exit(77);
}
if (!fs.existsSync(path.join(__dirname, 'node_modules', 'puppeteer-core')))
  Skip('no tests/web/node_modules (npm ci --prefix tests/web)');
if (!browserProbe || !fs.existsSync(browserProbe))
  Skip('no browser build of the probe (em++ missing when configured)');
const {Serve, Launch, Echo} = require('./browser.js');

async function Main() {
  const site = fs.mkdtempSync(path.join(os.tmpdir(), 'zarvox-web-media-'));
  try {
    const names = ['krel.png', 'spheremap.png', 'zarvox.mp3'];
    for (const name of names)
      fs.symlinkSync(path.join(media, name), path.join(site, name));
    const native = childProcess.spawnSync(nativeProbe, ['write', media, site], {encoding: 'utf8'});
    process.stdout.write(native.stdout.replace(/^(?=.)/gm, 'native: '));
    if (native.status !== 0)
      throw new Error(`the native probe failed: ${native.stderr}`);
    for (const built of ['media_probe.js', 'media_probe.wasm'])
      fs.symlinkSync(path.join(path.dirname(browserProbe), built), path.join(site, built));
    // Every file into the probe's in-memory file system before it starts.
    names.push('krel.png.pixels', 'spheremap.png.pixels', 'zarvox.pcm');
    fs.writeFileSync(path.join(site, 'index.html'), `<!doctype html><link rel="icon" href="data:,"><script>
      const names = ${JSON.stringify(names)};
      Promise.all(names.map((n) => fetch(n).then((r) => r.arrayBuffer()))).then((files) => {
        window.Module = {arguments: ['check', '/', '/'],
                         preRun: [() => names.forEach((n, i) => FS.writeFile('/' + n, new Uint8Array(files[i])))]};
        const script = document.createElement('script');
        script.src = 'media_probe.js';
        document.body.appendChild(script);
      });
    </script>`);

    const server = await Serve(site);
    const browser = await Launch();
    try {
      const page = await browser.newPage();
      const done = new Promise((resolve) => page.on('console', (m) => {
        const failed = /^probe: done, (\d+) failed/.exec(m.text());
        if (failed)
          resolve(Number(failed[1]));
      }));
      Echo(page, 'browser: ');
      await page.goto(server.url);
      let timer = null;
      const failed = await Promise.race([done, new Promise((r) => (timer = setTimeout(() => r('no end in 240 s'), 240000)))]);
      clearTimeout(timer);
      if (failed !== 0)
        throw new Error(`the browser's probe: ${failed} failed`);
    } finally {
      await browser.close();
      server.close();
    }
  } finally {
    fs.rmSync(site, {recursive: true, force: true});
  }
}

Main().then(() => console.log('web_media: passed'), (e) => {
  console.error(`web_media: ${e.message}`);
  process.exit(1);
});
