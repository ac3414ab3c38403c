// kvistra-page.js: the page around the program. It decodes the music with
// the browser's decoder before the program starts, waits for the viewer's
// first click or key (sound may only start after a gesture), starts the
// program, and shows what the program writes to standard output when it
// ends. The program's own parts are in kvistra.js (emscripten's output).
//
// Test and benchmark parameters in the address: fps=N runs the show on a
// virtual clock at N frames per second, at=T1,T2,... puts the frames shown at
// those times into the page as base64 RGB (<output class="picture">),
// stop=T ends it after the frame at T seconds; without=NAME removes the file
// NAME ("ant", "music.mp3") from the program's files. The frame log
// (kvistraPage.frames, per pass: the stage it found, the milliseconds since
// the pass before, the stage it left), the demo clock after each pass
// (kvistraPage.clock: performance.now() and the clock in tenths), each change
// of stage (kvistraPage.stages: the stage, the pass's start and end, the
// clock then, the scene's start) and the moments of the start gesture and of
// the first title frame are kept in kvistraPage either way.
"use strict";

var kvistraPage = {
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
  var canvas = document.getElementById("canvas");
  var promptLine = document.getElementById("prompt-line");
  var output = document.getElementById("output");

  function programArguments() {
    var args = [];
    if (query.has("fps")) args.push("--fps", query.get("fps"));
    (query.get("at") || "").split(",").filter(Boolean).forEach(function (t) { args.push("--at", t); });
    if (query.has("stop")) args.push("--stop", query.get("stop"));
    return args;
  }

  function print(line) {
    kvistraPage.output += line + "\n";
    output.textContent = kvistraPage.output;
  }

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

  // The context time being heard now: from the browser's output timestamp
  // where it gives one (the context time leaving the output at a moment of
  // the page's clock), else the context's time less its output latency.
  // Never going back.
  function heardTime() {
    var context = this.context, heard = null;
    if (context.getOutputTimestamp) {
      var stamp = context.getOutputTimestamp();
      if (stamp.performanceTime > 0 && stamp.contextTime > 0)
        heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    }
    if (heard === null) heard = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    this.lastHeard = Math.max(this.lastHeard, heard);
    return this.lastHeard;
  }

  // Web Audio decodes asynchronously: the music is decoded before the
  // program may start, so the program's audio calls stay synchronous.
  function decodeMusic() {
    var audio = { context: null, decoded: {}, pieces: {}, lastHeard: -Infinity, heard: heardTime };
    Module.kvistraAudio = audio;
    var AudioContextType = window.AudioContext || window.webkitAudioContext;
    try {
      audio.context = new AudioContextType({ sampleRate: 44100 });
    } catch (e) {
      try { audio.context = AudioContextType ? new AudioContextType() : null; } catch (e2) { audio.context = null; }
    }
    if (!audio.context || !FS.analyzePath("music.mp3").exists) return Promise.resolve();
    var bytes = FS.readFile("music.mp3");
    var record = encoderRecord(bytes);
    return audio.context.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength))
      .then(function (buffer) {
        audio.decoded["music.mp3"] = buffer;
        audio.pieces["music.mp3"] = pieceIn(buffer, record);
      }, function () {});
  }

  function start(event) {
    if (kvistraPage.started) return;
    kvistraPage.started = true;
    kvistraPage.gestureTime = performance.now();
    if (event) event.preventDefault();
    window.removeEventListener("keydown", start, true);
    window.removeEventListener("click", start, true);
    document.getElementById("prompt").hidden = true;
    canvas.hidden = false;
    outputRunning().then(function () { Module.callMain(programArguments()); });
  }

  // The gesture lets the audio output start; the program starts once it
  // runs and says when its samples are heard (at most a second later), so
  // that the music's start is heard where the clock puts it, not in the
  // output's first unsteady moments.
  function outputRunning() {
    var audio = Module.kvistraAudio, context = audio && audio.context;
    if (!context) return Promise.resolve();
    context.resume().catch(function () {});
    var deadline = performance.now() + 1000, steadyFrom = null;
    return new Promise(function (resolve) {
      (function check() {
        var now = performance.now();
        var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
        var timed = context.state === "running" && context.currentTime > 0 && (!stamp || stamp.performanceTime > 0);
        if (timed && steadyFrom === null) steadyFrom = now;
        if ((timed && now - steadyFrom >= 200) || now >= deadline) resolve();
        else setTimeout(check, 10);
      })();
    });
  }

  function waitForGesture() {
    promptLine.textContent = "Click or press a key to start.";
    window.addEventListener("keydown", start, true);
    window.addEventListener("click", start, true);
  }

  function toBase64(bytes) {
    var text = "";
    for (var i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }

  window.Module = {
    canvas: canvas,
    print: print,
    printErr: function (line) { console.error(line); },
    onRuntimeInitialized: function () {
      var without = query.get("without");
      if (without && FS.analyzePath(without).exists) FS.unlink(without);
      decodeMusic().then(waitForGesture);
    },
    onPass: function (stage, start, clockAtStart, clock, sceneStart) {
      var now = performance.now();
      if (kvistraPage.lastPassTime !== null)
        kvistraPage.frames.push([kvistraPage.stage, now - kvistraPage.lastPassTime, stage]);
      if (stage >= 2) kvistraPage.clock.push([now, clock]);
      if (stage !== kvistraPage.stage) kvistraPage.stages.push([stage, start, now, clockAtStart, clock, sceneStart]);
      if (kvistraPage.firstTitleTime === null && stage >= 2) kvistraPage.firstTitleTime = now;
      kvistraPage.lastPassTime = now;
      kvistraPage.stage = stage;
      document.body.dataset.stage = stage;
    },
    onPicture: function (name, rgb, width, height) {
      var element = document.createElement("output");
      element.className = "picture";
      element.dataset.at = name;
      element.dataset.width = width;
      element.dataset.height = height;
      element.textContent = toBase64(rgb);
      element.hidden = true;
      document.body.appendChild(element);
    },
    onEnd: function (status) {
      if (kvistraPage.ended) return;
      kvistraPage.ended = true;
      kvistraPage.status = status;
      output.hidden = false;
      canvas.style.cursor = "";
      document.body.dataset.status = status;
    },
  };
})();
