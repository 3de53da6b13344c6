// SPDX-License-Identifier: MIT
// The test kit's browser side: a static file server for a folder (as any web
// host serves the site: no special headers) and headless Chromium with
// SwiftShader's WebGL, driven by puppeteer-core.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.dat': 'application/octet-stream',
  '.json': 'application/json',
};

// Serves `folder` on a free port of 127.0.0.1; resolves to {url, close()}.
// A name outside the folder, or one that is not a regular file, is a 404.
function Serve(folder) {
  const root = fs.realpathSync(folder);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    let stat = null;
    try {
      stat = file.startsWith(root + path.sep) ? fs.statSync(file) : null;
    } catch (e) {}
    if (!stat || !stat.isFile()) {
      response.writeHead(404, {'Content-Type': 'text/plain'});
      response.end('not found\n');
      return;
    }
    response.writeHead(200, {
      'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
      'Content-Length': stat.size,
      'Cache-Control': 'no-store',
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () =>
      resolve({url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()}));
  });
}

// Headless Chromium, WebGL on SwiftShader. CHROMIUM names another binary.
function Launch(extraArgs = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [
      '--no-sandbox', // tests run as root in CI containers
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--autoplay-policy=no-user-gesture-required',
      '--no-first-run',
      ...extraArgs,
    ],
  });
}

// Where a test's page prints a line, the test sees it (console and errors).
function Echo(page, prefix = 'page: ') {
  page.on('console', (m) => process.stderr.write(prefix + m.text() + '\n'));
  page.on('pageerror', (e) => process.stderr.write(prefix + 'error: ' + e.message + '\n'));
}

module.exports = {Serve, Launch, Echo};
