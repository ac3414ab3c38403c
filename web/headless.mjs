// headless.mjs: the web page in headless Chromium, for its test and its
// benchmark: a small file server on 127.0.0.1, Chromium with WebGL 2 on its
// software renderer, driven over the DevTools protocol on a pipe (no
// WebSocket client needed), and the page's start gesture.
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

export function serve(dir) {
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
// ending in a NUL byte. Muted, unless options.sound; options.env: more of the
// environment (a sound server's, say).
export function launchBrowser(profile, options = {}) {
  const browser = spawn("chromium", ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader", "--disable-gpu-sandbox", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-quic", ...(options.sound ? [] : ["--mute-audio"]),
    "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe", `--user-data-dir=${profile}`,
    "about:blank"], { stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"], env: { ...process.env, ...options.env } });
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

export async function evaluate(browser, session, expression) {
  const reply = await browser.send("Runtime.evaluate", { expression, returnByValue: true }, session);
  return reply.result.value;
}

// Polls `expression` until it is true, for at most `seconds`.
export async function waitFor(browser, session, expression, seconds, what) {
  const deadline = Date.now() + seconds * 1000;
  while (!(await evaluate(browser, session, expression))) {
    if (Date.now() > deadline) throw new Error(`no ${what} within ${seconds} s`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// `before`: a script run in the page before its own.
export async function openPage(browser, url, before = "") {
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
  const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
  if (before) {
    await browser.send("Page.enable", {}, sessionId);
    await browser.send("Page.addScriptToEvaluateOnNewDocument", { source: before }, sessionId);
  }
  await browser.send("Page.navigate", { url }, sessionId);
  return sessionId;
}

export async function pressKey(browser, session, key, code, keyCode) {
  for (const type of ["keyDown", "keyUp"])
    await browser.send("Input.dispatchKeyEvent", { type, key, code, windowsVirtualKeyCode: keyCode }, session);
}

// Opens the page and clicks once the program is ready for the start gesture.
export async function startPage(browser, url, before = "") {
  const session = await openPage(browser, url, before);
  await waitFor(browser, session, "document.getElementById('prompt-line').textContent.startsWith('Click')", 60, "start line");
  for (const type of ["mousePressed", "mouseReleased"])
    await browser.send("Input.dispatchMouseEvent", { type, x: 100, y: 100, button: "left", clickCount: 1 }, session);
  return session;
}

// Closes the browser and removes its profile.
export async function closeBrowser(browser, profile) {
  const gone = new Promise((resolve) => browser.on("exit", resolve));
  await browser.send("Browser.close").catch(() => browser.kill());
  await gone;
  // Chromium's helper processes may still be writing its profile as they go.
  fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10 });
}
