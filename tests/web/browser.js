// SPDX-License-Identifier: MIT
// The test kit's browser side: the site's static server (tools/web/serve.js)
// and headless Chromium with SwiftShader's WebGL, driven by puppeteer-core.
'use strict';
const puppeteer = require('puppeteer-core');
const {Serve} = require('../../tools/web/serve.js');

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
  page.on('pageerror', (e) => process.stderr.write(prefix + 'error: ' + e.message + '\n' + (e.stack || '') + '\n'));
}

module.exports = {Serve, Launch, Echo};
