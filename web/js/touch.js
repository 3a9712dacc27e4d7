// The page on touch screens: the canvas's own gestures and on-screen controls, each turned into
// the keyboard, mouse or wheel event the page's own listeners already handle, dispatched on
// the canvas, so the program cannot tell them from real keys and a real mouse. One finger drags
// the camera as the left button does; two fingers pinching turn the wheel; the controls press
// and release keys. The controls are the binding table's touch rows (src/input/Bindings.h), which
// the page hands over at start (the robotscene-bindings event); each sends its row's key and
// place. They show on a touch screen only: when the primary pointer is coarse or once a first
// touch arrives. Nothing here draws or calls the module; whether the menu shows, the page says
// (the robotscene-menu event).
(function () {
  'use strict';

  var PINCH_STEP = 40;   // CSS px the distance between two fingers changes for one wheel step
  var WHEEL_DELTA = 100; // CSS px of a dispatched wheel turn; the page counts one step per event

  var canvas = document.getElementById('canvas');
  var controls = null, note = null;
  var wanted = false; // shown before the page handed over the controls' rows
  var menuShown = true; // the program starts on its menu screen

  // -- events as the keyboard and the mouse send them ------------------------------------------

  function sendKey(type, row) {
    canvas.dispatchEvent(new KeyboardEvent(type, {
      key: row.key, code: row.code, bubbles: true, cancelable: true, view: window }));
  }

  function sendMouse(type, point) {
    canvas.dispatchEvent(new MouseEvent(type, {
      clientX: point.x, clientY: point.y, screenX: point.screenX, screenY: point.screenY,
      button: 0, buttons: type === 'mouseup' ? 0 : 1, bubbles: true, cancelable: true, view: window }));
  }

  // direction +1 turns the wheel away from the user (deltaY < 0), which zooms in.
  function sendWheel(direction, point) {
    canvas.dispatchEvent(new WheelEvent('wheel', {
      clientX: point.x, clientY: point.y, deltaY: -direction * WHEEL_DELTA,
      deltaMode: 0, bubbles: true, cancelable: true, view: window }));
  }

  function pointOf(touch) {
    return { x: touch.clientX, y: touch.clientY, screenX: touch.screenX, screenY: touch.screenY };
  }

  function touchById(list, id) {
    for (var i = 0; i < list.length; i++) {
      if (list[i].identifier === id) return list[i];
    }
    return null;
  }

  function spreadOf(a, b) {
    return Math.hypot(a.clientX - b.clientX, a.clientY - b.clientY);
  }

  // -- the canvas's gestures ------------------------------------------------------------------
  // idle: no finger down. drag: one finger holds the left button. pinch: two fingers turn the
  // wheel. rest: a gesture has ended but fingers remain; nothing happens until all are lifted,
  // so lifting one finger of a pinch does not jerk the camera. Only fingers that came down on
  // the canvas count (targetTouches): one holding a control is no part of a gesture.

  var gesture = { mode: 'idle' };

  function startDrag(touch) {
    gesture = { mode: 'drag', finger: touch.identifier, last: pointOf(touch) };
    sendMouse('mousedown', gesture.last);
  }

  function startPinch(a, b) {
    if (gesture.mode === 'drag') sendMouse('mouseup', gesture.last);
    gesture = { mode: 'pinch', fingers: [a.identifier, b.identifier], spread: spreadOf(a, b) };
  }

  function movePinch(touches) {
    var a = touchById(touches, gesture.fingers[0]), b = touchById(touches, gesture.fingers[1]);
    if (!a || !b) return;
    var steps = Math.trunc((spreadOf(a, b) - gesture.spread) / PINCH_STEP);
    var middle = { x: (a.clientX + b.clientX) / 2, y: (a.clientY + b.clientY) / 2 };
    for (var i = 0; i < Math.abs(steps); i++) sendWheel(Math.sign(steps), middle);
    gesture.spread += steps * PINCH_STEP;
  }

  function onTouchStart(e) {
    e.preventDefault(); // no mouse events of the browser's own, no selection, no callout
    showControls();
    if (gesture.mode === 'idle' && e.targetTouches.length === 1) {
      startDrag(e.targetTouches[0]);
    } else if ((gesture.mode === 'idle' || gesture.mode === 'drag') && e.targetTouches.length >= 2) {
      startPinch(e.targetTouches[0], e.targetTouches[1]);
    }
  }

  function onTouchMove(e) {
    e.preventDefault();
    if (gesture.mode === 'drag') {
      var touch = touchById(e.targetTouches, gesture.finger);
      if (!touch) return;
      gesture.last = pointOf(touch);
      sendMouse('mousemove', gesture.last);
    } else if (gesture.mode === 'pinch') {
      movePinch(e.targetTouches);
    }
  }

  function onTouchEnd(e) {
    e.preventDefault();
    if (gesture.mode === 'drag') {
      var touch = touchById(e.changedTouches, gesture.finger);
      if (!touch) return;
      sendMouse('mouseup', e.type === 'touchcancel' ? gesture.last : pointOf(touch));
      gesture = { mode: 'rest' };
    } else if (gesture.mode === 'pinch' && e.targetTouches.length < 2) {
      gesture = { mode: 'rest' };
    }
    if (e.targetTouches.length === 0) gesture = { mode: 'idle' };
  }

  // -- the on-screen controls -----------------------------------------------------------------

  function makeButton(row, parent) {
    var button = document.createElement('button');
    button.type = 'button';
    button.className = 'touch-' + row.id;
    button.textContent = row.face;
    button.setAttribute('aria-label', row.name);
    parent.appendChild(button);
    return button;
  }

  // Held while any finger (or the mouse) that pressed it stays down, wherever it slides to.
  function holdButton(row, parent) {
    var button = makeButton(row, parent);
    var pointers = {}, count = 0;
    button.addEventListener('pointerdown', function (e) {
      e.preventDefault();
      if (pointers[e.pointerId]) return;
      button.setPointerCapture(e.pointerId);
      pointers[e.pointerId] = true;
      if (count++ === 0) { sendKey('keydown', row); button.classList.add('held'); }
    });
    function release(e) {
      if (!pointers[e.pointerId]) return;
      delete pointers[e.pointerId];
      if (--count === 0) { sendKey('keyup', row); button.classList.remove('held'); }
    }
    ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function (type) {
      button.addEventListener(type, release);
    });
  }

  // A tap (or a screen reader's or keyboard's activation) is one press and release of the key.
  function tapButton(row, parent) {
    makeButton(row, parent).addEventListener('click', function () {
      sendKey('keydown', row);
      sendKey('keyup', row);
    });
  }

  // The page's own full screen, a toggle that says whether it is on; no button where the browser
  // has none (an iPhone's Safari).
  function fullScreenButton(parent) {
    var root = document.documentElement;
    var request = root.requestFullscreen || root.webkitRequestFullscreen;
    var exit = document.exitFullscreen || document.webkitExitFullscreen;
    if (!request || !exit) return;
    var button = makeButton({ id: 'full-screen', face: 'Full screen', name: 'Full screen' }, parent);
    function inFullScreen() { return !!(document.fullscreenElement || document.webkitFullscreenElement); }
    function follow() { button.setAttribute('aria-pressed', String(inFullScreen())); }
    follow();
    document.addEventListener('fullscreenchange', follow);
    document.addEventListener('webkitfullscreenchange', follow);
    button.addEventListener('click', function () {
      var result = inFullScreen() ? exit.call(document) : request.call(root);
      if (result && result.catch) result.catch(function () {}); // refused: the page stays as it is
    });
  }

  function group(className, label) {
    var element = document.createElement('div');
    element.className = className;
    element.setAttribute('role', 'group');
    element.setAttribute('aria-label', label);
    controls.appendChild(element);
    return element;
  }

  // The switches are tapped, the drive pad and the head buttons held like their keys.
  function buildControls(rows) {
    controls = document.createElement('div');
    controls.id = 'touch-controls';
    controls.hidden = true;
    controls.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    note = document.createElement('p');
    note.className = 'touch-note';
    note.textContent = 'Tap Menu to show the scene';
    note.hidden = !menuShown;
    controls.appendChild(note);
    var groups = { tap: group('touch-switches', 'Scene'), pad: group('touch-pad', 'Drive'),
                   head: group('touch-head', 'Head') };
    rows.forEach(function (row) {
      if (row.touch) (row.touch === 'tap' ? tapButton : holdButton)(row, groups[row.touch]);
    });
    fullScreenButton(groups.tap);
    document.body.appendChild(controls);
  }

  function showControls() {
    if (controls) controls.hidden = false;
    else wanted = true;
  }

  // The menu screen's "press Space" note becomes "tap Menu", shown while the menu is, whatever
  // showed or hid it (a key, a control, a gamepad).
  function followMenu(e) {
    menuShown = e.detail;
    if (note) note.hidden = !menuShown;
  }

  // -- start-up -------------------------------------------------------------------------------

  if (!canvas) return; // not the scene's page
  window.addEventListener('robotscene-bindings', function (e) {
    buildControls(e.detail);
    if (wanted) showControls();
  });
  var options = { passive: false };
  canvas.addEventListener('touchstart', onTouchStart, options);
  canvas.addEventListener('touchmove', onTouchMove, options);
  canvas.addEventListener('touchend', onTouchEnd, options);
  canvas.addEventListener('touchcancel', onTouchEnd, options);
  window.addEventListener('touchstart', showControls, { capture: true, passive: true });
  window.addEventListener('robotscene-menu', followMenu);
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) showControls();
})();
