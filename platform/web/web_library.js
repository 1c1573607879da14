// The page's side of the web backend: canvases as windows, fitted to the page, dialogs as
// message boxes, on-screen controls as keys, the page's full screen as the display switch, and
// the waits that hand control back to the browser (Asyncify unwinds the program there and
// resumes it when the answer has come).
mergeInto(LibraryManager.library, {
  $quorvane: {
    nextCanvas: 1,
    woken: false,
    waiter: null,
    frames: 0,
    // The element that holds the canvases and goes full screen (the canvas inside it may be
    // replaced while the page stays in full screen).
    screen: function() {
      var screen = document.getElementById('quorvane-screen');
      if (!screen) {
        screen = document.createElement('div');
        screen.id = 'quorvane-screen';
        document.body.appendChild(screen);
      }
      return screen;
    },
    canvas: function(n) { return document.getElementById('quorvane-canvas-' + n); },
    // The room the picture has: the page less its other lines (not the boxes, which lie over
    // it), a margin and, on a touch screen, the pads of controls (beside the picture in
    // landscape, below it in portrait).
    room: function() {
      var margin = 8, gap = 12;
      // The page's padding keeps it clear of a phone's notch and home bar (the safe area).
      var style = getComputedStyle(document.body);
      var px = function(side) { return parseFloat(style['padding' + side]) || 0; };
      var width = document.documentElement.clientWidth - px('Left') - px('Right') - 2 * margin;
      var height = window.innerHeight - px('Top') - px('Bottom') - 2 * margin;
      var screen = quorvane.screen();
      for (var line = document.body.firstElementChild; line; line = line.nextElementSibling)
        if (line !== screen && line.tagName != 'DIALOG' && line.offsetHeight)
          height -= line.offsetHeight + gap;
      var pad = document.getElementById('quorvane-light');
      if (pad && pad.offsetWidth) {
        if (window.matchMedia('(orientation: landscape)').matches)
          width -= 2 * (pad.offsetWidth + gap);
        else
          height -= pad.offsetHeight + gap;
      }
      return {width: Math.max(1, width), height: Math.max(1, height)};
    },
    // Sizes a window's canvas for the page: its own size where there is room, smaller in the
    // same proportions where there is not; the drawing buffer has the screen's own pixels, so a
    // high-DPI screen shows it sharp. A full-screen window keeps its own size, which the page
    // scales to the screen. True when the drawing buffer changed.
    fit: function(canvas) {
      var width = Number(canvas.dataset.width), height = Number(canvas.dataset.height);
      var cssWidth = width, cssHeight = height;
      if (!(canvas.classList.contains('popup') && quorvane.fullscreenElement())) {
        var room = quorvane.room();
        var scale = Math.min(1, room.width / width, room.height / height);
        cssWidth = Math.max(1, Math.floor(width * scale));
        cssHeight = Math.max(1, Math.floor(height * scale));
        canvas.style.width = cssWidth + 'px';
        canvas.style.height = cssHeight + 'px';
      }
      var ratio = window.devicePixelRatio || 1;
      var pixelWidth = Math.min(0x7FFF, Math.max(1, Math.round(cssWidth * ratio)));
      var pixelHeight = Math.min(0x7FFF, Math.max(1, Math.round(cssHeight * ratio)));
      if (canvas.width == pixelWidth && canvas.height == pixelHeight) return false;
      canvas.width = pixelWidth;
      canvas.height = pixelHeight;
      return true;
    },
    // Full screen as every engine names it: Safari before 16.4, and on an iPad, has only the
    // prefixed names, whose request returns nothing and answers with events; an iPhone has no
    // full screen for the page at all.
    fullscreen: false,  // the screen element is in full screen at the program's request
    fullscreenElement: function() {
      return document.fullscreenElement || document.webkitFullscreenElement || null;
    },
    enterFullscreen: function(element) {
      var request = element.requestFullscreen || element.webkitRequestFullscreen;
      if (!request) return Promise.reject(new Error('no full screen here'));
      return new Promise(function(resolve, reject) {
        var events = {fullscreenchange: changed, webkitfullscreenchange: changed,
                      fullscreenerror: failed, webkitfullscreenerror: failed};
        function listen(on) {
          Object.keys(events).forEach(function(type) {
            if (on) document.addEventListener(type, events[type]);
            else document.removeEventListener(type, events[type]);
          });
        }
        function changed() {
          if (quorvane.fullscreenElement() !== element) return;
          listen(false);
          resolve();
        }
        function failed() {
          listen(false);
          reject(new Error('full screen refused'));
        }
        listen(true);
        var answer = request.call(element);
        if (answer && answer.then) answer.then(changed, failed);
      });
    },
    exitFullscreen: function() {
      var exit = document.exitFullscreen || document.webkitExitFullscreen;
      var answer = exit ? exit.call(document) : null;
      return answer && answer.then ? answer : Promise.resolve();
    },
    // The page's gamepads that report the standard layout (the others' controls could be
    // anywhere), as they are now; none where the browser has no Gamepad API.
    gamepads: function() {
      var pads = navigator.getGamepads ? navigator.getGamepads() : [];
      return Array.prototype.filter.call(pads || [], function(pad) {
        return pad && pad.connected && pad.mapping == 'standard';
      });
    },
    // A standard pad's buttons as the program's GamepadButton bits (gamepad_keys.h).
    padButtons: function(pad) {
      // Standard button number for each bit: A, B, X, Y, Back, Start, left and right
      // shoulders, d-pad up, down, left, right.
      var order = [0, 1, 2, 3, 8, 9, 4, 5, 12, 13, 14, 15];
      var bits = 0;
      order.forEach(function(number, bit) {
        var button = pad.buttons[number];
        if (button && (button.pressed || button.value > 0.5)) bits |= 1 << bit;
      });
      return bits;
    },
    // A dialog's answers from the pads: A for its first button (Yes, OK), B for its last (No,
    // or OK). A button already held as the dialog opens counts once it has been let go.
    watchPads: function(dialog, answer, first, last) {
      var held = {};
      var pads = {A: 1, B: 2};
      (function look() {
        if (!dialog.isConnected) return;
        var now = 0;
        quorvane.gamepads().forEach(function(pad) { now |= quorvane.padButtons(pad); });
        dialog.dataset.pads = now;  // what it last saw, for the tests
        for (var name in pads) {
          var down = (now & pads[name]) != 0;
          if (down && held[name] === false) return answer(name == 'A' ? first : last);
          held[name] = down;
        }
        requestAnimationFrame(look);
      })();
    },
    // A modal dialog: caption, text with its line breaks, and Yes/No or OK. Resolves with the
    // answer's number (6 Yes, 7 No, 1 OK).
    box: function(text, caption, question, warning) {
      return new Promise(function(resolve) {
        var dialog = document.createElement('dialog');
        dialog.className = 'quorvane-box' + (warning ? ' warning' : question ? ' question' : '');
        var heading = document.createElement('h2');
        heading.className = 'caption';
        heading.textContent = caption;
        var body = document.createElement('p');
        body.className = 'text';
        body.style.whiteSpace = 'pre-wrap';
        body.textContent = text;
        var buttons = document.createElement('div');
        buttons.className = 'buttons';
        dialog.append(heading, body, buttons);
        var finished = false;
        function answer(value) {
          if (finished) return;
          finished = true;
          dialog.close();
          dialog.remove();
          resolve(value);
        }
        var labels = question ? [['Yes', 6], ['No', 7]] : [['OK', 1]];
        labels.forEach(function(label, i) {
          var button = document.createElement('button');
          button.type = 'button';
          button.textContent = label[0];
          button.value = String(label[1]);
          if (i == 0) button.autofocus = true;
          button.addEventListener('click', function() { answer(label[1]); });
          buttons.appendChild(button);
        });
        // Escape closes the box as No (or OK); Y and N answer a question as on the desktop.
        dialog.addEventListener('cancel', function(e) { e.preventDefault(); answer(question ? 7 : 1); });
        dialog.addEventListener('keydown', function(e) {
          var key = e.key.toLowerCase();
          if (question && (key == 'y' || key == 'n')) {
            e.preventDefault();
            answer(key == 'y' ? 6 : 7);
          }
        });
        document.body.appendChild(dialog);
        dialog.showModal();
        buttons.firstChild.focus();
        quorvane.watchPads(dialog, answer, labels[0][1], labels[labels.length - 1][1]);
      });
    },
    // An on-screen control's button: held while a pointer presses it inside, tapped on a
    // click (a keyboard's, or a release for controls marked data-tap).
    wireControl: function(button, controls) {
      var vk = Number(button.dataset.vk);
      var onRelease = button.hasAttribute('data-tap');
      button.addEventListener('pointerdown', function(e) {
        if (e.pointerType == 'mouse' && e.button != 0) return;
        e.preventDefault();  // no text selection, no emulated mouse events
        if (onRelease || controls.byPointer[e.pointerId]) return;
        controls.byPointer[e.pointerId] = [button, vk];
        controls.press(button, vk);
      });
      // A touch stays captured by its control, so leaving the control shows in its moves.
      button.addEventListener('pointermove', function(e) {
        var box = button.getBoundingClientRect();
        if (e.clientX < box.left || e.clientX >= box.right || e.clientY < box.top ||
            e.clientY >= box.bottom)
          controls.letGo(e.pointerId, button);
      });
      ['pointerup', 'pointercancel', 'pointerleave', 'lostpointercapture'].forEach(function(type) {
        button.addEventListener(type, function(e) { controls.letGo(e.pointerId, button); });
      });
      button.addEventListener('click', function(e) {
        if (onRelease || e.detail == 0) controls.tap(button, vk);
      });
      button.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    },
    // What the page as a whole does to the controls: full screen left by the browser, pinches,
    // and the focus or the page going away, which lets every control go.
    watchPage: function(controls) {
      // Full screen left by the browser's own means (its Escape, a swipe, its button) is F1, as
      // its control: the program makes its window again in the page.
      var f1 = document.querySelector('button[data-vk="112"]') || document.createElement('button');
      ['fullscreenchange', 'webkitfullscreenchange'].forEach(function(type) {
        document.addEventListener(type, function() {
          if (!quorvane.fullscreen || quorvane.fullscreenElement()) return;
          quorvane.fullscreen = false;
          controls.tap(f1, 112);
        });
      });
      // A pinch zooms the page on iOS whatever its viewport asks: its gesture events are the
      // demo's while it runs.
      ['gesturestart', 'gesturechange', 'gestureend'].forEach(function(type) {
        document.addEventListener(type, function(e) {
          if (!document.body.dataset.exitStatus) e.preventDefault();
        }, {passive: false});
      });
      window.addEventListener('blur', controls.letGoOfAll);
      window.addEventListener('pagehide', controls.letGoOfAll);
      document.addEventListener('visibilitychange', function() {
        if (document.hidden) controls.letGoOfAll();
      });
    },
  },

  web_canvas_create__deps: ['$quorvane'],
  web_canvas_create: function(cssWidth, cssHeight, popup, background) {
    var n = quorvane.nextCanvas++;
    var canvas = document.createElement('canvas');
    canvas.id = 'quorvane-canvas-' + n;
    canvas.className = 'quorvane-window' + (popup ? ' popup' : '');
    canvas.dataset.width = String(cssWidth);
    canvas.dataset.height = String(cssHeight);
    canvas.style.display = 'none';
    // The class background: the system's application-workspace grey.
    if (background == 12) canvas.style.backgroundColor = '#ababab';
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    quorvane.screen().appendChild(canvas);
    quorvane.fit(canvas);
    return n;
  },

  // 1 when the page's new size gave the canvas another drawing buffer.
  web_canvas_fit__deps: ['$quorvane'],
  web_canvas_fit: function(n) {
    var canvas = quorvane.canvas(n);
    return canvas && quorvane.fit(canvas) ? 1 : 0;
  },

  web_canvas_show__deps: ['$quorvane'],
  web_canvas_show: function(n) {
    var canvas = quorvane.canvas(n);
    if (canvas) canvas.style.display = 'block';
  },

  // A restored context's canvas is laid out again. Firefox shows nothing of a canvas whose
  // context was lost before it showed its first frame (lost as it was made), however much is
  // drawn after the restore, until the canvas is laid out anew; no frame is painted in between.
  web_canvas_restored__deps: ['$quorvane'],
  web_canvas_restored: function(n) {
    var canvas = quorvane.canvas(n);
    if (!canvas || canvas.style.display == 'none') return;
    canvas.style.display = 'none';
    void canvas.offsetWidth;
    canvas.style.display = 'block';
  },

  web_canvas_destroy__deps: ['$quorvane'],
  web_canvas_destroy: function(n) {
    var canvas = quorvane.canvas(n);
    if (canvas) canvas.remove();
  },

  web_canvas_pixel_size__deps: ['$quorvane'],
  web_canvas_pixel_size: function(n, width, height) {
    var canvas = quorvane.canvas(n);
    HEAP32[width >> 2] = canvas ? canvas.width : 0;
    HEAP32[height >> 2] = canvas ? canvas.height : 0;
  },

  // The on-screen controls, buttons whose data-vk names the key they stand for: holding one is
  // holding its key. Each finger (pointer) holds the control it went down on until it is lifted,
  // cancelled, or slides off the control; two fingers on one control hold its key once. A
  // control marked data-tap (full screen) acts when released, as browsers count a touch as the
  // gesture that may start full screen only then; so does any control clicked without a pointer
  // (from the keyboard or a screen reader). A hidden page lets go of every control.
  web_controls_start__deps: ['$quorvane'],
  web_controls_start: function() {
    var controls = {
      byPointer: {},  // pointer id: [button, key]
      holders: {},    // key: how many pointers and taps hold it
      press: function(button, vk) {
        controls.holders[vk] = (controls.holders[vk] || 0) + 1;
        button.classList.add('held');
        if (controls.holders[vk] == 1) _web_control_key(vk, 1);
      },
      release: function(button, vk) {
        if (!controls.holders[vk]) return;
        if (--controls.holders[vk] > 0) return;
        button.classList.remove('held');
        _web_control_key(vk, 0);
      },
      letGo: function(pointer, button) {
        var held = controls.byPointer[pointer];
        if (!held || (button && held[0] !== button)) return;
        delete controls.byPointer[pointer];
        controls.release(held[0], held[1]);
      },
      // Down now, up once the program has drawn a frame with it (or a second later, when no
      // frame comes, as under a box).
      tap: function(button, vk) {
        controls.press(button, vk);
        var frame = quorvane.frames, since = Date.now();
        (function wait() {
          if (quorvane.frames > frame || Date.now() - since > 1000) controls.release(button, vk);
          else setTimeout(wait, 15);
        })();
      },
      letGoOfAll: function() {
        Object.keys(controls.byPointer).forEach(function(p) { controls.letGo(p); });
      },
    };
    document.querySelectorAll('button[data-vk]').forEach(function(button) {
      quorvane.wireControl(button, controls);
    });
    quorvane.watchPage(controls);
  },

  web_set_cursor_visible__deps: ['$quorvane'],
  web_set_cursor_visible: function(visible) {
    quorvane.screen().style.cursor = visible ? 'default' : 'none';
  },

  web_gamepads_read__deps: ['$quorvane'],
  web_gamepads_read: function(values, maxPads) {
    var pads = quorvane.gamepads().slice(0, maxPads);
    pads.forEach(function(pad, i) {
      var trigger = function(n) { var b = pad.buttons[n]; return b ? b.value : 0; };
      var axis = function(n) { var a = pad.axes[n]; return typeof a == 'number' ? a : 0; };
      var record = [axis(0), axis(1), axis(2), axis(3), trigger(6), trigger(7),
                    quorvane.padButtons(pad)];
      HEAPF32.set(record, (values >> 2) + i * record.length);
    });
    return pads.length;
  },

  web_page_has_focus: function() { return document.hasFocus() ? 1 : 0; },
  web_page_hidden: function() { return document.hidden ? 1 : 0; },

  web_wake__deps: ['$quorvane'],
  web_wake: function() {
    quorvane.woken = true;
    var waiter = quorvane.waiter;
    quorvane.waiter = null;
    // The program posts from its own event callbacks: it is resumed once they have returned,
    // never inside them (a resume nested in another call into the program breaks it).
    if (waiter) Promise.resolve().then(waiter);
  },

  web_wait_event__deps: ['$quorvane'],
  web_wait_event: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      if (quorvane.woken) {
        quorvane.woken = false;
        setTimeout(wakeUp, 0);
        return;
      }
      quorvane.waiter = function() { quorvane.woken = false; wakeUp(); };
    });
  },

  // The frame is shown when control goes back to the browser; resume with its next frame. A
  // hidden page has none, so a frame cannot run until the page is seen again.
  web_present__deps: ['$quorvane'],
  web_present: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      quorvane.frames++;
      window.quorvaneFrames = quorvane.frames;
      requestAnimationFrame(function() { wakeUp(); });
    });
  },

  web_show_box__deps: ['$quorvane'],
  web_show_box: function(text, caption, question, warning) {
    text = UTF8ToString(text);
    caption = UTF8ToString(caption);
    return Asyncify.handleSleep(function(wakeUp) {
      if (typeof HTMLDialogElement == 'undefined') {
        wakeUp(-1);
        return;
      }
      quorvane.box(text, caption, question, warning).then(wakeUp, function() { wakeUp(-1); });
    });
  },

  // Enters or leaves the page's full screen; 1 when the page is (or is no longer) in it. The
  // browser only allows entering shortly after the user clicked or pressed a key.
  web_fullscreen__deps: ['$quorvane'],
  web_fullscreen: function(enter) {
    return Asyncify.handleSleep(function(wakeUp) {
      var screen = quorvane.screen();
      var done = function() { wakeUp(1); };
      var refused = function() { wakeUp(0); };
      try {
        if (enter) {
          if (quorvane.fullscreenElement() === screen) {
            quorvane.fullscreen = true;
            return done();
          }
          quorvane.enterFullscreen(screen).then(function() {
            quorvane.fullscreen = true;
            done();
          }, refused);
        } else {
          quorvane.fullscreen = false;
          if (!quorvane.fullscreenElement()) return done();
          quorvane.exitFullscreen().then(done, done);
        }
      } catch (e) {
        refused();
      }
    });
  },

  web_program_ended: function(status) {
    document.body.dataset.exitStatus = String(status);
    if (typeof Module.onProgramEnded == 'function') Module.onProgramEnded(status);
  },
});
