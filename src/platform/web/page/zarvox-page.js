// SPDX-License-Identifier: MIT
// Loads the show into the page: the data file fetched with a progress bar and
// put into the program's in-memory file system, then the program started
// with the options of the page's address (?frame-rate=30 is --frame-rate 30);
// at its end, the page says how it ended and offers to play again. The
// script's data-program names another program of the site to run (the
// tests' capture); a page may set window.zarvoxArguments and
// window.zarvoxModule (more of the Module object) before this runs.
'use strict';
(function() {
  const program = document.currentScript.dataset.program || 'zarvox';
  const message = document.getElementById('zarvox-message');
  const progress = document.getElementById('zarvox-progress');
  const again = document.getElementById('zarvox-again');
  const status = document.getElementById('zarvox-status');
  const events = (window.zarvoxEvents = []); // what happened, for whoever watches (tests)
  let dataProblem = '';

  function Say(text) {
    message.textContent = text;
    events.push(text);
  }

  function Arguments() {
    if (window.zarvoxArguments) return window.zarvoxArguments;
    const list = [];
    for (const [name, value] of new URLSearchParams(location.search)) {
      list.push('--' + name);
      if (value !== '') list.push(value);
    }
    return list;
  }

  async function FetchData() {
    const response = await fetch('zarvox.dat', {cache: 'no-store'});
    if (!response.ok) throw new Error('zarvox.dat could not be fetched (HTTP ' + response.status + ')');
    const total = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader();
    const parts = [];
    let received = 0;
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      parts.push(value);
      received += value.length;
      if (total) progress.value = received / total;
    }
    const bytes = new Uint8Array(received);
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return bytes;
  }

  function Ended(code) {
    status.hidden = false;
    progress.hidden = true;
    if (code == 0) Say('The show has ended.');
    else if (dataProblem) Say('The show could not run: ' + dataProblem + '.');
    else Say('The show could not run (status ' + code + ').');
    again.hidden = false;
    again.focus();
    events.push('exit ' + code);
  }
  again.onclick = () => location.reload();

  window.Module = Object.assign({
    canvas: document.getElementById('zarvox-canvas'),
    print: (text) => console.log(text),
    printErr: (text) => console.error(text),
    onExit: Ended,
    onAbort: (what) => Ended('aborted: ' + what),
    onRuntimeInitialized: function() {
      FetchData().then((bytes) => {
        Module.FS.writeFile('/zarvox.dat', bytes);
        return '';
      }, (error) => error.message).then((problem) => {
        dataProblem = problem;
        if (problem) events.push(problem);
        status.hidden = true;
        Module.callMain(Arguments());
      });
    },
  }, window.zarvoxModule || {});
  const script = document.createElement('script');
  script.src = program + '.js';
  script.onerror = () => Say(program + '.js could not be loaded.');
  document.body.append(script);
})();
