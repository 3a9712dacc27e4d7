// The page side of the browser build, linked into the module with --js-library: the WebGL 2
// context and its one shader, the textures, the page's input listeners and frame loop that call
// the GLUT layer, the title, Web Audio for the cues and the music, and the end of the program.
// It draws only what web/gl/FixedFunction.cpp hands it, already transformed and lit.
//
// Test mode (?test in the page address, used by the browser tests): frames are drawn only as far
// as window.robotscene.allow() lets them, and window.robotscene reports what the page did, so a
// test can bring the page to a given frame exactly. ?bench gives the same report and timings
// without holding frames back (web/tools/bench.py).

mergeInto(LibraryManager.library, {
  $RS: {
    gl: null, canvas: null, program: null, textured: null, textures: [null], nextTexture: 1,
    test: false, hooks: false, allowed: 0, drawn: 0, events: 0, ended: false, mouse: [0, 0], buttons: 0,
    audio: null, buffers: {}, playing: [], music: null, musicWanted: false, musicToken: 0,
    cues: [], musicStarts: 0, firstFrame: 0, tickTimes: [], capture: null,

    // Every call into the program goes through here, so that the end of the program (exit on
    // Esc, thrown out of the callback) ends the page's loop wherever it happens.
    call: function (name, args) {
      if (RS.ended) return 0;
      try {
        return Module['_robotscene_' + name].apply(null, args);
      } catch (e) {
        if (e && e.name === 'ExitStatus') { RS.end(); return 0; }
        if (e === 'unwind') return 0;
        throw e;
      }
    },

    end: function () {
      RS.ended = true;
      RS.musicWanted = false;
      RS.stopMusic();
      RS.playing.forEach(function (source) { try { source.stop(); } catch (e) {} });
      RS.playing = [];
      var note = document.getElementById('ended');
      if (note) note.hidden = false;
      if (RS.canvas) RS.canvas.style.visibility = 'hidden';
    },

    position: function (e) {
      var box = RS.canvas.getBoundingClientRect();
      var x = (e.clientX - box.left) * RS.canvas.width / Math.max(box.width, 1);
      var y = (e.clientY - box.top) * RS.canvas.height / Math.max(box.height, 1);
      RS.mouse = [Math.round(x), Math.round(y)];
      return RS.mouse;
    },

    // The key as GLUT reports it: a character code, or 256 plus a special key's number.
    keyCode: function (e) {
      var named = { Enter: 13, Escape: 27, Backspace: 8, Tab: 9, Delete: 127 };
      if (e.key in named) return named[e.key];
      if (e.key.length === 1 && e.key.charCodeAt(0) < 256) return e.key.charCodeAt(0);
      var special = { ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104,
                      PageDown: 105, Home: 106, End: 107, Insert: 108 };
      if (e.key in special) return 256 + special[e.key];
      var f = /^F([1-9]|1[0-2])$/.exec(e.key);
      return f ? 256 + Number(f[1]) : -1;
    },

    resize: function () {
      var ratio = window.devicePixelRatio || 1;
      var width = Math.max(1, Math.round(RS.canvas.clientWidth * ratio));
      var height = Math.max(1, Math.round(RS.canvas.clientHeight * ratio));
      if (width === RS.canvas.width && height === RS.canvas.height && RS.sized) return;
      RS.sized = true;
      RS.canvas.width = width;
      RS.canvas.height = height;
      RS.call('resize', [width, height]);
    },

    frame: function () {
      if (RS.ended) return;
      RS.resize();
      var start = performance.now();
      if (RS.call('tick', [RS.drawn < RS.allowed ? 1 : 0])) {
        RS.drawn++;
        if (!RS.firstFrame) RS.firstFrame = performance.now();
        RS.tickTimes.push(performance.now() - start);
        if (RS.tickTimes.length > 1000) RS.tickTimes.shift();
        if (RS.capture) {
          var capture = RS.capture;
          RS.capture = null;
          capture(RS.readPixels());
        }
      }
      if (!RS.ended) requestAnimationFrame(RS.frame);
    },

    readPixels: function () {
      var gl = RS.gl, w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
      var data = new Uint8Array(w * h * 4);
      gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, data);
      var text = '';
      for (var i = 0; i < data.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
      }
      return { width: w, height: h, rgba: btoa(text) };
    },

    // Sound. The context is made at the first gesture (made earlier, the browser would refuse it).
    unlock: function () {
      if (RS.audio || RS.ended) return;
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return;
      RS.audio = new Context();
      RS.audio.resume().then(function () {
        if (RS.musicWanted && !RS.music) RS.startMusic();
      });
    },

    sound: function (name) {
      if (!RS.buffers[name]) {
        RS.buffers[name] = fetch('audio/' + name + '.wav')
          .then(function (response) { return response.arrayBuffer(); })
          .then(function (bytes) { return RS.audio.decodeAudioData(bytes); });
        RS.buffers[name].catch(function () { delete RS.buffers[name]; });
      }
      return RS.buffers[name];
    },

    play: function (buffer) {
      var source = RS.audio.createBufferSource();
      source.buffer = buffer;
      source.connect(RS.audio.destination);
      RS.playing.push(source);
      source.onended = function () {
        RS.playing = RS.playing.filter(function (s) { return s !== source; });
        if (RS.music === source) RS.music = null;
      };
      source.start();
      return source;
    },

    startMusic: function () {
      var token = ++RS.musicToken;
      RS.sound('music').then(function (buffer) {
        if (token !== RS.musicToken || !RS.musicWanted || RS.ended) return;
        RS.music = RS.play(buffer);
        RS.musicStarts++;
      }, function () {});
    },

    stopMusic: function () {
      RS.musicToken++;
      if (RS.music) {
        var music = RS.music;
        RS.music = null;
        try { music.stop(); } catch (e) {}
      }
    },
  },

  robotscene_gl_init__deps: ['$RS'],
  robotscene_gl_init: function () {
    RS.test = /[?&]test\b/.test(location.search);
    RS.hooks = RS.test || /[?&]bench\b/.test(location.search);
    RS.allowed = RS.test ? 0 : Infinity; // set here: the library object cannot hold Infinity
    RS.canvas = Module['canvas'] || document.getElementById('canvas');
    var gl = RS.canvas.getContext('webgl2', {
      alpha: false, antialias: true, depth: true, stencil: false, preserveDrawingBuffer: RS.test });
    if (!gl) {
      Module['setStatus']('This browser has no WebGL 2: the scene cannot be drawn here.');
      RS.ended = true; // the loop never starts; the GL calls below find no context and do nothing
      return 0;
    }
    RS.gl = gl;
    function shader(type, text) {
      var s = gl.createShader(type);
      gl.shaderSource(s, text);
      gl.compileShader(s);
      if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
      return s;
    }
    var program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER, '#version 300 es\n' +
      'layout(location = 0) in vec4 position;\n' +
      'layout(location = 1) in vec4 colour;\n' +
      'layout(location = 2) in vec4 texCoord;\n' +
      'out vec4 vColour;\nout vec4 vTexCoord;\n' +
      'void main() { gl_Position = position; vColour = colour; vTexCoord = texCoord; gl_PointSize = 1.0; }\n'));
    // GL_MODULATE, with s and t divided by q per fragment (projective texture coordinates).
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER, '#version 300 es\n' +
      'precision highp float;\n' +
      'in vec4 vColour;\nin vec4 vTexCoord;\n' +
      'uniform sampler2D image;\nuniform bool textured;\n' +
      'out vec4 colour;\n' +
      'void main() {\n' +
      '  colour = vColour;\n' +
      '  if (textured) colour *= textureProj(image, vTexCoord.xyw);\n' +
      '}\n'));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
    gl.useProgram(program);
    RS.textured = gl.getUniformLocation(program, 'textured');
    gl.bindVertexArray(gl.createVertexArray());
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    for (var i = 0; i < 3; i++) {
      gl.enableVertexAttribArray(i);
      gl.vertexAttribPointer(i, 4, gl.FLOAT, false, 48, i * 16);
    }
    gl.frontFace(gl.CCW);
    return 1;
  },

  robotscene_gl_texture__deps: ['$RS'],
  robotscene_gl_texture: function (width, height, pixels) {
    if (!RS.gl) return 1;
    var gl = RS.gl;
    var texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                  HEAPU8.subarray(pixels, pixels + width * height * 4));
    var id = RS.nextTexture++;
    RS.textures[id] = texture;
    return id;
  },

  robotscene_gl_delete_texture__deps: ['$RS'],
  robotscene_gl_delete_texture: function (id) {
    if (!RS.gl) return;
    if (RS.textures[id]) RS.gl.deleteTexture(RS.textures[id]);
    delete RS.textures[id];
  },

  robotscene_gl_clear__deps: ['$RS'],
  robotscene_gl_clear: function (mask, red, green, blue, alpha) {
    if (!RS.gl) return;
    var gl = RS.gl;
    gl.clearColor(red, green, blue, alpha);
    gl.depthMask(true);
    gl.clear(mask & (gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT));
  },

  robotscene_gl_viewport__deps: ['$RS'],
  robotscene_gl_viewport: function (x, y, width, height) {
    if (!RS.gl) return;
    RS.gl.viewport(x, y, width, height);
  },

  // state: texture id (0: none), min and mag filter, blend on, its two factors, depth test on,
  // its function, culling on, the culled faces.
  robotscene_gl_draw__deps: ['$RS'],
  robotscene_gl_draw: function (mode, vertices, count, state) {
    if (!RS.gl) return;
    var gl = RS.gl;
    var s = HEAP32.subarray(state >> 2, (state >> 2) + 10);
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(vertices >> 2, (vertices >> 2) + count * 12), gl.STREAM_DRAW);
    var texture = s[0] ? RS.textures[s[0]] : null;
    gl.uniform1i(RS.textured, texture ? 1 : 0);
    if (texture) {
      gl.bindTexture(gl.TEXTURE_2D, texture);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, s[1]);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, s[2]);
    }
    if (s[3]) gl.enable(gl.BLEND); else gl.disable(gl.BLEND);
    gl.blendFunc(s[4], s[5]);
    if (s[6]) gl.enable(gl.DEPTH_TEST); else gl.disable(gl.DEPTH_TEST);
    gl.depthFunc(s[7]);
    if (s[8]) gl.enable(gl.CULL_FACE); else gl.disable(gl.CULL_FACE);
    gl.cullFace(s[9]);
    gl.drawArrays(mode, 0, count);
  },

  robotscene_set_title__deps: ['$RS'],
  robotscene_set_title: function (text) {
    document.title = UTF8ToString(text);
  },

  robotscene_sound_cue__deps: ['$RS'],
  robotscene_sound_cue: function (name) {
    var cue = UTF8ToString(name);
    RS.cues.push(cue);
    if (!RS.audio || RS.ended) return; // before the first gesture the browser allows no sound
    RS.sound(cue).then(function (buffer) { if (!RS.ended) RS.play(buffer); }, function () {});
  },

  robotscene_sound_music__deps: ['$RS'],
  robotscene_sound_music: function (on) {
    RS.stopMusic();
    RS.musicWanted = !!on;
    if (on && RS.audio) RS.startMusic();
  },

  robotscene_page_start__deps: ['$RS'],
  robotscene_page_start: function () {
    if (!RS.gl) return;
    function gesture() { RS.unlock(); }
    window.addEventListener('keydown', function (e) {
      if (e.ctrlKey || e.metaKey || e.altKey || RS.ended) return;
      var key = RS.keyCode(e);
      if (key < 0) return;
      e.preventDefault();
      gesture();
      RS.call('key', [key, 1, RS.mouse[0], RS.mouse[1]]);
      RS.events++;
    });
    window.addEventListener('keyup', function (e) {
      var key = RS.keyCode(e);
      if (key < 0 || RS.ended) return;
      e.preventDefault();
      RS.call('key', [key, 0, RS.mouse[0], RS.mouse[1]]);
      RS.events++;
    });
    RS.canvas.addEventListener('mousedown', function (e) {
      gesture();
      var p = RS.position(e);
      RS.buttons |= 1 << e.button;
      if (e.button <= 2) RS.call('mouse', [e.button, 0, p[0], p[1]]);
      RS.events++;
      e.preventDefault();
    });
    window.addEventListener('mouseup', function (e) {
      if (!(RS.buttons & (1 << e.button))) return;
      RS.buttons &= ~(1 << e.button);
      var p = RS.position(e);
      if (e.button <= 2) RS.call('mouse', [e.button, 1, p[0], p[1]]);
      RS.events++;
    });
    window.addEventListener('mousemove', function (e) {
      var p = RS.position(e);
      if (RS.buttons) { RS.call('motion', [p[0], p[1]]); RS.events++; }
    });
    // One wheel step per event: away from the user (deltaY < 0) is +1, as GLUT's wheel up.
    RS.canvas.addEventListener('wheel', function (e) {
      e.preventDefault();
      if (e.deltaY === 0) return;
      var p = RS.position(e);
      RS.call('wheel', [e.deltaY < 0 ? 1 : -1, p[0], p[1]]);
      RS.events++;
    }, { passive: false });
    RS.canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    if (RS.hooks) {
      window.robotscene = {
        allow: function (frames) { RS.allowed = RS.drawn + frames; },
        state: function () {
          return { drawn: RS.drawn, events: RS.events, ended: RS.ended, title: document.title,
                   cues: RS.cues.slice(), music: !!RS.music, musicStarts: RS.musicStarts,
                   audio: RS.audio ? RS.audio.state : 'none', firstFrame: RS.firstFrame };
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
        // The canvas as base64 RGBA, bottom row first. Without the test's gate the drawing buffer
        // is not kept after it is shown, so it is read right after the next frame is drawn.
        pixels: function () {
          if (RS.test) return RS.readPixels();
          return new Promise(function (done) { RS.capture = done; });
        },
      };
    }
    RS.resize();
    requestAnimationFrame(RS.frame);
  },
});
