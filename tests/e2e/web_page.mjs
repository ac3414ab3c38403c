// web_page.mjs: the web page (build-web) in headless Chromium, WebGL 2 on its
// software renderer, served from 127.0.0.1 by this script and driven over the
// DevTools protocol (on a pipe): the start click, Escape, and reading the page.
// usage: node web_page.mjs <web build dir> <native run dir>
import { spawn, execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";

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
];

function serve(dir) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
  const server = http.createServer((request, response) => {
    const file = path.join(dir, path.basename(new URL(request.url, "http://x").pathname));
    fs.readFile(file, (error, data) => {
      response.writeHead(error ? 404 : 200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
      response.end(error ? "" : data);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// Chromium with the DevTools protocol on fds 3 (in) and 4 (out), messages
// ending in a NUL byte.
function launchBrowser(profile) {
  const browser = spawn("chromium", ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader", "--disable-gpu-sandbox", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-quic", "--mute-audio",
    "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe", `--user-data-dir=${profile}`,
    "about:blank"], { stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"] });
  const pending = new Map();
  let nextId = 1, buffered = "";
  browser.stdio[4].on("data", (chunk) => {
    buffered += chunk.toString();
    let end;
    while ((end = buffered.indexOf("\0")) >= 0) {
      const message = JSON.parse(buffered.slice(0, end));
      buffered = buffered.slice(end + 1);
      const waiting = pending.get(message.id);
      if (!waiting) continue;
      pending.delete(message.id);
      message.error ? waiting.reject(new Error(JSON.stringify(message.error))) : waiting.resolve(message.result);
    }
  });
  browser.send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = nextId++;
    pending.set(id, { resolve, reject });
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + "\0");
  });
  return browser;
}

async function evaluate(browser, session, expression) {
  const reply = await browser.send("Runtime.evaluate", { expression, returnByValue: true }, session);
  return reply.result.value;
}

// Polls `expression` until it is true, for at most `seconds`.
async function waitFor(browser, session, expression, seconds, what) {
  const deadline = Date.now() + seconds * 1000;
  while (!(await evaluate(browser, session, expression))) {
    if (Date.now() > deadline) throw new Error(`no ${what} within ${seconds} s`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

async function openPage(browser, url) {
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
  const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
  await browser.send("Page.navigate", { url }, sessionId);
  return sessionId;
}

async function pressKey(browser, session, key, code, keyCode) {
  for (const type of ["keyDown", "keyUp"])
    await browser.send("Input.dispatchKeyEvent", { type, key, code, windowsVirtualKeyCode: keyCode }, session);
}

function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; i++) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? 99 : 10 * Math.log10((255 * 255 * a.length) / sum);
}

async function runCase(browser, base, test) {
  const session = await openPage(browser, `${base}/kvistra.html?${test.query}`);
  await waitFor(browser, session, "document.getElementById('prompt-line').textContent.startsWith('Click')", 60, "start line");
  await browser.send("Input.dispatchMouseEvent", { type: "mousePressed", x: 100, y: 100, button: "left", clickCount: 1 }, session);
  await browser.send("Input.dispatchMouseEvent", { type: "mouseReleased", x: 100, y: 100, button: "left", clickCount: 1 }, session);
  if (test.escapeAtStage) {
    await waitFor(browser, session, `kvistraPage.stage >= ${test.escapeAtStage}`, 60, `stage ${test.escapeAtStage}`);
    await pressKey(browser, session, "Escape", "Escape", 27);
  }
  await waitFor(browser, session, "kvistraPage.ended", 120, "end");
  const page = await evaluate(browser, session, `({status: kvistraPage.status, output: kvistraPage.output,
    stages: kvistraPage.frames.map(f => f[0]), pictures: [...document.querySelectorAll('output.picture')]
      .map(e => [e.dataset.at, e.textContent])})`);
  const faults = [];
  if (page.status !== test.status) faults.push(`status ${page.status}`);
  if (!test.output.test(page.output)) faults.push(`output ${JSON.stringify(page.output)}`);
  // The stage the last pass found: a scene's when Escape ended it, not the last scene's end.
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
  const browserGone = new Promise((resolve) => browser.on("exit", resolve));
  await browser.send("Browser.close").catch(() => browser.kill());
  capture.kill();
  await browserGone;
  server.close();
  // Chromium's helper processes may still be writing its profile as they go.
  fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10 });
}
process.exit(failed ? 1 : 0);
