// SPDX-License-Identifier: MIT
// The setup dialog's view in the page: one absolutely placed element per
// template control, at its rectangle in pixels; what the viewer does comes
// back to the C++ dialog as events, which it answers as Win32 would.
mergeInto(LibraryManager.library, {
  // The dialog font's base units: the 52 letters' average width, the line height.
  zarvox_dialog_measure_font: function(family, pixels, x, y) {
    const context = document.createElement('canvas').getContext('2d');
    context.font = pixels + 'px "' + UTF8ToString(family) + '", sans-serif';
    const letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz';
    const metrics = context.measureText(letters);
    HEAP32[x >> 2] = Math.round(metrics.width / 52);
    const height = (metrics.fontBoundingBoxAscent || pixels) + (metrics.fontBoundingBoxDescent || pixels / 4);
    HEAP32[y >> 2] = Math.round(height);
  },
  zarvox_dialog_open__deps: ['$ZarvoxPage'],
  zarvox_dialog_open: function(title, family, pixels, width, height) {
    const dialog = document.createElement('div');
    dialog.id = 'zarvox-dialog';
    dialog.setAttribute('role', 'dialog');
    dialog.setAttribute('aria-label', UTF8ToString(title) || 'zarvox');
    dialog.style.width = width + 'px';
    dialog.style.height = height + 'px';
    dialog.style.font = pixels + 'px "' + UTF8ToString(family) + '", sans-serif';
    ZarvoxPage.dialog = dialog;
    ZarvoxPage.dialogEvents = [];
    ZarvoxPage.Stage().append(dialog);
  },
  // kind: 1 push button, 2 radio, 3 check box, 4 group box, 5 text, 6 list.
  zarvox_dialog_control__deps: ['$ZarvoxPage'],
  zarvox_dialog_control: function(kind, id, text, left, top, width, height, isDefault) {
    const label = UTF8ToString(text).replace(/&(.)/g, '$1');
    let element;
    if (kind == 1) {
      element = document.createElement('button');
      element.textContent = label;
      if (isDefault) element.classList.add('zarvox-default');
      element.onclick = () => ZarvoxPage.DialogEvent(3, id, 0);
    } else if (kind == 2 || kind == 3) {
      element = document.createElement('label');
      const input = document.createElement('input');
      input.type = kind == 2 ? 'radio' : 'checkbox';
      // The browser checks the box itself; the dialog's state then says
      // which of a group stay checked (the radios here have no name).
      input.onclick = () => ZarvoxPage.DialogEvent(3, id, 0);
      element.append(input, document.createTextNode(label));
    } else if (kind == 4) {
      element = document.createElement('fieldset');
      const legend = document.createElement('legend');
      legend.textContent = label;
      element.append(legend);
    } else if (kind == 6) {
      element = document.createElement('select');
      element.onchange = () => ZarvoxPage.DialogEvent(4, id, element.selectedIndex);
    } else {
      element = document.createElement('span');
      element.textContent = label;
    }
    element.classList.add('zarvox-control');
    element.dataset.id = id;
    element.style.left = left + 'px';
    element.style.top = top + 'px';
    element.style.width = width + 'px';
    if (kind != 6) element.style.height = height + 'px';
    ZarvoxPage.dialog.append(element);
  },
  zarvox_dialog_add_item__deps: ['$ZarvoxPage'],
  zarvox_dialog_add_item: function(id, text) {
    const list = ZarvoxPage.dialog && ZarvoxPage.dialog.querySelector('select[data-id="' + id + '"]');
    if (list) list.append(new Option(UTF8ToString(text)));
  },
  zarvox_dialog_set_selection__deps: ['$ZarvoxPage'],
  zarvox_dialog_set_selection: function(id, index) {
    const list = ZarvoxPage.dialog && ZarvoxPage.dialog.querySelector('select[data-id="' + id + '"]');
    if (list) list.selectedIndex = index;
  },
  zarvox_dialog_set_check__deps: ['$ZarvoxPage'],
  zarvox_dialog_set_check: function(id, on) {
    const box = ZarvoxPage.dialog && ZarvoxPage.dialog.querySelector('[data-id="' + id + '"] input');
    if (box) box.checked = !!on;
  },
  zarvox_dialog_move__deps: ['$ZarvoxPage'],
  // The page centres the dialog in its own view (the program centres it on
  // the screen, which a page does not fill); `shown` makes it visible.
  zarvox_dialog_move: function(left, top, shown) {
    const dialog = ZarvoxPage.dialog;
    if (dialog && shown) dialog.style.visibility = 'visible';
  },
  // The next event: 1 Enter, 2 Escape, 3 a click on control *id, 4 list *id
  // set to entry *value. Waits for one.
  zarvox_dialog_next_event__deps: ['$ZarvoxPage'],
  zarvox_dialog_next_event: function(id, value) {
    return Asyncify.handleSleep((wake) => {
      const take = () => {
        const event = ZarvoxPage.dialogEvents.shift();
        HEAP32[id >> 2] = event[1];
        HEAP32[value >> 2] = event[2];
        wake(event[0]);
      };
      if (ZarvoxPage.dialogEvents.length) take();
      else ZarvoxPage.dialogWake = take;
    });
  },
  zarvox_dialog_close__deps: ['$ZarvoxPage'],
  zarvox_dialog_close: function() {
    if (ZarvoxPage.dialog) ZarvoxPage.dialog.remove();
    ZarvoxPage.dialog = null;
  },
});
