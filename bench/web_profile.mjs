// web_profile.mjs: where the web page's slow frames spend their time, in
// each browser engine. The show plays once in real time as in web_bench.mjs,
// with a script put before the page's own that times every animation frame
// callback (one sequencer pass: the program and the WebGL calls it makes) and
// counts and times each WebGL call within it. Printed per engine: the pass
// that set up and drew the first title frame, every pass slower than 20 ms
// and every scene change, each with the time inside the pass, the gap before
// it (the browser's own work between passes) and the WebGL calls that took
// the most time; then per scene the median and 95th percentile of the time
// inside the pass against the frame interval.
// usage: node --experimental-websocket bench/web_profile.mjs <web build dir> [engine...]
import path from "node:path";
import { browserNames, launchBrowser, serve, startPage, waitFor } from "../web/drivers/browser.mjs";

const webDir = path.resolve(process.argv[2] || "build-web");
const engines = process.argv.length > 3 ? process.argv.slice(3) : browserNames;

// Put before the page's scripts: per animation frame callback its start,
// its duration, per WebGL method called within it [calls, ms], and the
// length of the page's frame log after it.
const instrument = `(function () {
  var profile = window.kvistraProfile = { passes: [], calls: null };
  var request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = function (callback) {
    return request(function (time) {
      var calls = profile.calls = {};
      var start = performance.now();
      try { callback(time); } finally {
        profile.passes.push([start, performance.now() - start, calls, window.kvistraPage ? kvistraPage.frames.length : -1]);
        profile.calls = null;
      }
    });
  };
  var prototype = WebGL2RenderingContext.prototype;
  Object.getOwnPropertyNames(prototype).forEach(function (name) {
    var descriptor = Object.getOwnPropertyDescriptor(prototype, name);
    if (typeof descriptor.value !== "function" || name === "constructor") return;
    var original = descriptor.value;
    prototype[name] = function () {
      var calls = profile.calls;
      if (!calls) return original.apply(this, arguments);
      var start = performance.now();
      var result = original.apply(this, arguments);
      var entry = calls[name] || (calls[name] = [0, 0]);
      entry[0]++;
      entry[1] += performance.now() - start;
      return result;
    };
  });
})();`;

const scenes = { 2: "title", 4: "test.3ds", 7: "env.3ds", 10: "add.3ds", 13: "blue.3ds", 16: "lo.3ds",
  19: "ting.3ds", 22: "cyl.3ds", 25: "snurr.3ds" };
const sceneOf = (stage) => scenes[Object.keys(scenes).map(Number).filter((s) => s <= stage).pop()] ?? "start";
const ms = (value, width = 7) => value.toFixed(1).padStart(width);

function topCalls(calls, count = 6) {
  return Object.entries(calls).sort((a, b) => b[1][1] - a[1][1]).slice(0, count)
    .map(([name, [n, t]]) => `${name} ${n}x ${t.toFixed(1)}`).join(", ");
}

function sum(calls) {
  return Object.values(calls).reduce((total, [, t]) => total + t, 0);
}

function report(engine, page) {
  const passes = page.passes;
  const log = page.frames;
  // The pass that logged entry k of the page's log leaves it k + 1 long;
  // the first pass (set-up and first title frame) logs nothing.
  const passOf = log.map((_, k) => passes.findIndex((p) => p[3] === k + 1));
  console.log(`\n== ${engine}: ${passes.length} passes, ${log.length} logged frames, timer step ` +
    `${page.step.toFixed(3)} ms`);
  const line = (label, i) => {
    const [start, inside, calls] = passes[i];
    const gap = i > 0 ? start - (passes[i - 1][0] + passes[i - 1][1]) : 0;
    console.log(`${label.padEnd(26)} inside ${ms(inside)} ms (WebGL ${ms(sum(calls))}), gap before ${ms(gap)} ms` +
      `\n    ${topCalls(calls)}`);
  };
  line("first pass (title set-up)", passes.findIndex((p) => p[3] === 0 && Object.keys(p[2]).length > 0));
  log.forEach(([found, interval, left], k) => {
    const change = sceneOf(found) !== sceneOf(left);
    if ((change || interval > 20) && passOf[k] >= 0)
      line(`${change ? `${sceneOf(found)} -> ${sceneOf(left)}` : sceneOf(found)} ${interval.toFixed(1)} ms`, passOf[k]);
  });
  console.log("scene       frames  inside median  95%   interval median  95%   frames > 20 ms: inside > 16.7");
  for (const [stage, name] of Object.entries(scenes)) {
    const rows = [];
    log.forEach(([found, interval, left], k) => {
      if (found === Number(stage) && left === found && passOf[k] >= 0) rows.push([passes[passOf[k]][1], interval]);
    });
    if (rows.length === 0) continue;
    const quantile = (column, q) => {
      const sorted = rows.map((r) => r[column]).sort((a, b) => a - b);
      return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
    };
    const slow = rows.filter((r) => r[1] > 20);
    console.log(`${name.padEnd(11)} ${String(rows.length).padStart(6)} ${ms(quantile(0, 0.5), 14)} ${ms(quantile(0, 0.95), 5)}` +
      ` ${ms(quantile(1, 0.5), 16)} ${ms(quantile(1, 0.95), 5)}   ${slow.length}: ${slow.filter((r) => r[0] > 16.7).length}`);
  }
}

const server = await serve(webDir, { profile: instrument });
let failed = false;
try {
  for (const engine of engines) {
    let driver = null;
    try {
      driver = await launchBrowser(engine, { audioClock: true });
      await startPage(driver, `http://127.0.0.1:${server.address().port}/profile/kvistra.html`);
      await waitFor(driver, "kvistraPage.ended", 300, "end of the show");
      report(engine, await driver.evaluate(`({frames: kvistraPage.frames, passes: kvistraProfile.passes,
        step: (() => { let a = performance.now(), b; while ((b = performance.now()) === a); return b - a; })()})`));
    } catch (error) {
      console.log(`\n${engine}: ${error.message}`);
      failed = true;
    } finally {
      await driver?.close();
    }
  }
} finally {
  server.close();
}
process.exit(failed ? 1 : 0);
