// Sound in the page (--js-library): Web Audio plays audio/<name>.wav for the cues and the music
// that web/audio/WebAudio.cpp asks for. Each file is fetched and decoded the first time it is
// wanted and never holds up a frame. It knows nothing of input or drawing.
//
// The browser allows sound only after a user gesture: the page calls Sound.unlock at every key
// and button press and release; cues asked for before it are dropped, music wanted before it
// starts then.
// A hidden page is silent: the context is suspended while hidden (the music goes on from where
// it was when shown again) and cues asked for meanwhile are dropped.

mergeInto(LibraryManager.library, {
  $Sound: {
    audio: null, buffers: {}, playing: [], music: null, musicWanted: false, musicToken: 0,
    cues: [], musicStarts: 0, ended: false,

    // Called on every press and release: a touch counts as a gesture only when the finger lifts,
    // so a context made on the press may still be waiting for one.
    unlock: function () {
      if (Sound.ended) return;
      if (Sound.audio) {
        if (Sound.audio.state === 'suspended' && !document.hidden) Sound.audio.resume();
        return;
      }
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return;
      Sound.audio = new Context();
      Sound.audio.resume().then(function () {
        if (Sound.musicWanted && !Sound.music) Sound.startMusic();
      });
      document.addEventListener('visibilitychange', Sound.followVisibility);
      Sound.followVisibility();
    },

    followVisibility: function () {
      if (!Sound.audio || Sound.ended) return;
      if (document.hidden) Sound.audio.suspend(); else Sound.audio.resume();
    },

    load: function (name) {
      if (!Sound.buffers[name]) {
        Sound.buffers[name] = fetch(locateFile('audio/' + name + '.wav')) // by its digest (web/js/loader.js)
          .then(function (response) { return response.arrayBuffer(); })
          .then(function (bytes) { return Sound.audio.decodeAudioData(bytes); });
        Sound.buffers[name].catch(function () { delete Sound.buffers[name]; });
      }
      return Sound.buffers[name];
    },

    play: function (buffer) {
      var source = Sound.audio.createBufferSource();
      source.buffer = buffer;
      source.connect(Sound.audio.destination);
      Sound.playing.push(source);
      source.onended = function () {
        Sound.playing = Sound.playing.filter(function (s) { return s !== source; });
        if (Sound.music === source) Sound.music = null;
      };
      source.start();
      return source;
    },

    startMusic: function () {
      var token = ++Sound.musicToken;
      Sound.load('music').then(function (buffer) {
        if (token !== Sound.musicToken || !Sound.musicWanted || Sound.ended) return;
        Sound.music = Sound.play(buffer);
        Sound.musicStarts++;
      }, function () {});
    },

    stopMusic: function () {
      Sound.musicToken++;
      if (Sound.music) {
        var music = Sound.music;
        Sound.music = null;
        try { music.stop(); } catch (e) {}
      }
    },

    // The end of the scene: everything stops and nothing starts again.
    end: function () {
      Sound.ended = true;
      Sound.musicWanted = false;
      Sound.stopMusic();
      Sound.playing.forEach(function (source) { try { source.stop(); } catch (e) {} });
      Sound.playing = [];
    },
  },

  robotscene_sound_cue__deps: ['$Sound'],
  robotscene_sound_cue: function (name) {
    var cue = UTF8ToString(name);
    Sound.cues.push(cue);
    if (!Sound.audio || Sound.ended || document.hidden) return;
    Sound.load(cue).then(function (buffer) {
      if (!Sound.ended && !document.hidden) Sound.play(buffer);
    }, function () {});
  },

  robotscene_sound_music__deps: ['$Sound'],
  robotscene_sound_music: function (on) {
    Sound.stopMusic();
    Sound.musicWanted = !!on;
    if (on && Sound.audio) Sound.startMusic();
  },
});
