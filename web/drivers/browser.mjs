// browser.mjs: the one interface through which the web page's test and
// benchmark drive a browser, and the steps they share. An adapter per
// engine (chromium.mjs, firefox.mjs, webkit.mjs) exports launch(), which
// starts its browser with a fresh profile on 127.0.0.1 and resolves with
//   name             the engine's name
//   open(url)        a fresh page at url, the page before it closed
//   read(expression) the string an expression gives in the page
//   click(x, y)      a trusted left click at a point of the page
//   pressKey(key)    a trusted press and release of a key ("Escape")
//   close()          ends the browser and everything started for it, and
//                    removes its profile, whatever state it is in
// launchBrowser adds evaluate(expression): the expression's value, carried
// through JSON. Its option audioClock asks for an audio clock that runs
// even where the machine has no sound device (the real-time show follows
// it); otherwise each browser has the audio output it finds. Chromium also
// takes sound (its sound on, not muted) and env (more of its environment: a
// sound server's).
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import * as chromium from "./chromium.mjs";
import * as firefox from "./firefox.mjs";
import * as webkit from "./webkit.mjs";

const adapters = { chromium, firefox, webkit };
export const browserNames = Object.keys(adapters);

export async function launchBrowser(name, options = {}) {
  if (!adapters[name]) throw new Error(`no browser "${name}" (${browserNames.join(", ")})`);
  const driver = await adapters[name].launch(options);
  driver.evaluate = async (expression) => JSON.parse(await driver.read(
    `(() => { const value = (${expression}); return value === undefined ? "null" : JSON.stringify(value); })()`));
  return driver;
}

// Polls `expression` until it is true, for at most `seconds`; an expression
// that throws (a page still loading) counts as false.
export async function waitFor(driver, expression, seconds, what) {
  const deadline = Date.now() + seconds * 1000;
  let lastError = null;
  for (;;) {
    try {
      if (await driver.evaluate(expression)) return;
      lastError = null;
    } catch (error) {
      lastError = error;
    }
    if (Date.now() > deadline)
      throw new Error(`no ${what} within ${seconds} s${lastError ? ` (${lastError.message})` : ""}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// Opens the page and clicks once the program is ready for the start gesture.
export async function startPage(driver, url) {
  await driver.open(url);
  await waitFor(driver, "document.getElementById('prompt-line').textContent.startsWith('Click')", 60, "start line");
  await driver.click(100, 100);
}

// A file server for the page's folder on 127.0.0.1, on a free port. A
// request under /NAME/, NAME a key of `before`, is answered from the same
// folder, with the script before[NAME] put first into the HTML's head: it
// runs before any of the page's own (as a browser without some interface).
export function serve(dir, before = {}) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
  const server = http.createServer((request, response) => {
    const { pathname } = new URL(request.url, "http://x");
    const file = path.join(dir, path.basename(pathname));
    const script = before[pathname.split("/")[1]];
    fs.readFile(file, (error, data) => {
      if (!error && script && file.endsWith(".html"))
        data = data.toString().replace("<head>", `<head><script>${script}</script>`);
      response.writeHead(error ? 404 : 200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
      response.end(error ? "" : data);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}
