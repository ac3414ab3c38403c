// web_page.mjs: the web page (build-web) in each browser engine, served
// from 127.0.0.1 by this script and driven through web/drivers/: its frames
// against the native capture's, the music it plays against the native
// decoder's, the show's end, Escape in a scene, the show in real time
// started by a key, by touch without the Fullscreen API, watching again, a
// missing library, missing music, a browser without Web Audio, a failed
// download, a browser without WebGL 2. After every end: nothing runs any
// more and the pointer is back. The engines run one after another; a
// failure names the engine.
// usage: node --experimental-websocket web_page.mjs <web build dir> <native run dir> [engine...]
//        (engines: chromium, firefox, webkit; all three by default)
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { browserNames, launchBrowser, serve, waitFor } from "../../web/drivers/browser.mjs";
import { endProcess, makeFolder, removeFolder, startProcess } from "../../web/drivers/processes.mjs";

const [webDir, runDir] = process.argv.slice(2, 4).map((dir) => path.resolve(dir));
const engines = process.argv.length > 4 ? process.argv.slice(4) : browserNames;
const fpsLine = /^\n\n\nfps:\d+\.\d\d\n$/;
// The pictures' moments: the title, and "add.3ds", "ting.3ds" (its trails)
// and "snurr.3ds" (the keyframed camera, the banner).
const moments = ["13", "50", "110", "165"];
const cases = [
  { name: "pictures", query: `fps=5&at=${moments}&stop=165`, status: 0, output: /^$/, loading: true, music: true },
  { name: "whole show", query: "fps=2", status: 0, output: fpsLine },
  { name: "Escape in a scene", query: "fps=2", escapeAtStage: 7, status: 0, output: fpsLine },
  // The audio clock where the browser has an output, else the page's own.
  { name: "real time, started by a key, Escape", query: "", how: "key", escapeAtTenths: 20, status: 0, output: fpsLine },
  { name: "started by touch, no Fullscreen API", path: "no-fullscreen/", query: "fps=5&stop=4", how: "touch",
    status: 0, output: /^$/, inPage: true },
  { name: "watch again", query: "fps=5&at=13&stop=13", status: 0, output: /^$/, again: true },
  { name: "no library", query: "without=ant", status: 1, output: /^CANNOT open library : ant\n$/ },
  { name: "no music", query: "without=music.mp3", status: 1, output: /^Error\(3\): Can't play the file\n$/ },
  { name: "no audio output", path: "no-audio/", query: "", status: 1, output: /^Error\(1\): Can't initialize device\n$/ },
  { name: "failed download", path: "no-data/", query: "",
    failure: /^The download of the show's pictures, models and music \(kvistra\.data\) failed: the server answered 404/ },
  { name: "no WebGL 2", path: "no-webgl2/", query: "",
    failure: /^This browser gives the page no WebGL 2, which the show needs: a current browser, with hardware acceleration/ },
];

// Before the page's own scripts in every variant: counts the page's
// animation frame requests and callbacks and keeps every audio context it
// makes (the test's own frames go through kvistraWatch.tick, uncounted).
const watch = `(function () {
  var watch = window.kvistraWatch = { requests: 0, frames: 0, contexts: [] };
  var request = window.requestAnimationFrame.bind(window);
  watch.tick = request;
  window.requestAnimationFrame = function (callback) {
    watch.requests++;
    return request(function (time) { watch.frames++; callback(time); });
  };
  ["AudioContext", "webkitAudioContext"].forEach(function (name) {
    var Type = window[name];
    if (!Type) return;
    var Kept = function (options) {
      var context = options === undefined ? new Type() : new Type(options);
      watch.contexts.push(context);
      return context;
    };
    Kept.prototype = Type.prototype;
    window[name] = Kept;
  });
})();`;
const variants = {
  page: { script: watch },
  "no-audio": { script: watch + "delete window.AudioContext; delete window.webkitAudioContext;" },
  "no-data": { script: watch, missing: ["kvistra.data"] },
  "no-webgl2": { script: watch + `delete window.WebGL2RenderingContext;
    HTMLCanvasElement.prototype.getContext = (function (get) {
      return function (type) { return /webgl2/i.test(type) ? null : get.apply(this, arguments); };
    })(HTMLCanvasElement.prototype.getContext);` },
  "no-fullscreen": { script: watch + `["requestFullscreen", "webkitRequestFullscreen", "webkitRequestFullScreen"]
      .forEach(function (name) { delete Element.prototype[name]; delete HTMLElement.prototype[name]; });
    ["exitFullscreen", "webkitExitFullscreen", "fullscreenElement", "webkitFullscreenElement", "fullscreenEnabled",
      "webkitFullscreenEnabled"].forEach(function (name) { delete Document.prototype[name]; });` },
};

function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; i++) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? 99 : 10 * Math.log10((255 * 255 * a.length) / sum);
}

const startLine = "document.getElementById('prompt-line').textContent";
const pageState = `({status: kvistraPage.status, output: kvistraPage.output, runs: kvistraPage.runs,
  gesture: kvistraPage.gesture, silent: kvistraPage.silent, stages: kvistraPage.frames.map(f => f[2]),
  clock: kvistraPage.clock, pictures: [...document.querySelectorAll('output.picture')]
    .filter(e => e.dataset.run == kvistraPage.runs).map(e => [e.dataset.at, e.textContent])})`;

// The download's bytes against the files' sizes, all of them received, and
// the bar full.
async function checkLoading(driver, faults) {
  const sizes = ["kvistra.js", "kvistra.wasm", "kvistra.data"].reduce((sum, f) => sum + fs.statSync(path.join(webDir, f)).size, 0);
  const loading = await driver.evaluate(`({...kvistraPage.loading, value: document.getElementById('progress').value,
    max: document.getElementById('progress').max})`);
  if (!(loading.done && loading.received === sizes && loading.total === sizes && loading.value === loading.max))
    faults.push(`loading: ${JSON.stringify(loading)}, the files ${sizes} bytes`);
}

// The music the page plays: exactly the piece, 190.0 s from the start of
// the decoded buffer the browser's decoder gives, and its samples there
// the native decoder's (ffmpeg's, which honours the encoder's record as
// the demo's does): 441 samples a channel from 1 s in, each within 0.001;
// where they are not, the shift that matches best (up to 1,200 samples) is
// reported.
async function checkMusic(engine, driver, faults) {
  const first = 44100, count = 441, reach = 1200;
  const music = await driver.evaluate(`(() => {
    const buffer = kvistraPage.decoded["music.mp3"], piece = kvistraPage.pieces["music.mp3"];
    if (!buffer || !piece) return null;
    const at = Math.round(piece.start * buffer.sampleRate) + ${first};
    return { length: buffer.length, rate: buffer.sampleRate, channels: buffer.numberOfChannels, piece,
      samples: [0, 1].map(c => Array.from(buffer.getChannelData(Math.min(c, buffer.numberOfChannels - 1))
        .subarray(at - ${reach}, at + ${count + reach}))) };
  })()`);
  if (!music) return faults.push("music: not decoded");
  const reference = new Float32Array(new Uint8Array(execFileSync("ffmpeg", ["-v", "error", "-i", path.join(runDir, "music.mp3"),
    "-af", `atrim=start_sample=${first}:end_sample=${first + count}`, "-f", "f32le", "-ac", "2", "-"])).buffer);
  const difference = (shift) => Math.max(...[0, 1].flatMap((c) => Array.from({ length: count },
    (_, i) => Math.abs(music.samples[c][reach + shift + i] - reference[2 * i + c]))));
  const exact = difference(0);
  console.log(`  ${engine} music: ${music.length} samples decoded at ${music.rate} Hz, ${music.channels} channels; ` +
    `the piece from ${(music.piece.start * music.rate).toFixed(1)} samples, ${(music.piece.length * music.rate).toFixed(1)} ` +
    `samples long; at 1 s the native decoder's samples within ${exact.toExponential(1)}`);
  if (music.rate !== 44100 || Math.abs(music.piece.length - 190) > 0.5 / 44100) faults.push(`music: the piece ${JSON.stringify(music.piece)}`);
  if (!(exact <= 0.001)) {
    let best = 0;
    for (let shift = -reach; shift <= reach; shift++) if (difference(shift) < difference(best)) best = shift;
    faults.push(`music: at 1 s ${exact} from the native decoder's samples; best ${difference(best)} ${best} samples later`);
  }
}

// While the show plays in real time: the demo clock against the page's own,
// from the first title frame to the last pass (the clock in tenths).
function checkInStep(page, faults) {
  const clock = page.clock.filter((c) => c[1] > 0);
  if (clock.length < 2) return faults.push("real time: the clock did not move");
  const [t0, c0] = clock[0], [t1, c1] = clock[clock.length - 1];
  const rate = ((c1 - c0) * 100) / (t1 - t0);
  if (!(t1 - t0 >= 1000 && rate > 0.8 && rate < 1.25)) faults.push(`real time: the clock ran ${(c1 - c0) / 10} s in ${(t1 - t0).toFixed(0)} ms`);
}

// Without full screen the show plays in the page: the canvas at 4:3, as
// large as the window lets it, in the middle.
async function checkInPage(driver, faults) {
  const box = await driver.evaluate(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height, windowWidth: innerWidth, windowHeight: innerHeight,
      fullscreen: document.fullscreenElement || null }; })()`);
  const fits = Math.abs(box.width - box.windowWidth) <= 1 || Math.abs(box.height - box.windowHeight) <= 1;
  const centred = Math.abs(box.x * 2 + box.width - box.windowWidth) <= 2 && Math.abs(box.y * 2 + box.height - box.windowHeight) <= 2;
  if (box.fullscreen || !(Math.abs(box.width * 3 - box.height * 4) <= 4) || !fits || !centred) faults.push(`in the page: ${JSON.stringify(box)}`);
}

// After an end: the program's words on the page, the offer to watch again
// after a show that ran, full screen left, the pointer back, no animation
// frame requested or run while the test's own ten frames pass, and every
// audio context the page made closed.
async function checkAfterEnd(driver, page, faults) {
  const before = await driver.evaluate("[kvistraWatch.requests, kvistraWatch.frames]");
  await driver.evaluate("(kvistraWatch.ticks = 0, (function tick() { if (++kvistraWatch.ticks < 10) kvistraWatch.tick(tick); })(), 0)");
  await waitFor(driver, "kvistraWatch.ticks >= 10", 30, "ten animation frames after the end");
  try {
    await waitFor(driver, "!document.fullscreenElement && kvistraWatch.contexts.every(c => c.state === 'closed')", 30,
      "full screen left and the audio closed");
  } catch (error) {
    faults.push(error.message);
  }
  const after = await driver.evaluate(`({frames: [kvistraWatch.requests, kvistraWatch.frames],
    contexts: kvistraWatch.contexts.map(c => c.state), fullscreen: !!document.fullscreenElement,
    cursor: getComputedStyle(document.elementFromPoint(innerWidth / 2, innerHeight / 2)).cursor,
    shown: !document.getElementById('end').hidden && document.getElementById('output').textContent === kvistraPage.output,
    again: !document.getElementById('again').hidden})`);
  if (after.frames[0] !== before[0] || after.frames[1] !== before[1])
    faults.push(`animation frames after the end: ${before} then ${after.frames}`);
  if (after.cursor === "none") faults.push("the pointer is still hidden");
  if (!after.shown) faults.push("the program's words are not shown");
  if (after.again !== (page.status === 0)) faults.push(`the offer to watch again ${after.again ? "shown" : "missing"}`);
}

async function start(driver, engine, test, faults) {
  const how = test.how === "touch" && !driver.touch ? "click" : test.how || "click";
  if (how !== (test.how || "click")) console.log(`  ${engine}: no trusted touch from its driver; started by a click`);
  if (how === "key") await driver.pressKey("Enter");
  else if (how === "touch") await driver.touch(100, 100);
  else await driver.click(100, 100);
  await waitFor(driver, "kvistraPage.runs > 0", 30, "start");
  const gesture = await driver.evaluate("kvistraPage.gesture");
  if (gesture !== how) faults.push(`started by ${gesture}, not by ${how}`);
}

async function playUntilEnd(driver, test) {
  if (test.escapeAtStage) {
    await waitFor(driver, `kvistraPage.stage >= ${test.escapeAtStage}`, 60, `stage ${test.escapeAtStage}`);
    await driver.pressKey("Escape");
  }
  let fullscreen = null;
  if (test.escapeAtTenths) {
    await waitFor(driver, `kvistraPage.clock.length > 0 && kvistraPage.clock[kvistraPage.clock.length - 1][1] >= ${test.escapeAtTenths}`,
      60, `the clock at ${test.escapeAtTenths / 10} s`);
    fullscreen = await driver.evaluate("document.fullscreenElement === document.getElementById('canvas')");
    await driver.pressKey("Escape");
  }
  await waitFor(driver, "kvistraPage.ended", 120, "end");
  return { ...await driver.evaluate(pageState), fullscreen };
}

function checkEnd(test, page, faults) {
  if (page.status !== test.status) faults.push(`status ${page.status}`);
  if (!test.output.test(page.output)) faults.push(`output ${JSON.stringify(page.output)}`);
  // The stage the last logged pass left (one pass may go from a scene to the
  // next one's set-up and first frame): a scene's when Escape ended it, not
  // the last scene's end.
  const lastStage = page.stages[page.stages.length - 1];
  if (test.escapeAtStage && !(lastStage >= test.escapeAtStage && lastStage < 24)) faults.push(`ended from stage ${lastStage}`);
}

async function runCase(engine, driver, base, test) {
  const faults = [], notes = [];
  await driver.open(`${base}/${test.path || "page/"}kvistra.html?${test.query}`);
  if (test.failure) {
    await waitFor(driver, "document.body.dataset.failed === 'true'", 60, "the failure's line");
    const line = await driver.evaluate(startLine);
    if (!test.failure.test(line)) faults.push(`the line ${JSON.stringify(line)}`);
    if (await driver.evaluate("kvistraPage.runs") !== 0) faults.push("the program started");
    return { faults, notes };
  }
  await waitFor(driver, `${startLine}.startsWith('Click')`, 60, "start line");
  if (test.loading) await checkLoading(driver, faults);
  if (test.music) await checkMusic(engine, driver, faults);
  await start(driver, engine, test, faults);
  let page = await playUntilEnd(driver, test);
  checkEnd(test, page, faults);
  if (test.escapeAtTenths) {
    checkInStep(page, faults);
    if (!page.fullscreen) faults.push("not full screen while playing");
    notes.push(page.silent ? "no audio output: the page's clock, silent" : "the audio clock");
    // Chromium and WebKitGTK always have an output whose clock runs (a
    // stand-in without a sound server); Firefox has none without one.
    if (page.silent && engine !== "firefox") faults.push("the audio output did not start");
  }
  if (test.inPage) await checkInPage(driver, faults);
  await checkAfterEnd(driver, page, faults);
  if (test.again) {
    // A trusted click on the offer: the show again from the title, with
    // nothing downloaded again.
    const first = page.pictures, fetched = await driver.evaluate("performance.getEntriesByType('resource').length");
    const button = await driver.evaluate("(r => [r.left + r.width / 2, r.top + r.height / 2])(document.getElementById('again').getBoundingClientRect())");
    await driver.click(Math.round(button[0]), Math.round(button[1]));
    await waitFor(driver, "kvistraPage.runs === 2", 30, "the second showing");
    page = await playUntilEnd(driver, test);
    checkEnd(test, page, faults);
    await checkAfterEnd(driver, page, faults);
    if (page.stages[0] !== 2) faults.push(`the second showing began with stage ${page.stages[0]}`);
    if (!page.pictures.length || page.pictures[0][1] !== first[0]?.[1]) faults.push("the second showing drew another title frame");
    const refetched = await driver.evaluate("performance.getEntriesByType('resource').length") - fetched;
    if (refetched) faults.push(`${refetched} files downloaded again`);
  }
  return { faults, notes, pictures: page.pictures, moments: test.again ? ["13"] : test.name === "pictures" ? moments : [] };
}

// Each picture against the native capture's, in dB (at least 30 each).
async function comparePictures(engine, result) {
  if (!result.moments?.length) return;
  if ((await captured) !== 0) return result.faults.push("the native capture failed");
  for (const t of result.moments) {
    const picture = result.pictures.find((p) => p[0] === t);
    if (!picture) { result.faults.push(`no picture at ${t} s`); continue; }
    const reference = execFileSync("convert", [path.join(native, `kvistra-at-${t}.png`), "-depth", "8", "rgb:-"],
      { maxBuffer: 1 << 24 });
    const db = psnr(Buffer.from(picture[1], "base64"), reference);
    result.notes.push(`${t} s: ${db.toFixed(2)} dB`);
    if (!(db >= 30)) result.faults.push(`${t} s: ${db.toFixed(2)} dB`);
  }
}

const work = makeFolder("kvistra-web-");
const native = path.join(work, "native");
fs.mkdirSync(native);
// The native capture of the same moments, beside the first browser.
const capture = startProcess(path.join(runDir, "kvistra-capture"),
  ["--dir", runDir, "--fps", "5", ...moments.flatMap((t) => ["--at", t])], { cwd: native });
const captured = capture.exited;
const server = await serve(webDir, variants);
const base = `http://127.0.0.1:${server.address().port}`;
let passed = 0, failed = 0;
try {
  for (const engine of engines) {
    const engineStarted = Date.now();
    let driver = null;
    try {
      driver = await launchBrowser(engine);
      for (const test of cases) {
        const started = Date.now();
        let result;
        try {
          result = await runCase(engine, driver, base, test);
          await comparePictures(engine, result);
        } catch (error) {
          result = { faults: [error.message], notes: [] };
        }
        console.log(`${result.faults.length ? "FAIL" : "ok  "} ${engine}: ${test.name} (${((Date.now() - started) / 1000).toFixed(1)} s)` +
          result.notes.map((n) => `\n    ${n}`).join("") + result.faults.map((f) => `\n    FAULT ${f}`).join(""));
        result.faults.length ? failed++ : passed++;
      }
    } catch (error) {
      console.log(`FAIL ${engine}: ${error.message}`);
      failed++;
    } finally {
      await driver?.close();
    }
    console.log(`${engine}: ${((Date.now() - engineStarted) / 1000).toFixed(1)} s`);
  }
} catch (error) {
  console.log(`FAIL ${error.message}`);
  failed++;
} finally {
  await endProcess(capture);
  server.close();
  removeFolder(work);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
