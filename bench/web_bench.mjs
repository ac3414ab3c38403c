// web_bench.mjs: the web page's sizes and, per browser engine, the time
// from the start gesture to the first title frame and the frame times of
// the page's own log, the show played once in real time (on the audio
// clock): per scene the median, 95th percentile and worst frame, each scene
// change, and the worst frame after the first title frame.
// usage: node --experimental-websocket bench/web_bench.mjs <web build dir> [engine...]
//        (engines: chromium, firefox, webkit; all three by default)
import fs from "node:fs";
import path from "node:path";
import { browserNames, launchBrowser, serve, startPage, waitFor } from "../web/drivers/browser.mjs";

const webDir = path.resolve(process.argv[2] || "build-web");
const engines = process.argv.length > 3 ? process.argv.slice(3) : browserNames;
const files = ["kvistra.html", "kvistra-page.js", "kvistra.js", "kvistra.wasm", "kvistra.data"];
let total = 0;
for (const file of files) {
  const size = fs.statSync(path.join(webDir, file)).size;
  total += size;
  console.log(`${file.padEnd(16)} ${(size / 1e6).toFixed(3)} MB`);
}
console.log(`page and data     ${(total / 1e6).toFixed(3)} MB (target: at most 6 MB)`);

// The stage each scene's frames run in, and the names of all stages a
// scene change passes through.
const scenes = { 2: "title", 4: "test.3ds", 7: "env.3ds", 10: "add.3ds", 13: "blue.3ds", 16: "lo.3ds",
  19: "ting.3ds", 22: "cyl.3ds", 25: "snurr.3ds" };
const sceneOf = (stage) => scenes[Object.keys(scenes).map(Number).filter((s) => s <= stage).pop()] ?? "start";
const ms = (value, width) => value.toFixed(1).padStart(width);

function report(engine, page) {
  console.log(`\n${engine}: start gesture to first title frame ${page.first.toFixed(0)} ms (target: 2000 ms)`);
  console.log(`${engine}: the page's output ${JSON.stringify(page.output)}`);
  console.log("scene       frames  median ms  95% ms  worst ms  at 60 fps");
  for (const [stage, name] of Object.entries(scenes)) {
    // A pass that ends a scene also loads the next: that one counts apart.
    const times = page.frames.filter((f) => f[0] === Number(stage) && f[2] === f[0]).map((f) => f[1])
      .sort((a, b) => a - b);
    if (times.length === 0) continue;
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    const steady = at(0.5) < 16.7 + 1.5 && at(0.95) < 20;
    console.log(`${name.padEnd(11)} ${String(times.length).padStart(6)} ${ms(at(0.5), 10)} ${ms(at(0.95), 7)}` +
      ` ${ms(times[times.length - 1], 9)}  ${steady ? "yes" : "no"}`);
  }
  const changes = page.frames.filter((f) => sceneOf(f[0]) !== sceneOf(f[2]));
  console.log(`scene changes (the pass that releases a scene, sets up the next and draws its first frame):`);
  for (const [from, time, to] of changes)
    console.log(`  ${sceneOf(from).padEnd(9)} -> ${sceneOf(to).padEnd(9)} ${ms(time, 7)} ms`);
  // The log starts with the pass after the one that drew the first title
  // frame (that one is the start time above).
  const worst = page.frames.reduce((w, f) => (f[1] > w[1] ? f : w), [0, 0, 0]);
  console.log(`worst frame after the first title frame: ${worst[1].toFixed(1)} ms in ${sceneOf(worst[0])}` +
    `${sceneOf(worst[0]) !== sceneOf(worst[2]) ? ` -> ${sceneOf(worst[2])}` : ""} (target: 50 ms)`);
}

const server = await serve(webDir);
let failed = false;
try {
  for (const engine of engines) {
    let driver = null;
    try {
      driver = await launchBrowser(engine, { audioClock: true });
      await startPage(driver, `http://127.0.0.1:${server.address().port}/kvistra.html`);
      await waitFor(driver, "kvistraPage.firstTitleTime !== null", 60, "first title frame");
      await waitFor(driver, "kvistraPage.ended", 300, "end of the show");
      report(engine, await driver.evaluate(`({frames: kvistraPage.frames, output: kvistraPage.output,
        first: kvistraPage.firstTitleTime - kvistraPage.gestureTime})`));
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
