// web_page.mjs: the web page (build-web) in each browser engine, served
// from 127.0.0.1 by this script and driven through web/drivers/: its frames
// against the native capture's, the show's end, Escape in a scene, a missing
// library, missing music, a browser without Web Audio. The engines run one
// after another; a failure names the engine.
// usage: node --experimental-websocket web_page.mjs <web build dir> <native run dir> [engine...]
//        (engines: chromium, firefox, webkit; all three by default)
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { browserNames, launchBrowser, serve, startPage, waitFor } from "../../web/drivers/browser.mjs";
import { endProcess, makeFolder, removeFolder, startProcess } from "../../web/drivers/processes.mjs";

const [webDir, runDir] = process.argv.slice(2, 4).map((dir) => path.resolve(dir));
const engines = process.argv.length > 4 ? process.argv.slice(4) : browserNames;
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
  // Served under /no-audio/: a browser without Web Audio.
  { name: "no audio output", path: "no-audio/", query: "", status: 1, output: /^Error\(1\): Can't initialize device\n$/ },
];
const before = { "no-audio": "delete window.AudioContext; delete window.webkitAudioContext;" };

function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; i++) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? 99 : 10 * Math.log10((255 * 255 * a.length) / sum);
}

async function runCase(driver, base, test) {
  await startPage(driver, `${base}/${test.path || ""}kvistra.html?${test.query}`);
  if (test.escapeAtStage) {
    await waitFor(driver, `kvistraPage.stage >= ${test.escapeAtStage}`, 60, `stage ${test.escapeAtStage}`);
    await driver.pressKey("Escape");
  }
  await waitFor(driver, "kvistraPage.ended", 120, "end");
  const page = await driver.evaluate(`({status: kvistraPage.status, output: kvistraPage.output,
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

// Each picture against the native capture's, in dB (at least 30 each).
async function comparePictures(engine, pictures, faults) {
  if ((await captured) !== 0) { faults.push("the native capture failed"); return; }
  for (const t of moments) {
    const picture = pictures.find((p) => p[0] === t);
    if (!picture) { faults.push(`no picture at ${t} s`); continue; }
    const reference = execFileSync("convert", [path.join(native, `kvistra-at-${t}.png`), "-depth", "8", "rgb:-"],
      { maxBuffer: 1 << 24 });
    const db = psnr(Buffer.from(picture[1], "base64"), reference);
    console.log(`  ${engine} ${t} s: ${db.toFixed(2)} dB`);
    if (!(db >= 30)) faults.push(`${t} s: ${db.toFixed(2)} dB`);
  }
}

const work = makeFolder("kvistra-web-");
const native = path.join(work, "native");
fs.mkdirSync(native);
// The native capture of the same moments, beside the first browser.
const capture = startProcess(path.join(runDir, "kvistra-capture"),
  ["--dir", runDir, "--fps", "5", ...moments.flatMap((t) => ["--at", t])], { cwd: native });
const captured = capture.exited;
const server = await serve(webDir, before);
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
          result = await runCase(driver, base, test);
          if (test.name === "pictures") await comparePictures(engine, result.pictures, result.faults);
        } catch (error) {
          result = { faults: [error.message] };
        }
        console.log(`${result.faults.length ? "FAIL" : "ok  "} ${engine}: ${test.name} (${((Date.now() - started) / 1000).toFixed(1)} s)` +
          result.faults.map((f) => `\n    ${f}`).join(""));
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
