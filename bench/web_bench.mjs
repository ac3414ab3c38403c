// web_bench.mjs: the web page's sizes, the time from the start gesture to
// the first title frame, and per scene the frame times of the page's own log,
// the show played in real time (on the audio clock) in headless Chromium.
// usage: node bench/web_bench.mjs <web build dir>
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { closeBrowser, evaluate, launchBrowser, serve, startPage, waitFor } from "../web/headless.mjs";

const webDir = path.resolve(process.argv[2] || "build-web");
const files = ["kvistra.html", "kvistra-page.js", "kvistra.js", "kvistra.wasm", "kvistra.data"];
let total = 0;
for (const file of files) {
  const size = fs.statSync(path.join(webDir, file)).size;
  total += size;
  console.log(`${file.padEnd(16)} ${(size / 1e6).toFixed(3)} MB`);
}
console.log(`page and data     ${(total / 1e6).toFixed(3)} MB (target: at most 6 MB)`);

const scenes = { 2: "title", 4: "test.3ds", 7: "env.3ds", 10: "add.3ds", 13: "blue.3ds", 16: "lo.3ds",
  19: "ting.3ds", 22: "cyl.3ds", 25: "snurr.3ds" };
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kvistra-web-bench-"));
const server = await serve(webDir);
const browser = launchBrowser(profile);
try {
  const session = await startPage(browser, `http://127.0.0.1:${server.address().port}/kvistra.html`);
  await waitFor(browser, session, "kvistraPage.firstTitleTime !== null", 30, "first title frame");
  const first = await evaluate(browser, session, "kvistraPage.firstTitleTime - kvistraPage.gestureTime");
  console.log(`start gesture to first title frame: ${first.toFixed(0)} ms (target: 2000 ms)`);
  await waitFor(browser, session, "kvistraPage.ended", 300, "end of the show");
  const page = await evaluate(browser, session, "({frames: kvistraPage.frames, output: kvistraPage.output})");
  console.log(`the page's output: ${JSON.stringify(page.output)}`);
  console.log("scene       frames  median ms  95% ms  worst ms  at 60 fps");
  for (const [stage, name] of Object.entries(scenes)) {
    // A pass that ends a scene also loads the next: that one counts apart.
    const times = page.frames.filter((f) => f[0] === Number(stage) && f[2] === f[0]).map((f) => f[1])
      .sort((a, b) => a - b);
    if (times.length === 0) continue;
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    const steady = at(0.5) < 16.7 + 1.5;
    console.log(`${name.padEnd(11)} ${String(times.length).padStart(6)} ${at(0.5).toFixed(1).padStart(10)}` +
      ` ${at(0.95).toFixed(1).padStart(7)} ${times[times.length - 1].toFixed(1).padStart(9)}  ${steady ? "yes" : "no"}`);
  }
  const changes = page.frames.filter((f) => f[0] !== f[2]).map((f) => f[1]);
  console.log(`scene changes (release, set-up, first frame): ${changes.length}, worst ${Math.max(...changes).toFixed(1)} ms`);
} finally {
  server.close();
  await closeBrowser(browser, profile);
}
