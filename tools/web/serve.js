// SPDX-License-Identifier: MIT
// A static web server for the browser build's site, as any web host serves
// it: plain files, no special headers. `node serve.js FOLDER [PORT]` serves
// FOLDER on localhost (port 8000 by default); the tests take Serve().
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.dat': 'application/octet-stream',
  '.json': 'application/json',
};

// Serves `folder` on `port` of `host` (0: a free one); resolves to {url, close()}.
// A name outside the folder, or one that is not a regular file, is a 404.
function Serve(folder, port = 0, host = '127.0.0.1') {
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
    server.listen(port, host, () =>
      resolve({url: `http://${host}:${server.address().port}/`, close: () => server.close()}));
  });
}

module.exports = {Serve};

if (require.main === module) {
  const [folder, port] = process.argv.slice(2);
  if (!folder || !fs.existsSync(folder)) {
    console.error('usage: serve.js FOLDER [PORT]   (FOLDER: the site, e.g. build-web/site)');
    process.exit(2);
  }
  Serve(folder, Number(port || 8000), 'localhost').then(({url}) => console.log('serving ' + folder + ' at ' + url),
    (error) => {
      console.error('serve.js: ' + error.message);
      process.exit(1);
    });
}
