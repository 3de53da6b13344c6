// SPDX-License-Identifier: MIT
// The show in headless Chromium, as a viewer meets it and as the tests capture
// it. Usage: show_test.js TEST_SITE NATIVE_CAPTURE CAPTURE_COMPARE
//  - the dialog: every control of its template, where the template puts it,
//    the lists filled by the show's own code; the window radio, Enter starts,
//    the show draws on the canvas, Escape ends it and the page says so;
//  - without the data file: the show's own box, then the page says why;
//  - frames: the page's test mode (the capture in the browser) against the
//    native zarvox-capture at the same show times, effect by effect.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {execFileSync} = require('child_process');
const {Serve, Launch, Echo} = require('./browser.js');

const [site, nativeCapture, compare] = process.argv.slice(2);
if (!compare) {
  console.error('usage: show_test.js TEST_SITE NATIVE_CAPTURE CAPTURE_COMPARE');
  process.exit(2);
}
let failures = 0;
function Check(ok, what) {
  console.log((ok ? 'ok: ' : 'FAIL: ') + what);
  if (!ok) failures++;
}

// A PNG of RGBA rows given bottom row first (as GL reads them), written top
// row first as the native capture writes its frames; alpha is dropped.
function WritePng(file, width, height, rgba) {
  const raw = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; ++y) {
    const from = (height - 1 - y) * width * 4, to = y * (width * 3 + 1) + 1;
    for (let x = 0; x < width; ++x)
      for (let c = 0; c < 3; ++c) raw[to + x * 3 + c] = rgba[from + x * 4 + c];
  }
  const table = [];
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  const crc = (bytes) => {
    let c = 0xffffffff;
    for (const b of bytes) c = table[(c ^ b) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (type, data) => {
    const head = Buffer.alloc(8), tail = Buffer.alloc(4);
    head.writeUInt32BE(data.length, 0);
    head.write(type, 4, 'ascii');
    tail.writeUInt32BE(crc(Buffer.concat([head.subarray(4), data])), 0);
    return Buffer.concat([head, data, tail]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header[8] = 8; // bits per channel
  header[9] = 2; // RGB
  fs.writeFileSync(file, Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(raw, {level: 1})), chunk('IEND', Buffer.alloc(0))]));
}

async function WaitForEvent(page, prefix, seconds) {
  await page.waitForFunction((prefix) => window.zarvoxEvents && window.zarvoxEvents.some((e) => e.startsWith(prefix)),
    {timeout: seconds * 1000, polling: 250}, prefix);
  return page.evaluate(() => window.zarvoxEvents.slice());
}

async function Dialog(browser, url) {
  const page = await browser.newPage();
  Echo(page);
  await page.setViewport({width: 1280, height: 800});
  await page.goto(url);
  await page.waitForSelector('#zarvox-dialog', {visible: true, timeout: 60000});
  const dialog = await page.evaluate(() => {
    const box = document.getElementById('zarvox-dialog').getBoundingClientRect();
    const controls = {};
    for (const element of document.querySelectorAll('#zarvox-dialog .zarvox-control')) {
      const r = element.getBoundingClientRect();
      const input = element.querySelector('input');
      controls[element.dataset.id + ':' + element.textContent.trim().slice(0, 12)] = {
        inside: r.left >= box.left && r.top >= box.top && r.right <= box.right + 1 && r.bottom <= box.bottom + 1,
        items: element.tagName == 'SELECT' ? [...element.options].map((o) => o.text) : null,
        checked: input ? input.checked : null,
        isDefault: element.classList.contains('zarvox-default'),
      };
    }
    return {controls, whole: box.left >= 0 && box.top >= 0 && box.right <= innerWidth && box.bottom <= innerHeight};
  });
  const ids = Object.keys(dialog.controls).map((k) => k.split(':')[0]);
  for (const id of ['1001', '1002', '101', '1003', '1004', '1017', '1018', '1028', '1029', '1030', '1031'])
    Check(ids.includes(id), 'the dialog has control ' + id);
  Check(Object.values(dialog.controls).every((c) => c.inside) && dialog.whole,
    'every control lies inside the dialog, and the dialog inside the page');
  const find = (id) => Object.entries(dialog.controls).find(([k]) => k.startsWith(id + ':'))[1];
  Check(find('1001').isDefault, 'Start is the default button');
  Check(find('101').items.length > 0 && find('101').items.every((t) => / Hz 32 bpp$/.test(t)),
    'the video modes are listed by the show: ' + find('101').items.join(', '));
  Check(JSON.stringify(find('1017').items) == '["Web Audio"]', 'the sound device is "Web Audio"');
  Check(find('1004').checked && find('1029').checked, 'fullscreen and 44khz are chosen, as the show sets them');
  const firstMode = find('101').items[0].split(' ')[0];

  await page.click('label[data-id="1003"] input');
  const radios = await page.evaluate(() => ['1003', '1004'].map((id) =>
    document.querySelector('label[data-id="' + id + '"] input').checked));
  Check(radios[0] && !radios[1], 'a click on "window" checks it and unchecks "fullscreen"');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#zarvox-canvas', {visible: true, timeout: 60000});
  const drawn = await page.waitForFunction(() => {
    const canvas = document.getElementById('zarvox-canvas');
    const gl = canvas.getContext('webgl');
    const pixels = new Uint8Array(canvas.width * canvas.height * 4);
    gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    const first = pixels.slice(0, 3).join();
    for (let i = 0; i < pixels.length; i += 4)
      if (pixels.slice(i, i + 3).join() != first) return canvas.width + 'x' + canvas.height;
    return false;
  }, {timeout: 60000, polling: 500}).then((h) => h.jsonValue(), () => '');
  Check(drawn == firstMode, 'Enter starts the show in a window of the first mode (' + firstMode + '): ' + drawn);
  Check(await page.evaluate(() => !document.fullscreenElement), 'the show runs in the page, not full screen');
  await page.keyboard.press('Escape');
  const events = await WaitForEvent(page, 'exit', 30).catch(() => []);
  Check(events.includes('The show has ended.') && events.includes('exit 0'),
    'Escape ends the show; the page says so: ' + JSON.stringify(events));
  await page.close();
}

async function WithoutData(browser) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'zarvox-site-'));
  for (const name of fs.readdirSync(site))
    if (name != 'zarvox.dat') fs.copyFileSync(path.join(site, name), path.join(folder, name));
  const server = await Serve(folder);
  const page = await browser.newPage();
  Echo(page);
  await page.goto(server.url);
  const box = await page.waitForSelector('.zarvox-box', {visible: true, timeout: 60000}).then(
    (b) => b.evaluate((e) => e.textContent), () => '');
  Check(/zarvox\.dat/i.test(box), 'without the data file the show says so in its box: ' + box);
  await page.keyboard.press('Enter');
  const events = await WaitForEvent(page, 'exit', 30).catch(() => []);
  Check(events.includes('exit 1') &&
    events.some((e) => e.includes('zarvox.dat could not be fetched (HTTP 404)')),
  'the show ends with 1 and the page says why: ' + JSON.stringify(events));
  await page.close();
  server.close();
  fs.rmSync(folder, {recursive: true, force: true});
}

// One frame a second of show time, from 1 s to 90 s: zoom, twirl, spin, the
// sphere and the start of the wave.
async function Frames(browser, url, work) {
  const times = {from: 1000, to: 90000};
  const page = await browser.newPage();
  Echo(page);
  const browserDir = path.join(work, 'browser'), nativeDir = path.join(work, 'native');
  for (const dir of [browserDir, nativeDir]) fs.mkdirSync(dir);
  await page.exposeFunction('zarvoxFrame', (index, width, height, base64) =>
    WritePng(path.join(browserDir, 'frame-' + String(index).padStart(6, '0') + '.png'), width, height,
      Buffer.from(base64, 'base64')));
  await page.evaluateOnNewDocument((args) => {
    window.zarvoxArguments = args;
    window.zarvoxModule = {onCaptureFrame: (index, width, height, rgba) => {
      let text = '';
      for (let i = 0; i < rgba.length; i += 0x8000) text += String.fromCharCode.apply(null, rgba.subarray(i, i + 0x8000));
      window.zarvoxFrame(index, width, height, btoa(text));
    }};
  }, ['640', '480', '1', String(times.from), String(times.to)]);
  const started = Date.now();
  await page.goto(url + 'capture.html');
  const events = await WaitForEvent(page, 'exit', 900).catch(() => []);
  const seconds = (Date.now() - started) / 1000;
  await page.close();
  Check(events.includes('exit 0'), 'the page captured the show in ' + seconds.toFixed(0) + ' s: ' + JSON.stringify(events));
  execFileSync(nativeCapture, ['--size', '640x480', '--fps', '1', '--from', String(times.from), '--to',
    String(times.to), nativeDir + '/'], {cwd: site, stdio: 'inherit'});
  // The sphere's frames apart: reported, not held to the bound.
  const sphereDir = path.join(work, 'sphere'), sphereNative = path.join(work, 'sphere-native');
  for (const dir of [sphereDir, sphereNative]) fs.mkdirSync(dir);
  for (const name of fs.readdirSync(nativeDir)) {
    const second = Number(name.match(/(\d+)/)[1]);
    if (second >= 45 && second <= 88) {
      fs.renameSync(path.join(nativeDir, name), path.join(sphereNative, name));
      if (fs.existsSync(path.join(browserDir, name))) fs.renameSync(path.join(browserDir, name), path.join(sphereDir, name));
    }
  }
  const run = (args) => {
    try {
      console.log(execFileSync(compare, args, {encoding: 'utf8'}));
      return true;
    } catch (e) {
      console.log(e.stdout + e.stderr);
      return false;
    }
  };
  // SwiftShader and llvmpipe place texture samples a little apart: at the
  // logo's hard edges, minified, a few pixels take a neighbouring texel.
  Check(run([nativeDir, browserDir, '0.99', '1']),
    'zoom, twirl, spin and wave: in every frame 99 % of pixels within one level of llvmpipe\'s');
  Check(run([nativeDir, browserDir, '0.995', '8']), '... and 99.5 % within 8 levels');
  console.log('the sphere (reported, not judged):');
  run([sphereNative, sphereDir, '0', '1']);
}

(async () => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zarvox-web-'));
  const server = await Serve(site);
  const browser = await Launch();
  try {
    await Dialog(browser, server.url);
    await WithoutData(browser);
    await Frames(browser, server.url, work);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
  }
  process.exit(failures ? 1 : 0);
})().catch((e) => {
  console.error('FAIL: ' + (e.stack || e));
  process.exit(1);
});
