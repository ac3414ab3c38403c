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
// the pass before, the stage it left) and the moments of the start gesture
// and of the first title frame are kept in kvistraPage either way.
"use strict";

var kvistraPage = {
  started: false,
  ended: false,
  status: null,
  output: "",
  frames: [],
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

  // Web Audio decodes asynchronously: the music is decoded before the
  // program may start, so the program's audio calls stay synchronous.
  function decodeMusic() {
    var audio = { context: null, decoded: {} };
    Module.kvistraAudio = audio;
    var AudioContextType = window.AudioContext || window.webkitAudioContext;
    try {
      audio.context = new AudioContextType({ sampleRate: 44100 });
    } catch (e) {
      try { audio.context = AudioContextType ? new AudioContextType() : null; } catch (e2) { audio.context = null; }
    }
    if (!audio.context || !FS.analyzePath("music.mp3").exists) return Promise.resolve();
    var bytes = FS.readFile("music.mp3");
    return audio.context.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength))
      .then(function (buffer) { audio.decoded["music.mp3"] = buffer; }, function () {});
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
    Module.callMain(programArguments());
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
    onPass: function (stage) {
      var now = performance.now();
      if (kvistraPage.lastPassTime !== null)
        kvistraPage.frames.push([kvistraPage.stage, now - kvistraPage.lastPassTime, stage]);
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
