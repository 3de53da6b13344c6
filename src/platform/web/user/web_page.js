// SPDX-License-Identifier: MIT
// The page's side of the browser back end: the canvas the show's window draws
// on, keys, the frame clock (requestAnimationFrame), message boxes, full
// screen and the setup dialog's view. The C++ side waits on the promises here
// through ASYNCIFY, so the show's own loops run unchanged.
mergeInto(LibraryManager.library, {
  $ZarvoxPage__postset: 'ZarvoxPage.Init();',
  $ZarvoxPage: {
    keys: [],         // [down, code] pairs not yet taken by the message queue
    dialogEvents: [], // what the viewer did in the dialog, oldest first
    dialogWake: null, // resumes a dialog waiting for an event
    Init: function() {
      if (typeof document == 'undefined')
        return;
      const page = ZarvoxPage;
      const take = (down) => (event) => {
        if (page.modal) return; // a box takes its keys itself
        if (page.dialog) {
          if (down && (event.key == 'Enter' || event.key == 'Escape')) {
            event.preventDefault();
            page.DialogEvent(event.key == 'Enter' ? 1 : 2, 0, 0);
          }
          return;
        }
        page.keys.push([down ? 1 : 0, event.code, event.repeat ? 1 : 0]);
        event.preventDefault();
      };
      window.addEventListener('keydown', take(true));
      window.addEventListener('keyup', take(false));
    },
    Canvas: function() {
      return document.getElementById('zarvox-canvas');
    },
    Stage: function() {
      return document.getElementById('zarvox-stage') || document.body;
    },
    DialogEvent: function(kind, id, value) {
      ZarvoxPage.dialogEvents.push([kind, id, value]);
      const wake = ZarvoxPage.dialogWake;
      ZarvoxPage.dialogWake = null;
      if (wake) wake();
    },
  },

  // The canvas's drawing buffer and its size on the page.
  zarvox_page_show_canvas__deps: ['$ZarvoxPage'],
  zarvox_page_show_canvas: function(width, height, title) {
    const canvas = ZarvoxPage.Canvas();
    canvas.width = width;
    canvas.height = height;
    canvas.style.display = 'block';
    canvas.focus();
    document.title = UTF8ToString(title) || document.title;
  },
  zarvox_page_hide_canvas__deps: ['$ZarvoxPage'],
  zarvox_page_hide_canvas: function() {
    const canvas = ZarvoxPage.Canvas();
    if (canvas) canvas.style.display = 'none';
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  },
  zarvox_page_screen_size__deps: ['$ZarvoxPage'],
  zarvox_page_screen_size: function(width, height) {
    HEAP32[width >> 2] = window.screen.width;
    HEAP32[height >> 2] = window.screen.height;
  },

  // The next key event: 1 with *down, *code (the key's KeyboardEvent.code,
  // copied into `code` of `size` bytes) and *repeat; 0 when none is waiting.
  zarvox_page_next_key__deps: ['$ZarvoxPage'],
  zarvox_page_next_key: function(down, code, size, repeat) {
    const key = ZarvoxPage.keys.shift();
    if (!key) return 0;
    HEAP32[down >> 2] = key[0];
    stringToUTF8(key[1], code, size);
    HEAP32[repeat >> 2] = key[2];
    return 1;
  },

  // The program's end, with its status, for the page (Module.onExit). A main()
  // that waited for the browser returns to it, not to the runtime's exit.
  zarvox_page_exit: function(status) {
    if (Module['onExit']) Module['onExit'](status);
  },

  // Waits for the browser's next frame; the page draws what GL made since.
  zarvox_page_wait_frame: function() {
    return Asyncify.handleSleep((wake) => requestAnimationFrame(() => wake(0)));
  },
  // Waits `ms` milliseconds (at least one turn of the browser's loop).
  zarvox_page_sleep: function(ms) {
    return Asyncify.handleSleep((wake) => setTimeout(() => wake(0), ms));
  },

  // Full screen on the canvas; 1 where the browser allows it.
  zarvox_page_fullscreen__deps: ['$ZarvoxPage'],
  zarvox_page_fullscreen: function(on) {
    return Asyncify.handleSleep((wake) => {
      if (!on) {
        if (!document.fullscreenElement) return wake(1);
        document.exitFullscreen().then(() => wake(1), () => wake(0));
        return;
      }
      const canvas = ZarvoxPage.Canvas();
      if (!canvas.requestFullscreen) return wake(0);
      canvas.requestFullscreen().then(() => wake(1), () => wake(0));
    });
  },

  // A modal box over the page, with Win32's buttons for `type`; resolves to
  // the id of the button pressed (Enter: the first, Escape: the cancelling one).
  zarvox_page_message_box__deps: ['$ZarvoxPage'],
  zarvox_page_message_box: function(text, caption, type) {
    return Asyncify.handleSleep((wake) => {
      const sets = {0: [['OK', 1]], 1: [['OK', 1], ['Cancel', 2]], 3: [['Yes', 6], ['No', 7], ['Cancel', 2]],
                    4: [['Yes', 6], ['No', 7]], 5: [['Retry', 4], ['Cancel', 2]]};
      const buttons = sets[type & 15] || sets[0];
      const cancel = buttons.find((b) => b[1] == 2) || buttons[buttons.length == 1 ? 0 : 1];
      const box = document.createElement('div');
      box.className = 'zarvox-box';
      box.setAttribute('role', 'alertdialog');
      const title = document.createElement('div');
      title.className = 'zarvox-box-title';
      title.textContent = UTF8ToString(caption);
      const body = document.createElement('div');
      body.className = 'zarvox-box-text';
      body.textContent = UTF8ToString(text);
      const row = document.createElement('div');
      row.className = 'zarvox-box-buttons';
      box.append(title, body, row);
      const finish = (id) => {
        window.removeEventListener('keydown', onKey, true);
        box.remove();
        ZarvoxPage.modal = null;
        wake(id);
      };
      const onKey = (event) => {
        if (event.key == 'Enter') finish(buttons[0][1]);
        else if (event.key == 'Escape') finish(cancel[1]);
        else return;
        event.preventDefault();
        event.stopPropagation();
      };
      // (no destructuring in a for-of: emscripten's optimiser drops it)
      for (const pair of buttons) {
        const label = pair[0], id = pair[1];
        const button = document.createElement('button');
        button.textContent = label;
        button.dataset.id = id;
        button.onclick = () => finish(id);
        row.append(button);
      }
      ZarvoxPage.modal = box;
      window.addEventListener('keydown', onKey, true);
      document.body.append(box);
      const page = Module['onMessageBox'];
      if (page) page(title.textContent, body.textContent);
    });
  },
});
