// A worker the loader starts first thing (web/js/loader.js): it makes a WebGL 2 context of its
// own, so that the browser's graphics start here, off the page's thread, while the files
// download; the program's own context is then made in moments. It answers whether it got one
// (null where workers have no OffscreenCanvas) and keeps it until the loader says the program's
// context exists (with no context left, the browser could stop its graphics again); then it lets
// the context go here, off the page's thread, and stays idle. It draws nothing.
'use strict';
var canvas = typeof OffscreenCanvas === 'function' ? new OffscreenCanvas(1, 1) : null;
self.context = canvas && canvas.getContext('webgl2');
postMessage(canvas ? !!self.context : null);
onmessage = function () {
  var lose = self.context && self.context.getExtension('WEBGL_lose_context');
  if (lose) lose.loseContext();
  self.context = null;
};
