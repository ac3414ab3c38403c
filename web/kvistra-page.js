// kvistra-page.js: the page around the program. It checks that the browser
// gives WebGL 2, downloads the program (kvistra.js, kvistra.wasm) and the
// show's files (kvistra.data) with a progress bar, decodes the music with
// the browser's decoder, has the program prepare its picture (the GL
// layer's start-up, long on a software renderer), waits for the viewer's
// click, touch or key (sound and full screen may only start after a
// gesture), starts the program, and shows what the program writes to
// standard output when it ends, with an offer to watch again. The
// program's own parts are in kvistra.js (emscripten's output).
//
// Each showing is a fresh instance of the program: kvistra.js run again on
// a fresh Module, the WebAssembly compiled once, the show's files and the
// decoded music kept in memory from the first download, on a fresh canvas
// and a fresh audio context made in the gesture. Watching again downloads
// nothing and reloads nothing.
//
// Test and benchmark parameters in the address: fps=N runs the show on a
// virtual clock at N frames per second, at=T1,T2,... puts the frames shown at
// those times into the page as base64 RGB (<output class="picture">, with
// the showing's number in data-run), stop=T ends it after the frame at T
// seconds; without=NAME removes the file NAME ("ant", "music.mp3") from the
// program's files. Kept in kvistraPage for tests and benchmarks: the bytes
// of the download (loading), the decoded music and where the piece lies in
// it (decoded, pieces: see pieceIn), how each showing was started (gesture:
// "click", "key" or "touch"), how many showings started (runs), whether
// the audio clock fell back to the page's own (silent) or to the context's
// time (stampsAstray: the output timestamps were off), and for the showing
// under way the frame log (frames, per pass: the stage it found, the
// milliseconds since the pass before, the stage it left), the demo clock
// after each pass (clock: performance.now() and the clock in tenths), each
// change of stage (stages: the stage, the pass's start and end, the clock
// then, the scene's start) and the moments of the start gesture and of the
// first title frame.
"use strict";

var kvistraPage = {
  loading: { received: 0, total: 0, done: false },
  runs: 0,
  gesture: null,
  silent: false,
  stampsAstray: false,
  started: false,
  ended: false,
  status: null,
  output: "",
  frames: [],
  clock: [],
  stages: [],
  gestureTime: null,
  firstTitleTime: null,
  lastPassTime: null,
  stage: -1,
};

(function () {
  var query = new URLSearchParams(location.search);
  var promptBox = document.getElementById("prompt");
  var promptLine = document.getElementById("prompt-line");
  var progress = document.getElementById("progress");
  var endBox = document.getElementById("end");
  var output = document.getElementById("output");
  var again = document.getElementById("again");
  var canvas = document.getElementById("canvas");

  // What the first download brought, for every showing.
  var kept = { programText: null, wasm: null, data: null, decoded: {}, pieces: {} };
  kvistraPage.decoded = kept.decoded;
  kvistraPage.pieces = kept.pieces;

  function say(line) {
    promptLine.textContent = line;
  }

  function megabytes(bytes) {
    return (bytes / 1e6).toFixed(1);
  }

  // ---------------------------------------------------------------------
  // What the browser must give.

  // Whether a canvas gives a WebGL 2 context; the probe's context is let go
  // at once.
  function hasWebGl2() {
    try {
      var gl = document.createElement("canvas").getContext("webgl2");
      if (!gl) return false;
      var lose = gl.getExtension("WEBGL_lose_context");
      if (lose) lose.loseContext();
      return true;
    } catch (e) {
      return false;
    }
  }

  // ---------------------------------------------------------------------
  // The download: the three files at once, one progress bar for their bytes.

  var files = [
    { name: "kvistra.js", what: "the program", type: "text" },
    { name: "kvistra.wasm", what: "the program", type: "bytes" },
    { name: "kvistra.data", what: "the show's pictures, models and music", type: "bytes" },
  ];

  var stopDownloads = window.AbortController ? new AbortController() : null;

  function showProgress() {
    if (document.body.dataset.failed) return;
    var loading = kvistraPage.loading, known = files.every(function (f) { return f.total !== null; });
    if (known && loading.total > 0) {
      progress.max = loading.total;
      progress.value = loading.received;
      say("Loading the show: " + megabytes(loading.received) + " of " + megabytes(loading.total) + " MB");
    } else {
      progress.removeAttribute("value");
      say("Loading the show: " + megabytes(loading.received) + " MB");
    }
  }

  function failure(file, reason) {
    var error = new Error("The download of " + file.what + " (" + file.name + ") failed: " + reason + ".");
    error.shown = true;
    return error;
  }

  // Resolves with the file's bytes (or text), counting them as they come.
  function download(file) {
    file.received = 0;
    file.total = null;
    return fetch(file.name, { credentials: "same-origin", signal: stopDownloads && stopDownloads.signal }).then(function (response) {
      if (!response.ok)
        throw failure(file, "the server answered " + response.status + (response.statusText ? " " + response.statusText : ""));
      var length = Number(response.headers.get("Content-Length"));
      // A compressed transfer's length is not that of the bytes read.
      file.total = length > 0 && !response.headers.get("Content-Encoding") ? length : null;
      kvistraPage.loading.total += file.total || 0;
      showProgress();
      if (!response.body || !response.body.getReader) {
        return response.arrayBuffer().then(function (buffer) {
          file.received = buffer.byteLength;
          kvistraPage.loading.received += buffer.byteLength;
          return buffer;
        });
      }
      var reader = response.body.getReader(), parts = [];
      return (function read() {
        return reader.read().then(function (step) {
          if (step.done) {
            var whole = new Uint8Array(file.received), at = 0;
            parts.forEach(function (part) { whole.set(part, at); at += part.length; });
            return whole.buffer;
          }
          parts.push(step.value);
          file.received += step.value.length;
          kvistraPage.loading.received += step.value.length;
          showProgress();
          return read();
        });
      })();
    }, function () {
      throw failure(file, "the connection to the server failed");
    }).then(function (buffer) {
      if (file.total !== null && buffer.byteLength !== file.total)
        throw failure(file, "it stopped after " + buffer.byteLength + " of " + file.total + " bytes");
      return file.type === "text" ? new TextDecoder().decode(buffer) : buffer;
    }, function (error) {
      if (error.shown) throw error;
      throw failure(file, "the connection broke off");
    });
  }

  // The first download that fails stops the others.
  function downloadAll() {
    return Promise.all(files.map(function (file) {
      return download(file).catch(function (error) {
        if (stopDownloads) stopDownloads.abort();
        throw error;
      });
    })).then(function (results) {
      kept.programText = results[0];
      kept.data = results[2];
      return WebAssembly.compile(results[1]).then(function (module) {
        kept.wasm = module;
        kvistraPage.loading.done = true;
      }, function (error) {
        var shown = new Error("This browser cannot run the program (kvistra.wasm): " + error.message);
        shown.shown = true;
        throw shown;
      });
    });
  }

  // ---------------------------------------------------------------------
  // The music.

  // What the encoder put around the piece, from LAME's information frame at
  // the start of an MP3 (the "gapless" record): its audio frames, and the
  // samples of priming and padding it added. null when there is none.
  function encoderRecord(bytes) {
    if (bytes.length < 192 || bytes[0] !== 0xff || (bytes[1] & 0xe0) !== 0xe0) return null;
    var mpeg1 = (bytes[1] & 0x18) === 0x18, mono = (bytes[3] & 0xc0) === 0xc0;
    var at = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    var tag = String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
    if (tag !== "Info" && tag !== "Xing") return null;
    var flags = bytes[at + 7], p = at + 8;
    if (!(flags & 1)) return null;
    var frames = ((bytes[p] << 24) | (bytes[p + 1] << 16) | (bytes[p + 2] << 8) | bytes[p + 3]) >>> 0;
    p += 4;
    if (flags & 2) p += 4;
    if (flags & 4) p += 100;
    if (flags & 8) p += 4;
    if (p + 24 > bytes.length || String.fromCharCode(bytes[p], bytes[p + 1], bytes[p + 2], bytes[p + 3]) !== "LAME")
      return null;
    var d = p + 21;
    return { samplesPerFrame: mpeg1 ? 1152 : 576, frames: frames,
             delay: (bytes[d] << 4) | (bytes[d + 1] >> 4), padding: ((bytes[d + 1] & 0x0f) << 8) | bytes[d + 2] };
  }

  // Where the piece lies in what the browser decoded, in seconds. A decoder
  // that honours the record gives exactly the piece; one that does not gives
  // every frame, the decoder's own 529 samples of delay and the encoder's
  // priming first (and the information frame as a silent frame, if it does
  // not know it either): the piece then starts that far in.
  function pieceIn(buffer, record) {
    var whole = { start: 0, length: buffer.duration };
    if (!record) return whole;
    var rate = buffer.sampleRate / (record.samplesPerFrame === 1152 ? 44100 : 22050);
    var piece = record.frames * record.samplesPerFrame - record.delay - record.padding;
    var decoded = buffer.length / rate, lead = null;
    if (Math.abs(decoded - piece) <= 2) lead = 0;
    else if (Math.abs(decoded - record.frames * record.samplesPerFrame) <= 2) lead = record.delay + 529;
    else if (Math.abs(decoded - (record.frames + 1) * record.samplesPerFrame) <= 2)
      lead = record.samplesPerFrame + record.delay + 529;
    if (lead === null) return whole;
    var sampleRate = buffer.length / buffer.duration;
    return { start: lead * rate / sampleRate, length: piece * rate / sampleRate };
  }

  // Decodes the music once, with the browser's decoder, off any audio
  // output (an offline context); the decoded buffer plays in every
  // showing's own context. A browser without Web Audio, or one that cannot
  // decode it, leaves it undecoded: the program says so.
  function decodeMusic(fileSystem) {
    var Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
    if (!Offline || !fileSystem.analyzePath("music.mp3").exists) return Promise.resolve();
    var bytes = fileSystem.readFile("music.mp3");
    var record = encoderRecord(bytes);
    var decoder;
    try {
      decoder = new Offline(2, 1, 44100);
    } catch (e) {
      return Promise.resolve();
    }
    return new Promise(function (resolve) {
      var copy = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
      var done = function (buffer) {
        kept.decoded["music.mp3"] = buffer;
        kept.pieces["music.mp3"] = pieceIn(buffer, record);
        resolve();
      };
      // Older engines take callbacks and return nothing.
      var promise = decoder.decodeAudioData(copy, done, function () { resolve(); });
      if (promise && promise.catch) promise.catch(function () { resolve(); });
    });
  }

  // The context time being heard now: from the browser's output timestamp
  // where it gives one (the context time leaving the output at a moment of
  // the page's clock) and its timestamps keep to the page's clock, else the
  // context's time less its output latency. When the output did not start
  // (no sound device: the context stays suspended and its time at 0), the
  // page's own clock instead, and the show plays in step, silent. Never
  // going back.
  function heardTime() {
    var context = this.context, heard = null;
    if (this.silent) {
      heard = performance.now() / 1000;
    } else {
      if (context.getOutputTimestamp && !this.stampsAstray) {
        var stamp = context.getOutputTimestamp();
        if (stamp.performanceTime > 0 && stamp.contextTime > 0)
          heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
      }
      if (heard === null) heard = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    }
    this.lastHeard = Math.max(this.lastHeard, heard);
    return this.lastHeard;
  }

  // The showing's audio: its own context, made in the gesture so that it
  // may start; none where the browser has no Web Audio.
  function openAudio() {
    var audio = { context: null, decoded: kept.decoded, pieces: kept.pieces, lastHeard: -Infinity, silent: false,
                  stampsAstray: false, heard: heardTime };
    var AudioContextType = window.AudioContext || window.webkitAudioContext;
    if (AudioContextType) {
      try {
        audio.context = new AudioContextType({ sampleRate: 44100 });
      } catch (e) {
        try { audio.context = new AudioContextType(); } catch (e2) { audio.context = null; }
      }
    }
    return audio;
  }

  // The gesture lets the audio output start; the program starts once it
  // runs and says when its samples are heard (at most a second later), so
  // that the music's start is heard where the clock puts it, not in the
  // output's first unsteady moments. An output that has not started by
  // then will not: the show's clock is the page's own, and it plays silent.
  // Output timestamps whose page time does not advance with their context
  // time (WebKitGTK's advance twice as fast) are not used.
  function outputRunning(audio) {
    var context = audio.context;
    if (!context) return Promise.resolve();
    context.resume().catch(function () {});
    var deadline = performance.now() + 1000, steadyFrom = null, firstStamp = null;
    var stampOf = function () {
      var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
      return stamp && { contextTime: stamp.contextTime, performanceTime: stamp.performanceTime };
    };
    return new Promise(function (resolve) {
      (function check() {
        var now = performance.now(), stamp = stampOf();
        var timed = context.state === "running" && context.currentTime > 0 && (!stamp || stamp.performanceTime > 0);
        if (timed && steadyFrom === null) {
          steadyFrom = now;
          firstStamp = stamp;
        }
        if ((timed && now - steadyFrom >= 200) || now >= deadline) {
          audio.silent = !(context.state === "running" && context.currentTime > 0);
          if (firstStamp && stamp && stamp.contextTime > firstStamp.contextTime) {
            var rate = (stamp.performanceTime - firstStamp.performanceTime) / 1000 / (stamp.contextTime - firstStamp.contextTime);
            audio.stampsAstray = !(rate > 0.8 && rate < 1.25);
          }
          kvistraPage.silent = audio.silent;
          kvistraPage.stampsAstray = !!audio.stampsAstray;
          resolve();
        } else {
          setTimeout(check, 10);
        }
      })();
    });
  }

  // ---------------------------------------------------------------------
  // A showing: one instance of the program.

  function programArguments() {
    var args = [];
    if (query.has("fps")) args.push("--fps", query.get("fps"));
    (query.get("at") || "").split(",").filter(Boolean).forEach(function (t) { args.push("--at", t); });
    if (query.has("stop")) args.push("--stop", query.get("stop"));
    return args;
  }

  function toBase64(bytes) {
    var text = "";
    for (var i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }

  // A fresh canvas in place of the last showing's, whose context is let go.
  function freshCanvas() {
    var fresh = canvas.cloneNode(false);
    var old = canvas.getContext("webgl2"), lose = old && old.getExtension("WEBGL_lose_context");
    if (lose) lose.loseContext();
    canvas.parentNode.replaceChild(fresh, canvas);
    canvas = fresh;
  }

  // Makes a fresh instance of the program: kvistra.js run on a new Module,
  // in a scope of its own (its variables are an instance's, not the
  // window's), the compiled WebAssembly and the kept files in place of
  // downloads. Resolves with the Module once its runtime is up, its files in
  // place.
  function newInstance() {
    return new Promise(function (resolve, reject) {
      var module = {
        canvas: canvas,
        // The file packager's own decoding of pictures and sounds: not needed.
        noImageDecoding: true,
        noAudioDecoding: true,
        print: function (line) {
          kvistraPage.output += line + "\n";
          output.textContent = kvistraPage.output;
        },
        printErr: function (line) { console.error(line); },
        instantiateWasm: function (imports, receive) {
          WebAssembly.instantiate(kept.wasm, imports).then(function (instance) { receive(instance, kept.wasm); }, reject);
          return {};
        },
        getPreloadedPackage: function () { return kept.data; },
        onRuntimeInitialized: function () {
          var without = query.get("without");
          if (without && module.FS.analyzePath(without).exists) module.FS.unlink(without);
          resolve(module);
        },
        onPass: onPass,
        onPicture: onPicture,
        onEnd: onEnd,
        enterFullscreen: enterFullscreen,
        leaveFullscreen: leaveFullscreen,
      };
      kvistraPage.nextModule = module;
      var script = document.createElement("script");
      script.text = "(function (Module) {\n" + kept.programText + "\n})(kvistraPage.nextModule);";
      document.body.appendChild(script);
      document.body.removeChild(script);
      delete kvistraPage.nextModule;
    });
  }

  function onPass(stage, start, clockAtStart, clock, sceneStart) {
    var now = performance.now();
    if (kvistraPage.lastPassTime !== null)
      kvistraPage.frames.push([kvistraPage.stage, now - kvistraPage.lastPassTime, stage]);
    if (stage >= 2) kvistraPage.clock.push([now, clock]);
    if (stage !== kvistraPage.stage) kvistraPage.stages.push([stage, start, now, clockAtStart, clock, sceneStart]);
    if (kvistraPage.firstTitleTime === null && stage >= 2) kvistraPage.firstTitleTime = now;
    kvistraPage.lastPassTime = now;
    if (stage !== kvistraPage.stage) document.body.dataset.stage = stage;
    kvistraPage.stage = stage;
  }

  function onPicture(name, rgb, width, height) {
    var element = document.createElement("output");
    element.className = "picture";
    element.dataset.at = name;
    element.dataset.run = kvistraPage.runs;
    element.dataset.width = width;
    element.dataset.height = height;
    element.textContent = toBase64(rgb);
    element.hidden = true;
    document.body.appendChild(element);
  }

  // The program has ended (its standard output complete): its words stay,
  // the pointer comes back, and after a show that ran, the offer to watch
  // again. Nothing of it runs any more.
  function onEnd(status) {
    if (kvistraPage.ended) return;
    kvistraPage.ended = true;
    kvistraPage.status = status;
    // The program leaves full screen itself, unless it ended before it
    // took it over.
    leaveFullscreen();
    canvas.style.cursor = "";
    endBox.hidden = false;
    again.hidden = status !== 0;
    if (status === 0) again.focus();
    document.body.dataset.status = status;
  }

  // ---------------------------------------------------------------------
  // Starting a showing.

  var instance = null;  // the instance ready for the next start

  function resetShowing(how) {
    kvistraPage.runs++;
    kvistraPage.gesture = how;
    kvistraPage.silent = false;
    kvistraPage.stampsAstray = false;
    kvistraPage.started = true;
    kvistraPage.ended = false;
    kvistraPage.status = null;
    kvistraPage.output = "";
    kvistraPage.frames = [];
    kvistraPage.clock = [];
    kvistraPage.stages = [];
    kvistraPage.gestureTime = performance.now();
    kvistraPage.firstTitleTime = null;
    kvistraPage.lastPassTime = null;
    kvistraPage.stage = -1;
    output.textContent = "";
    delete document.body.dataset.status;
  }

  // The program's picture and GL layer made ready before its start (the
  // driver compiles the layer's programs and their variants meanwhile).
  function prepare(module) {
    module._prepareShow();
    return module;
  }

  // Full screen for the showing's canvas: asked for once (browsers grant it
  // only within a gesture: the start's), and left again at the end, also
  // when granted only after it. The program's display layer asks and leaves
  // through these (Module.enterFullscreen, Module.leaveFullscreen). Where
  // the browser has no full screen or refuses it, the show plays in the
  // page at 4:3.
  var fullscreenRequest = null;

  function enterFullscreen() {
    if (!fullscreenRequest && canvas.requestFullscreen)
      fullscreenRequest = canvas.requestFullscreen().catch(function () {});
  }

  function leaveFullscreen() {
    var shown = canvas;
    var leave = function () {
      if (document.fullscreenElement === shown && document.exitFullscreen) document.exitFullscreen().catch(function () {});
    };
    leave();
    if (fullscreenRequest) fullscreenRequest.then(leave);
  }

  // In the gesture: the showing's audio context and full screen (browsers
  // allow both only within one), then the program once the output runs.
  function startShowing(how, ready) {
    resetShowing(how);
    promptBox.hidden = true;
    endBox.hidden = true;
    canvas.hidden = false;
    // The audio first: asking for full screen uses the gesture up in
    // WebKitGTK, whose context made after it would not start.
    var audio = openAudio(), running = outputRunning(audio);
    fullscreenRequest = null;
    enterFullscreen();
    Promise.all([ready.then(prepare), running]).then(function (results) {
      var module = results[0];
      module.kvistraAudio = audio;
      module.callMain(programArguments());
    }, function (error) {
      showFailure("The program did not start: " + error.message);
    });
  }

  // The gesture's kind, or null for an event that does not start the show
  // (a mouse's pointerup, which its click follows; Escape; a lone modifier).
  function gestureOf(event) {
    if (event.type === "keydown")
      return /^(Escape|Shift|Control|Alt|Meta|AltGraph|CapsLock|Tab|Fn)$/.test(event.key) ? null : "key";
    if (event.type === "touchend") return "touch";
    if (event.type === "pointerup") return event.pointerType === "touch" || event.pointerType === "pen" ? "touch" : null;
    return "click";
  }

  var gestures = ["keydown", "click", "touchend", "pointerup"];

  function onFirstGesture(event) {
    var how = gestureOf(event);
    if (!how || kvistraPage.started) return;
    event.preventDefault();
    gestures.forEach(function (type) { window.removeEventListener(type, onFirstGesture, true); });
    startShowing(how, Promise.resolve(instance));
    instance = null;
  }

  function waitForGesture() {
    progress.hidden = true;
    say("Click, touch or press a key to start.");
    gestures.forEach(function (type) { window.addEventListener(type, onFirstGesture, { capture: true, passive: false }); });
  }

  again.addEventListener("click", function (event) {
    if (!kvistraPage.ended) return;
    event.preventDefault();
    freshCanvas();
    startShowing(event.detail === 0 ? "key" : "click", newInstance());
  });

  function showFailure(line) {
    promptBox.hidden = false;
    progress.hidden = true;
    canvas.hidden = true;
    endBox.hidden = true;
    say(line);
    document.body.dataset.failed = "true";
  }

  if (!hasWebGl2()) {
    showFailure("This browser gives the page no WebGL 2, which the show needs: a current browser, with " +
      "hardware acceleration switched on in its settings, would show it.");
    return;
  }
  showProgress();
  downloadAll()
    .then(newInstance)
    .then(function (module) {
      instance = module;
      // The decoder works on its own thread meanwhile.
      var decoded = decodeMusic(module.FS);
      say("Preparing the show...");
      return new Promise(function (resolve) { setTimeout(resolve, 0); }).then(function () {
        prepare(module);
        return decoded;
      });
    })
    .then(waitForGesture, function (error) {
      showFailure(error.shown ? error.message : "The show did not load: " + error.message);
    });
})();
