// The page around the program (--js-library): its input listeners, which are the only way input
// reaches the GLUT layer (touch controls too dispatch ordinary DOM events to the canvas); the
// gamepad, polled once per animation frame; the frame loop and its clock; the title; downloads;
// what screen readers are told; and the end of the program. Drawing is web/js/gl.js's, sound
// web/js/sound.js's, the status line and failures web/js/loader.js's.
//
// Keys follow the program's binding table (src/input/Bindings.h), read from the module at start:
// the six hand keys by their place (event.code: the key at QWERTY's W drives forward on every
// layout, as AZERTY's Z), every other key by its character. The browser keeps its own keys: only
// keys the program binds have their default prevented, and none while Ctrl, Alt or Meta is held.
// When the page loses focus or is hidden, every key and button the program saw pressed gets its
// release at once, as if let go then.
//
// For assistive technology the canvas is described by the key list (#keys), written from the
// same table, and the menu, camera and music changes are announced in a polite live region
// (#announce). With prefers-reduced-motion the program is asked for no head sweep and no fly-by.
//
// Test mode (?test in the page address, used by the browser tests): frames are drawn only as far
// as window.robotscene.allow() lets them, the clock moves a fixed step per animation frame (or as
// robotscene.pace() says), and window.robotscene reports what the page did, so a test can bring
// the page to a given frame exactly. ?bench gives the same report on the browser's own clock,
// without holding frames back (web/tools/bench.py).

mergeInto(LibraryManager.library, {
  $RS__deps: ['$Gfx', '$Sound'],
  $RS: {
    test: null, hooks: false, allowed: 0, drawn: 0, events: 0, ended: false, sized: false,
    mouse: [0, 0], buttons: 0, held: {}, firstFrame: 0, tickTimes: [], downloads: [],
    bindings: [], padSeen: false, announced: -1,
    time: 0, step: 16, steps: [], stepsDone: null, // test clock: ms, ms per animation frame
    // GLUT's special keys by DOM key (F1 to F12 are 1 to 12).
    specialKeys: { ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105,
                   Home: 106, End: 107, Insert: 108 },

    // The binding row a key event stands for, or null: a hand key by its place wherever the
    // event gives one, any other key by its character, an arrow as its special key. F11 is left
    // to the browser.
    rowOf: function (e) {
      var key = e.key.length === 1 ? e.key.toLowerCase() : e.key;
      for (var i = 0; i < RS.bindings.length; i++) {
        var row = RS.bindings[i];
        if (row.byPlace && e.code ? row.code === e.code : row.key === key) return row;
        if (row.special && row.special === RS.specialKeys[e.key]) return row;
      }
      return null;
    },

    // A hand key's letter at another place (QWERTY's Z): no key of the program's.
    misplaced: function (e) {
      var row = RS.rowOf({ key: e.key, code: '' });
      return !!(e.code && row && row.byPlace && RS.rowOf(e) !== row);
    },

    // The keys the program binds, whose default the page prevents.
    bound: function (e) {
      return RS.rowOf(e) !== null && !(e.ctrlKey || e.altKey || e.metaKey);
    },

    // then() in a task of its own, soon: a message to itself, which the browser does not hold
    // back as it does timers set from timers.
    nextTask: function (then) {
      var channel = new MessageChannel();
      channel.port1.onmessage = function () { channel.port1.close(); then(); };
      channel.port2.postMessage(null);
    },

    testMode: function () {
      if (RS.test === null) RS.test = /[?&]test\b/.test(location.search);
      return RS.test;
    },

    // Every call into the program goes through here, so that the end of the program (exit on
    // Esc, thrown out of the callback) ends the page's loop wherever it happens, and an error
    // stops the loop and the sound before the page reports it.
    call: function (name, args) {
      if (RS.ended) return 0;
      try {
        return Module['_robotscene_' + name].apply(null, args);
      } catch (e) {
        if (e && e.name === 'ExitStatus') { RS.end(); return 0; }
        if (e === 'unwind') return 0;
        RS.halt();
        throw e;
      }
    },

    halt: function () {
      RS.ended = true;
      Sound.end();
    },

    end: function () {
      RS.halt();
      document.getElementById('ended').hidden = false;
      Gfx.canvas.style.visibility = 'hidden';
    },

    position: function (e) {
      var canvas = Gfx.canvas, box = canvas.getBoundingClientRect();
      var x = (e.clientX - box.left) * canvas.width / Math.max(box.width, 1);
      var y = (e.clientY - box.top) * canvas.height / Math.max(box.height, 1);
      RS.mouse = [Math.round(x), Math.round(y)];
      return RS.mouse;
    },

    // The key as GLUT reports it: a character code, or 256 plus a special key's number; a hand
    // key by place as the letter AZERTY has there, the program's own.
    keyCode: function (e) {
      var row = RS.rowOf(e);
      if (row && row.byPlace && e.code && e.key.length === 1) return row.key.charCodeAt(0);
      if (RS.misplaced(e)) return -1;
      var named = { Enter: 13, Escape: 27, Backspace: 8, Tab: 9, Delete: 127 };
      if (e.key in named) return named[e.key];
      if (e.key.length === 1 && e.key.charCodeAt(0) < 256) return e.key.charCodeAt(0);
      if (e.key in RS.specialKeys) return 256 + RS.specialKeys[e.key];
      var f = /^F([1-9]|1[0-2])$/.exec(e.key);
      return f ? 256 + Number(f[1]) : -1;
    },

    send: function (name, args) {
      RS.call(name, args);
      RS.events++;
    },

    keyDown: function (e) {
      if (RS.ended || e.ctrlKey || e.altKey || e.metaKey) return;
      var key = RS.keyCode(e);
      if (key < 0) return;
      if (RS.bound(e)) e.preventDefault();
      Sound.unlock();
      RS.held[e.code || e.key] = key;
      RS.send('key', [key, 1, RS.mouse[0], RS.mouse[1]]);
    },

    // Only a key the program saw pressed is released, with the code it was pressed with.
    keyUp: function (e) {
      var id = e.code || e.key;
      if (RS.ended || !(id in RS.held)) return;
      if (RS.bound(e)) e.preventDefault();
      Sound.unlock();
      RS.letKeyGo(id);
    },

    letKeyGo: function (id) {
      var key = RS.held[id];
      delete RS.held[id];
      RS.send('key', [key, 0, RS.mouse[0], RS.mouse[1]]);
    },

    mouseDown: function (e) {
      Sound.unlock();
      var p = RS.position(e);
      RS.buttons |= 1 << e.button;
      if (e.button <= 2) RS.send('mouse', [e.button, 0, p[0], p[1]]);
      e.preventDefault();
    },

    mouseUp: function (e) {
      Sound.unlock();
      if (RS.buttons & (1 << e.button)) RS.letButtonGo(e.button, RS.position(e));
    },

    letButtonGo: function (button, p) {
      RS.buttons &= ~(1 << button);
      if (button <= 2) RS.send('mouse', [button, 1, p[0], p[1]]);
    },

    // Focus gone or page hidden: what is held is let go now, where the pointer was last seen.
    releaseAll: function () {
      if (RS.ended) return;
      Object.keys(RS.held).forEach(RS.letKeyGo);
      for (var button = 0; RS.buttons; button++) {
        if (RS.buttons & (1 << button)) RS.letButtonGo(button, RS.mouse);
      }
    },

    listen: function () {
      var canvas = Gfx.canvas;
      window.addEventListener('keydown', RS.keyDown);
      window.addEventListener('keyup', RS.keyUp);
      canvas.addEventListener('mousedown', RS.mouseDown);
      window.addEventListener('mouseup', RS.mouseUp);
      window.addEventListener('mousemove', function (e) {
        var p = RS.position(e);
        if (RS.buttons) RS.send('motion', [p[0], p[1]]);
      });
      // One wheel step per event: away from the user (deltaY < 0) is +1, as GLUT's wheel up.
      canvas.addEventListener('wheel', function (e) {
        e.preventDefault();
        if (e.deltaY === 0) return;
        var p = RS.position(e);
        RS.send('wheel', [e.deltaY < 0 ? 1 : -1, p[0], p[1]]);
      }, { passive: false });
      canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
      window.addEventListener('blur', RS.releaseAll);
      document.addEventListener('visibilitychange', function () { if (document.hidden) RS.releaseAll(); });
    },

    // The first gamepad the browser knows, in its standard mapping, handed to the program as a
    // joystick: a bit per button held, the left stick and the right stick across, -1000 to 1000.
    // Once a pad is gone, one last all-released state lets go of what it held.
    pollPad: function () {
      var pads = navigator.getGamepads ? navigator.getGamepads() : [], pad = null;
      for (var i = 0; i < pads.length && !pad; i++) {
        if (pads[i] && pads[i].connected) pad = pads[i];
      }
      if (!pad && !RS.padSeen) return;
      RS.padSeen = !!pad;
      var buttons = 0, axes = pad ? pad.axes : [];
      if (pad) pad.buttons.forEach(function (b, i) { if (b.pressed && i < 32) buttons |= 1 << i; });
      function axis(i) { return Math.round((axes[i] || 0) * 1000); }
      RS.call('joystick', [buttons, axis(0), axis(1), axis(2)]);
    },

    // Each change of the menu, the camera or the music, said once. The menu's state also goes to
    // the page's other parts (the touch note) from the first frame on, whatever changed it.
    announce: function () {
      var state = RS.call('announced_state', []), was = RS.announced, said = [];
      RS.announced = state;
      if (was < 0 || (state ^ was) & 1) {
        window.dispatchEvent(new CustomEvent('robotscene-menu', { detail: !!(state & 1) }));
      }
      if (was < 0 || state === was) return;
      if ((state ^ was) & 1) said.push(state & 1 ? 'Menu shown' : 'Menu hidden');
      if ((state ^ was) & ~3) said.push(['Orbit', 'Chase', 'Tracking'][state >> 2] + ' camera');
      if ((state ^ was) & 2) said.push(state & 2 ? 'Music on' : 'Music off');
      var region = document.getElementById('announce');
      if (region) region.replaceChildren(document.createTextNode(said.join('. ')));
    },

    // The binding table, and the key list that describes the canvas, written from it.
    readBindings: function () {
      RS.bindings = JSON.parse(UTF8ToString(RS.call('bindings', [])));
      var list = document.getElementById('keys');
      if (list) {
        list.replaceChildren.apply(list, RS.bindings.map(function (row) {
          var item = document.createElement('li');
          item.textContent = row.keys + (row.qwerty !== row.keys ? ', on QWERTY and QWERTZ ' + row.qwerty : '') +
                             (row.pad ? ', gamepad ' + row.pad : '') + ': ' + row.does + '.';
          return item;
        }));
      }
      window.dispatchEvent(new CustomEvent('robotscene-bindings', { detail: RS.bindings }));
    },

    // The canvas's drawing buffer made the size it shows at, in device pixels; true when it
    // changed. Resizing a WebGL canvas waits on the browser's graphics, so the context is made
    // at this size (gl.js) and the first resize then changes nothing.
    fit: function (canvas) {
      var ratio = window.devicePixelRatio || 1;
      var width = Math.max(1, Math.round(canvas.clientWidth * ratio));
      var height = Math.max(1, Math.round(canvas.clientHeight * ratio));
      if (width === canvas.width && height === canvas.height) return false;
      canvas.width = width;
      canvas.height = height;
      return true;
    },

    resize: function () {
      var canvas = Gfx.canvas;
      if (!RS.fit(canvas) && RS.sized) return;
      RS.sized = true;
      RS.call('resize', [canvas.width, canvas.height]);
    },

    frame: function () {
      if (RS.ended) return;
      RS.time += RS.steps.length ? RS.steps.shift() : RS.step;
      RS.resize();
      RS.pollPad();
      var start = performance.now();
      if (RS.call('tick', [RS.drawn < RS.allowed && Gfx.ready() ? 1 : 0])) {
        RS.drawn++;
        if (!RS.firstFrame) RS.firstFrame = performance.now();
        RS.tickTimes.push(performance.now() - start);
        if (RS.tickTimes.length > 1000) RS.tickTimes.shift();
      }
      if (!RS.ended) RS.announce();
      if (RS.stepsDone && !RS.steps.length) {
        var done = RS.stepsDone;
        RS.stepsDone = null;
        done();
      }
      if (!RS.ended) requestAnimationFrame(RS.frame);
    },

    // Test mode: the next animation frames move the test clock by these steps (ms), one each.
    run: function (steps) {
      return new Promise(function (done) {
        RS.steps = steps;
        RS.stepsDone = done;
      });
    },

    api: function () {
      return {
        allow: function (frames) { RS.allowed = RS.drawn + frames; },
        bindings: function () { return RS.bindings; },
        state: function () {
          return { drawn: RS.drawn, events: RS.events, ended: RS.ended, title: document.title,
                   cues: Sound.cues.slice(), music: !!Sound.music, musicStarts: Sound.musicStarts,
                   audio: Sound.audio ? Sound.audio.state : 'none', firstFrame: RS.firstFrame,
                   lost: Gfx.lost, downloads: RS.downloads.slice() };
        },
        // Without the gate, after one frame at a standing clock (to draw what was pending):
        // the frames drawn while the clock moves step ms on each of the next frames.
        pace: function (step, frames) {
          RS.allowed = Infinity;
          return RS.run([0]).then(function () {
            var from = RS.drawn;
            return RS.run(new Array(frames).fill(step)).then(function () {
              RS.allowed = RS.drawn;
              return RS.drawn - from;
            });
          });
        },
        // Frames drawn and the median time spent in one frame's call, over the next ms.
        measure: function (ms) {
          var drawn = RS.drawn, start = performance.now();
          RS.tickTimes = [];
          return new Promise(function (done) {
            setTimeout(function () {
              var times = RS.tickTimes.slice().sort(function (a, b) { return a - b; });
              done({ frames: RS.drawn - drawn, ms: performance.now() - start,
                     medianFrameCall: times[Math.floor(times.length / 2)] || 0 });
            }, ms);
          });
        },
        // The canvas as base64 RGBA, bottom row first.
        pixels: function () {
          var canvas = Gfx.canvas, data = Gfx.read(0, 0, canvas.width, canvas.height), text = '';
          for (var i = 0; i < data.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
          }
          return { width: canvas.width, height: canvas.height, rgba: btoa(text) };
        },
      };
    },
  },

  robotscene_now__deps: ['$RS'],
  robotscene_now: function () {
    return RS.testMode() ? RS.time : performance.now();
  },

  robotscene_set_title__deps: ['$RS'],
  robotscene_set_title: function (text) {
    document.title = UTF8ToString(text);
  },

  robotscene_offer_download__deps: ['$RS'],
  robotscene_offer_download: function (data, size, name) {
    var file = UTF8ToString(name);
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([HEAPU8.slice(data, data + size)], { type: 'image/png' }));
    link.download = file;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000); // the download has its copy by then
    RS.downloads.push({ name: file, size: size });
  },

  robotscene_page_start__deps: ['$RS'],
  robotscene_page_start: function () {
    if (!Gfx.gl) return; // the page already says why nothing is drawn
    RS.hooks = RS.testMode() || /[?&]bench\b/.test(location.search);
    RS.allowed = RS.test ? 0 : Infinity; // set here: the library object cannot hold Infinity
    Module['stopScene'] = RS.halt;
    RS.readBindings();
    if (window.matchMedia && matchMedia('(prefers-reduced-motion: reduce)').matches) {
      RS.call('prefer_reduced_motion', []);
    }
    RS.announce(); // what is said is a change from the state at start, even before the first frame
    RS.listen();
    if (RS.hooks) window.robotscene = RS.api();
    // The canvas takes the window's size (and the program its reshape) in a task of its own, the
    // shader is put to use once compiled, in another; the first frame comes after them.
    RS.nextTask(function () {
      RS.resize();
      Gfx.prepare(RS.nextTask, function () { requestAnimationFrame(RS.frame); });
    });
    if (Module['onSceneStart']) Module['onSceneStart']();
  },

  // Asyncify frees the main's saved stack with free, which the program's link wraps
  // (web/gl/Textures.cpp): the wrapper is the one exported.
  $_free: function (pointer) {
    Module['___wrap_free'](pointer);
  },

  // Main's stack is kept (asyncify) while the browser runs one task; main goes on after it.
  robotscene_yield__deps: ['$RS', '$callUserCallback', '$Asyncify', '$_free'],
  robotscene_yield: function () {
    Asyncify.handleSleep(function (wakeUp) {
      RS.nextTask(function () { callUserCallback(wakeUp); });
    });
  },
});
