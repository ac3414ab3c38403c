// web_profile.mjs: where the web page's slow frames spend their time, in
// each browser engine. The show plays once in real time as in web_bench.mjs,
// with a script put before the page's own that times every animation frame
// callback (one sequencer pass: the program and the WebGL calls it makes) and
// counts and times each WebGL call within it. With --perf, perf samples the
// whole machine meanwhile, and each slow frame gets the processor time the
// browser's processes (its threads, libraries and functions) and all other
// processes spent in it.
//
// Printed per engine: the pass that set up and drew the first title frame,
// every scene change and the slowest other frames, each with the time inside
// the pass, the gap before it (the browser's own work between passes) and
// the WebGL calls that took the most time; then per scene the medians and
// 95th percentiles of the time inside the pass and of the frame interval.
// usage: node --experimental-websocket bench/web_profile.mjs [--perf] <web build dir> [engine...]
import { spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import readline from "node:readline";
import { browserNames, launchBrowser, serve, startPage, waitFor } from "../web/drivers/browser.mjs";
import { makeFolder, removeFolder, startProcess } from "../web/drivers/processes.mjs";

const args = process.argv.slice(2);
const withPerf = args[0] === "--perf" ? !!args.shift() : false;
const webDir = path.resolve(args[0] || "build-web");
const engines = args.length > 1 ? args.slice(1) : browserNames;

// Put before the page's scripts: per animation frame callback its start,
// its duration, per WebGL method called within it [calls, ms], and the
// length of the page's frame log after it; the calls outside them (the
// program's preparation while the page waits for the viewer, and its
// start-up after the gesture) apart.
const instrument = `(function () {
  var profile = window.kvistraProfile = { passes: [], calls: null, outside: {} };
  var request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = function (callback) {
    return request(function (time) {
      var calls = profile.calls = {};
      var start = performance.now();
      try { callback(time); } finally {
        profile.passes.push([start, performance.now() - start, calls,
          window.kvistraPage ? kvistraPage.frames.length : -1]);
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
      var calls = profile.calls || profile.outside;
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
// The largest entries: numbers, or [calls, ms] by their ms.
const weight = (value) => (Array.isArray(value) ? value[1] : value);
const top = (counts, count, format) => Object.entries(counts).sort((a, b) => weight(b[1]) - weight(a[1])).slice(0, count)
  .map(([name, value]) => format(name, value)).join(", ");

// perf's samples (1 ms of processor time each, at -F 1000) on the
// monotonic clock, kept as [ms, browser's?, process kind:thread, library,
// function].
const perfRate = 1000;
async function readSamples(file, browserPids) {
  const script = spawn("perf", ["script", "-i", file, "-F", "comm,pid,time,ip,sym,dso"], { stdio: ["ignore", "pipe", "ignore"] });
  const samples = [];
  for await (const line of readline.createInterface({ input: script.stdout })) {
    const found = /^\s*(.*?)\s+(\d+)\s+([\d.]+):\s+\S+\s+(.*?)\s+\((.*)\)\s*$/.exec(line);
    if (!found) continue;
    const [, comm, pid, time, sym, dso] = found;
    // Code made at run time (JavaScript, WebAssembly, shaders) has no file.
    const library = /perf-\d+\.map|\[unknown\]|anon/.test(dso) ? "generated code" : path.basename(dso);
    const kind = browserPids.get(Number(pid));
    samples.push([Number(time) * 1000, !!kind, `${kind}:${comm}`, library, sym.replace(/\+0x[0-9a-f]+$/, "")]);
  }
  return samples;
}

// The processes started from this one (the browser, its helpers, its
// driver, its X server), from /proc, each with its kind.
function descendants() {
  const parents = new Map();
  for (const entry of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, "utf8");
      parents.set(Number(entry), Number(stat.slice(stat.lastIndexOf(")") + 2).split(" ")[1]));
    } catch {
      // gone meanwhile
    }
  }
  const found = new Set([process.pid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const [pid, parent] of parents)
      if (found.has(parent) && !found.has(pid)) found.add(pid), grown = true;
  }
  found.delete(process.pid);
  // Each process by its kind: Chromium's --type, a Firefox child's last
  // argument, else the program's name.
  const kinds = new Map();
  for (const pid of found) {
    try {
      // Chromium's helpers write their arguments as one string.
      const words = fs.readFileSync(`/proc/${pid}/cmdline`, "utf8").split(/[\0 ]/).filter(Boolean);
      const type = words.find((a) => a.startsWith("--type="));
      kinds.set(pid, type ? type.slice(7) : words.includes("-contentproc") ? `firefox-${words[words.length - 1]}`
        : path.basename(words[0] || "?"));
    } catch {
      // gone meanwhile
    }
  }
  return kinds;
}

function cpuLine(samples, from, to) {
  const threads = {}, places = {};
  let others = 0;
  for (const [time, ours, thread, library, sym] of samples) {
    if (time < from || time >= to) continue;
    if (!ours) { others++; continue; }
    threads[thread] = (threads[thread] || 0) + 1;
    const place = `${library}${sym && sym !== "[unknown]" ? ` ${sym}` : ""}`;
    places[place] = (places[place] || 0) + 1;
  }
  const n = (v) => `${Math.round(v * 1000 / perfRate)}`;
  return `    cpu ms: ${top(threads, 6, (t, v) => `${t} ${n(v)}`)}; other processes ${n(others)}` +
    `\n    where: ${top(places, 6, (p, v) => `${p} ${n(v)}`)}`;
}

function report(engine, page, samples) {
  const passes = page.passes;
  const log = page.frames;
  // Page time to the monotonic clock perf uses.
  const toMono = (t) => page.origin + t - page.wallMinusMono;
  // The pass that logged entry k of the page's log leaves it k + 1 long;
  // the first pass (set-up and first title frame) logs nothing.
  const passOf = log.map((_, k) => passes.findIndex((p) => p[3] === k + 1));
  console.log(`\n== ${engine}: ${passes.length} passes, ${log.length} logged frames, timer step ` +
    `${page.step.toFixed(3)} ms`);
  const line = (label, i, from) => {
    const [start, inside, calls] = passes[i];
    const gap = i > 0 ? start - (passes[i - 1][0] + passes[i - 1][1]) : 0;
    const webgl = Object.values(calls).reduce((total, [, t]) => total + t, 0);
    console.log(`${label.padEnd(30)} inside ${ms(inside)} ms (WebGL ${ms(webgl)}), gap before ${ms(gap)} ms` +
      `\n    WebGL: ${top(calls, 6, (name, [count, t]) => `${name} ${count}x ${t.toFixed(1)}`)}` +
      (samples ? `\n${cpuLine(samples, toMono(from ?? start - gap), toMono(start + inside))}` : ""));
  };
  const first = passes.findIndex((p) => p[3] === 0 && Object.keys(p[2]).length > 0);
  console.log(`outside the animation frames (preparation, start-up), WebGL: ${top(page.outside, 8, (name, [count, t]) =>
    `${name} ${count}x ${t.toFixed(1)}`)}`);
  line(`start click to first title frame`, first, page.gesture);
  const slow = [];
  log.forEach(([found, interval, left], k) => {
    if (passOf[k] < 0) return;
    if (sceneOf(found) !== sceneOf(left)) line(`${sceneOf(found)} -> ${sceneOf(left)} ${interval.toFixed(1)} ms`, passOf[k]);
    else if (interval > 20) slow.push([interval, k]);
  });
  slow.sort((a, b) => b[0] - a[0]);
  console.log(`frames over 20 ms within a scene: ${slow.length}; the slowest:`);
  for (const [interval, k] of slow.slice(0, 8))
    line(`  ${sceneOf(log[k][0])} frame ${k} ${interval.toFixed(1)} ms`, passOf[k]);
  if (samples && slow.length) {
    const windows = slow.map(([, k]) => passes[passOf[k]]).map((p, j) => [toMono(p[0] + p[1] - slow[j][0]), toMono(p[0] + p[1])]);
    const within = samples.filter(([time]) => windows.some(([from, to]) => time >= from && time < to));
    console.log(`all frames over 20 ms together:\n${cpuLine(within, -Infinity, Infinity)}`);
  }
  console.log("scene       frames  inside median  95%   interval median  95%" +
    (samples ? "   browser's processor ms per frame (the busiest threads)" : ""));
  for (const [stage, name] of Object.entries(scenes)) {
    const rows = [];
    let from = Infinity, to = -Infinity;
    log.forEach(([found, interval, left], k) => {
      if (found !== Number(stage) || left !== found || passOf[k] < 0) return;
      const pass = passes[passOf[k]];
      rows.push([pass[1], interval]);
      from = Math.min(from, toMono(pass[0] + pass[1] - interval));
      to = Math.max(to, toMono(pass[0] + pass[1]));
    });
    if (rows.length === 0) continue;
    let cpu = "";
    if (samples) {
      const threads = {};
      let total = 0;
      for (const [time, ours, thread] of samples) {
        if (!ours || time < from || time >= to) continue;
        threads[thread] = (threads[thread] || 0) + 1;
        total++;
      }
      const perFrame = (v) => (v * 1000 / perfRate / rows.length).toFixed(1);
      cpu = `   ${perFrame(total)} (${top(threads, 3, (t, v) => `${t} ${perFrame(v)}`)})`;
    }
    const quantile = (column, q) => {
      const sorted = rows.map((r) => r[column]).sort((a, b) => a - b);
      return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
    };
    console.log(`${name.padEnd(11)} ${String(rows.length).padStart(6)} ${ms(quantile(0, 0.5), 14)} ${ms(quantile(0, 0.95), 5)}` +
      ` ${ms(quantile(1, 0.5), 16)} ${ms(quantile(1, 0.95), 5)}${cpu}`);
  }
  if (samples) console.log(`the whole run:\n${cpuLine(samples, -Infinity, Infinity)}`);
}

// perf writes its file when interrupted.
async function stopPerf(perf) {
  if (!perf) return;
  try {
    process.kill(perf.pid, "SIGINT");
  } catch {
    return;
  }
  await perf.exited;
}

const server = await serve(webDir, { profile: { script: instrument } });
let failed = false;
try {
  for (const engine of engines) {
    let driver = null, perf = null;
    const work = makeFolder("kvistra-profile-");
    try {
      if (withPerf) {
        perf = startProcess("perf", ["record", "-q", "-k", "mono", "-e", "cpu-clock", "-F", String(perfRate), "-a",
          "-o", path.join(work, "perf.data")]);
      }
      driver = await launchBrowser(engine, { audioClock: true });
      await startPage(driver, `http://127.0.0.1:${server.address().port}/profile/kvistra.html`);
      await waitFor(driver, "kvistraPage.ended", 300, "end of the show");
      const page = await driver.evaluate(`({frames: kvistraPage.frames, passes: kvistraProfile.passes,
        outside: kvistraProfile.outside, origin: performance.timeOrigin, gesture: kvistraPage.gestureTime,
        step: (() => { let a = performance.now(), b; while ((b = performance.now()) === a); return b - a; })()})`);
      page.wallMinusMono = Date.now() - Number(process.hrtime.bigint()) / 1e6;
      let samples = null;
      if (perf) {
        const ours = descendants();
        ours.delete(perf.pid);
        await stopPerf(perf);
        samples = await readSamples(path.join(work, "perf.data"), ours);
      }
      report(engine, page, samples);
    } catch (error) {
      console.log(`\n${engine}: ${error.message}`);
      failed = true;
    } finally {
      await driver?.close();
      await stopPerf(perf);
      removeFolder(work);
    }
  }
} finally {
  server.close();
}
process.exit(failed ? 1 : 0);
