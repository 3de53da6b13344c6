// SPDX-License-Identifier: MIT
// Makes the README's picture of the page: the setup dialog in headless
// Chromium, as a viewer first sees the site.
// Usage: node docs/make-web-shot.js SITE [OUT]   (OUT: docs/effects/web-page.png)
'use strict';
const path = require('path');
const {Serve, Launch} = require('../tests/web/browser.js');

const [site, out = path.join(__dirname, 'effects', 'web-page.png')] = process.argv.slice(2);
if (!site) {
  console.error('usage: make-web-shot.js SITE [OUT]');
  process.exit(2);
}
(async () => {
  const server = await Serve(site);
  const browser = await Launch();
  const page = await browser.newPage();
  await page.setViewport({width: 800, height: 480});
  await page.goto(server.url);
  await page.waitForSelector('#zarvox-dialog', {visible: true, timeout: 60000});
  await page.screenshot({path: out});
  await browser.close();
  server.close();
  console.log(out + ': the page with its setup dialog');
})().catch((e) => {
  console.error('make-web-shot: ' + (e.stack || e));
  process.exit(1);
});
