// web_page.mjs: the web page (build-web) in headless Chromium, served from
// 127.0.0.1 by this script (web/headless.mjs): its frames against the native
// capture's, the show's end, Escape in a scene, a missing library.
// usage: node web_page.mjs <web build dir> <native run dir>
import { spawn, execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { closeBrowser, evaluate, launchBrowser, pressKey, serve, startPage, waitFor } from "../../web/headless.mjs";

const [webDir, runDir] = process.argv.slice(2).map((dir) => path.resolve(dir));
const fpsLine = /^\n\n\nfps:\d+\.\d\d\n$/;
// The pictures' moments: the title, and "add.3ds", "ting.3ds" (its trails)
// and "snurr.3ds" (the keyframed camera, the banner).
const moments = ["13", "50", "110", "165"];
const cases = [
  { name: "pictures", query: `fps=5&at=${moments}&stop=165`, status: 0, output: /^$/ },
  { name: "whole show", query: "fps=2", status: 0, output: fpsLine },
  { name: "Escape in a scene", query: "fps=2", escapeAtStage: 7, status: 0, output: fpsLine },
  { name: "no library", query: "without=ant", status: 1, output: /^CANNOT open library : ant\n$/ },
  { name: "no music", query: "without=music.mp3", status: 1, output: /^Error\(3\): Can't play the file\n$/ },
  { name: "no audio output", query: "", noAudio: true, status: 1, output: /^Error\(1\): Can't initialize device\n$/ },
];

function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; i++) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? 99 : 10 * Math.log10((255 * 255 * a.length) / sum);
}

async function runCase(browser, base, test) {
  const before = test.noAudio ? "delete window.AudioContext; delete window.webkitAudioContext;" : "";
  const session = await startPage(browser, `${base}/kvistra.html?${test.query}`, before);
  if (test.escapeAtStage) {
    await waitFor(browser, session, `kvistraPage.stage >= ${test.escapeAtStage}`, 60, `stage ${test.escapeAtStage}`);
    await pressKey(browser, session, "Escape", "Escape", 27);
  }
  await waitFor(browser, session, "kvistraPage.ended", 120, "end");
  const page = await evaluate(browser, session, `({status: kvistraPage.status, output: kvistraPage.output,
    stages: kvistraPage.frames.map(f => f[2]), pictures: [...document.querySelectorAll('output.picture')]
      .map(e => [e.dataset.at, e.textContent])})`);
  const faults = [];
  if (page.status !== test.status) faults.push(`status ${page.status}`);
  if (!test.output.test(page.output)) faults.push(`output ${JSON.stringify(page.output)}`);
  // The stage the last logged pass left (one pass may go from a scene to the
  // next one's set-up and first frame): a scene's when Escape ended it, not
  // the last scene's end.
  const lastStage = page.stages[page.stages.length - 1];
  if (test.escapeAtStage && !(lastStage >= test.escapeAtStage && lastStage < 24)) faults.push(`ended from stage ${lastStage}`);
  return { faults, pictures: page.pictures };
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kvistra-web-"));
const native = path.join(profile, "native");
fs.mkdirSync(native);
// The native capture of the same moments, beside the browser.
const capture = spawn(path.join(runDir, "kvistra-capture"),
  ["--dir", runDir, "--fps", "5", ...moments.flatMap((t) => ["--at", t])], { cwd: native, stdio: "ignore" });
const captured = new Promise((resolve) => capture.on("exit", resolve));
const server = await serve(webDir);
const browser = launchBrowser(path.join(profile, "chromium"));
let failed = false;
try {
  const base = `http://127.0.0.1:${server.address().port}`;
  for (const test of cases) {
    const started = Date.now();
    const result = await runCase(browser, base, test);
    if (test.name === "pictures") {
      if ((await captured) !== 0) result.faults.push("the native capture failed");
      for (const t of moments) {
        const picture = result.pictures.find((p) => p[0] === t);
        if (!picture) { result.faults.push(`no picture at ${t} s`); continue; }
        const reference = execFileSync("convert", [path.join(native, `kvistra-at-${t}.png`), "-depth", "8", "rgb:-"],
          { maxBuffer: 1 << 24 });
        const db = psnr(Buffer.from(picture[1], "base64"), reference);
        console.log(`  ${t} s: ${db.toFixed(2)} dB`);
        if (!(db >= 30)) result.faults.push(`${t} s: ${db.toFixed(2)} dB`);
      }
    }
    console.log(`${result.faults.length ? "FAIL" : "ok  "} ${test.name} (${((Date.now() - started) / 1000).toFixed(1)} s)` +
      result.faults.map((f) => `\n    ${f}`).join(""));
    failed ||= result.faults.length > 0;
  }
} catch (error) {
  console.log(`FAIL ${error.message}`);
  failed = true;
} finally {
  capture.kill();
  server.close();
  await closeBrowser(browser, profile);
}
process.exit(failed ? 1 : 0);
