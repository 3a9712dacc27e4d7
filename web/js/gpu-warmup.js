// A worker the loader starts first thing (web/js/loader.js): it makes a WebGL 2 context of its
// own, so that the browser's graphics start here, off the page's thread, while the files
// download; the program's own context is then made in moments. It answers whether it got one
// (null where workers have no OffscreenCanvas) and ends. It draws nothing.
'use strict';
var canvas = typeof OffscreenCanvas === 'function' ? new OffscreenCanvas(1, 1) : null;
var gl = canvas && canvas.getContext('webgl2');
var lose = gl && gl.getExtension('WEBGL_lose_context');
if (lose) lose.loseContext();
postMessage(canvas ? !!gl : null);
