// The WebGL 2 side of the browser build's GL layer (--js-library): the context, its one shader,
// the vertex buffer and array, the textures, and the draws web/gl/Frame.cpp hands over,
// already transformed and lit. It draws nothing of its own and holds no scene state.
//
// A lost context is waited for, not given up: the default of webglcontextlost is prevented, the
// page says it is waiting, and on webglcontextrestored every GL object is made again and the C++
// layer uploads its kept images again, so the scene goes on where it was.

mergeInto(LibraryManager.library, {
  $Gfx: {
    gl: null, canvas: null, lost: false, program: null, used: false, parallel: null, textures: [], viewport: null,
    // Bridge.h's BridgeVertex and DrawState, in bytes; its static_asserts hold the C++ to these.
    VERTEX: { stride: 48, clip: 0, colour: 16, tex: 32 },
    // Whether a draw is textured: a constant vertex attribute, so that no uniform's location has
    // to be asked for (a wait on the browser's graphics) before the first frame.
    TEXTURED: 3,
    STATE: { texture: 0, minFilter: 4, magFilter: 8, blend: 12, blendSrc: 16, blendDst: 20,
             depthTest: 24, depthFunc: 28, cull: 32, cullFace: 36 },

    // True when GL calls can be made: a context exists and is not lost.
    ready: function () {
      return Gfx.gl !== null && !Gfx.lost;
    },

    shader: function (type, text) {
      var gl = Gfx.gl, s = gl.createShader(type);
      gl.shaderSource(s, '#version 300 es\n' + text);
      gl.compileShader(s);
      return s; // its status is asked for only with the program's, once it is put to use
    },

    // Puts the linked program to use, asking its status only now (useProgram would wait too): by
    // prepare() before the first frame, or at the first draw if that comes sooner.
    use: function () {
      var gl = Gfx.gl, program = Gfx.program;
      if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
        var shaders = gl.getAttachedShaders(program).map(function (s) { return gl.getShaderInfoLog(s); });
        throw new Error('The shader did not build: ' + shaders.concat(gl.getProgramInfoLog(program)).join(' '));
      }
      gl.useProgram(program);
      Gfx.used = true;
    },

    // The shader put to use in a task of its own, before the first frame: where the browser says
    // when compiling is over (KHR_parallel_shader_compile), it is asked again a task later until
    // it is, rather than waited for. later(f) runs f in a later task; then follows in another.
    prepare: function (later, then) {
      var gl = Gfx.gl;
      if (!Gfx.ready() || Gfx.used) return then();
      if (Gfx.parallel && !gl.getProgramParameter(Gfx.program, Gfx.parallel.COMPLETION_STATUS_KHR)) {
        return later(function () { Gfx.prepare(later, then); });
      }
      Gfx.use();
      later(then);
    },

    // The program, buffer and vertex array, made at start and again after a lost context.
    build: function () {
      var gl = Gfx.gl, V = Gfx.VERTEX;
      Gfx.parallel = gl.getExtension('KHR_parallel_shader_compile');
      var program = gl.createProgram();
      gl.attachShader(program, Gfx.shader(gl.VERTEX_SHADER,
        'layout(location = 0) in vec4 position;\n' +
        'layout(location = 1) in vec4 colour;\n' +
        'layout(location = 2) in vec4 texCoord;\n' +
        'layout(location = ' + Gfx.TEXTURED + ') in float textured;\n' +
        'out vec4 vColour;\nout vec4 vTexCoord;\nflat out float vTextured;\n' +
        'void main() {\n' +
        '  gl_Position = position; vColour = colour; vTexCoord = texCoord; vTextured = textured;\n' +
        '  gl_PointSize = 1.0;\n' +
        '}\n'));
      // GL_MODULATE, with s and t divided by q per fragment (projective texture coordinates).
      gl.attachShader(program, Gfx.shader(gl.FRAGMENT_SHADER,
        'precision highp float;\n' +
        'in vec4 vColour;\nin vec4 vTexCoord;\nflat in float vTextured;\n' +
        'uniform sampler2D image;\n' +
        'out vec4 colour;\n' +
        'void main() {\n' +
        '  colour = vColour;\n' +
        '  if (vTextured != 0.0) colour *= textureProj(image, vTexCoord.xyw);\n' +
        '}\n'));
      gl.linkProgram(program);
      Gfx.program = program;
      Gfx.used = false;
      gl.bindVertexArray(gl.createVertexArray());
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      [V.clip, V.colour, V.tex].forEach(function (offset, location) {
        gl.enableVertexAttribArray(location);
        gl.vertexAttribPointer(location, 4, gl.FLOAT, false, V.stride, offset);
      });
      gl.frontFace(gl.CCW);
      Gfx.textures = [];
      if (Gfx.viewport) gl.viewport.apply(gl, Gfx.viewport);
    },

    lose: function (e) {
      e.preventDefault(); // without this the browser never gives the context back
      Gfx.lost = true;
      Module['note']('The graphics were lost; waiting for the browser to give them back…');
    },

    restore: function () {
      Gfx.build();
      Gfx.lost = false;
      Module['_robotscene_gl_restored']();
      Module['note']('');
    },

    // width * height RGBA bytes from the drawing buffer, bottom row first.
    read: function (x, y, width, height) {
      var gl = Gfx.gl, data = new Uint8Array(width * height * 4);
      gl.readPixels(x, y, width, height, gl.RGBA, gl.UNSIGNED_BYTE, data);
      return data;
    },
  },

  robotscene_gl_init__deps: ['$Gfx', '$RS'],
  robotscene_gl_init: function () {
    Gfx.canvas = Module['canvas'];
    RS.fit(Gfx.canvas);
    // The drawing buffer is kept between frames, so glReadPixels and the test read what is shown.
    var gl = Gfx.canvas.getContext('webgl2', {
      alpha: false, antialias: true, depth: true, stencil: false, preserveDrawingBuffer: true });
    if (!gl) {
      Module['fail']('This browser gives the page no WebGL 2, which the scene needs to draw. ' +
                     'Try another browser, or turn hardware acceleration (graphics acceleration) on ' +
                     'in this browser\'s settings and reload.');
      return 0;
    }
    Gfx.gl = gl;
    Gfx.canvas.addEventListener('webglcontextlost', Gfx.lose);
    Gfx.canvas.addEventListener('webglcontextrestored', Gfx.restore);
    return 1;
  },

  // Apart from the context: the shader is compiled here, but used only at the first draw.
  robotscene_gl_build__deps: ['$Gfx'],
  robotscene_gl_build: function () {
    if (Gfx.ready()) Gfx.build();
  },

  robotscene_gl_texture__deps: ['$Gfx'],
  robotscene_gl_texture: function (id, width, height, pixels) {
    if (!Gfx.ready()) return; // made again from the kept image when the context is back
    var gl = Gfx.gl, texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                  HEAPU8.subarray(pixels, pixels + width * height * 4));
    Gfx.textures[id] = texture;
  },

  robotscene_gl_delete_texture__deps: ['$Gfx'],
  robotscene_gl_delete_texture: function (id) {
    if (Gfx.ready() && Gfx.textures[id]) Gfx.gl.deleteTexture(Gfx.textures[id]);
    delete Gfx.textures[id];
  },

  robotscene_gl_clear__deps: ['$Gfx'],
  robotscene_gl_clear: function (mask, red, green, blue, alpha) {
    if (!Gfx.ready()) return;
    var gl = Gfx.gl;
    gl.clearColor(red, green, blue, alpha);
    gl.depthMask(true);
    gl.clear(mask & (gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT));
  },

  robotscene_gl_viewport__deps: ['$Gfx'],
  robotscene_gl_viewport: function (x, y, width, height) {
    Gfx.viewport = [x, y, width, height];
    if (Gfx.ready()) Gfx.gl.viewport(x, y, width, height);
  },

  robotscene_gl_draw__deps: ['$Gfx'],
  robotscene_gl_draw: function (mode, vertices, count, state) {
    if (!Gfx.ready()) return;
    var gl = Gfx.gl, S = Gfx.STATE;
    function word(offset) { return HEAP32[(state + offset) >> 2]; }
    gl.bufferData(gl.ARRAY_BUFFER, HEAPU8.subarray(vertices, vertices + count * Gfx.VERTEX.stride), gl.STREAM_DRAW);
    var texture = Gfx.textures[word(S.texture)] || null;
    if (!Gfx.used) Gfx.use();
    gl.vertexAttrib1f(Gfx.TEXTURED, texture ? 1 : 0);
    if (texture) {
      gl.bindTexture(gl.TEXTURE_2D, texture);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, word(S.minFilter));
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, word(S.magFilter));
    }
    if (word(S.blend)) gl.enable(gl.BLEND); else gl.disable(gl.BLEND);
    gl.blendFunc(word(S.blendSrc), word(S.blendDst));
    if (word(S.depthTest)) gl.enable(gl.DEPTH_TEST); else gl.disable(gl.DEPTH_TEST);
    gl.depthFunc(word(S.depthFunc));
    if (word(S.cull)) gl.enable(gl.CULL_FACE); else gl.disable(gl.CULL_FACE);
    gl.cullFace(word(S.cullFace));
    gl.drawArrays(mode, 0, count);
  },

  robotscene_gl_read_pixels__deps: ['$Gfx'],
  robotscene_gl_read_pixels: function (x, y, width, height, out) {
    if (Gfx.ready()) HEAPU8.set(Gfx.read(x, y, width, height), out);
  },
});
