// browser.mjs: the one interface through which the web page's test and
// benchmark drive a browser, and the steps they share. An adapter per
// engine (chromium.mjs, firefox.mjs, webkit.mjs) exports launch(), which
// starts its browser with a fresh profile on 127.0.0.1 and resolves with
//   name             the engine's name
//   open(url)        a fresh page at url, the page before it closed
//   read(expression) the string an expression gives in the page
//   click(x, y)      a trusted left click at a point of the page
//   touch(x, y)      a trusted tap of one finger there, where the driver
//                    can make one (not in WebKitGTK: undefined there)
//   pressKey(key)    a trusted press and release of a key ("Escape", "Enter")
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

// Opens the page and, once the program is ready for the start gesture,
// starts it by `how`: "click", "key" (Enter) or "touch".
export async function startPage(driver, url, how = "click") {
  await driver.open(url);
  await waitFor(driver, "document.getElementById('prompt-line').textContent.startsWith('Click')", 60, "start line");
  if (how === "key") await driver.pressKey("Enter");
  else if (how === "touch") await driver.touch(100, 100);
  else await driver.click(100, 100);
}

// A file server for the page's folder on 127.0.0.1, on a free port. A
// request under /NAME/, NAME a key of `variants`, is answered from the same
// folder as that variant of the page says: its `script` put first into the
// HTML's head (it runs before any of the page's own: a browser without some
// interface), the files it names `missing` answered with 404.
export function serve(dir, variants = {}) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
  const server = http.createServer((request, response) => {
    const { pathname } = new URL(request.url, "http://x");
    const file = path.join(dir, path.basename(pathname));
    const variant = variants[pathname.split("/")[1]] || {};
    const missing = (variant.missing || []).includes(path.basename(file));
    fs.readFile(file, (error, data) => {
      if (!error && variant.script && file.endsWith(".html"))
        data = Buffer.from(data.toString().replace("<head>", `<head><script>${variant.script}</script>`));
      const body = error || missing ? Buffer.alloc(0) : data;
      response.writeHead(error || missing ? 404 : 200, { "Content-Length": body.length,
        "Content-Type": types[path.extname(file)] || "application/octet-stream" });
      response.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}
